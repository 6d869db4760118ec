#!/usr/bin/env bash
# Mutation check: how many small faults in the product code do the tests find?
#
#   bash scripts/mutate.sh [--seed N] [--rate PER_10000] [--list] [--only ID,...]
#
# Applies a fixed sample of small faults, one at a time, to a snapshot of the
# working tree (build/mutate/src; the working tree itself is never touched):
# a flipped or shifted comparison, a swapped arithmetic operator, a constant
# off by one (in its last digit), a statement dropped. For each it rebuilds
# incrementally (build/mutate/build: GCC -O1, no LTO, no sanitizers, no
# benchmarks), runs the CTest entries that can see the mutated folder, stops
# at the first failure, and restores the file. It prints every surviving
# mutant and the score: killed / (killed + survived). Mutants that do not
# compile are listed as stillborn and left out of the score; a test run that
# exceeds its time limit counts as killed (the fault hung the program).
#
# The sample is a pure function of the seed and of each candidate site's own
# line text (not its line number, file or neighbours), so an edit elsewhere,
# or a line moved to another file, leaves the rest of the sample as it was.
# Every mutant has a stable id (its hash); --only replays chosen ones.
# --list prints the sample without running it.
#
# Slow by nature (a rebuild and a test run per mutant): about half an hour for
# the default sample on two busy cores. It runs under `nice`, one job at a
# time. Results also go to build/mutate/results.tsv.
set -euo pipefail
root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root_dir"
exec nice -n 15 /usr/bin/python3 - "$@" <<'PY'
import argparse, hashlib, os, re, shutil, subprocess, sys, time

parser = argparse.ArgumentParser(prog="mutate.sh")
parser.add_argument("--seed", type=int, default=9)
# Chance, in 1/10000, that a candidate site is in the sample (about 50 of the
# roughly 1,500 sites today).
parser.add_argument("--rate", type=int, default=330)
parser.add_argument("--list", action="store_true")
parser.add_argument("--only", default="")
parser.add_argument("--work", default=os.path.join("build", "mutate"),
                    help="snapshot and build folder (kept between runs)")
parser.add_argument("--timeout", type=int, default=300,
                    help="seconds allowed for one mutant's test run")
args = parser.parse_args()

ROOT = os.getcwd()
WORK = os.path.join(ROOT, args.work)
SRC = os.path.join(WORK, "src")
BUILD = os.path.join(WORK, "build")
MUTATED_DIRS = ["runtime", "model", "session", "tools", "window", "form"]
# Code only the web edition runs; its tests need emscripten and Chromium,
# far too slow to repeat for every mutant.
NOT_MUTATED = {"form/formjson.cpp", "form/formjson.h"}

# Which tests can see a fault in each folder (a CTest -R pattern): those
# that link it. Never the package checks, which build a .deb and test no
# product logic, nor the web edition's, which need emscripten and Chromium.
TESTS_FOR = {"runtime": ".", "model": ".", "session": "model|session|talbrix-trace|window", "tools": "talbrix-trace", "window": "window",
             "form": "form|session|window|talbrix-trace"}
EXCLUDE = "packaging|check-package|desktop|metainfo|clang-tidy|web"

# --- candidate sites ---------------------------------------------------------

def strip_code(line):
    """The line with string/char literals blanked and // comments cut, same length."""
    out, i, n = [], 0, len(line)
    while i < n:
        c = line[i]
        if c in "\"'":
            q = c
            out.append(c); i += 1
            while i < n and line[i] != q:
                if line[i] == "\\" and i + 1 < n:
                    out.append("  "); i += 2; continue
                out.append(" "); i += 1
            if i < n:
                out.append(q); i += 1
            continue
        if line.startswith("//", i):
            break
        out.append(c); i += 1
    return "".join(out).ljust(n)

COMPARE = {"<": ["<=", ">="], "<=": ["<", ">"], ">": [">=", "<="], ">=": [">", "<"],
           "==": ["!="], "!=": ["=="]}
ARITH = {"+": "-", "-": "+", "*": "/", "/": "*", "+=": "-=", "-=": "+=", "&&": "||", "||": "&&"}
# Binary operators are written with a space either side; this keeps templates,
# pointers, includes and unary minus out.
OP_RE = re.compile(r"(?<=[\w)\]]) (<=|>=|==|!=|<|>|\+=|-=|\+|-|\*|/|&&|\|\|) (?=[\w(!\-.])")
NUM_RE = re.compile(r"(?<![\w.])(\d+\.\d+|\d+)(?![\w.])")
DECLARATION_START = re.compile(
    r"^(return\b|case\b|default\b|using\b|namespace\b|template\b|typedef\b|static_assert\b|"
    r"const\b|constexpr\b|static\b|auto\b|struct\b|class\b|enum\b|friend\b|explicit\b|virtual\b|"
    r"public\b|private\b|protected\b|Q_OBJECT|#|\}|\{)")

# "Type name = ...;", "Type name{...};", "Type name;": a declaration, whose
# removal would not compile.
DECLARATION = re.compile(r"^[\w:<>*&, ]+[\s*&]\w+\s*(=|\{|\(|;|\[)")

def sites_of(path):
    lines = open(path, encoding="utf-8").read().split("\n")
    seen = {}
    in_block_comment = False
    prev_code = ";"
    for number, line in enumerate(lines, 1):
        text = line.strip()
        if in_block_comment:
            if "*/" in text:
                in_block_comment = False
            continue
        if text.startswith("/*"):
            in_block_comment = "*/" not in text
            continue
        if not text or text.startswith("//") or text.startswith("#"):
            continue
        occurrence = seen.get(text, 0)
        seen[text] = occurrence + 1
        code = strip_code(line)
        key = f"{text}\0{occurrence}"
        ordinal = {}
        for m in OP_RE.finditer(code):
            op = m.group(1)
            k = ordinal.get(op, 0); ordinal[op] = k + 1
            start, end = m.start(1), m.end(1)
            if op in COMPARE:
                for v in COMPARE[op]:
                    yield (number, "compare", key, f"{op}{k}{v}", start, end, v)
            else:
                yield (number, "arith", key, f"{op}{k}", start, end, ARITH[op])
        k = 0
        for m in NUM_RE.finditer(code):
            lit = m.group(1)
            if "." in lit:
                digits = lit.replace(".", "")
                bumped = str(int(digits) + 1).rjust(len(digits), "0")
                point = lit.index(".")
                new = bumped[:len(bumped) - (len(lit) - point - 1)] + "." + bumped[-(len(lit) - point - 1):]
                if float(new) == float(lit):
                    continue  # beyond double precision: the same number
            else:
                new = str(int(lit) + 1)
                if lit == "0" and re.search(r"\)( const)? = 0;", code):
                    continue  # a pure virtual function, not a number
            yield (number, "constant", key, f"{lit}{k}", m.start(1), m.end(1), new)
            k += 1
        stripped = code.strip()
        if (stripped.endswith(";") and prev_code[-1:] in ";{})" and not DECLARATION_START.match(stripped)
                and not DECLARATION.match(stripped)):
            # A whole one-line statement: replaced by an empty statement.
            indent = len(line) - len(line.lstrip())
            yield (number, "drop", key, "drop", indent, len(line.rstrip()), ";")
        if stripped:
            prev_code = stripped

def site_id(seed, path, site):
    number, kind, key, detail, *_ = site
    return hashlib.sha256(f"{seed}\0{kind}\0{key}\0{detail}".encode()).hexdigest()[:10]

def sample():
    chosen = []
    for d in MUTATED_DIRS:
        if not os.path.isdir(os.path.join(ROOT, d)):
            continue
        for dirpath, _, files in sorted(os.walk(os.path.join(ROOT, d))):
            for f in sorted(files):
                if not f.endswith((".cpp", ".h")):
                    continue
                rel = os.path.relpath(os.path.join(dirpath, f), ROOT)
                if rel in NOT_MUTATED:
                    continue
                for s in sites_of(rel):
                    ident = site_id(args.seed, rel, s)
                    if int(ident, 16) % 10000 < args.rate:
                        chosen.append((ident, rel) + s)
    return chosen

# --- running -------------------------------------------------------------------

def sync_snapshot():
    """Copies the working tree (tracked and untracked, not ignored) into SRC,
    rewriting only files that differ, so that the build stays incremental."""
    if os.path.realpath(SRC) == os.path.realpath(ROOT):
        return  # run inside a snapshot: it is its own copy
    files = subprocess.run(["git", "ls-files", "-co", "--exclude-standard", "-z"],
                           capture_output=True, check=True).stdout.decode().split("\0")
    wanted = set()
    for rel in filter(None, files):
        src = os.path.join(ROOT, rel)
        if not os.path.isfile(src):
            continue
        wanted.add(rel)
        dst = os.path.join(SRC, rel)
        data = open(src, "rb").read()
        if os.path.exists(dst) and open(dst, "rb").read() == data:
            continue
        os.makedirs(os.path.dirname(dst), exist_ok=True)
        shutil.copy2(src, dst)
    for dirpath, _, names in os.walk(SRC):
        for n in names:
            rel = os.path.relpath(os.path.join(dirpath, n), SRC)
            if rel not in wanted:
                os.remove(os.path.join(dirpath, n))

def run(cmd, timeout=None, **kw):
    return subprocess.run(cmd, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          timeout=timeout, **kw)

def build():
    return run(["cmake", "--build", BUILD, "--parallel", "1"]).returncode == 0

def tests(folder):
    cmd = ["ctest", "--test-dir", BUILD, "-R", TESTS_FOR[folder], "-E", EXCLUDE,
           "--stop-on-failure", "--timeout", str(args.timeout), "-j", "1"]
    try:
        r = run(cmd, timeout=args.timeout * 2)
    except subprocess.TimeoutExpired:
        return "timeout", ""
    out = r.stdout.decode(errors="replace")
    if r.returncode == 0:
        return "passed", ""
    failed = re.findall(r"\d+ - (\S+) \(", out)
    return ("timeout" if "Timeout" in out else "failed"), ",".join(failed)

mutants = sample()
if args.only:
    keep = set(args.only.split(","))
    mutants = [m for m in mutants if m[0] in keep]

def describe(m):
    ident, rel, number, kind, key, detail, start, end, new = m
    # From the snapshot when there is one: the working tree may change
    # while a run goes on.
    base = SRC if os.path.exists(os.path.join(SRC, rel)) and not args.list else ROOT
    line = open(os.path.join(base, rel), encoding="utf-8").read().split("\n")[number - 1]
    return f"{ident} {rel}:{number} {kind}: {line[start:end].strip() or line.strip()!r} -> {new!r}   | {line.strip()}"

if args.list:
    for m in mutants:
        print(describe(m))
    print(f"{len(mutants)} mutants (seed {args.seed}, rate {args.rate}/10000)")
    sys.exit(0)

os.makedirs(WORK, exist_ok=True)
sync_snapshot()
if not os.path.exists(os.path.join(BUILD, "build.ninja")):
    subprocess.run(["cmake", "-S", SRC, "-B", BUILD, "-G", "Ninja",
                    "-DCMAKE_BUILD_TYPE=None", "-DCMAKE_CXX_FLAGS=-O1 -g0",
                    "-DTALBRIX_LTO=OFF", "-DTALBRIX_BUILD_BENCHMARKS=OFF",
                    "-DTALBRIX_SANITIZERS=", "-DBUILD_TESTING=ON"],
                   check=True, stdout=subprocess.DEVNULL)
print("building the unmutated snapshot ...", flush=True)
if not build():
    sys.exit("the unmutated snapshot does not build")
status, failed = tests(MUTATED_DIRS[0])
if status != "passed":
    sys.exit(f"the unmutated tests fail ({failed}); fix them before measuring")

results = []
started = time.time()
for i, m in enumerate(mutants, 1):
    ident, rel, number, kind, key, detail, start, end, new = m
    path = os.path.join(SRC, rel)
    original = open(path, encoding="utf-8").read()
    lines = original.split("\n")
    line = lines[number - 1]
    lines[number - 1] = line[:start] + new + line[end:]
    try:
        with open(path, "w", encoding="utf-8") as f:
            f.write("\n".join(lines))
        t0 = time.time()
        if not build():
            status, failed = "stillborn", ""
        else:
            status, failed = tests(rel.split("/")[0])
    finally:
        with open(path, "w", encoding="utf-8") as f:
            f.write(original)
    verdict = {"passed": "SURVIVED", "failed": "killed", "timeout": "killed",
               "stillborn": "stillborn"}[status]
    results.append((verdict, m, failed))
    print(f"[{i}/{len(mutants)}] {verdict:9} {describe(m)}"
          + (f"   <- {failed}" if failed else "") + f"  ({time.time() - t0:.0f} s)", flush=True)

build()  # leave the snapshot's build unmutated for the next run
with open(os.path.join(WORK, "results.tsv"), "w") as f:
    for verdict, m, failed in results:
        f.write(f"{m[0]}\t{verdict}\t{m[1]}:{m[2]}\t{m[3]}\t{failed}\n")
killed = sum(v == "killed" for v, _, _ in results)
survived = [m for v, m, _ in results if v == "SURVIVED"]
stillborn = sum(v == "stillborn" for v, _, _ in results)
print(f"\nSurviving mutants ({len(survived)}):")
for m in survived:
    print("  " + describe(m))
total = killed + len(survived)
print(f"\nScore: {killed}/{total} killed = {100.0 * killed / max(total, 1):.1f} %"
      f"  ({stillborn} stillborn; seed {args.seed}, rate {args.rate}/10000;"
      f" {time.time() - started:.0f} s)")
PY
