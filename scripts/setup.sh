#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for one purpose (only packages
# that are not already installed), then configures and builds what that
# purpose needs:
#   run      the application alone: its compiler and Qt, the `app` preset
#            (no tests, no benchmarks), the talbrix target only (run.sh);
#   package  the same plus the Debian packaging tools, the whole `app`
#            preset (package.sh);
#   web      the web edition: emscripten, Node and the font tools, the `web`
#            preset, which makes build/web/talbrix.html (web.sh);
#   test     everything the test command uses, the `dev` preset (test.sh).
# With no argument it sets up for `test`, whose packages cover the other
# purposes'.
# TALBRIX_EXTRA_PACKAGES may name more packages to install.
#
# Usage: scripts/setup.sh [run|package|web|test]
set -euo pipefail

root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
purpose="${1:-test}"

# Debian packages per purpose; each list adds to the one before it.
run_packages=(
    cmake g++ make
    qt6-base-dev qt6-qpa-plugins libgl-dev
)
# dpkg-shlibdeps (dpkg-dev) derives the package's dependencies; CPack needs
# `file` to find the binaries to pass it.
package_packages=(
    "${run_packages[@]}"
    dpkg-dev file
)
# The page: the compiler, and the font tools that cut the embedded face down
# to the characters the form shows.
web_packages=(
    cmake make
    emscripten nodejs python3-fonttools python3-brotli
)
test_packages=(
    "${package_packages[@]}"
    "${web_packages[@]}"
    pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    desktop-file-utils appstream shared-mime-info
    clang libclang-rt-14-dev clang-tidy llvm
    # The web edition's tests drive the page in Debian's Chromium and check
    # its scripts' types with tsc --checkJs.
    chromium chromium-driver python3-selenium node-typescript
    # A spreadsheet that reads the tables back, headless, in a test.
    libreoffice-calc-nogui
)

case "$purpose" in
run)
    required_packages=("${run_packages[@]}")
    preset=app
    targets=(--target talbrix)
    ;;
package)
    required_packages=("${package_packages[@]}")
    preset=app
    targets=()
    ;;
web)
    required_packages=("${web_packages[@]}")
    preset=web
    targets=()
    # emcc runs its tools under node and needs the acorn module Debian ships
    # there, which a node that is not Debian's does not look for.
    export NODE_PATH=/usr/share/nodejs
    ;;
test)
    required_packages=("${test_packages[@]}")
    preset=dev
    targets=()
    ;;
*)
    echo "usage: $0 [run|package|web|test]" >&2
    exit 2
    ;;
esac

missing=()
for package in "${required_packages[@]}" ${TALBRIX_EXTRA_PACKAGES:-}; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "ok installed"; then
        missing+=("$package")
    fi
done

if ((${#missing[@]} > 0)); then
    echo "Installing missing packages: ${missing[*]}"
    sudo_cmd=()
    if [[ $(id -u) -ne 0 ]]; then
        sudo_cmd=(sudo)
    fi
    "${sudo_cmd[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cd "$root_dir"
cmake --preset "$preset"
cmake --build --preset "$preset" --parallel "$(nproc)" "${targets[@]}"
