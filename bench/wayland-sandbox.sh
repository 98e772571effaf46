# Sourced by the Wayland benchmarks: a private folder $dir holding a copy of $program (with
# tex.png) and the compositor's runtime folder, an unprivileged user when started as root (sway
# refuses root), wl to run a command in that session, and stop (on exit) to end what pids holds
# and remove the folder.
chmod 755 "$dir"
mkdir -p "$dir/bin" "$dir/home" && mkdir -m 700 "$dir/run"
cp "$program" "$(dirname "$program")/tex.png" "$dir/bin/"
as_user=()
if [ "$(id -u)" -eq 0 ]; then
    id glyphfall-e2e >/dev/null 2>&1 || useradd --system --no-create-home --shell /usr/sbin/nologin glyphfall-e2e
    chown -R glyphfall-e2e: "$dir/bin" "$dir/home" "$dir/run"
    as_user=(setpriv --reuid=glyphfall-e2e --regid=glyphfall-e2e --clear-groups --)
fi
wl() {
    exec "${as_user[@]}" env -i PATH=/usr/bin:/bin HOME="$dir/home" XDG_RUNTIME_DIR="$dir/run" WAYLAND_DISPLAY=wayland-1 \
        SWAYSOCK="$dir/run/sway.sock" LIBGL_ALWAYS_SOFTWARE=1 "$@"
}
pids=()
stop() {
    for pid in "${pids[@]}"; do kill -TERM "$pid" 2>/dev/null; done
    sleep 0.3
    for pid in "${pids[@]}"; do kill -KILL "$pid" 2>/dev/null; done
    wait 2>/dev/null
    rm -rf "$dir"
}
trap stop EXIT
trap 'exit 1' INT TERM
