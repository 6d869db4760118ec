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
import gzip
import hashlib
import pathlib
import re
import subprocess
import sys
import tempfile


# The page's own family name, which the style asks for. The font's licence
# (OFL 1.1) reserves the source's name for the unmodified font; a subset is a
# modified version, so its name table carries ours in every name, keeping the
# copyright and the licence notice.
FAMILY = "Talbrix Sans"
OWN_NAMES = {1: FAMILY, 3: FAMILY + " Regular", 4: FAMILY, 6: FAMILY.replace(" ", "")}
KEPT_NAMES = (0, 2, 5, 13, 14)  # copyright, style, version, licence, licence URL


def subset_font(font: pathlib.Path) -> bytes:
    # Printable ASCII, the Latin-1 letters a typed heart rate might hold, and
    # the word joiner that keeps "ml/min" whole.
    from fontTools.ttLib import TTFont
    with tempfile.TemporaryDirectory() as folder:
        out = pathlib.Path(folder) / "font.woff2"
        ids = ",".join(str(i) for i in sorted(set(OWN_NAMES) | set(KEPT_NAMES)))
        subprocess.run(
            [sys.executable, "-m", "fontTools.subset", str(font), "--unicodes=U+0020-007E,U+00A0-00FF,U+2060",
             "--flavor=woff2", "--layout-features=kern", "--name-IDs=" + ids, "--name-languages=*",
             "--output-file=" + str(out)],
            check=True)
        face = TTFont(out)
        names = face["name"]
        for record in names.names:
            if record.nameID in OWN_NAMES:
                record.string = OWN_NAMES[record.nameID]
        face.flavor = "woff2"
        face.save(out)
        return out.read_bytes()


# The page's scripts, each with one job, in the order they are joined.
SCRIPTS = ("bridge.js", "language.js", "form.js", "trackbar.js", "plot.js", "clock.js", "fit.js", "picture.js",
           "runfiles.js", "beats.js", "lessons.js", "links.js", "keyboard.js", "page.js")


def lean(script: str) -> str:
    """The script without what only its readers need: lines that are wholly
    comments (// lines, and /* */ blocks that start a line with nothing after
    them), blank lines and indentation. Code lines stay as written; no comment follows code on the
    same line inside a string in these sources, but such comments are kept
    anyway, as are lines inside template literals (none span lines)."""
    kept, in_block = [], False
    for line in script.splitlines():
        text = line.strip()
        if in_block:
            in_block = "*/" not in text
            continue
        if text.startswith("/*"):
            end = text.find("*/")
            if end >= 0 and text[end + 2:].strip():
                kept.append(text)  # a type cast before code: /** @type {T} */ (value)
                continue
            in_block = end < 0
            continue
        if not text or text.startswith("//"):
            continue
        kept.append(text)
    return "\n".join(kept) + "\n"


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
    # The style without its comments and indentation (the font's licence
    # notice stays in the file as a comment of its own).
    css = (args.source_dir / "page.css").read_text()
    css = re.sub(r"/\*.*?\*/", lambda comment: comment.group(0) if "License" in comment.group(0) else "", css,
                 flags=re.S)
    css = "\n".join(line.strip() for line in css.splitlines() if line.strip())
    style = css.replace("@FONT@", "data:font/woff2;base64," + font)
    module = args.module.read_text()
    # The module's bytes, compressed (to less than half) and in base64 in a
    # data block the bridge unpacks: no script runs from it.
    wasm = base64.b64encode(gzip.compress(args.module.with_suffix(".wasm").read_bytes(), 9, mtime=0)).decode()
    # One script, in one function so that nothing it declares reaches the
    # page's globals: the bridge, then the parts it builds on, the page last.
    script = "(() => {\n'use strict';\n" + "".join(
        lean((args.source_dir / name).read_text()) for name in SCRIPTS) + "})();\n"
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
        "base-uri 'none'",
        "form-action 'none'",
    ])
    page = (args.source_dir / "page.html").read_text()
    for marker, text in (("@CSP@", policy), ("@STYLE@", style), ("@MODULE@", module), ("@WASM@", wasm),
                         ("@PAGE@", script)):
        before, found, after = page.partition(marker)
        if not found:
            raise SystemExit(f"assemble: {marker} missing from page.html")
        page = before + text + after
    args.output.write_text(page)
    return 0


if __name__ == "__main__":
    sys.exit(main())
