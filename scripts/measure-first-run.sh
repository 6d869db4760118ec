#!/usr/bin/env bash
# Measures what a new user meets on a bare Debian 12: in a fresh debootstrap
# chroot holding a copy of the repository at REV, the time from
# `bash scripts/run.sh` to the simulator running (offscreen: run.sh ends by
# exec'ing the binary, which must still be running 3 s later), and the
# packages run.sh installed. Needs root, debootstrap and Debian's archive;
# takes 10 to 25 minutes. The bare system is made once and kept as a tarball
# in the work folder.
#
# Usage, as root: bash scripts/measure-first-run.sh [REV]   (default HEAD)
# TALBRIX_FIRST_RUN_DIR names the work folder (default /var/tmp/talbrix-first-run).
set -uo pipefail

root_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
rev="${1:-HEAD}"
top="${TALBRIX_FIRST_RUN_DIR:-/var/tmp/talbrix-first-run}"
if [[ $(id -u) -ne 0 ]]; then
    echo "run as root: the chroot needs it" >&2
    exit 2
fi
sha=$(git -C "$root_dir" rev-parse --short "$rev") || exit 2
mkdir -p "$top"
if [[ ! -f $top/base.tar ]]; then
    command -v debootstrap >/dev/null || apt-get install -y -qq debootstrap || exit 1
    debootstrap bookworm "$top/base" http://deb.debian.org/debian >"$top/debootstrap.log" 2>&1 || {
        tail "$top/debootstrap.log" >&2
        exit 1
    }
    tar -C "$top/base" -cf "$top/base.tar" . && rm -rf "$top/base"
fi

dir=$top/chroot-$sha
rm -rf "$dir"
mkdir -p "$dir"
tar -C "$dir" -xf "$top/base.tar"
mkdir -p "$dir/root/talbrix"
git -C "$root_dir" archive "$rev" | tar -C "$dir/root/talbrix" -x
cp /etc/resolv.conf "$dir/etc/resolv.conf"
mounted=()
cleanup() {
    local index
    for ((index = ${#mounted[@]} - 1; index >= 0; index--)); do umount -l "${mounted[index]}"; done
}
trap cleanup EXIT
for mount_point in proc sys dev dev/pts; do
    mount --bind "/$mount_point" "$dir/$mount_point" && mounted+=("$dir/$mount_point")
done

before=$(chroot "$dir" dpkg-query -W -f='${Package}\n' | sort)
start=$(date +%s.%N)
chroot "$dir" /usr/bin/env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
    QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp LANG=C.UTF-8 \
    bash -c 'cd /root/talbrix && exec bash scripts/run.sh' >"$top/run-$sha.log" 2>&1 &
pid=$!
running=""
while kill -0 "$pid" 2>/dev/null; do
    if [[ $(readlink "/proc/$pid/exe" 2>/dev/null) == */talbrix ]]; then
        running=$(date +%s.%N)
        break
    fi
    sleep 0.1
done
sleep 3
alive=no
kill -0 "$pid" 2>/dev/null && alive=yes
kill "$pid" 2>/dev/null
wait "$pid" 2>/dev/null
after=$(chroot "$dir" dpkg-query -W -f='${Package}\n' | sort)
added=$(comm -13 <(echo "$before") <(echo "$after"))

echo "rev=$sha load_average=$(cut -d' ' -f1-3 /proc/loadavg)"
if [[ -n $running ]]; then
    echo "seconds_to_running=$(awk -v a="$start" -v b="$running" 'BEGIN { printf "%.1f", b - a }') still_running_3s_later=$alive"
else
    echo "seconds_to_running=NEVER (see $top/run-$sha.log)"
fi
echo "packages_installed=$(grep -c . <<<"$added") usr_megabytes=$(du -sm "$dir/usr" | cut -f1)"
echo "installed: $(echo $added)"
[[ -n $running && $alive == yes ]]
