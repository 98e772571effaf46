#!/usr/bin/env bash
# The Wayland test (wayland.sh, or the script named first) once more under a newer compositor: sway 1.10 from Debian 13
# (and the terminal it starts inside), which offers fractional scales (wp_fractional_scale_v1 with wp_viewporter) where Debian 12's
# sway 1.7 has integer ones only; there, and at a scale of 1.5 as well, every surface is drawn
# at its output's device pixels. The compositor runs in a Debian 13 root of its own, made
# once with debootstrap from the machine's package mirror and kept in
# $GLYPHFALL_E2E_SWAY_ROOT (default /var/tmp/glyphfall-e2e-sway-trixie); the program and
# every tool stay outside (a client is only a socket away). Making that root needs root and
# the mirror; where it cannot be had the test says why and is skipped.
source "$(dirname "$0")/harness.sh"
root=${GLYPHFALL_E2E_SWAY_ROOT:-/var/tmp/glyphfall-e2e-sway-trixie}
[ "$(id -u)" -eq 0 ] || e2e_skip "making a Debian 13 root for sway 1.10 needs root"
command -v debootstrap >/dev/null || e2e_skip "debootstrap is not installed (scripts/install-deps installs it)"
mkdir -p "$(dirname "$root")"

make_root() {  # in ten minutes at most; a root that was not finished is made again next time
    [ -x "$root/usr/bin/sway" ] && [ -x "$root/usr/bin/foot" ] && return 0
    if [ ! -x "$root/usr/bin/apt-get" ]; then
        local mirror
        mirror=$(awk '/^URIs:/ { print $2; exit }' /etc/apt/sources.list.d/debian.sources 2>/dev/null)
        e2e_log "making a Debian 13 root with sway in $root (once, a few minutes)"
        rm -rf --one-file-system "$root"
        timeout 420 debootstrap --variant=minbase trixie "$root" ${mirror:+"$mirror"} >"$root.log" 2>&1 || return 1
        cp /etc/resolv.conf "$root/etc/resolv.conf"
    fi
    timeout 180 chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends sway foot >>"$root.log" 2>&1 || return 1
    chroot "$root" apt-get clean
}
# One test at a time makes or uses the root.
exec 9>"$root.lock"
flock -w 900 9 || e2e_skip "another test held $root.lock for 15 minutes"
make_root || { rm -rf --one-file-system "$root"; e2e_skip "no Debian 13 root with sway 1.10 could be made (no mirror reachable?): $(tail -n 2 "$root.log" 2>/dev/null)"; }

# The compositor's user inside, with the same numbers as outside (wayland.sh makes it outside).
id glyphfall-e2e >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin glyphfall-e2e
if ! chroot "$root" id glyphfall-e2e >/dev/null 2>&1; then
    chroot "$root" groupadd -g "$(id -g glyphfall-e2e)" glyphfall-e2e 2>/dev/null
    chroot "$root" useradd -M -u "$(id -u glyphfall-e2e)" -g "$(id -g glyphfall-e2e)" -s /usr/sbin/nologin glyphfall-e2e 2>/dev/null
fi
# The system's /proc, /sys and devices inside it (/dev/shm a mount of its own: without it the
# compositor cannot make its buffers), and a folder for the test's files at the same path
# inside and out; all taken away at the end.
folder=$(mktemp -d "${TMPDIR:-/tmp}/glyphfall-sway-newer.XXXXXX")
chmod 755 "$folder"
mounts=(proc sys dev dev/pts dev/shm)
unmount() {
    umount -l "$root$folder" 2>/dev/null
    local i
    for ((i = ${#mounts[@]} - 1; i >= 0; i--)); do umount -l "$root/${mounts[i]}" 2>/dev/null; done
    rm -rf "$folder"
}
trap unmount EXIT
for m in "${mounts[@]}"; do
    mountpoint -q "$root/$m" || mount --bind "/$m" "$root/$m" || e2e_fail "could not bind /$m into $root"
done
mkdir -p "$root$folder" && mount --bind "$folder" "$root$folder" || e2e_fail "could not bind $folder into $root"
e2e_log "$(chroot "$root" sway --version)"
TMPDIR=$folder GLYPHFALL_E2E_SWAY_ROOT=$root GLYPHFALL_E2E_FRACTIONAL=1 bash "$(dirname "$0")/${1:-wayland.sh}"
