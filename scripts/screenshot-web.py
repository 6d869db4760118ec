"""Photographs the web edition in headless Chromium at 96 dpi, as
scripts/screenshot.sh photographs the desktop window: opens the single file,
presses Start, lets it run a few seconds and writes the page to a PNG.

    /usr/bin/python3 scripts/screenshot-web.py build/web/talbrix.html docs/screenshot-web.png [SECONDS]
"""

import pathlib
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from headless_chromium import open_page, start  # noqa: E402

page, output = pathlib.Path(sys.argv[1]).resolve(), sys.argv[2]
seconds = float(sys.argv[3]) if len(sys.argv) > 3 else 6.0
with tempfile.TemporaryDirectory() as profile:
    # No scrollbars in the picture.
    driver = start(profile, window_size="900,700", extra=("--hide-scrollbars",))
    try:
        # The page's own size: the form, the commands under it and the margins.
        open_page(driver, page.as_uri(), viewport=(811, 506))
        driver.find_element("id", "Command1").click()
        time.sleep(seconds)
        driver.find_element("id", "Command2").click()
        driver.save_screenshot(output)
    finally:
        driver.quit()
print(f"Wrote {output}")
