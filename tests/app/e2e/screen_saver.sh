#!/usr/bin/env bash
# The program as screen savers run it. Inside a window another program made (--window-id):
# rain in that window only, in the colour a switch asks for; the window keeps its size and
# place and keys and clicks change nothing; the rain follows the window's new size; nothing is
# drawn while the window is unmapped; no settings file; the end on SIGTERM and when the window
# goes. Full-screen at a device-pixel ratio of 2. A monitor coming and going. Under the real
# xscreensaver daemon. A screen that grows while /s runs (a resizable Xephyr). /s on two
# Xinerama monitors in Xephyr.
source "$(dirname "$0")/harness.sh"
e2e_setup
for tool in xev import; do command -v "$tool" >/dev/null || e2e_skip "$tool is not installed"; done
shots=${E2E_SCREENSHOT_DIR:-$E2E_DIR}
ini="${E2E_DIR}/bin/glyphfall.ini"
RED='r > 0.05 && r > 2 * g && r > 2 * b'
GREEN='g > 0.05 && g > 2 * r && g > 2 * b'

# Waits until the screenshot's area (WxH+X+Y) shows the colour over at least the given share.
wait_share() {  # area condition share seconds screenshot
    local end share=0
    end=$((SECONDS + $(e2e_seconds "$4")))
    while [ "$SECONDS" -lt "$end" ]; do
        import -window root "$5"
        share=$(convert "$5" -crop "$1" +repage -scale 25% -fx "($2) ? 1 : 0" -format '%[fx:mean]' info: | tail -n 1)
        awk -v s="$share" -v m="$3" 'BEGIN { exit !(s >= m) }' && return 0
        sleep 0.5
    done
    e2e_fail "$5: the area $1 shows the colour over $share of it, wanted $3"
}
# Our window inside the host: its size as WIDTHxHEIGHT, once it is there.
child_size() { xwininfo -children -id "$1" | awk '/"Glyphfall"/ { split($(NF - 1), a, "+"); print a[1]; exit }'; }
child_is() { [ "$(child_size "$1")" = "$2" ]; }
# Deadlines count whole seconds of $SECONDS: 2 allows between one and two.
end_on_term() {  # what seconds
    kill -TERM "$APP_PID"
    e2e_expect_exit "$APP_PID" "${2:-3}" 0 "$1: SIGTERM"
}
start_host() {
    xev -geometry 400x300+100+80 -name host >/dev/null 2>&1 &
    HOST_PID=$!
    E2E_PIDS+=("$HOST_PID")
    e2e_wait_window '^host$' 10
    host=$WINDOW
}

start_host
e2e_start --window-id "$host" --color red -fps -visual default
e2e_poll 20 child_is "$host" 400x300 || e2e_fail "no window of ours fills the host: $(child_size "$host")"
wait_share 400x300+100+80 "$RED" 0.01 30 "$shots/hosted.png"
xdotool mousemove --sync 300 200 click 3
e2e_key Escape F1
sleep 1
e2e_running "$APP_PID" || e2e_fail "a key or a click ended the program inside the host"
e2e_has_window '^Popup' && e2e_fail "a right click inside the host opened the menu"
[ "$(e2e_geometry "$host")" = "400x300+100+80" ] || e2e_fail "the host moved or changed size: $(e2e_geometry "$host")"
xdotool windowsize "$host" 640 360
e2e_poll 10 child_is "$host" 640x360 || e2e_fail "our window did not follow the host: $(child_size "$host")"
wait_share 240x360+500+80 "$RED" 0.005 20 "$shots/hosted-wider.png"  # beyond the old right edge
xdotool windowunmap "$host"
e2e_wait_undrawn 2 "the host unmapped"
xdotool windowmap "$host"
wait_share 640x360+100+80 "$RED" 0.01 20 "$shots/hosted-mapped-again.png"
end_on_term "inside a host" 2
[ -e "$ini" ] && e2e_fail "inside a host the settings file was written"

e2e_start -root -window-id "$host"
e2e_poll 20 child_is "$host" 640x360 || e2e_fail "no window of ours in the host the second time"
kill "$HOST_PID"
e2e_expect_exit "$APP_PID" 2 0 "the host's end"

# Every device pixel at a ratio of 2: the frame fills each quarter of the screen.
export QT_SCALE_FACTOR=2
e2e_start /s
e2e_wait_window '^Glyphfall$' 30
for area in 512x384+0+0 512x384+512+0 512x384+0+384 512x384+512+384; do
    wait_share "$area" "$GREEN" 0.003 20 "$shots/scale-2.png"
done
unset QT_SCALE_FACTOR
end_on_term "scaled screen saver"

# A monitor that comes while the screen saver runs gets a window with rain; one that goes, loses it.
if command -v xrandr >/dev/null; then
    monitor_windows_are() { [ "$(xwininfo -root -tree | grep -c '"Glyphfall".* 512x768+512+0 ')" -eq "$1" ]; }
    e2e_start /s
    e2e_wait_window '^Glyphfall$' 30
    xrandr --setmonitor right 512/135x768/203+512+0 none
    e2e_poll 10 monitor_windows_are 1 || e2e_fail "no window came for the new monitor"
    wait_share 512x768+512+0 "$GREEN" 0.005 20 "$shots/monitor-added.png"
    xrandr --delmonitor right
    e2e_poll 10 monitor_windows_are 0 || e2e_fail "the window of the monitor that went stayed"
    end_on_term "screen saver while monitors come and go"
else
    e2e_log "no xrandr: monitors coming and going are not tried (scripts/install-deps --test installs it)"
fi

# The xscreensaver daemon, which runs savers only for an ordinary user.
if command -v xscreensaver >/dev/null; then
    chmod 755 "${E2E_DIR}"
    home="${E2E_DIR}/saver-home"
    mkdir -p "$home/run"
    chmod 700 "$home/run"
    as_user=()
    if [ "$(id -u)" -eq 0 ]; then
        chown -R 65534:65534 "$home"
        as_user=(setpriv --reuid=65534 --regid=65534 --clear-groups --)
    fi
    as_user+=(env HOME="$home" XDG_RUNTIME_DIR="$home/run")
    printf 'mode: one\nselected: 0\nlock: False\nsplash: False\nfade: False\nunfade: False\nprograms: GL: %s --root \\n\n' \
        "$APP" >"$home/.xscreensaver"
    "${as_user[@]}" xscreensaver --no-splash >"${E2E_DIR}/xscreensaver.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_poll 20 "${as_user[@]}" xscreensaver-command -time || e2e_fail "the daemon did not start"
    "${as_user[@]}" xscreensaver-command -activate >/dev/null 2>&1
    e2e_poll 20 pgrep -f -- "$APP --root" || e2e_fail "the daemon did not start glyphfall: $(cat "${E2E_DIR}/xscreensaver.log")"
    saver=$(pgrep -f -- "$APP --root" | head -n1)
    wait_share 1024x768+0+0 "$GREEN" 0.01 30 "$shots/xscreensaver.png"
    "${as_user[@]}" xscreensaver-command -deactivate >/dev/null 2>&1
    e2e_poll 2 e2e_ended "$saver" || e2e_fail "glyphfall was still there a second or two after -deactivate"
    "${as_user[@]}" xscreensaver-command -exit >/dev/null 2>&1
else
    e2e_log "no xscreensaver: the daemon's run is skipped (scripts/install-deps --test installs it)"
fi

command -v Xephyr >/dev/null || e2e_skip "Xephyr is not installed (scripts/install-deps --test installs it)"
# -noreset: a server that resets when its last client leaves (the check that it answers) refuses
# connections for a moment while it does.
nested() {  # name, Xephyr's arguments: a nested server on this one, which becomes $DISPLAY
    local outer=$DISPLAY name=$1
    shift
    Xephyr -displayfd 4 "$@" -nolisten tcp -noreset 4>"${E2E_DIR}/$name" >"${E2E_DIR}/$name.log" 2>&1 &
    E2E_PIDS+=($!)
    e2e_poll 20 test -s "${E2E_DIR}/$name" || e2e_fail "Xephyr did not start: $(cat "${E2E_DIR}/$name.log")"
    OUTER=$outer
    export DISPLAY=":$(head -n1 "${E2E_DIR}/$name")"
    e2e_poll 20 xwininfo -root || e2e_fail "Xephyr on ${DISPLAY} does not answer"
}

# The screen grows while the screen saver runs (a monitor's resolution raised): the window
# follows, and rain reaches beyond the old edges.
nested growing -resizeable -screen 640x400
e2e_start /s
e2e_wait_window '^Glyphfall$' 30
saver_window=$WINDOW
wait_share 640x400+0+0 "$GREEN" 0.005 30 "$shots/before-growing.png"
DISPLAY=$OUTER xdotool windowsize "$(DISPLAY=$OUTER xdotool search --class Xephyr | tail -n1)" 900 560
geometry_is() { [ "$(e2e_geometry "$1")" = "$2" ]; }
e2e_poll 10 geometry_is "$saver_window" 900x560+0+0 ||
    e2e_fail "the window did not follow the screen: $(e2e_geometry "$saver_window")"
wait_share 260x560+640+0 "$GREEN" 0.003 20 "$shots/grown.png"
end_on_term "screen saver on a screen that grew"
export DISPLAY=$OUTER

# Two monitors side by side: Xephyr with two screens joined by Xinerama.
nested xinerama -screen 640x400 -screen 640x400 +xinerama
e2e_start /s
wait_share 640x400+0+0 "$GREEN" 0.005 30 "$shots/monitor-1.png"
wait_share 640x400+640+0 "$GREEN" 0.005 30 "$shots/monitor-2.png"
end_on_term "screen saver on two monitors"
exit 0
