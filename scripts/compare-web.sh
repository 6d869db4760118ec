#!/usr/bin/env bash
# Compares the web page with the desktop window at load, both at 96 dpi:
# photographs the desktop window under Xvfb and the page's form (#Ml) in
# headless Chromium at device scale 1, and prints how many of the form's
# pixels differ. Writes desktop.png, web.png and diff.png (differing pixels
# in red) into the folder it names. A measurement, run by hand; build both
# editions first (bash scripts/test.sh builds build/dev, and bash
# scripts/web.sh --build-only the page).
# Usage: scripts/compare-web.sh [folder]   (default build/compare-web)
# TALBRIX_APP and TALBRIX_PAGE choose other builds of either edition (after
# run.sh alone: TALBRIX_APP=build/app/app/talbrix).
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/xvfb-session.sh"

page="$(realpath -m "${TALBRIX_PAGE:-$root_dir/build/web/talbrix.html}")"
folder="$(realpath -m "${1:-$root_dir/build/compare-web}")"

check_app
if [[ ! -e "$page" ]]; then
    echo "No page at $page: build it first (bash scripts/web.sh --build-only, or set TALBRIX_PAGE)" >&2
    exit 1
fi
for file in /usr/bin/chromium /usr/bin/chromedriver; do
    [[ -x "$file" ]] && continue
    echo "Missing $file: install chromium, chromium-driver and python3-selenium" >&2
    exit 1
done
ensure_x_tools
mkdir -p "$folder"
rm -f "$folder/desktop.png" "$folder/web.png" "$folder/diff.png"

# The desktop window as it opens, with the pointer away from it.
trap stop_session EXIT
start_xvfb
launch_app # gives up after TALBRIX_LAUNCH_TIMEOUT seconds (60)
# With no window manager nothing activates the window; give it the input
# focus as a desktop would, so Text1 shows the focus it has at load (the page
# has it too), and keep the pointer away from the controls.
timeout 5 xdotool windowfocus "$window_id"
xdotool mousemove 1900 1060
sleep 1 # let the first paints settle
timeout 30 import -window "$window_id" "$folder/desktop.png"
stop_session
trap - EXIT

# The page's form, once the page reports itself ready and its font is in.
timeout 120 /usr/bin/python3 - "$page" "$folder/web.png" "$root_dir/scripts" <<'EOF'
import pathlib, signal, sys, tempfile
from selenium.webdriver.common.by import By

sys.path.insert(0, sys.argv[3])
from headless_chromium import start

# Ended by timeout: still close the browser on the way out.
signal.signal(signal.SIGTERM, lambda *_: sys.exit("The page did not load in time"))
page, output = pathlib.Path(sys.argv[1]), sys.argv[2]
with tempfile.TemporaryDirectory() as profile:
    driver = start(profile)
    try:
        driver.set_page_load_timeout(30)
        driver.set_script_timeout(30)
        driver.get(page.as_uri())
        driver.execute_async_script("""
            const done = arguments[arguments.length - 1];
            const wait = () => document.documentElement.dataset.ready
                ? document.fonts.ready.then(() => requestAnimationFrame(() => done()))
                : setTimeout(wait, 10);
            wait();""")
        driver.find_element(By.ID, "Ml").screenshot(output)
    finally:
        driver.quit()
EOF

size() { identify -format '%wx%h' "$1"; }
if [[ "$(size "$folder/desktop.png")" != "$(size "$folder/web.png")" ]]; then
    echo "Sizes differ: desktop $(size "$folder/desktop.png"), page $(size "$folder/web.png")" >&2
    exit 1
fi
# compare exits 1 when the images differ; only 2 is a failure.
differing="$(compare -metric AE "$folder/desktop.png" "$folder/web.png" "$folder/diff.png" 2>&1 >/dev/null)" \
    || (($? == 1)) || { echo "compare failed: $differing" >&2; exit 1; }
width="$(identify -format '%w' "$folder/desktop.png")"
height="$(identify -format '%h' "$folder/desktop.png")"
awk -v d="$differing" -v w="$width" -v h="$height" \
    'BEGIN { printf "differing_pixels=%d of %dx%d (%.2f %%)\n", d, w, h, 100 * d / (w * h) }'
echo "images: $folder/desktop.png $folder/web.png $folder/diff.png"
