#!/usr/bin/env bash
# Regenerates the PNG icon sizes from the SVG sources. The PNGs are committed,
# so building and packaging need no SVG renderer; run this only after editing
# an SVG. Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"

icon=io.github.talbrix.Talbrix
for size in 16 22 24 32 48 64 128 256; do
    # Menu sizes get the simplified drawing: the full trace blurs below 32 px.
    if ((size < 32)); then source=small.svg; else source="$icon.svg"; fi
    mkdir -p "hicolor/${size}x${size}/apps"
    rsvg-convert --width "$size" --height "$size" "$source" \
        --output "hicolor/${size}x${size}/apps/$icon.png"
done
