"""Debian's Chromium, headless, driven through chromedriver: the one set of
options the page's tests and the scripts that photograph or measure the page
all start it with, so that they see the same browser.

    from headless_chromium import start, open_page
    driver = start(profile_folder)            # 900 x 600 at 96 dpi
    open_page(driver, page.as_uri())          # returns once it has drawn
    open_page(driver, uri, viewport=(811, 506))  # the page alone, for a picture
"""

from selenium import webdriver
from selenium.webdriver.chrome.service import Service

BINARY = "/usr/bin/chromium"
DRIVER = "/usr/bin/chromedriver"

# Root on a build machine needs --no-sandbox; --disable-gpu because there is
# no GPU to speak of; the rest keeps the browser from reaching the network or
# doing work of its own while it is being measured. The device scale factor
# is 1: the form's pixels are the desktop's at 96 dpi.
ARGUMENTS = (
    "--headless=new",
    "--no-sandbox",
    "--disable-gpu",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--force-device-scale-factor=1",
)


def options(profile, window_size="900,600", extra=()):
    """The ChromeOptions for a browser with its own profile folder."""
    chosen = webdriver.ChromeOptions()
    chosen.binary_location = BINARY
    for argument in ARGUMENTS + tuple(extra) + ("--window-size=" + window_size, "--user-data-dir=" + str(profile)):
        chosen.add_argument(argument)
    return chosen


def start(profile, window_size="900,600", extra=(), capabilities=None):
    """A running browser; the caller quits it."""
    chosen = options(profile, window_size, extra)
    for name, value in (capabilities or {}).items():
        chosen.set_capability(name, value)
    return webdriver.Chrome(options=chosen, service=Service(DRIVER))


def open_page(driver, uri, viewport=None):
    """Opens the page at `uri` and returns once it has drawn its first frame:
    the form (#Ml) marks it when the model has loaded and the form stands; a
    page without the form, such as a bare one to measure against, marks the
    document itself. A viewport (width, height) in CSS pixels, at 96 dpi,
    replaces the window's, as for a picture of the page alone."""
    if viewport:
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": viewport[0], "height": viewport[1], "deviceScaleFactor": 1, "mobile": False})
    driver.get(uri)
    driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        const marked = () => (document.getElementById('Ml') || document.documentElement).dataset.firstFrame;
        const wait = () => marked() ? done() : setTimeout(wait, 10);
        wait();""")
