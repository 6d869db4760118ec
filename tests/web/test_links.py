"""A case by link, in headless Chromium: "Copy Link" after a scripted run,
opened in a fresh browser from file:// with the network off, shows what
talbrix-trace shows for the run; a damaged link says so and the page opens
as usual; a lesson travels too; a link pasted into the open page's address
opens there.

    TALBRIX_PAGE=build/web/talbrix.html TALBRIX_TRACE=build/dev/tools/talbrix-trace \
        /usr/bin/python3 -m unittest tests/web/test_links.py
"""

import pathlib
import subprocess
import tempfile
import unittest

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

import test_page as page
from test_page import headless_chromium

LESSONS = pathlib.Path(__file__).resolve().parents[2] / "lessons"
DAMAGED = "This link is damaged"


def setUpModule():
    page.setUpModule()


def tearDownModule():
    page.tearDownModule()


def offline(driver):
    driver.execute_cdp_cmd("Network.enable", {})
    driver.execute_cdp_cmd("Network.emulateNetworkConditions", {
        "offline": True, "latency": 0, "downloadThroughput": 0, "uploadThroughput": 0})


def wait_ready(driver):
    """Once the page has opened the case its address carries, or said why not."""
    driver.execute_async_script("""
        const done = arguments[arguments.length - 1];
        const wait = () => document.documentElement.dataset.ready ? done() : setTimeout(wait, 10);
        wait();""")


def message(driver):
    return driver.execute_script("const m = document.getElementById('message'); return m.hidden ? '' : m.textContent")


def copy_link(driver):
    driver.find_element(By.ID, "copyLink").click()
    field = driver.find_element(By.ID, "linkField")
    return field.get_attribute("value"), driver.find_element(By.ID, "linkWord").text


class CaseByLink(unittest.TestCase):
    def setUp(self):
        page.open_page()
        wait_ready(page.driver)

    def test_a_copied_link_opens_the_same_run_in_a_fresh_browser_offline(self):
        driver = page.driver
        keys = lambda name, *pressed: (driver.execute_script("document.getElementById(arguments[0]).focus()", name),
                                       ActionChains(driver).send_keys(*pressed).perform())
        driver.execute_script("window.talbrix.step(300)")
        keys("Slider1", Keys.END)
        driver.execute_script("window.talbrix.step(450)")
        driver.find_element(By.ID, "Option1").click()
        driver.execute_script("window.talbrix.step(200)")
        keys("Slider4", Keys.HOME)
        driver.execute_script("window.talbrix.step(120)")
        link, word = copy_link(driver)
        self.assertTrue(link.startswith(page.PAGE.as_uri() + "#case=1:"), link[:80])
        self.assertIn("on the clipboard", word)
        self.assertNotIn("long", word)
        self.assertEqual(driver.execute_script("return document.activeElement.id"), "linkField")
        # The link holds the run as the page would save it, and the runner reads it.
        scenario = driver.execute_script("return window.talbrix.bridge.scenario()")
        carried = subprocess.run([page.TRACE, "--open-link", link], capture_output=True, text=True, check=True).stdout
        self.assertEqual(carried, scenario)
        native = page.native_trace(scenario)
        with tempfile.TemporaryDirectory() as profile:
            fresh = headless_chromium.start(profile)
            try:
                offline(fresh)
                fresh.get(link)
                wait_ready(fresh)
                self.assertEqual(message(fresh), f'Opened "link": {len(native) - 1} ticks replayed.')
                shown = fresh.execute_script("return window.talbrix.texts.map((box) => box.value)")
                self.assertEqual(shown, [native[-1][f"Text{n}"] for n in range(1, 14)])
                used, page.driver = page.driver, fresh
                try:
                    self.assertEqual(page.canvas_pixels(), page.expected_pixels(native[1:]))
                finally:
                    page.driver = used
                self.assertEqual(fresh.get_log("browser"), [])
            finally:
                fresh.quit()

    def test_a_damaged_link_says_so_and_the_page_opens_as_usual(self):
        driver = page.driver
        fresh_texts = page.texts()
        link = subprocess.run([page.TRACE, "--link", page.PAGE.as_uri(), "/dev/stdin"], input="slider 2 9\nticks 900\n",
                              capture_output=True, text=True, check=True).stdout.strip()
        driver.get(link[:-4])
        wait_ready(driver)
        self.assertTrue(message(driver).startswith(DAMAGED), message(driver))
        self.assertEqual(page.texts(), fresh_texts)
        driver.execute_script("window.talbrix.step(5)")
        self.assertNotEqual(page.texts(), fresh_texts)
        # Pasted whole into the open page's address: it opens there.
        driver.execute_script("window.talbrix.runFiles.keptTicks = window.talbrix.bridge.runTicks()")
        driver.execute_script("location.hash = arguments[0]", link[link.index("#") + 1:])
        driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            const wait = () => window.talbrix.bridge.runTicks() === 900 && !window.talbrix.runFiles.busy
                ? done() : setTimeout(wait, 10);
            wait();""")
        self.assertEqual(message(driver), 'Opened "link": 900 ticks replayed.')
        self.assertEqual(page.texts(), [page.native_trace("slider 2 9\nticks 900\n")[-1][f"Text{n}"] for n in range(1, 14)])

    def test_an_open_lesson_travels_by_link_and_a_long_run_has_a_word(self):
        driver = page.driver
        lesson = (LESSONS / "heart-rate.lesson").read_text()
        driver.execute_script("window.talbrix.lessons.ask = async (question, buttons) => ({ button: buttons[0], text: 'Ana' })")
        driver.execute_script("return window.talbrix.runFiles.open('heart-rate.lesson', arguments[0])", lesson)
        driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            const wait = () => !document.getElementById('lesson').hidden ? done() : setTimeout(wait, 10);
            wait();""")
        link, _ = copy_link(driver)
        carried = subprocess.run([page.TRACE, "--open-link", link], capture_output=True, text=True, check=True).stdout
        self.assertEqual(carried, lesson.replace("\r\n", "\n"))
        # Ten minutes of a student busy at the sliders: a move every half
        # second or so, any slider to any mark.
        page.open_page()
        wait_ready(driver)
        driver.execute_script("""
            let seed = 7;
            const next = (range) => (seed = (seed * 1103515245 + 12345) % 2147483648) % range;
            for (let ticks = 0; ticks < 60000;) {
                window.talbrix.bridge.setSlider(1 + next(6), next(11));
                const run = 20 + next(60);
                window.talbrix.step(run);
                ticks += run;
            }""")
        link, word = copy_link(driver)
        self.assertGreater(len(link), 2000)
        self.assertIn(f"This link is long ({len(link)} characters)", word)
