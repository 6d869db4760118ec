#!/usr/bin/env bash
# Builds the Debian package: sets up what is missing, builds the `app` preset,
# then packs it into build/package/talbrix_<version>_<arch>.deb.
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root_dir/scripts/setup.sh" package
cd "$root_dir"
cpack --config build/app/CPackConfig.cmake -G DEB -B build/package
# Absolute, so the command works wherever the user stands (apt takes a
# local package only as a path with a slash in it).
deb="$root_dir/$(ls -t build/package/talbrix_*.deb | head -n 1)"
echo
echo "Built $deb"
echo "Install it with:  sudo apt install $(printf '%q' "$deb")"
