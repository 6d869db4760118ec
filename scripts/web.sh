#!/usr/bin/env bash
# The web edition: installs what is missing and builds build/web/talbrix.html
# (one self-contained file), both through scripts/setup.sh web, and serves it
# on http://127.0.0.1:8000/ from a local static server, on the loopback
# interface only.
#   --build-only   build, print the file's path, and do not serve; the path
#                  is the only line on standard output, the build's own
#                  output goes to standard error
#   --port N       serve on another port
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

serve=1
port=8000
while (($# > 0)); do
    case "$1" in
    --build-only) serve=0; shift ;;
    --port) port="$2"; shift 2 ;;
    *) echo "usage: $0 [--build-only] [--port N]" >&2; exit 2 ;;
    esac
done

if ((serve == 0)); then
    bash "$root_dir/scripts/setup.sh" web >&2
else
    bash "$root_dir/scripts/setup.sh" web
fi
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
