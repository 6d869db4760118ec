"""The page's lesson panel in the class's language: the address's lang=
(combined with the page's other parameters) and, without it, the browser's
own language, both read from the catalogues built into the single file.

    TALBRIX_PAGE=build/web/talbrix.html /usr/bin/python3 -m unittest tests/web/test_languages.py
"""

import tempfile
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

import test_page
from test_page import LESSONS, PAGE, headless_chromium

LESSON = (LESSONS / "heart-rate.lesson").read_text()


def open_lesson(driver, address):
    """Opens the page at `address` and the lesson in it, as the student Ada;
    returns the name question as it was asked."""
    # Leaves the last page as one whose run was saved, so that it asks nothing.
    driver.execute_script("if (window.talbrix) window.talbrix.runFiles.keptTicks = window.talbrix.bridge.runTicks()")
    headless_chromium.open_page(driver, address)
    driver.execute_script("window.talbrix.runFiles.open('rate.lesson', arguments[0])", LESSON)
    dialog = driver.find_element(By.ID, "lessonDialog")
    driver.execute_async_script("""
        const [dialog, done] = arguments;
        const wait = () => dialog.open ? done() : setTimeout(wait, 10);
        wait();""", dialog)
    question = dialog.find_element(By.ID, "lessonQuestion").text
    dialog.find_element(By.ID, "lessonAnswer").send_keys("Ada")
    dialog.find_element(By.CSS_SELECTOR, "button").click()  # the first is OK in every language
    driver.execute_async_script("""
        const done = arguments[0];
        const wait = () => window.talbrix.bridge.lessonView() ? done() : setTimeout(wait, 10);
        wait();""")
    return question


def panel(driver):
    """What the panel shows: its language, heading, Next and the task to do now."""
    return (driver.find_element(By.ID, "lesson").get_attribute("lang"),
            driver.find_element(By.ID, "stepHeading").text,
            driver.find_element(By.ID, "lessonNext").text,
            driver.find_element(By.CSS_SELECTOR, "#lessonItems .task.now").text)


class Languages(unittest.TestCase):
    def test_lang_in_the_address_shows_the_lesson_panel_in_spanish_beside_other_parameters(self):
        driver = test_page.driver
        question = open_lesson(driver, PAGE.as_uri() + "?x=1&lang=es")
        self.assertEqual(question, "Lección: Heart rate and filling time. Tu nombre, tal como lo verá tu docente:")
        language, heading, next_button, task = panel(driver)
        self.assertEqual((language, next_button, task), ("es", "Siguiente >", "\u2610 Ahora: Pulsa «Start»."))
        self.assertTrue(heading.startswith("Paso 1 de "), heading)
        # The form's own captions stay as designed.
        self.assertEqual(driver.find_element(By.ID, "Command1").text, "Start")

    def test_without_lang_the_page_follows_the_browsers_language_and_lang_still_overrides_it(self):
        with tempfile.TemporaryDirectory() as profile:
            # Headless, the browser takes its languages from its settings, not from --lang alone.
            options = headless_chromium.options(profile, extra=("--lang=de",))
            options.add_experimental_option("prefs", {"intl.accept_languages": "de-DE,de"})
            german = webdriver.Chrome(options=options, service=Service(headless_chromium.DRIVER))
            try:
                open_lesson(german, PAGE.as_uri())
                language, heading, next_button, task = panel(german)
                self.assertEqual((language, next_button, task),
                                 ("de", "Weiter >", "\u2610 Jetzt: Klicken Sie auf „Start“."))
                self.assertTrue(heading.startswith("Schritt 1 von "), heading)
                open_lesson(german, PAGE.as_uri() + "?lang=es")
                self.assertEqual(panel(german)[0], "es")
            finally:
                german.quit()


setUpModule = test_page.setUpModule
tearDownModule = test_page.tearDownModule

if __name__ == "__main__":
    unittest.main()
