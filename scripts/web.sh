#!/usr/bin/env bash
# The web edition: installs what is missing, builds build/web/talbrix.html
# (one self-contained file) and serves it on http://127.0.0.1:8000/ from a
# local static server, on the loopback interface only.
#   --build-only   build, print the file's path, and do not serve
#   --port N       serve on another port
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

# What building the page needs: the compiler, and the font tools that cut the
# embedded face down to the characters the form shows.
web_build_packages=(cmake make emscripten nodejs python3-fonttools python3-brotli)

serve=1
port=8000
while (($# > 0)); do
    case "$1" in
    --build-only) serve=0; shift ;;
    --port) port="$2"; shift 2 ;;
    *) echo "usage: $0 [--build-only] [--port N]" >&2; exit 2 ;;
    esac
done

missing=()
for package in "${web_build_packages[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed" || missing+=("$package")
done
if ((${#missing[@]} > 0)); then
    echo "Installing missing packages: ${missing[*]}"
    sudo_cmd=()
    [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
cd "$root_dir"
# emcc runs its tools under node and needs the acorn module Debian ships
# there, which a node that is not Debian's does not look for.
export NODE_PATH=/usr/share/nodejs
cmake --preset web >/dev/null
cmake --build --preset web --parallel "$(nproc)"
page="$root_dir/build/web/talbrix.html"
if ((serve == 0)); then
    echo "$page"
    exit 0
fi
echo "Serving $page at http://127.0.0.1:$port/ (Ctrl+C stops)"
cd "$root_dir/build/web"
exec /usr/bin/python3 -c '
import http.server, sys
class Page(http.server.SimpleHTTPRequestHandler):
    def do_GET(self):
        if self.path in ("/", "/index.html"):
            self.path = "/talbrix.html"
        return super().do_GET()
http.server.ThreadingHTTPServer(("127.0.0.1", int(sys.argv[1])), Page).serve_forever()
' "$port"
