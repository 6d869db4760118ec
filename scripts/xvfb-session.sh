# Shared by screenshot.sh and measure-window.sh (sourced, not run): installs
# what a headless X session needs when it is missing, starts Xvfb at 96 dpi,
# and offers helpers to launch the simulator and press its buttons.

root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
app="${TALBRIX_APP:-$root_dir/build/dev/app/talbrix}"

ensure_x_tools() {
    local missing=() package
    for package in xvfb xdotool imagemagick; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
    done
    ((${#missing[@]} == 0)) && return 0
    local sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

xvfb_pid=""
app_pid=""

stop_session() {
    [[ -n "$app_pid" ]] && kill "$app_pid" 2>/dev/null && wait "$app_pid" 2>/dev/null
    [[ -n "$xvfb_pid" ]] && kill "$xvfb_pid" 2>/dev/null && wait "$xvfb_pid" 2>/dev/null
    app_pid=""
    xvfb_pid=""
}

# Starts an X server at 96 dpi on the first free display number.
start_xvfb() {
    local display_number=90
    while [[ -e "/tmp/.X11-unix/X$display_number" || -e "/tmp/.X$display_number-lock" ]]; do
        display_number=$((display_number + 1))
    done
    Xvfb ":$display_number" -screen 0 1920x1080x24 -dpi 96 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$display_number"
    export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-$(mktemp -d)}"
    local attempt
    for attempt in $(seq 100); do
        xdotool getmouselocation >/dev/null 2>&1 && return 0
        sleep 0.05
    done
    echo "Xvfb did not start" >&2
    return 1
}

# Launches the simulator and waits until its window is mapped; sets app_pid
# and window_id.
launch_app() {
    if [[ ! -x "$app" ]]; then
        echo "No simulator at $app: build it first (bash scripts/run.sh, or set TALBRIX_APP)" >&2
        return 1
    fi
    QT_QPA_PLATFORM=xcb "$app" &
    app_pid=$!
    window_id="$(xdotool search --sync --onlyvisible --name '^Talbrix Simulation$' | head -1)"
}

# Clicks a point given in the window's logical pixels, at the display scale.
click_in_window() {
    local scale="${QT_SCALE_FACTOR:-1}"
    xdotool mousemove --window "$window_id" "$(($1 * scale))" "$(($2 * scale))" click 1
}

# The centres of Start (Command1) and Pause (Command2), in logical pixels.
press_start() { click_in_window 616 416; }
press_pause() { click_in_window 682 416; }
