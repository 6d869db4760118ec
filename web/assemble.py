#!/usr/bin/env python3
"""Writes the web edition as one self-contained HTML file.

The page's style, the embedded font (cut down to the characters the form can
show, as WOFF2), the WebAssembly module with its loader, and the page's script
are all inlined, so the file works opened from disk, e-mailed or copied, with
no network. A Content-Security-Policy in the file allows exactly these inline
parts (by their SHA-256) and nothing from anywhere else.
"""

import argparse
import base64
import hashlib
import pathlib
import subprocess
import sys
import tempfile


def subset_font(font: pathlib.Path) -> bytes:
    # Printable ASCII, the Latin-1 letters a typed heart rate might hold, and
    # the word joiner that keeps "ml/min" whole.
    with tempfile.TemporaryDirectory() as folder:
        out = pathlib.Path(folder) / "font.woff2"
        subprocess.run(
            [sys.executable, "-m", "fontTools.subset", str(font), "--unicodes=U+0020-007E,U+00A0-00FF,U+2060",
             "--flavor=woff2", "--layout-features=kern", "--output-file=" + str(out)],
            check=True)
        return out.read_bytes()


def digest(text: str) -> str:
    return "'sha256-" + base64.b64encode(hashlib.sha256(text.encode()).digest()).decode() + "'"


def main() -> int:
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--module", required=True, type=pathlib.Path)
    parser.add_argument("--font", required=True, type=pathlib.Path)
    parser.add_argument("--source-dir", required=True, type=pathlib.Path)
    parser.add_argument("--output", required=True, type=pathlib.Path)
    args = parser.parse_args()

    font = base64.b64encode(subset_font(args.font)).decode()
    style = (args.source_dir / "page.css").read_text().replace("@FONT@", "data:font/woff2;base64," + font)
    module = args.module.read_text()
    script = "\n".join((args.source_dir / name).read_text() for name in ("page.js", "runfiles.js"))
    # An inline part must not close its own element early.
    for text, tag in ((style, "</style"), (module, "</script"), (script, "</script")):
        if tag in text.lower():
            raise SystemExit(f"assemble: an inline part contains {tag}")

    # Nothing may be loaded from anywhere: the scripts and the style are the
    # inline ones below, the font a data URL, the module compiled from bytes.
    policy = "; ".join([
        "default-src 'none'",
        f"script-src {digest(module)} {digest(script)} 'wasm-unsafe-eval'",
        f"style-src {digest(style)}",
        "font-src data:",
        "img-src data: blob:",
        # The module's loader reads its inlined bytes through fetch() of a
        # data: URL before falling back; that is no network access.
        "connect-src data:",
        "base-uri 'none'",
        "form-action 'none'",
    ])
    page = (args.source_dir / "page.html").read_text()
    for marker, text in (("@CSP@", policy), ("@STYLE@", style), ("@MODULE@", module), ("@PAGE@", script)):
        before, found, after = page.partition(marker)
        if not found:
            raise SystemExit(f"assemble: {marker} missing from page.html")
        page = before + text + after
    args.output.write_text(page)
    return 0


if __name__ == "__main__":
    sys.exit(main())
