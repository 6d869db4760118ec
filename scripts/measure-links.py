"""How long links to cases are, and how soon the page shows a case opened
from one: the README's example case and ten minutes of a student busy at the
sliders (a move of any slider to any mark every 0.2 to 0.8 s), each link's
length, the page's first frame and the moment the case stands (median of
five loads from file://, offline).

    /usr/bin/python3 scripts/measure-links.py build/web/talbrix.html build/dev/tools/talbrix-trace
"""

import pathlib
import subprocess
import sys
import tempfile

import headless_chromium

README_CASE = "# Stiff aorta, high resistance\nslider 1 10\nslider 2 0\nticks 3000\nfibrillate\n"


def busy_run():
    seed, lines, ticks = 7, [], 0

    def pick(range_):
        nonlocal seed
        seed = (seed * 1103515245 + 12345) % 2147483648
        return seed % range_
    while ticks < 60000:
        slider, position, run = 1 + pick(6), pick(11), 20 + pick(60)
        lines.append(f"slider {slider} {position}\nticks {run}\n")
        ticks += run
    return "".join(lines)


def main():
    page, trace = pathlib.Path(sys.argv[1]).resolve(), sys.argv[2]
    with tempfile.TemporaryDirectory() as folder:
        driver = headless_chromium.start(folder)
        driver.execute_cdp_cmd("Network.enable", {})
        driver.execute_cdp_cmd("Network.emulateNetworkConditions", {
            "offline": True, "latency": 0, "downloadThroughput": 0, "uploadThroughput": 0})
        try:
            for name, case in (("readme_case", README_CASE), ("busy_10_minutes", busy_run())):
                link = subprocess.run([trace, "--link", page.as_uri(), "/dev/stdin"], input=case, capture_output=True,
                                      text=True, check=True).stdout.strip()
                address_length = len(page.as_uri())
                frames, opened = [], []
                for _ in range(5):
                    driver.get("about:blank")
                    driver.get(link)
                    driver.execute_async_script("""
                        const done = arguments[arguments.length - 1];
                        const wait = () => document.documentElement.dataset.caseOpened ? done() : setTimeout(wait, 10);
                        wait();""")
                    frames.append(float(driver.execute_script("return document.getElementById('Ml').dataset.firstFrame")))
                    opened.append(float(driver.execute_script("return document.documentElement.dataset.caseOpened")))
                print(f"{name}: case {len(case)} bytes, link {len(link) - address_length} characters after the page's "
                      f"address ({len(link)} with this one), first frame {sorted(frames)[2]:.1f} ms, case shown "
                      f"{sorted(opened)[2]:.1f} ms")
        finally:
            driver.quit()


if __name__ == "__main__":
    sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
    main()
