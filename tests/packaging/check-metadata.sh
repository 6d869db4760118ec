#!/usr/bin/env bash
# Checks the desktop entry, the AppStream metainfo, the scenario file type
# and the icons that packaging/ installs: first with the freedesktop validators where they are
# installed, then the cross-references between the files, which no validator
# sees (a menu entry whose icon name matches no icon file shows a blank square;
# a metainfo whose launchable names another .desktop file is never listed).
#
# Usage: check-metadata.sh DESKTOP_FILE METAINFO_FILE ICONS_DIR SOURCE_DIR MIME_FILE
# Exit status: 0 all passed; 1 a check failed; 77 every check that could run
# passed but a validator is not installed (CTest reports the test skipped).
set -uo pipefail

if (($# != 5)); then
    echo "usage: $0 DESKTOP_FILE METAINFO_FILE ICONS_DIR SOURCE_DIR MIME_FILE" >&2
    exit 1
fi
desktop=$1 metainfo=$2 icons=$3 source_dir=$4 mime=$5

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}
missing_tools=()

# Width and height from a PNG's IHDR chunk (big-endian, bytes 16..23), or
# nothing when the file does not start with the PNG signature.
png_size() {
    local -a b
    [[ $(od -An -tx1 -N8 "$1" | tr -d ' \n') == 89504e470d0a1a0a ]] || return 1
    read -ra b < <(od -An -tu1 -j16 -N8 "$1")
    echo "$(((b[0] << 24) | (b[1] << 16) | (b[2] << 8) | b[3]))x$(((b[4] << 24) | (b[5] << 16) | (b[6] << 8) | b[7]))"
}

for file in "$desktop" "$metainfo" "$mime"; do
    [[ -f $file ]] || { echo "FAIL: $file does not exist" >&2; exit 1; }
done

# --- Validators -------------------------------------------------------------
if command -v desktop-file-validate >/dev/null; then
    output=$(desktop-file-validate "$desktop" 2>&1)
    status=$?
    [[ -n $output ]] && echo "$output"
    # Errors set the exit status, warnings do not; both are faults here.
    # Hints (such as two main categories, which the menu wants) pass.
    if ((status != 0)) || grep -q ': warning:' <<<"$output"; then
        fail "desktop-file-validate rejects $desktop"
    fi
else
    missing_tools+=("desktop-file-validate (Debian package desktop-file-utils)")
fi

if command -v appstreamcli >/dev/null; then
    # --strict fails on warnings and infos too; only pedantic hints pass.
    if ! appstreamcli validate --no-net --strict "$metainfo"; then
        fail "appstreamcli validate rejects $metainfo"
    fi
else
    missing_tools+=("appstreamcli (Debian package appstream)")
fi

# update-mime-database is what a package's trigger runs on the installed file:
# it must accept it and index the type with its glob.
if command -v update-mime-database >/dev/null; then
    # A data folder of its own, named as XDG_DATA_HOME so the tool does not
    # warn that the database lies outside the search path.
    data_home=$(mktemp -d "${TMPDIR:-/tmp}/talbrix-mime.XXXXXX")
    mime_db=$data_home/mime
    mkdir -p "$mime_db/packages" && cp "$mime" "$mime_db/packages/"
    output=$(XDG_DATA_HOME=$data_home update-mime-database "$mime_db" 2>&1)
    status=$?
    [[ -n $output ]] && echo "$output"
    if ((status != 0)) || [[ -n $output ]]; then
        fail "update-mime-database rejects $mime"
    else
        for pair in scenario:talbrix lesson:lesson result:result; do
            grep -q ":application/x-talbrix-${pair%%:*}:\*\.${pair#*:}" "$mime_db/globs2" ||
                fail "update-mime-database did not index *.${pair#*:} as application/x-talbrix-${pair%%:*}"
        done
    fi
    rm -rf "$data_home"
else
    missing_tools+=("update-mime-database (Debian package shared-mime-info)")
fi

# --- Desktop entry ----------------------------------------------------------
app_id=$(basename "$desktop" .desktop)
desktop_key() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }

[[ $(desktop_key Icon) == "$app_id" ]] ||
    fail "desktop Icon='$(desktop_key Icon)', expected the application id '$app_id'"
# The program opens the one scenario file it is given.
[[ $(desktop_key Exec) == 'talbrix %f' ]] ||
    fail "desktop Exec='$(desktop_key Exec)', expected exactly 'talbrix %f'"
categories=";$(desktop_key Categories)"
for category in Education Science; do
    [[ $categories == *";$category;"* ]] || fail "desktop Categories lacks $category"
done

# --- Metainfo ---------------------------------------------------------------
element() { sed -n "s:.*<$1[^>]*>\(.*\)</$1>.*:\1:p" "$metainfo"; }

[[ $(element id) == "$app_id" ]] ||
    fail "metainfo <id> is '$(element id)', expected '$app_id'"
[[ $(element launchable) == "$app_id.desktop" ]] ||
    fail "metainfo <launchable> is '$(element launchable)', expected '$app_id.desktop'"
exec_binary=$(desktop_key Exec)
[[ $(element binary) == "${exec_binary%% *}" ]] ||
    fail "metainfo <binary> '$(element binary)' differs from desktop Exec"
[[ $(element name | head -n 1) == "$(desktop_key Name)" ]] ||
    fail "metainfo <name> '$(element name | head -n 1)' differs from desktop Name"
grep -q '<project_license>[^<]' "$metainfo" || fail "metainfo has no <project_license>"

# Screenshots are fetched from the repository's raw address, so each must be
# a PNG that exists at that path in this tree.
mapfile -t images < <(element image)
((${#images[@]} > 0)) || fail "metainfo lists no screenshot image"
for url in "${images[@]}"; do
    if [[ $url =~ ^https://raw\.githubusercontent\.com/[^/]+/[^/]+/[^/]+/(.+)$ ]]; then
        path=${BASH_REMATCH[1]}
        if [[ ! -f $source_dir/$path ]]; then
            fail "screenshot $path is not in the repository"
        elif ! png_size "$source_dir/$path" >/dev/null; then
            fail "screenshot $path is not a PNG"
        fi
    else
        fail "screenshot $url is not served from the repository"
    fi
done

# --- File types --------------------------------------------------------------
# Each type is named alike in the type file, the desktop entry and the
# metainfo, and its glob is the suffix the program saves that kind of file with.
mime_types=$(sed -n 's:.*<mime-type type="\([^"]*\)".*:\1:p' "$mime" | tr '\n' ' ')
[[ $mime_types == "application/x-talbrix-scenario application/x-talbrix-lesson application/x-talbrix-result " ]] ||
    fail "$mime defines '$mime_types', expected the scenario, lesson and result types"
for mime_type in $mime_types; do
    [[ ";$(desktop_key MimeType)" == *";$mime_type;"* ]] ||
        fail "desktop MimeType='$(desktop_key MimeType)' lacks $mime_type"
    element mediatype | grep -qx "$mime_type" || fail "metainfo has no <mediatype> $mime_type"
done
grep -q '<glob pattern="\*\.talbrix"/>' "$mime" || fail "$mime has no *.talbrix glob"
# The dialogs' filters are texts of the catalogue; the window names the suffix.
grep -q '^file\.filter\.runs .*(\*\.talbrix)' "$source_dir/languages/en.texts" &&
    grep -q 'scenarioSuffix = QStringLiteral("talbrix")' "$source_dir/window/runkeeper.cpp" ||
    fail "the window's file dialogs do not offer *.talbrix"

# --- Icons ------------------------------------------------------------------
grep -q '<svg' "$icons/$app_id.svg" 2>/dev/null || fail "no scalable icon $icons/$app_id.svg"
for size in 16 22 24 32 48 64 128 256; do
    png=$icons/hicolor/${size}x${size}/apps/$app_id.png
    if [[ ! -f $png ]]; then
        fail "no ${size}px icon $png"
    elif [[ $(png_size "$png") != "${size}x${size}" ]]; then
        fail "$png is '$(png_size "$png")', expected ${size}x${size}"
    fi
done

if ((failures > 0)); then
    echo "$failures check(s) failed" >&2
    exit 1
fi
if ((${#missing_tools[@]} > 0)); then
    printf 'SKIP: not installed: %s\n' "${missing_tools[@]}"
    echo "The cross-reference checks passed; install the tools above to validate fully."
    exit 77
fi
echo "desktop entry, metainfo and icons OK"
