"""Measures the web edition in headless Chromium: the single file's size, the
time from opening it to the first frame, the WebAssembly model's ticks per
second, and, while running, the real-time factor and the CPU of the page's
renderer and of the GPU process (which composites the frames, in software
here). To tell the page's own cost from what any animated page costs, the
same browser set-up runs a bare page that only draws one pixel on a canvas
25 times a second, for as long, and its figures are printed beside ours.
Run by scripts/measure-web.sh.

    /usr/bin/python3 scripts/measure-web.py build/web/talbrix.html [SECONDS] [--reference]

With --reference it also measures the page as a student comparing runs
leaves it: after Start, the Beats and Reference panel opened (its command
under the form) and, a few seconds into the run, the run held as the
reference (the panel's Hold as Reference), so that the reference sweep lies
beneath the trace and the panel shows each new beat and the comparison. Its
figures are printed beside the plain run's, measured over as long. Every
browser then has a window tall enough to show the whole panel (900 x 1400):
a panel scrolled out of sight costs less than one a student is reading.
"""

import argparse
import os
import pathlib
import sys
import tempfile
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parent))
from headless_chromium import open_page, start  # noqa: E402

arguments = argparse.ArgumentParser(description="Measures the web edition in headless Chromium.")
arguments.add_argument("page", type=pathlib.Path)
arguments.add_argument("seconds", type=float, nargs="?", default=30.0)
arguments.add_argument("--reference", action="store_true",
                       help="also measure the run with the beats panel open and a reference held")
options = arguments.parse_args()
page = options.page.resolve()
seconds = options.seconds
window_size = "900,1400" if options.reference else "900,600"
clock_ticks = os.sysconf("SC_CLK_TCK")

# The least a page showing a moving trace can cost: a timer at the page's
# pace and one new pixel on a canvas each time.
BARE_PAGE = """<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>bare</title></head>
<body><canvas width="645" height="157"></canvas><script>
const context = document.querySelector('canvas').getContext('2d');
let column = 0;
setInterval(() => {
  context.fillRect(column, 78, 1, 1);
  column = (column + 1) % 645;
}, 40);
requestAnimationFrame(() => { document.documentElement.dataset.firstFrame = performance.now().toFixed(1); });
</script></body></html>
"""


def processes(profile, kind):
    """PIDs of one browser's processes of one --type (Chromium rewrites its
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


def hold_reference(driver):
    """Opens the beats panel and, once the run has a sweep to keep, holds it
    as the reference, with the panel's own buttons."""
    driver.find_element("id", "showBeats").click()
    time.sleep(4.0)  # some beats, and a sweep of 400 ticks for the reference
    driver.find_element("id", "holdReference").click()
    held = driver.execute_script(
        "return [window.talbrix.beats.open, window.talbrix.bridge.comparison() !== null,"
        " !window.talbrix.plot.reference.hidden]")
    if held != [True, True, True]:
        sys.exit(f"measure-web: the reference was not held as expected (panel open, held, shown: {held})")


def running_cost(uri, press_start, then=None):
    """Renderer and GPU-process CPU, in percent of one core, while the page
    at `uri` runs for `seconds`, in a browser of its own; and, for ours, the
    real-time factor over the same span. `then(driver)`, if given, runs after
    Start and before the span."""
    with tempfile.TemporaryDirectory(prefix="talbrix-measure-") as profile:
        driver = start(profile, window_size=window_size)
        try:
            open_page(driver, uri)
            if press_start:
                driver.find_element("id", "Command1").click()
            if then:
                then(driver)
            time.sleep(1.0)  # let the clock settle
            renderers, gpus = processes(profile, "renderer"), processes(profile, "gpu-process")
            count = "return [window.talbrix ? window.talbrix.ticks : 0, performance.now()]"
            ticks0, clock0 = driver.execute_script(count)
            cpu0, gpu0, wall0 = cpu_seconds(renderers), cpu_seconds(gpus), time.monotonic()
            time.sleep(seconds)
            ticks1, clock1 = driver.execute_script(count)
            cpu1, gpu1, wall1 = cpu_seconds(renderers), cpu_seconds(gpus), time.monotonic()
        finally:
            driver.quit()
    wall = wall1 - wall0
    return 100 * (cpu1 - cpu0) / wall, 100 * (gpu1 - gpu0) / wall, (ticks1 - ticks0) / ((clock1 - clock0) / 10), \
        ticks1 - ticks0


def load_and_model():
    with tempfile.TemporaryDirectory(prefix="talbrix-measure-") as profile:
        driver = start(profile, window_size=window_size)
        try:
            starts = []
            for _ in range(5):
                open_page(driver, page.as_uri())
                starts.append(float(driver.execute_script("return document.getElementById('Ml').dataset.firstFrame")))
            print(f"first_frame_ms_median={sorted(starts)[len(starts) // 2]:.1f} (of {len(starts)} loads)")
            # The page's bridge to the model where it has one; pages built
            # before it expose the module itself.
            wasm = driver.execute_script("""
                const bridge = window.talbrix.bridge;
                const ticks = bridge ? (count) => bridge.ticks(count)
                                     : (count) => window.talbrix.module._talbrix_ticks(count);
                const started = performance.now();
                ticks(1000000);
                return 1e6 / ((performance.now() - started) / 1000);""")
            print(f"wasm_ticks_per_second={wasm / 1e6:.2f}M (model with readouts, in-memory window)")
        finally:
            driver.quit()


print(f"file_bytes={page.stat().st_size}")
load_and_model()
with tempfile.TemporaryDirectory(prefix="talbrix-bare-") as folder:
    bare = pathlib.Path(folder) / "bare.html"
    bare.write_text(BARE_PAGE)
    bare_cpu, bare_gpu, _, _ = running_cost(bare.as_uri(), press_start=False)
our_cpu, our_gpu, factor, ticks = running_cost(page.as_uri(), press_start=True)
print(f"real_time_factor={factor:.4f} over {seconds:g} s ({ticks} ticks)")
print(f"renderer_cpu_percent={our_cpu:.1f} gpu_process_cpu_percent={our_gpu:.1f}")
print(f"bare_renderer_cpu_percent={bare_cpu:.1f} bare_gpu_process_cpu_percent={bare_gpu:.1f} "
      f"(one pixel on a canvas 25 times a second)")
print(f"renderer_over_bare={our_cpu / bare_cpu:.2f}x gpu_over_bare={our_gpu / bare_gpu:.2f}x"
      if bare_cpu > 0 and bare_gpu > 0 else "renderer_over_bare=n/a")
if options.reference:
    held_cpu, held_gpu, held_factor, held_ticks = running_cost(page.as_uri(), press_start=True, then=hold_reference)
    print(f"reference_real_time_factor={held_factor:.4f} over {seconds:g} s ({held_ticks} ticks) "
          f"(beats panel open, reference held)")
    print(f"reference_renderer_cpu_percent={held_cpu:.1f} reference_gpu_process_cpu_percent={held_gpu:.1f}")
    print(f"reference_renderer_over_plain={held_cpu / our_cpu:.2f}x reference_gpu_over_plain={held_gpu / our_gpu:.2f}x"
          if our_cpu > 0 and our_gpu > 0 else "reference_renderer_over_plain=n/a")
