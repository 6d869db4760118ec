"""Photographs Beats and Reference in the web edition for the README: the
run from load held as the reference once steady, the aorta made stiffer
(Aortic Compl. to 0), and the run taken on past a sweep restart, so that the
reference sweep shows beneath the new one and the comparison has settled.
The ticks are stepped, not timed, so the picture is the same every time.

    /usr/bin/python3 scripts/screenshot-beats.py build/web/talbrix.html docs/beats-and-reference.png
"""

import pathlib
import sys
import tempfile

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from headless_chromium import open_page, start  # noqa: E402

page, output = pathlib.Path(sys.argv[1]).resolve(), sys.argv[2]
with tempfile.TemporaryDirectory() as profile:
    driver = start(profile, window_size="900,1400", extra=("--hide-scrollbars",))
    try:
        open_page(driver, page.as_uri(), viewport=(811, 1330))
        driver.execute_script("""
            const talbrix = window.talbrix;
            document.getElementById('showBeats').click();
            talbrix.step(3000);
            document.getElementById('holdReference').click();
            talbrix.view.sliders[1].set(0);
            talbrix.step(2600);
            document.activeElement.blur();
            window.scrollTo(0, 0);""")
        driver.save_screenshot(output)
    finally:
        driver.quit()
print(f"Wrote {output}")
