"""Tables from the page in either form, in headless Chromium: the standard
CSV unless the user picks the decimal-comma form, each table byte for byte
what talbrix-trace writes for the run, the pick kept for the tab's session,
and both forms in a sandboxed frame, where the page may keep nothing.

    TALBRIX_PAGE=build/web/talbrix.html TALBRIX_TRACE=build/dev/tools/talbrix-trace \
        /usr/bin/python3 -m unittest tests/web/test_tables.py
"""

import base64
import pathlib
import subprocess
import tempfile
import unittest

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys
from selenium.webdriver.support.select import Select

import test_page as page

# Each save, the file it downloads and the runner's option for the table;
# the panel's first, so that each save is seen to set the form itself.
SAVES = [("saveBeatLog", "talbrix-beats.csv", ["--beats"]), ("saveComparison", "talbrix-comparison.csv", ["--comparison"]),
         ("saveRunAsTable", "talbrix-run.csv", [])]

folder = None


def setUpModule():
    global folder
    folder = tempfile.TemporaryDirectory()
    page.setUpModule()


def tearDownModule():
    page.tearDownModule()
    folder.cleanup()


def catch_bytes():
    """Saved files caught as their bytes (in base64, by name, in
    window.saved): read back as text they would lose the byte-order mark."""
    page.driver.execute_script("""
        window.saved = {};
        window.talbrix.runFiles.download = (name, blob) => blob.arrayBuffer().then((data) => {
            let bytes = '';
            for (const byte of new Uint8Array(data))
                bytes += String.fromCharCode(byte);
            window.saved[name] = btoa(bytes);
        });""")


def a_run_with_a_reference():
    """A run with decimals, a reference and a typed heart rate holding a
    comma; returns it as the page would save it."""
    driver = page.driver
    driver.execute_script("window.talbrix.step(400)")
    driver.find_element(By.ID, "showBeats").click()
    driver.find_element(By.ID, "holdReference").click()
    driver.execute_script("document.getElementById('Slider2').focus()")
    ActionChains(driver).send_keys(Keys.HOME).perform()
    text8 = driver.find_element(By.ID, "Text8")
    text8.click()
    text8.send_keys(Keys.CONTROL, "a")
    text8.send_keys('7,5 "x"')
    driver.execute_script("window.talbrix.step(300)")
    return driver.execute_script("return window.talbrix.bridge.scenario()")


def saved_tables():
    """Saves the three tables as a user does: their bytes, by save."""
    page.driver.execute_script("window.saved = {}")
    for save, name, _ in SAVES:
        page.driver.find_element(By.ID, save).click()
    return {save: base64.b64decode(page.saved(name)) for save, name, _ in SAVES}


def runner_tables(scenario, form):
    extra = ["--decimal-comma"] if form == "decimalComma" else []
    return {save: subprocess.run([page.TRACE] + extra + option, input=scenario.encode(), capture_output=True,
                                 check=True).stdout for save, _, option in SAVES}


def choose(form):
    Select(page.driver.find_element(By.ID, "tableForm")).select_by_value(form)


def chosen():
    return page.driver.find_element(By.ID, "tableForm").get_attribute("value")


class Tables(unittest.TestCase):
    def tearDown(self):
        page.driver.switch_to.default_content()

    def test_each_table_is_the_runners_in_the_chosen_form_and_the_pick_is_kept(self):
        page.open_page()
        page.driver.execute_script("sessionStorage.clear()")
        page.open_page()
        self.assertEqual(chosen(), "standard")
        catch_bytes()
        scenario = a_run_with_a_reference()
        self.assertIn("text8 7,5", scenario)
        standard = runner_tables(scenario, "standard")
        self.assertEqual(saved_tables(), standard)
        choose("decimalComma")
        comma = runner_tables(scenario, "decimalComma")
        self.assertNotEqual(comma, standard)
        self.assertEqual(saved_tables(), comma)
        # Reloaded in the same tab, the page still writes the form picked.
        page.open_page()
        self.assertEqual(chosen(), "decimalComma")
        choose("standard")
        page.open_page()
        self.assertEqual(chosen(), "standard")

    def test_a_sandboxed_frame_saves_either_form(self):
        course = pathlib.Path(folder.name) / "course.html"
        course.write_text(f"""<!DOCTYPE html><html lang="en"><title>Course</title>
<iframe id="course" title="Talbrix" sandbox="allow-scripts allow-downloads" src="{page.PAGE.as_uri()}"
  width="900" height="700"></iframe>""")
        page.driver.get(course.as_uri())
        page.driver.switch_to.frame("course")
        page.driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            const wait = () => document.documentElement.dataset.ready === 'true' ? done() : setTimeout(wait, 10);
            wait();""")
        self.assertEqual(chosen(), "standard")
        catch_bytes()
        scenario = a_run_with_a_reference()
        self.assertEqual(saved_tables(), runner_tables(scenario, "standard"))
        choose("decimalComma")
        self.assertEqual(saved_tables(), runner_tables(scenario, "decimalComma"))
        # The storage that refused the pick said so to no one.
        errors = [entry["message"] for entry in page.driver.get_log("browser") if entry["level"] == "SEVERE"]
        self.assertEqual(errors, [])


if __name__ == "__main__":
    unittest.main()
