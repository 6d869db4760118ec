"""Measures the web edition in headless Chromium: the single file's size, the
time from opening it to the first frame, the real-time factor and the CPU of
the page's renderer while running, and the WebAssembly model's ticks per
second. Run by scripts/measure-web.sh."""

import os
import pathlib
import sys
import tempfile
import time

from selenium import webdriver

page = pathlib.Path(sys.argv[1]).resolve()
seconds = float(sys.argv[2]) if len(sys.argv) > 2 else 30.0
clock_ticks = os.sysconf("SC_CLK_TCK")


profile = tempfile.mkdtemp(prefix="talbrix-measure-")


def browser():
    options = webdriver.ChromeOptions()
    options.binary_location = "/usr/bin/chromium"
    for argument in ("--headless=new", "--no-sandbox", "--disable-gpu", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update", "--disable-sync",
                     "--force-device-scale-factor=1", "--window-size=900,600",
                     "--user-data-dir=" + profile):
        options.add_argument(argument)
    return webdriver.Chrome(options=options, service=webdriver.chrome.service.Service("/usr/bin/chromedriver"))


def open_page(driver):
    driver.get(page.as_uri())
    driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        const wait = () => document.getElementById('Ml').dataset.firstFrame ? done() : setTimeout(wait, 5);
        wait();""")


def processes(kind):
    """PIDs of this browser's processes of one --type (Chromium rewrites its
    command lines into one string); the page's renderer is the one that does
    not draw the browser's own user interface."""
    found = []
    for entry in pathlib.Path("/proc").iterdir():
        if entry.name.isdigit():
            try:
                command = (entry / "cmdline").read_bytes()
            except OSError:
                continue
            if f"--type={kind}".encode() in command and profile.encode() in command \
                    and b"--top-chrome-webui" not in command:
                found.append(int(entry.name))
    return found


def cpu_seconds(pids):
    total = 0
    for pid in pids:
        try:
            fields = pathlib.Path(f"/proc/{pid}/stat").read_text().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return total / clock_ticks


print(f"file_bytes={page.stat().st_size}")

driver = browser()
try:
    starts = []
    for _ in range(5):
        open_page(driver)
        starts.append(float(driver.execute_script("return document.getElementById('Ml').dataset.firstFrame")))
    print(f"first_frame_ms_median={sorted(starts)[len(starts) // 2]:.1f} (of {len(starts)} loads)")

    wasm = driver.execute_script("""
        const module = window.talbrix.module;
        const started = performance.now();
        module._talbrix_ticks(1000000);
        return 1e6 / ((performance.now() - started) / 1000);""")
    print(f"wasm_ticks_per_second={wasm / 1e6:.2f}M (model with readouts, in-memory window)")

    open_page(driver)
    driver.find_element("id", "Command1").click()
    time.sleep(1.0)  # let the clock settle
    renderers, gpus = processes("renderer"), processes("gpu-process")
    ticks0, clock0 = driver.execute_script("return [window.talbrix.ticks, performance.now()]")
    cpu0, gpu0, wall0 = cpu_seconds(renderers), cpu_seconds(gpus), time.monotonic()
    time.sleep(seconds)
    ticks1, clock1 = driver.execute_script("return [window.talbrix.ticks, performance.now()]")
    cpu1, gpu1, wall1 = cpu_seconds(renderers), cpu_seconds(gpus), time.monotonic()
    print(f"real_time_factor={(ticks1 - ticks0) / ((clock1 - clock0) / 10):.4f} over {seconds:g} s "
          f"({ticks1 - ticks0} ticks)")
    print(f"renderer_cpu_percent={100 * (cpu1 - cpu0) / (wall1 - wall0):.1f} "
          f"gpu_process_cpu_percent={100 * (gpu1 - gpu0) / (wall1 - wall0):.1f}")
finally:
    driver.quit()
