#!/usr/bin/env bash
# Builds the Debian package from a configured and built tree, unpacks it into
# an empty temporary folder (dpkg -x: no root, no chroot, nothing installed on
# this machine) and checks what a lab machine would get: the package's name
# and dependencies, exactly the expected files in their standard places, owned
# by root, and a binary whose shared libraries all resolve and which starts.
#
# Usage: scripts/check-package.sh [BUILD_DIR]   (default: build/dev)
# The environment variable CPACK may name the cpack to use.
# Exit status: 0 the package is sound; 1 it is not; 77 dpkg-deb is missing
# (not a Debian system), which CTest reports as a skipped test.
set -uo pipefail

root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build_dir=$(realpath "${1:-$root_dir/build/dev}")
app_id=io.github.talbrix.Talbrix
icon_sizes=(16 22 24 32 48 64 128 256)

if [[ ! -f $build_dir/CPackConfig.cmake ]]; then
    echo "FAIL: $build_dir/CPackConfig.cmake not found; configure and build first" \
        "(bash scripts/setup.sh)" >&2
    exit 1
fi
for tool in dpkg-deb dpkg ldd; do
    if ! command -v "$tool" >/dev/null; then
        echo "SKIP: $tool is not installed; the .deb can only be checked on Debian or a derivative"
        exit 77
    fi
done

work=$(mktemp -d "${TMPDIR:-/tmp}/talbrix-package.XXXXXX")
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

# --- Build ------------------------------------------------------------------
if ! "${CPACK:-cpack}" --config "$build_dir/CPackConfig.cmake" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log" >&2
    echo "FAIL: cpack could not build the package" >&2
    exit 1
fi
shopt -s nullglob
debs=("$work"/out/*.deb)
shopt -u nullglob
if ((${#debs[@]} != 1)); then
    cat "$work/cpack.log" >&2
    echo "FAIL: expected one .deb, cpack made ${#debs[@]}" >&2
    exit 1
fi
deb=${debs[0]}
echo "built $(basename "$deb")"

# --- Control fields -----------------------------------------------------------
field() { dpkg-deb --field "$deb" "$1"; }
[[ $(field Package) == talbrix ]] || fail "Package is '$(field Package)', expected 'talbrix'"
[[ $(field Architecture) == "$(dpkg --print-architecture)" ]] ||
    fail "Architecture is '$(field Architecture)', expected '$(dpkg --print-architecture)'"
depends=$(field Depends)
echo "Depends: $depends"
# Package names as Debian gives them; the t64 suffix is the name they carry
# from Debian 13 on, where dpkg-shlibdeps reports it.
for package in libqt6widgets6 libqt6gui6 libqt6core6 qt6-qpa-plugins libc6 libstdc++6; do
    if ! grep -Eq "(^|, )${package//+/\\+}(t64)?( |,|$)" <<<"$depends"; then
        fail "Depends lacks $package"
    fi
done

# Every entry belongs to root: a package built as an ordinary user must not
# install files owned by that user's uid on the lab machine.
if dpkg-deb --contents "$deb" | awk '$2 != "root/root" { found = 1; print } END { exit !found }' >&2; then
    fail "the entries above are not owned by root/root"
fi

# --- Files --------------------------------------------------------------------
unpacked=$work/root
dpkg -x "$deb" "$unpacked" || { echo "FAIL: dpkg -x could not unpack $deb" >&2; exit 1; }

expected=(
    usr/bin/talbrix
    "usr/share/applications/$app_id.desktop"
    "usr/share/metainfo/$app_id.metainfo.xml"
    "usr/share/mime/packages/$app_id.xml"
    "usr/share/icons/hicolor/scalable/apps/$app_id.svg"
    usr/share/doc/talbrix/copyright
    usr/share/doc/talbrix/LiberationSans-LICENSE.txt
)
for size in "${icon_sizes[@]}"; do
    expected+=("usr/share/icons/hicolor/${size}x${size}/apps/$app_id.png")
done
mapfile -t actual < <(cd "$unpacked" && find . ! -type d | sed 's:^\./::' | sort)
mapfile -t wanted < <(printf '%s\n' "${expected[@]}" | sort)
while read -r path; do fail "missing from the package: $path"; done \
    < <(comm -13 <(printf '%s\n' "${actual[@]}") <(printf '%s\n' "${wanted[@]}"))
# An extra file is as wrong as a missing one: a static library, a header or
# a developer tool swept in by some other install() rule.
while read -r path; do fail "not expected in the package: $path"; done \
    < <(comm -23 <(printf '%s\n' "${actual[@]}") <(printf '%s\n' "${wanted[@]}"))

binary=$unpacked/usr/bin/talbrix
if [[ -f $binary ]]; then
    [[ -x $binary ]] || fail "usr/bin/talbrix is not executable"
    if ! ldd_output=$(ldd "$binary" 2>&1); then
        echo "$ldd_output" >&2
        fail "ldd cannot read usr/bin/talbrix"
    elif grep -q 'not found' <<<"$ldd_output"; then
        grep 'not found' <<<"$ldd_output" >&2
        fail "usr/bin/talbrix needs shared libraries that do not resolve"
    fi
    # The unpacked binary starts on the system's Qt: still running after a
    # few seconds (timeout's status 124) means it got past loading its
    # libraries, its platform plugin and its window.
    QT_QPA_PLATFORM=offscreen timeout 3 "$binary" >"$work/run.log" 2>&1
    status=$?
    if ((status != 124)); then
        cat "$work/run.log" >&2
        fail "usr/bin/talbrix ended with status $status within 3 s instead of running"
    fi
    # The build tree's run path must not survive into the installed binary.
    if command -v readelf >/dev/null && readelf -d "$binary" | grep -Eq 'R(UN)?PATH.*'"$build_dir"; then
        fail "usr/bin/talbrix keeps a run path into the build tree"
    fi
fi

# The shipped desktop entry and metainfo, as installed, pass the validators.
desktop=$unpacked/usr/share/applications/$app_id.desktop
metainfo=$unpacked/usr/share/metainfo/$app_id.metainfo.xml
if [[ -f $desktop ]] && command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" | grep -v ': hint:' >&2
    desktop-file-validate "$desktop" >/dev/null || fail "desktop-file-validate rejects the installed desktop entry"
fi
if [[ -f $metainfo ]] && command -v appstreamcli >/dev/null; then
    appstreamcli validate --no-net --strict "$metainfo" >"$work/appstream.log" 2>&1 ||
        { cat "$work/appstream.log" >&2; fail "appstreamcli rejects the installed metainfo"; }
fi

if ((failures > 0)); then
    echo "$failures check(s) failed for $(basename "$deb")" >&2
    exit 1
fi
echo "package OK: $(basename "$deb"), ${#actual[@]} files, libraries resolve"
