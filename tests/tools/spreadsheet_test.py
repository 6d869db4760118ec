"""A spreadsheet reads both forms of every table alike.

LibreOffice Calc, headless, reads each table talbrix-trace writes (the tick
trace, --beats, --comparison) twice: the standard table as a spreadsheet set
up for a decimal point reads it (commas, US English), and the --decimal-comma
table as one set up for German reads it (semicolons, a decimal comma). Both
are written back out in one neutral form, and every cell must hold the same
number or the same text in both, and the standard table's own. Reading the
decimal-comma table with a decimal point must not: that is the fault the
form exists to avoid (1.33 read as 133, or as text), and it shows that the
comparison can tell.

    /usr/bin/python3 tests/tools/spreadsheet_test.py build/dev/tools/talbrix-trace
"""

import math
import pathlib
import shutil
import subprocess
import sys
import tempfile

# Calc's CSV filter options: field separator(s) and text delimiter as
# character codes, character set (76: UTF-8), first line, column formats
# (none: the standard), language (1033: US English, 1031: German), quoted
# fields as text, detect special numbers (so that 1e-05 is a number).
STANDARD = "44,34,76,1,,1033,true,true"
DECIMAL_COMMA = "59,34,76,1,,1031,true,true"
# Written out with commas in US English, every text cell quoted (so a number
# and a text cannot pass for each other) and every value whole, not as shown.
NEUTRAL = "csv:Text - txt - csv (StarCalc):44,34,76,1,,1033,true,true,false"

# A reference held, a stiffer aorta, a typed heart rate holding a comma and
# a quote: numbers with decimals, and texts that must stay as they are.
SCENARIO = """slider 3 8
ticks 400
hold-reference
slider 2 0
text8 7,5 "x"
ticks 300
fibrillate
ticks 30
defibrillate
ticks 200
"""
TABLES = {"trace": [], "beats": ["--beats"], "comparison": ["--comparison"]}


def fail(message):
    print(f"FAIL: {message}")
    sys.exit(1)


def cells(text, separator=","):
    """The rows of a CSV text as lists of (value, quoted) pairs."""
    rows, row, field, quoted, inside, i = [], [], "", False, False, 0
    text = text.lstrip("\ufeff")
    while i < len(text):
        c = text[i]
        if inside:
            if c == '"' and text[i + 1:i + 2] == '"':
                field += '"'
                i += 1
            elif c == '"':
                inside = False
            else:
                field += c
        elif c == '"':
            inside = quoted = True
        elif c == separator or c == "\n":
            row.append((field, quoted))
            field, quoted = "", False
            if c == "\n":
                rows.append(row)
                row = []
        elif c != "\r":
            field += c
        i += 1
    if field or row:
        rows.append(row + [(field, quoted)])
    return rows


def number(value, quoted):
    """The number an unquoted field holds, or None for a text."""
    try:
        return None if quoted else float(value)
    except ValueError:
        return None


def same_cell(source, read):
    """A number read as the same number, a text as the same text (written
    out quoted), an empty field as empty."""
    (value, quoted), (got, got_quoted) = source, read
    if not value:
        return not got
    expected = number(value, quoted)
    if expected is None:
        return got_quoted and got == value
    return not got_quoted and math.isclose(expected, float(got), rel_tol=1e-12, abs_tol=0)


def read_back(soffice, profile, options, files, folder):
    """Calc's reading of `files` with `options`, written out neutrally."""
    folder.mkdir()
    command = [soffice, f"-env:UserInstallation={profile.as_uri()}", "--headless", "--norestore",
               f"--infilter=CSV:{options}", "--convert-to", NEUTRAL, "--outdir", str(folder)]
    result = subprocess.run(command + [str(f) for f in files], capture_output=True, text=True, timeout=120)
    read = {f.stem: folder / f.name for f in files}
    if result.returncode != 0 or not all(path.exists() for path in read.values()):
        fail(f"soffice did not convert {[f.name for f in files]}: {result.stdout}{result.stderr}")
    return {name: path.read_text(encoding="utf-8") for name, path in read.items()}


def main():
    trace = sys.argv[1]
    soffice = shutil.which("soffice")
    if not soffice:
        fail("soffice is missing: bash scripts/setup.sh test installs libreoffice-calc-nogui")
    with tempfile.TemporaryDirectory() as work:
        work = pathlib.Path(work)
        (work / "case.talbrix").write_text(SCENARIO)
        for name, option in TABLES.items():
            for form, extra in (("standard", []), ("comma", ["--decimal-comma"])):
                table = subprocess.run([trace] + extra + option + [str(work / "case.talbrix")],
                                       capture_output=True, check=True).stdout
                (work / form).mkdir(exist_ok=True)
                (work / form / f"{name}.csv").write_bytes(table)
        # Each run of Calc has a profile of its own, so that tests beside it
        # do not share one.
        profile = work / "profile"
        standard_files = sorted((work / "standard").iterdir())
        comma_files = sorted((work / "comma").iterdir())
        by_point = read_back(soffice, profile, STANDARD, standard_files, work / "read-standard")
        by_comma = read_back(soffice, profile, DECIMAL_COMMA, comma_files, work / "read-comma")
        misread = read_back(soffice, profile, STANDARD.replace("44", "59", 1), comma_files, work / "read-wrong")
        for name in TABLES:
            source = cells((work / "standard" / f"{name}.csv").read_text(encoding="utf-8"))
            numbers = sum(1 for row in source for cell in row if number(*cell) is not None)
            if len(source) < 2 or numbers < len(source):
                fail(f"{name}: the table holds too few numbers to tell the forms apart")
            for reading, text in (("decimal point", by_point[name]), ("decimal comma", by_comma[name])):
                read = cells(text)
                if len(read) != len(source):
                    fail(f"{name}, read with a {reading}: {len(read)} rows, not {len(source)}")
                for line, (row, other) in enumerate(zip(source, read), 1):
                    if len(row) != len(other):
                        fail(f"{name}, read with a {reading}, row {line}: {len(other)} cells, not {len(row)}")
                    for column, (cell, got) in enumerate(zip(row, other)):
                        if not same_cell(cell, got):
                            fail(f"{name}, read with a {reading}, row {line}, {source[0][column][0]}: "
                                 f"{cell} became {got}")
            if by_comma[name] != by_point[name]:
                fail(f"{name}: the two forms read back differently")
            if misread[name] == by_point[name]:
                fail(f"{name}: the decimal-comma table read with a decimal point gave the same cells")
    print("LibreOffice Calc reads the standard and the decimal-comma tables alike")


if __name__ == "__main__":
    main()
