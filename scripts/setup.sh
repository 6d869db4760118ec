#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks for building and testing
# Talbrix (only packages that are not already installed), then configures and
# builds the `dev` preset. Run by run.sh, test.sh and package.sh.
set -euo pipefail

root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

required_packages=(
    cmake g++ make pkg-config
    libgtest-dev libgmock-dev libbenchmark-dev
    qt6-base-dev qt6-qpa-plugins libgl-dev
    desktop-file-utils appstream dpkg-dev file
    clang libclang-rt-14-dev clang-tidy llvm
)

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
cmake --preset dev
cmake --build --preset dev --parallel "$(nproc)"
