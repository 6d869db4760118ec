"""The page in the class's language: the address's lang= (combined with the
page's other parameters) and, without it, the browser's own language, both
read from the catalogues built into the single file; every text the page
shows around the form is a text of the language's catalogue; the language
chosen in the page keeps the run, from disk and in a sandboxed frame.

    TALBRIX_PAGE=build/web/talbrix.html /usr/bin/python3 -m unittest tests/web/test_languages.py
"""

import functools
import pathlib
import re
import tempfile
import time
import unittest

from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.support.select import Select

import test_page
from test_page import LESSONS, PAGE, headless_chromium

LESSON = (LESSONS / "heart-rate.lesson").read_text()
CATALOGUES = pathlib.Path(__file__).resolve().parents[2] / "languages"
# Data among the page's texts: numbers, times, percentages.
NUMBER = re.compile(r"[-+\d.,:%()\s]*")


def catalogue(tag):
    """A shipped catalogue's texts by key as the page shows them (line breaks
    read, the access key's & dropped), and the language's own name."""
    texts, name = {}, None
    for line in (CATALOGUES / f"{tag}.texts").read_text(encoding="utf-8-sig").splitlines()[1:]:
        parts = line.strip().split(None, 1)
        if not parts or parts[0].startswith("#"):
            continue
        key, text = parts[0], parts[1] if len(parts) > 1 else ""
        if key == "name":
            name = text
        elif key != "language":
            text = re.sub(r"\\(.)", lambda escape: "\n" if escape.group(1) == "n" else escape.group(1), text)
            texts[key] = re.sub(r"&(.)", r"\1", text)
    return texts, name


def shipped():
    return sorted(path.stem for path in CATALOGUES.glob("*.texts"))


class Words:
    """Whether a text shown is one of a catalogue's (its placeholders filled
    with anything), or several of them in a row, as a first sentence and its
    reason; or a word that is data: the form's and the run's own names."""

    def __init__(self, tag, data):
        texts, _ = catalogue(tag)
        self.patterns = [re.compile(re.sub(r"%[1-9]", ".*", re.escape(" ".join(text.split()))), re.S)
                         for text in texts.values() if text.strip()]
        self.data = set(data)

    def known(self, text):
        if text in self.data or NUMBER.fullmatch(text):
            return True
        spaces = [i for i, letter in enumerate(text) if letter == " "] + [len(text)]

        # A piece ends at a blank, or at a full stop that joins two sentences.
        @functools.lru_cache(maxsize=None)
        def from_(start):
            return any(any(pattern.fullmatch(text, start, end) or (text[end - 1] == "." and end < len(text)
                                                                    and pattern.fullmatch(text, start, end - 1))
                           for pattern in self.patterns)
                       and (end == len(text) or from_(end + 1)) for end in spaces if end > start)
        return from_(0)


# Every text node, title, accessible name and placeholder of the page outside
# the form and outside what a teacher wrote in a lesson, with where it is.
SHOWN = """
    const outside = 'script, style, noscript, #Ml, #lessonItems > p:not(.task), #lessonItems .feedback strong';
    const found = [];
    const walker = document.createTreeWalker(document.documentElement, NodeFilter.SHOW_TEXT);
    for (let node; (node = walker.nextNode());) {
      const text = node.textContent.replace(/\\s+/g, ' ').trim();
      if (text && !node.parentElement.closest(outside))
        found.push([node.parentElement.id || node.parentElement.tagName, text]);
    }
    for (const element of document.querySelectorAll('[title], [aria-label], [placeholder], [alt]'))
      for (const name of ['title', 'aria-label', 'placeholder', 'alt'])
        if (element.getAttribute(name) && !element.closest(outside))
          found.push([(element.id || element.tagName) + '@' + name, element.getAttribute(name).trim()]);
    return found;"""


def leave_saved(driver):
    """Leaves the page as one whose run was saved, so that leaving asks nothing."""
    driver.execute_script("if (window.talbrix && window.talbrix.bridge) window.talbrix.runFiles.keptTicks = window.talbrix.bridge.runTicks()")


def wait_until(driver, script, seconds=30):
    """Polls a condition across a page being left and opened again."""
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        try:
            if driver.execute_script("return " + script):
                return
        except Exception:  # the page being replaced under the script
            pass
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + script)


def wait_ready(driver):
    wait_until(driver, "document.documentElement.dataset.ready === 'true'")


def message(driver):
    return driver.execute_script("const m = document.getElementById('message'); return m.hidden ? '' : m.textContent")


def open_lesson(driver, address=None, lesson=LESSON):
    """Opens the page at `address` (or stays on this one) and the lesson in
    it, as the student Ada; returns the name question as it was asked."""
    if address:
        leave_saved(driver)
        headless_chromium.open_page(driver, address)
    driver.execute_script("window.talbrix.runFiles.open('rate.lesson', arguments[0])", lesson)
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
    """What the panel shows: the page's language, the heading, Next and the task to do now."""
    return (driver.execute_script("return document.documentElement.lang"),
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


class PageInLanguage(unittest.TestCase):
    def open(self, address):
        driver = test_page.driver
        leave_saved(driver)
        driver.get(address)
        wait_ready(driver)
        return driver

    def test_with_lang_de_the_commands_tables_beats_panel_and_messages_speak_german(self):
        # A damaged case in the address: its message, in German.
        driver = self.open(PAGE.as_uri() + "?lang=de#case=1:AAAA")
        self.assertTrue(message(driver).startswith("Dieser Link ist beschädigt: "), message(driver))
        self.assertEqual(driver.execute_script("return document.documentElement.lang"), "de")
        commands = driver.execute_script(
            "return Object.fromEntries([...document.querySelectorAll('#commands button')].map((b) => [b.id, b.textContent]))")
        self.assertEqual(commands, {
            "commandsMenu": "Befehle", "openScenario": "Szenario öffnen...",
            "saveRunAsScenario": "Simulation als Szenario speichern...",
            "saveRunAsTable": "Simulation als Tabelle speichern...", "savePicture": "Bild speichern...",
            "showBeats": "Herzschläge und Referenz...", "lessons": "Lektionen...", "copyLink": "Link kopieren",
            "fit": "Einpassen", "fullScreen": "Vollbild", "cancel": "Abbrechen"})
        # The access keys are the letters the German texts mark.
        self.assertEqual([driver.find_element(By.ID, name).get_attribute("accesskey")
                          for name in ("openScenario", "lessons", "copyLink")], ["f", "i", "k"])
        self.assertEqual(driver.find_element(By.ID, "tableChoice").text.split("\n")[0].strip(), "Tabellen:")
        self.assertEqual([option.text for option in Select(driver.find_element(By.ID, "tableForm")).options],
                         ["Standard-CSV", "CSV mit Dezimalkomma"])
        self.assertEqual([option.text for option in Select(driver.find_element(By.ID, "language")).options],
                         ["Deutsch", "English", "Español"])
        self.assertEqual(Select(driver.find_element(By.ID, "language")).first_selected_option.text, "Deutsch")
        driver.find_element(By.ID, "showBeats").click()
        driver.execute_script("window.talbrix.step(400)")
        driver.find_element(By.ID, "holdReference").click()
        heads = driver.execute_script("""return ['beatLog', 'comparison'].map((id) =>
            [...document.querySelectorAll('#' + id + ' th')].map((cell) => cell.textContent))""")
        self.assertEqual(heads[0][:3] + heads[0][-1:], ["Schlag", "Takt", "Zeit (s)", "Rhythmus"])
        self.assertEqual(heads[1], ["Anzeige", "Einheit", "Referenz", "Jetzt", "Differenz", "Differenz (%)"])
        self.assertEqual(driver.find_element(By.CSS_SELECTOR, "#beatLog tbody tr td:last-child").text, "schlagend")
        self.assertEqual(driver.find_element(By.ID, "referenceState").text, "Referenz festgehalten bei Takt 400 (4.00 s)")
        self.assertEqual(driver.find_element(By.ID, "changedControls").text, "Kein Regler weicht von der Referenz ab.")
        # The form's own captions stay as designed.
        self.assertEqual(driver.find_element(By.ID, "Command1").text, "Start")

    def walk(self, driver):
        """What the page shows around the form, in a state with every part of
        it shown: the beat panel with a reference and a change, a copied
        link, a cancelled opening, then a lesson, its name question first."""
        driver.find_element(By.ID, "showBeats").click()
        driver.execute_script("window.talbrix.step(300)")
        driver.find_element(By.ID, "holdReference").click()
        driver.execute_script("window.talbrix.bridge.setSlider(2, 9); window.talbrix.step(300)")
        driver.find_element(By.ID, "copyLink").click()
        wait_until(driver, "document.getElementById('linkWord').textContent !== ''")
        driver.execute_script("window.opening = window.talbrix.runFiles.open('long.talbrix', 'ticks 1000000000\\n')")
        wait_until(driver, "!document.getElementById('progress').hidden")
        shown = driver.execute_script(SHOWN)
        driver.execute_script("window.talbrix.runFiles.cancel()")
        wait_until(driver, "document.getElementById('progress').hidden")
        shown += driver.execute_script(SHOWN)
        data = driver.execute_script("""const bridge = window.talbrix.bridge;
            return [...bridge.beatColumns().slice(3, -1), ...bridge.comparison().readouts.flatMap((row) => row.slice(0, 2))]""")
        open_lesson(driver)
        return shown + driver.execute_script(SHOWN), data

    def test_every_text_shown_around_the_form_is_a_text_of_the_language_in_use(self):
        driver = self.open(PAGE.as_uri())
        form = driver.execute_script("return window.talbrix.form")
        names = [catalogue(tag)[1] for tag in shipped()]
        form_words = []
        def strings(value):
            if isinstance(value, str):
                form_words.append(value)
            elif isinstance(value, dict):
                [strings(item) for item in value.values()]
            elif isinstance(value, list):
                [strings(item) for item in value]
        strings(form)
        # At start from the address, and chosen in the page after English.
        for tag, chosen in ((tag, chosen) for tag in shipped() if tag != "en" for chosen in (False, True)):
            with self.subTest(language=tag, chosen_in_the_page=chosen):
                driver = self.open(PAGE.as_uri() + ("?lang=en" if chosen else "?lang=" + tag))
                if chosen:
                    choose_language(driver, tag)
                shown, data = self.walk(driver)
                words = Words(tag, form_words + names + data)
                self.assertGreater(len(shown), 60)
                self.assertEqual([(where, text) for where, text in shown if not words.known(text)], [])

    def test_no_two_commands_share_an_access_key_in_any_language(self):
        for tag in shipped():
            with self.subTest(language=tag):
                driver = self.open(PAGE.as_uri() + "?lang=" + tag)
                keys = driver.execute_script(
                    "return Object.fromEntries([...document.querySelectorAll('[accesskey]')].map((e) => [e.id, e.accessKey]))")
                self.assertEqual(len(set(keys.values())), len(keys), keys)
                self.assertGreaterEqual(len(keys), 17)
                if tag == "en":  # the letters the page has always had, Lessons' from its text
                    self.assertEqual(keys, {
                        "commandsMenu": "a", "openScenario": "o", "saveRunAsScenario": "s", "saveRunAsTable": "t",
                        "savePicture": "p", "showBeats": "b", "lessons": "e", "copyLink": "i", "fit": "z",
                        "fullScreen": "u", "holdReference": "h", "clearReference": "c", "saveBeatLog": "l",
                        "saveComparison": "m", "saveResult": "r", "lessonBack": "k", "lessonNext": "n"})


def choose_language(driver, tag):
    Select(driver.find_element(By.ID, "language")).select_by_value(tag)
    wait_until(driver, f"document.documentElement.lang === '{tag}'")


def run_state(driver):
    return driver.execute_script("""const t = window.talbrix;
        return [t.bridge.runTicks(), t.bridge.slider(2), t.texts.map((box) => box.value), window.pageMark]""")


class LanguageChoice(unittest.TestCase):
    def test_choosing_a_language_relabels_the_page_where_it_stands_and_keeps_the_run(self):
        driver = test_page.driver
        leave_saved(driver)
        headless_chromium.open_page(driver, PAGE.as_uri() + "?x=1&lang=en")
        wait_ready(driver)
        driver.execute_script("window.talbrix.runFiles.open('case.talbrix', 'slider 2 9\\nticks 300\\n')")
        wait_until(driver, "window.talbrix.bridge.runTicks() === 300 && !window.talbrix.runFiles.busy")
        driver.execute_script("window.talbrix.step(50); window.pageMark = 'this page'")
        before = run_state(driver)
        choose_language(driver, "de")
        self.assertEqual(run_state(driver), before)
        self.assertEqual(driver.find_element(By.ID, "openScenario").text, "Szenario öffnen...")
        self.assertEqual(driver.find_element(By.ID, "openScenario").get_attribute("accesskey"), "f")
        choose_language(driver, "es")
        self.assertEqual(run_state(driver), before)
        # The address says the language for a reload, the other parameters as written.
        self.assertEqual(driver.execute_script("return location.search"), "?x=1&lang=es")
        self.assertEqual(driver.find_element(By.ID, "openScenario").text, "Abrir escenario...")
        self.assertEqual(driver.find_element(By.ID, "languageChoice").text.split("\n")[0].strip(), "Idioma:")

    def test_in_a_sandboxed_frame_the_choice_keeps_the_run_and_a_lessons_answers(self):
        driver = test_page.driver
        leave_saved(driver)
        with tempfile.TemporaryDirectory() as folder:
            course = pathlib.Path(folder) / "course.html"
            course.write_text(f"""<!DOCTYPE html><html lang="en"><title>Course</title><body>
<iframe id="talbrix" title="Talbrix" sandbox="allow-scripts allow-downloads allow-modals"
  src="{PAGE.as_uri()}?embed" width="900" height="560"></iframe>""")
            driver.get(course.as_uri())
            driver.switch_to.frame("talbrix")
            try:
                wait_ready(driver)
                open_lesson(driver, lesson="talbrix lesson 1\ntitle Output\ncase ticks 10\n\nstep Predict\n"
                            "text Predict the output.\npredict fast direction Text5\n\nstep See\n"
                            "observe fast from reference to settled\n")
                driver.execute_script("window.talbrix.step(120)")
                self.assertTrue(driver.execute_script(
                    "return window.talbrix.bridge.lessonAnswer('fast', 'Text5', 'up')"))
                before = run_state(driver)
                driver.find_element(By.ID, "commandsMenu").click()
                choose_language(driver, "es")
                self.assertEqual(run_state(driver), before)
                self.assertEqual(driver.find_element(By.ID, "commandsMenu").text, "Comandos")
                self.assertTrue(driver.find_element(By.ID, "stepHeading").text.startswith("Paso 1 de "))
                self.assertEqual(driver.find_element(By.ID, "lessonNext").text, "Siguiente >")
                self.assertTrue(driver.execute_script("return window.talbrix.bridge.lessonUnsaved()"))
                driver.execute_script("window.talbrix.bridge.lessonSaved()")
                leave_saved(driver)
            finally:
                driver.switch_to.default_content()

setUpModule = test_page.setUpModule
tearDownModule = test_page.tearDownModule

if __name__ == "__main__":
    unittest.main()
