"""The web page driven in headless Chromium, as a user drives it.

The page is the single file build/web/talbrix.html opened from disk with the
network switched off. Its form comes from the same table as the desktop's,
which the page hands back (window.talbrix.form), so the checks compare the
page with that table and with the native scenario runner, never with a copy.

    TALBRIX_PAGE=build/web/talbrix.html TALBRIX_TRACE=build/dev/tools/talbrix-trace \
        /usr/bin/python3 -m unittest tests/web/test_page.py
"""

import base64
import csv
import io
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import unittest

from selenium.webdriver.common.action_chains import ActionChains
from selenium.webdriver.common.actions.action_builder import ActionBuilder
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

# The browser as the scripts that measure and photograph the page start it.
sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "scripts"))
import headless_chromium  # noqa: E402

PAGE = pathlib.Path(os.environ.get("TALBRIX_PAGE", "build/web/talbrix.html")).resolve()
TRACE = os.environ.get("TALBRIX_TRACE", "build/dev/tools/talbrix-trace")

# The run commands after the form, in the order Tab reaches them.
COMMANDS = ["openScenario", "saveRunAsScenario", "saveRunAsTable", "tableForm", "language", "savePicture", "showBeats",
            "lessons"]
COMMANDS += ["fit", "fullScreen"]  # the page's scale, after every other command
COMMANDS.insert(COMMANDS.index("fit"), "copyLink")  # a case by link, after the lessons

driver = None
profile = None


def setUpModule():
    global driver, profile
    profile = tempfile.TemporaryDirectory()
    driver = headless_chromium.start(profile.name, capabilities={"goog:loggingPrefs": {"browser": "ALL"}})
    # Nothing may come from the network: the file must work with none.
    driver.execute_cdp_cmd("Network.enable", {})
    driver.execute_cdp_cmd("Network.emulateNetworkConditions", {
        "offline": True, "latency": 0, "downloadThroughput": 0, "uploadThroughput": 0})


def tearDownModule():
    driver.quit()
    profile.cleanup()


def open_page():
    # A page with unsaved ticks asks before it is left; the tests leave it
    # as a user who has just saved the run would.
    driver.execute_script("if (window.talbrix) window.talbrix.runFiles.keptTicks = window.talbrix.bridge.runTicks()")
    headless_chromium.open_page(driver, PAGE.as_uri())
    return driver.execute_script("return window.talbrix.form")


def catch_downloads():
    """Saved files are caught instead of downloaded: their text, by name, in
    window.saved, for saved() to read."""
    driver.execute_script("""
        window.saved = {};
        window.talbrix.runFiles.download = (name, blob) => blob.text().then((text) => { window.saved[name] = text; });""")


def saved(name):
    """The text of the file saved under `name`, once it has been."""
    return driver.execute_async_script("""
        const [name, done] = arguments;
        const wait = () => name in window.saved ? done(window.saved[name]) : setTimeout(wait, 10);
        wait();""", name)


def texts():
    return driver.execute_script(
        "return window.talbrix.texts.map((box) => box.value)")


def step_collecting(count):
    """Runs `count` ticks one at a time, reading the 13 texts after each."""
    return driver.execute_script("""
        const [count] = arguments;
        const rows = [];
        for (let i = 0; i < count; ++i) {
            window.talbrix.step(1);
            rows.push(window.talbrix.texts.map((box) => box.value));
        }
        return rows;""", count)


def canvas_pixels():
    """The plotted pixels, in device pixels of the drawing area, as
    {(column, row): (r, g, b)}, opaque ones only."""
    flat = driver.execute_script("""
        const found = [];
        for (const strip of window.talbrix.plot.strips) {
            const canvas = strip.canvas;
            const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
            for (let i = 0; i < data.length; i += 4)
                if (data[i + 3] !== 0)
                    found.push(strip.deviceLeft + i / 4 % canvas.width, Math.floor(i / 4 / canvas.width),
                               data[i], data[i + 1], data[i + 2]);
        }
        return found;""")
    return {(flat[i], flat[i + 1]): tuple(flat[i + 2:i + 5]) for i in range(0, len(flat), 5)}


def native_trace(scenario):
    result = subprocess.run([TRACE], input=scenario, capture_output=True, text=True, check=True)
    return list(csv.DictReader(io.StringIO(result.stdout)))


def odd_files():
    """The table of odd files every reader judges alike: (name, bytes,
    verdict), the bytes decoded from the table's notation."""
    rows = []
    table = pathlib.Path(__file__).resolve().parents[1] / "session" / "odd-files.txt"
    for line in table.read_text().splitlines():
        cells = line.split("\t")
        if line.startswith("#") or len(cells) != 3:
            continue
        notation, data, i = cells[1], bytearray(), 0
        while i < len(notation):
            if notation[i] == "{":
                end = notation.index("}", i)
                data += notation[i + 1].encode() * int(notation[i + 3:end])
                i = end + 1
            elif notation[i] == "\\" and notation[i + 1] == "x":
                data.append(int(notation[i + 2:i + 4], 16))
                i += 4
            elif notation[i] == "\\":
                data += {"n": b"\n", "r": b"\r", "0": b"\0"}.get(notation[i + 1], notation[i + 1].encode())
                i += 2
            else:
                data += notation[i].encode()
                i += 1
        rows.append((cells[0], bytes(data), cells[2]))
    return rows


def expected_pixels(rows):
    """The pixels the desktop's plot holds after these rows: each tick's
    aortic point (black, the very first one in the load colour, white) and
    venous point (blue), since the last clear; later points cover earlier."""
    pixels = {}
    for row in rows:
        if row["cleared"] == "1":
            pixels.clear()
        x = int(row["plotX"])
        aortic = (255, 255, 255) if row["tick"] == "1" else (0, 0, 0)
        for y, colour in ((int(row["aorticY"]), aortic), (int(row["plotY"]), (0, 0, 255))):
            if 0 <= x < 645 * 15 and 0 <= y < 157 * 15:
                pixels[(x // 15, y // 15)] = colour
    return pixels


class Form(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.form = open_page()

    def rect_of(self, name):
        return driver.execute_script("""
            const form = document.getElementById('Ml').getBoundingClientRect();
            const box = document.getElementById(arguments[0]).getBoundingClientRect();
            return [box.left - form.left, box.top - form.top, box.width, box.height];""", name)

    def test_every_control_stands_at_its_table_rectangle(self):
        form = self.form
        controls = form["labels"] + form["texts"] + form["sliders"] + form["buttons"] + form["options"] \
            + [form["picture"]]
        for control in controls:
            with self.subTest(control=control["name"]):
                self.assertEqual(self.rect_of(control["name"]), [v / 15 for v in control["rect"]])
        self.assertEqual(self.rect_of("Ml")[2:], [form["window"]["width"] / 15, form["window"]["height"] / 15])

    def test_every_line_covers_its_end_points(self):
        for line in self.form["windowLines"] + self.form["gridLines"]:
            box = driver.find_element(By.ID, line["name"]).rect  # relative to the page
            container = "Ml" if line in self.form["windowLines"] else None
            origin = driver.find_element(By.ID, "Ml").rect if container else driver.execute_script(
                "const r = window.talbrix.plot.area.getBoundingClientRect(); return {x: r.left, y: r.top};")
            for x, y in ((line["x1"], line["y1"]), (line["x2"], line["y2"])):
                column, row = x // 15 + origin["x"], y // 15 + origin["y"]
                with self.subTest(line=line["name"], point=(x, y)):
                    self.assertTrue(box["x"] <= column < box["x"] + box["width"] + (line["width"] > 1))
                    self.assertTrue(box["y"] <= row <= box["y"] + box["height"])

    def test_focus_starts_in_text1_and_tab_goes_round_the_form_and_the_commands(self):
        open_page()
        form = self.form
        stops = sorted(form["texts"] + form["sliders"] + form["buttons"] + [form["picture"]] + form["options"][:1],
                       key=lambda control: control["tab"])
        names = [control["name"] for control in stops] + COMMANDS
        self.assertEqual(driver.switch_to.active_element.get_attribute("id"), "Text1")
        walked = []
        for _ in names:
            ActionChains(driver).send_keys(Keys.TAB).perform()
            walked.append(driver.switch_to.active_element.get_attribute("id"))
        start = names.index("Text1")
        self.assertEqual(walked, names[start + 1:] + names[:start + 1])
        ActionChains(driver).key_down(Keys.SHIFT).send_keys(Keys.TAB).key_up(Keys.SHIFT).perform()
        self.assertEqual(driver.switch_to.active_element.get_attribute("id"), names[start - 1])

    def test_accessible_names_are_the_captions(self):
        aria = driver.execute_script(
            "return ['Text2', 'Text12', 'Slider1', 'Option1', 'Picture1']"
            ".map((id) => document.getElementById(id).getAttribute('aria-label'))")
        self.assertEqual(aria, ["Blood Vol ml", "Vein Pres (mmHg)", "Periph. Res.", "Fibrillate",
                                "Aortic and venous pressure trace"])


class Sliders(unittest.TestCase):
    def setUp(self):
        open_page()

    def value(self, name):
        return int(driver.find_element(By.ID, name).get_attribute("aria-valuenow"))

    def test_keys_move_as_on_the_desktop(self):
        slider = driver.find_element(By.ID, "Slider1")  # at 3
        driver.execute_script("arguments[0].focus()", slider)
        moves = [(Keys.UP, 2), (Keys.LEFT, 1), (Keys.DOWN, 2), (Keys.RIGHT, 3), (Keys.PAGE_DOWN, 8),
                 (Keys.PAGE_DOWN, 10), (Keys.PAGE_UP, 5), (Keys.HOME, 0), (Keys.UP, 0), (Keys.END, 10)]
        for key, expected in moves:
            ActionChains(driver).send_keys(key).perform()
            self.assertEqual(self.value("Slider1"), expected, key)

    def test_a_click_in_the_channel_pages_by_five_towards_the_pointer(self):
        slider = driver.find_element(By.ID, "Slider2")  # at 3
        width = slider.rect["width"]
        ActionChains(driver).move_to_element_with_offset(slider, width // 2 - 2, -3).click().perform()
        self.assertEqual(self.value("Slider2"), 8)
        ActionChains(driver).move_to_element_with_offset(slider, -width // 2 + 2, -3).click().perform()
        self.assertEqual(self.value("Slider2"), 3)

    def test_a_drag_lands_on_the_mark_under_the_pointer_at_any_css_zoom(self):
        for zoom in ("1", "1.5"):
            driver.execute_script("document.documentElement.style.zoom = arguments[0]", zoom)
            landed = []
            for mark in range(11):
                # The handle's centre and the mark's, in the viewport's pixels.
                start, end = driver.execute_script("""
                    const slider = document.getElementById('Slider6');
                    const centre = (box) => [box.left + box.width / 2, box.top + box.height / 2];
                    return [centre(slider.querySelector('.handle').getBoundingClientRect()),
                            centre(slider.querySelectorAll('.tick')[arguments[0]].getBoundingClientRect())];""", mark)
                actions = ActionBuilder(driver)
                actions.pointer_action.move_to_location(int(start[0]), int(start[1])).pointer_down()
                actions.pointer_action.move_to_location(int(end[0]), int(start[1])).pointer_up()
                actions.perform()
                landed.append(self.value("Slider6"))
            with self.subTest(zoom=zoom):
                self.assertEqual(landed, list(range(11)))
        driver.execute_script("document.documentElement.style.zoom = ''")

    def test_the_model_reads_the_moved_slider(self):
        driver.execute_script("document.getElementById('Slider2').focus()")
        ActionChains(driver).send_keys(Keys.END).perform()
        driver.execute_script("window.talbrix.step(1)")
        self.assertEqual(texts()[6], native_trace("slider 2 10\nticks 1\n")[-1]["Text7"])


class Run(unittest.TestCase):
    def setUp(self):
        open_page()

    def test_a_busy_run_shows_the_native_runners_texts_after_every_tick_and_its_pixels(self):
        # What a user does between runs of ticks, and the same as scenario lines.
        def keys(name, *pressed):
            driver.execute_script("document.getElementById(arguments[0]).focus()", name)
            ActionChains(driver).send_keys(*pressed).perform()

        def type_text8(text):
            box = driver.find_element(By.ID, "Text8")
            box.click()
            ActionChains(driver).key_down(Keys.CONTROL).send_keys("a").key_up(Keys.CONTROL).send_keys(text).perform()

        segments = [
            (lambda: None, "", 130),
            (lambda: keys("Slider1", Keys.UP, Keys.UP), "slider 1 1\n", 160),
            (lambda: driver.find_element(By.ID, "Option1").click(), "fibrillate\n", 220),
            (lambda: (driver.find_element(By.ID, "Option2").click(), keys("Slider3", Keys.END)),
             "defibrillate\nslider 3 10\n", 150),
            (lambda: type_text8("120"), "text8 120\n", 90),
            (lambda: type_text8("x1"), "text8 x1\n", 40),
            (lambda: keys("Slider5", Keys.PAGE_DOWN), "slider 5 10\n", 4400),
            (lambda: keys("Slider6", Keys.HOME), "slider 6 0\n", 300),
        ]
        scenario = ""
        page_rows = []
        for act, lines, ticks in segments:
            act()
            scenario += lines + f"ticks {ticks}\n"
            page_rows += step_collecting(ticks)
        native = native_trace(scenario)[1:]
        columns = [f"Text{n}" for n in range(1, 14)]
        self.assertEqual(len(page_rows), len(native))
        self.assertTrue(any(row["cleared"] == "1" for row in native), "the run should pass a sweep restart")
        for tick, (page, row) in enumerate(zip(page_rows, native), start=1):
            self.assertEqual(page, [row[c] for c in columns], f"texts after tick {tick}")
        self.assertEqual(canvas_pixels(), expected_pixels(native))

    def test_start_beeps_and_runs_pause_freezes(self):
        driver.find_element(By.ID, "Command2").click()  # Pause before Start: nothing happens
        self.assertEqual(driver.execute_script("return window.talbrix.ticks"), 0)
        start = driver.find_element(By.ID, "Command1")
        start.click()
        start.click()  # beeps again, runs once
        driver.execute_async_script("setTimeout(arguments[arguments.length - 1], 400)")
        driver.find_element(By.ID, "Command2").click()
        paused_at = driver.execute_script("return window.talbrix.ticks")
        self.assertGreater(paused_at, 0)
        self.assertEqual(driver.execute_script("return window.talbrix.beeps"), 2)
        driver.execute_async_script("setTimeout(arguments[arguments.length - 1], 200)")
        self.assertEqual(driver.execute_script("return window.talbrix.ticks"), paused_at)
        # Enter and Space on a focused button press it, as on the desktop.
        driver.execute_script("document.getElementById('Command1').focus()")
        ActionChains(driver).send_keys(Keys.ENTER).perform()
        self.assertEqual(driver.execute_script("return window.talbrix.running"), True)

    def test_the_trace_survives_a_zoom_and_stays_one_sharp_pixel_a_point(self):
        driver.execute_script("window.talbrix.step(700)")
        before = canvas_pixels()
        driver.execute_cdp_cmd("Emulation.setDeviceMetricsOverride",
                               {"width": 900, "height": 600, "deviceScaleFactor": 2, "mobile": False})
        try:
            driver.execute_async_script("""
                const done = arguments[arguments.length - 1];
                const wait = () => window.talbrix.plot.scale === 2 ? done() : setTimeout(wait, 10);
                wait();""")
            zoomed = canvas_pixels()
        finally:
            driver.execute_cdp_cmd("Emulation.clearDeviceMetricsOverride", {})
        self.assertEqual(zoomed, {(2 * x + dx, 2 * y + dy): colour for (x, y), colour in before.items()
                                  for dx in (0, 1) for dy in (0, 1)})

    def test_late_time_is_dropped_not_made_up(self):
        # The clock is driven with chosen frame times: a frame runs the ticks
        # that came due since the last, but after a gap (a hidden tab) only
        # one, and counts on from there.
        ran = driver.execute_script("""
            const sim = window.talbrix;
            sim.clock.restartAt(0);
            const ran = [];
            for (const now of [16, 33, 50, 5000, 5016, 5033]) {
                const before = sim.ticks;
                sim.advanceClock(now);
                ran.push(sim.ticks - before);
            }
            return ran;""")
        self.assertEqual(ran, [1, 2, 2, 1, 1, 2])

    def test_a_run_time_error_stops_the_run_and_says_so(self):
        driver.find_element(By.ID, "Command1").click()
        driver.execute_script("window.talbrix.bridge.testSetTime(200)")
        driver.execute_async_script("setTimeout(arguments[arguments.length - 1], 200)")
        status = driver.find_element(By.ID, "status")
        self.assertEqual(status.text, "Run-time error: Overflow")
        self.assertTrue(status.is_displayed())
        self.assertFalse(driver.execute_script("return window.talbrix.running"))
        ticks = driver.execute_script("return window.talbrix.ticks")
        driver.find_element(By.ID, "Command1").click()  # nothing goes on after it
        driver.execute_async_script("setTimeout(arguments[arguments.length - 1], 100)")
        self.assertEqual(driver.execute_script("return window.talbrix.ticks"), ticks)

    def test_the_embedded_font_is_named_ours_and_keeps_its_licence(self):
        from fontTools.ttLib import TTFont
        packed = PAGE.read_text().split("font/woff2;base64,", 1)[1].split('"', 1)[0]
        names = {record.nameID: record.toUnicode() for record in TTFont(io.BytesIO(base64.b64decode(packed)))["name"].names}
        self.assertEqual({names[i] for i in (1, 4)}, {"Talbrix Sans"})
        self.assertNotIn("Liberation", " ".join(names.values()))
        self.assertIn("SIL Open Font License", names[13])

    def test_the_file_is_small_loaded_nothing_and_broke_no_policy(self):
        # The six lessons and the code that runs and checks them are about a
        # third of it; the three catalogues of texts, links, embedding and
        # the tables' second form about 36 KB more, every text around the
        # form in three languages a little more again.
        self.assertLess(PAGE.stat().st_size, 340_000)
        entries = driver.execute_script(
            "return performance.getEntriesByType('resource').map((entry) => entry.name)")
        self.assertEqual(entries, [])
        policy = driver.find_element(By.CSS_SELECTOR, "meta[http-equiv='Content-Security-Policy']")
        self.assertIn("default-src 'none'", policy.get_attribute("content"))
        problems = [entry["message"] for entry in driver.get_log("browser") if entry["level"] == "SEVERE"]
        self.assertEqual(problems, [])


class KeepARun(unittest.TestCase):
    def setUp(self):
        open_page()
        catch_downloads()

    def test_a_saved_run_replays_to_the_same_texts_and_its_table_is_the_runners(self):
        driver.execute_script("window.talbrix.step(150)")
        driver.execute_script("document.getElementById('Slider4').focus()")
        ActionChains(driver).send_keys(Keys.PAGE_UP).perform()
        driver.find_element(By.ID, "Option1").click()
        driver.execute_script("window.talbrix.step(90)")
        ActionChains(driver).key_down(Keys.CONTROL).send_keys("s").key_up(Keys.CONTROL).perform()
        scenario = saved("talbrix-run.talbrix")
        rows = native_trace(scenario)
        self.assertEqual(len(rows), 241)
        self.assertEqual(texts(), [rows[-1][f"Text{n}"] for n in range(1, 14)])
        driver.find_element(By.ID, "saveRunAsTable").click()
        table = saved("talbrix-run.csv")
        runner = subprocess.run([TRACE], input=scenario, capture_output=True, text=True, check=True).stdout
        self.assertEqual(table, runner)

    def test_the_picture_is_a_png_of_the_window_at_the_screens_scale(self):
        driver.execute_script("""
            window.talbrix.runFiles.download = (name, blob) => blob.arrayBuffer().then((data) => {
                const view = new DataView(data);
                window.saved[name] = [view.getUint32(0), view.getUint32(16), view.getUint32(20)].join(' ');
            });""")
        driver.find_element(By.ID, "savePicture").click()
        self.assertEqual(saved("talbrix-window.png"), f"{0x89504E47} 779 438")

    def test_opening_a_scenario_leaves_the_page_as_a_live_run_would(self):
        scenario = "slider 1 7\nticks 300\nfibrillate\ntext8 99\nticks 5000\nslider 6 2\n"
        opened = driver.execute_async_script(
            "const [text, done] = arguments; window.talbrix.runFiles.open('case.talbrix', text).then(done);",
            scenario)
        self.assertTrue(opened)
        rows = native_trace(scenario)
        self.assertEqual(texts(), [rows[-1][f"Text{n}"] for n in range(1, 14)])
        self.assertEqual(canvas_pixels(), expected_pixels(rows[1:]))
        state = driver.execute_script("""return [
            document.getElementById('Slider1').getAttribute('aria-valuenow'),
            document.getElementById('Slider6').getAttribute('aria-valuenow'),
            document.getElementById('Option1').checked, window.talbrix.running]""")
        self.assertEqual(state, ["7", "2", True, False])

    def open_bytes(self, name, data):
        """Opens a file's bytes as the file picker would hand them over:
        whether it opened, and what the page said."""
        return driver.execute_async_script("""
            const [name, packed, done] = arguments;
            const bytes = Uint8Array.from(atob(packed), (letter) => letter.charCodeAt(0));
            window.talbrix.runFiles.open(name, bytes).then((opened) =>
                done([opened, document.getElementById('message').textContent]));""",
            name, base64.b64encode(data).decode())

    def test_odd_files_get_the_runners_verdict(self):
        for name, data, verdict in odd_files():
            with self.subTest(file=name):
                runner = subprocess.run([TRACE], input=data, capture_output=True)
                self.assertEqual(runner.stderr.decode().strip(), "" if verdict == "opens" else verdict)
                opened, message = self.open_bytes("odd.talbrix", data)
                if verdict == "opens":
                    ticks = runner.stdout.count(b"\n") - 2  # the header and the load row
                    self.assertEqual((opened, message), (True, f'Opened "odd.talbrix": {ticks} ticks replayed.'))
                else:
                    self.assertEqual((opened, message), (False, f'Cannot open "odd.talbrix". {verdict}'))

    def leaving_asks(self):
        return driver.execute_script("""
            const leaving = new Event('beforeunload', { cancelable: true });
            window.dispatchEvent(leaving);
            return leaving.defaultPrevented;""")

    def test_leaving_asks_only_when_ticks_would_be_lost(self):
        self.assertFalse(self.leaving_asks())
        driver.execute_script("window.talbrix.step(5)")
        self.assertTrue(self.leaving_asks())
        ActionChains(driver).key_down(Keys.CONTROL).send_keys("s").key_up(Keys.CONTROL).perform()
        saved("talbrix-run.talbrix")
        self.assertFalse(self.leaving_asks())
        driver.execute_script("window.talbrix.step(1)")
        self.assertTrue(self.leaving_asks())
        self.assertTrue(self.open_bytes("case.talbrix", b"ticks 7\n")[0])
        self.assertFalse(self.leaving_asks())

    def test_the_keyboard_reaches_every_command_and_escape_cancels(self):
        # Access keys (Alt and the letter, in Chromium) for the saves.
        for letter, name in (("t", "talbrix-run.csv"), ("s", "talbrix-run.talbrix")):
            ActionChains(driver).key_down(Keys.ALT).send_keys(letter).key_up(Keys.ALT).perform()
            self.assertTrue(saved(name))
        before = texts()
        driver.execute_script("""
            window.opening = window.talbrix.runFiles.open('long.talbrix', 'ticks 1000000000\\n');""")
        driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            const wait = () => document.getElementById('progress').hidden ? setTimeout(wait, 10) : done();
            wait();""")
        self.assertEqual(driver.find_element(By.CSS_SELECTOR, "#progress span").text, 'Opening "long.talbrix"')
        ActionChains(driver).send_keys(Keys.ESCAPE).perform()
        opened = driver.execute_async_script("window.opening.then(arguments[arguments.length - 1])")
        self.assertFalse(opened)
        self.assertEqual(driver.find_element(By.ID, "message").text,
                         'Opening "long.talbrix": cancelled. Nothing was changed.')
        self.assertEqual(texts(), before)

    def test_a_bad_file_is_refused_and_changes_nothing(self):
        driver.execute_script("window.talbrix.step(40)")
        before = texts()
        opened = driver.execute_async_script(
            "const [text, done] = arguments; window.talbrix.runFiles.open('bad.talbrix', text).then(done);",
            "ticks 5\nslider 9 1\n")
        self.assertFalse(opened)
        self.assertIn("line 2", driver.find_element(By.ID, "message").text)
        self.assertEqual(texts(), before)


def runner(option, scenario):
    return subprocess.run([TRACE, option], input=scenario, capture_output=True, text=True, check=True).stdout


class BeatsAndReference(unittest.TestCase):
    def setUp(self):
        open_page()
        catch_downloads()

    def shown_comparison(self):
        """The comparison's rows as the page shows them, cells joined by |,
        beside the same rows of a saved table."""
        return driver.execute_script("""
            return [...document.querySelectorAll('#comparison tbody tr')].map(
                (row) => [...row.cells].map((cell) => cell.textContent).join('|'));""")

    @staticmethod
    def table_comparison(table):
        return [row.replace('"', "").replace(",", "|") for row in table.splitlines()[1:14]]

    def steady(self):
        return driver.find_element(By.ID, "steadyMark").text

    def test_a_student_compares_a_stiffer_aorta_with_the_reference(self):
        driver.find_element(By.ID, "showBeats").click()
        driver.execute_script("window.talbrix.step(8000)")  # more beats than the page's table shows
        self.assertEqual(self.steady(), "Steady from beat 5")
        self.assertEqual(driver.execute_script("return document.querySelectorAll('#beatLog tbody tr').length"), 100)
        driver.find_element(By.ID, "holdReference").click()
        driver.execute_script("document.getElementById('Slider2').focus()")
        ActionChains(driver).send_keys(Keys.HOME).perform()  # a stiffer aorta
        driver.execute_script("window.talbrix.step(100)")
        self.assertEqual(self.steady(), "Not steady yet")
        driver.execute_script("""
            for (let i = 0; i < 300 && document.getElementById('steadyMark').textContent === 'Not steady yet'; ++i)
                window.talbrix.step(10);""")
        self.assertTrue(self.steady().startswith("Steady from beat "))
        ActionChains(driver).key_down(Keys.CONTROL).send_keys("s").key_up(Keys.CONTROL).perform()
        scenario = saved("talbrix-run.talbrix")
        expected = runner("--comparison", scenario)
        self.assertEqual(self.shown_comparison(), self.table_comparison(expected))
        self.assertEqual(driver.find_element(By.ID, "changedControls").text, "Changed: Slider2 Aortic Compl. 3 -> 0")
        driver.find_element(By.ID, "saveComparison").click()
        self.assertEqual(saved("talbrix-comparison.csv"), expected)
        driver.find_element(By.ID, "saveBeatLog").click()
        self.assertEqual(saved("talbrix-beats.csv"), runner("--beats", scenario))

    def test_the_log_follows_new_beats_only_from_its_end(self):
        """A student reading an earlier beat is not pulled away by the next one."""
        driver.find_element(By.ID, "showBeats").click()
        driver.execute_script("window.talbrix.step(3000)")
        scroll = "const log = document.getElementById('beatLog').parentElement;"
        at_end = scroll + "return log.scrollTop + log.clientHeight >= log.scrollHeight - 2;"
        self.assertTrue(driver.execute_script(at_end))
        driver.execute_script(scroll + "log.scrollTop = 0;")
        driver.execute_script("window.talbrix.step(300)")
        self.assertEqual(driver.execute_script(scroll + "return log.scrollTop;"), 0)
        driver.execute_script(scroll + "log.scrollTop = log.scrollHeight;")
        driver.execute_script("window.talbrix.step(300)")
        self.assertTrue(driver.execute_script(at_end))

    def reference_pixels(self):
        return driver.execute_script("""
            const canvas = window.talbrix.plot.reference;
            if (canvas.hidden) return 0;
            const data = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data;
            let found = 0;
            for (let i = 0; i < data.length; i += 4)
                found += data[i + 3] !== 0;
            return found;""")

    def test_the_reference_sweep_lies_beneath_the_trace_past_a_restart_and_goes_when_cleared(self):
        driver.execute_script("window.talbrix.step(3000)")
        driver.find_element(By.ID, "showBeats").click()
        driver.find_element(By.ID, "holdReference").click()
        driver.execute_script("window.talbrix.step(2000)")  # past the sweep's restart near tick 4,800
        self.assertGreater(self.reference_pixels(), 1000)
        # The live points are as a run with no reference leaves them.
        self.assertEqual(canvas_pixels(), expected_pixels(native_trace("ticks 5000\n")[1:]))
        driver.find_element(By.ID, "clearReference").click()
        self.assertEqual(self.reference_pixels(), 0)

    def test_a_run_with_a_reference_opens_with_it(self):
        scenario = "ticks 700\nhold-reference\nslider 1 8\nticks 900\n"  # as either edition saves it
        opened = driver.execute_async_script(
            "const [text, done] = arguments; window.talbrix.runFiles.open('case.talbrix', text).then(done);", scenario)
        self.assertTrue(opened)
        driver.find_element(By.ID, "showBeats").click()
        self.assertEqual(self.shown_comparison(), self.table_comparison(runner("--comparison", scenario)))
        self.assertGreater(self.reference_pixels(), 100)


LESSONS = pathlib.Path(__file__).resolve().parents[2] / "lessons"


class Lessons(unittest.TestCase):
    """A scripted student follows a lesson in the page with the form's own
    controls and the panel's; its result is what the runner's grader
    verifies, and it opens again in the page."""

    def setUp(self):
        open_page()
        catch_downloads()

    @staticmethod
    def view():
        return driver.execute_script("return window.talbrix.bridge.lessonView()")

    @staticmethod
    def reply(button, text=None):
        """Answers the page's own dialog once it shows."""
        dialog = driver.find_element(By.ID, "lessonDialog")
        driver.execute_async_script("""
            const [dialog, done] = arguments;
            const wait = () => dialog.open ? done() : setTimeout(wait, 10);
            wait();""", dialog)
        if text is not None:
            dialog.find_element(By.ID, "lessonAnswer").send_keys(text)
        dialog.find_element(By.XPATH, f".//button[text()='{button}']").click()

    def open(self, name, text, student=None, reply=None):
        """Opens a file as the page's picker would, answering the name
        question with `student` or another question with the button `reply`."""
        driver.execute_script("""
            window.opened = null;
            window.talbrix.runFiles.open(arguments[0], arguments[1]).then((done) => { window.opened = done; });""",
            name, text)
        if student is not None:
            self.reply("OK", student)
        if reply is not None:
            self.reply(reply)
        return driver.execute_async_script("""
            const done = arguments[0];
            const wait = () => window.opened !== null ? done(window.opened) : setTimeout(wait, 10);
            wait();""")

    def do(self, task):
        words = task.split()
        click = lambda element_id: driver.find_element(By.ID, element_id).click()
        if words[0] == "start":
            click("Command1")
            click("Command2")  # the student's steps tick the model, not the clock
            driver.execute_script("window.talbrix.lessons.watch()")
        elif words[0] in ("hold-reference", "clear-reference"):
            if not driver.find_element(By.ID, "holdReference").is_displayed():
                click("showBeats")
            click("holdReference" if words[0] == "hold-reference" else "clearReference")
        elif words[0] == "slider":
            driver.execute_script(f"document.getElementById('Slider{words[1]}').focus()")
            keys = [Keys.HOME] + [Keys.RIGHT] * int(words[3]) if words[2] == "to" else \
                [Keys.RIGHT if words[2] == "up" else Keys.LEFT] * 3
            ActionChains(driver).send_keys(*keys).perform()
        elif words[0] in ("fibrillate", "defibrillate"):
            click("Option1" if words[0] == "fibrillate" else "Option2")
        else:  # beats, settle: the run goes on
            driver.execute_script("window.talbrix.step(10)")

    def follow(self, answers):
        """Does every task, answers every prediction from `answers` ("id
        item" -> value; "same" where it has none) and writes a sentence for
        each question, to the end. Returns what the observations found."""
        seen = {}
        for _ in range(3000):
            view = self.view()
            if view["finished"]:
                break
            for item in view["items"]:
                if item["kind"] == "predict" and item["open"]:
                    for row, _name, given in item["rows"]:
                        if not given:
                            value = answers.get(f"{item['id']} {row}", "same")
                            driver.find_element(By.ID, f"{item['id']}_{row}_{value}").click()
                elif item["kind"] == "question" and item["open"] and not item["answer"]:
                    driver.find_element(By.ID, f"{item['id']}_question").send_keys("Because the heart ejects less.")
            view = self.view()
            for item in view["items"]:
                for line in item["lines"] if item["kind"] == "observe" else []:
                    found = re.match(r"(.+): you said \w+; it went (\w+)", line)
                    if found:
                        seen[found.group(1)] = found.group(2)
            if view["canNext"]:
                driver.find_element(By.ID, "lessonNext").click()
                if self.view()["finished"]:
                    self.reply("Not now")
                continue
            now = [item for item in view["items"] if item["kind"] == "task" and item["state"] == "now"]
            self.do(now[0]["words"] if now else "beats")
        self.assertTrue(self.view()["finished"])
        return seen

    def test_a_student_follows_a_lesson_right_and_wrong_and_the_runner_verifies_the_results(self):
        lesson = (LESSONS / "peripheral-resistance.lesson").read_text()
        names = {"AOP (mmHg)": "Text1", "Stroke Vol (ml)": "Text3", "Cardiac Output ml/min": "Text5"}
        self.assertTrue(self.open("afterload.lesson", lesson, "Probe"))
        self.assertTrue(driver.find_element(By.ID, "lesson").is_displayed())
        seen = self.follow({})
        self.assertEqual(set(seen), set(names))
        right = {f"afterload {names[name]}": went for name, went in seen.items()}
        wrong = {key: "down" if went == "up" else "up" for key, went in right.items()}
        with tempfile.TemporaryDirectory() as folder:
            for student, answers, score in (("Rosa", right, "3"), ("Wim", wrong, "0")):
                open_page()
                catch_downloads()
                self.assertTrue(self.open("afterload.lesson", lesson, student))
                self.follow(answers)
                self.assertIn(f"{score} of 3 right", driver.find_element(By.ID, "lessonScore").text)
                driver.find_element(By.ID, "saveResult").click()
                result = pathlib.Path(folder, f"{student}.result")
                result.write_text(saved(f"{student}.result"))
                graded = subprocess.run([TRACE, "--grade", str(LESSONS / "peripheral-resistance.lesson"), str(result)],
                                        capture_output=True, text=True, check=True).stdout
                row = dict(zip(*csv.reader(io.StringIO(graded))))
                self.assertEqual((row["student"], row["verified"], row["score"]), (student, "yes", score))
            # Opened again in the page, the result is verified and shows the answers.
            open_page()
            self.assertTrue(self.open("Rosa.result", pathlib.Path(folder, "Rosa.result").read_text()))
            self.assertTrue(driver.find_element(By.ID, "verification").text.startswith("Verified"))
            forged = pathlib.Path(folder, "Rosa.result").read_text().replace("student Rosa", "student Rosa\nanswer x")
            open_page()
            self.assertFalse(self.open("forged.result", forged))
            self.assertIn("line 4", driver.find_element(By.ID, "message").text)

    def test_a_scenario_opened_asks_for_unsaved_answers_and_then_ends_the_lesson(self):
        lesson = (LESSONS / "heart-rate.lesson").read_text()
        self.assertTrue(self.open("rate.lesson", lesson, "Ada"))
        driver.find_element(By.ID, "Command1").click()
        driver.find_element(By.ID, "Command2").click()
        driver.execute_script("window.talbrix.lessons.watch(); window.talbrix.step(1500)")
        driver.find_element(By.ID, "lessonNext").click()
        driver.find_element(By.ID, "fast_Text5_up").click()
        self.assertFalse(self.open("case.talbrix", "ticks 10\n", reply="Cancel"))
        prediction = [item for item in self.view()["items"] if item["kind"] == "predict"][0]
        self.assertEqual(prediction["rows"][0][2], "up")  # the answer is still there
        self.assertTrue(self.open("case.talbrix", "ticks 10\n", reply="Discard"))
        self.assertIsNone(self.view())
        self.assertFalse(driver.find_element(By.ID, "lesson").is_displayed())

    def test_a_lesson_with_a_mistake_is_refused_with_its_line(self):
        before = texts()
        self.assertFalse(self.open("bad.lesson", "talbrix lesson 1\ntitle T\nstep S\ntask jump\n"))
        self.assertEqual(driver.find_element(By.ID, "message").text,
                         'Cannot open "bad.lesson". line 4: unknown task \'jump\'; a task is start, pause, '
                         'fibrillate, defibrillate, hold-reference, clear-reference, settle, beats N or slider N ...')
        self.assertEqual(texts(), before)
        self.assertFalse(driver.find_element(By.ID, "lesson").is_displayed())


if __name__ == "__main__":
    unittest.main()
