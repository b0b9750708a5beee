#!/bin/bash
# Starts the real program and checks how it begins and ends.
#   smoke.sh escape <lumen>      under Xvfb: frames appear, Escape ends it with 0
#   smoke.sh terminate <lumen>   under Xvfb: SIGTERM closes it like the window's close, 0
#   smoke.sh no-display <lumen>  with no display at all: exit code 1 and no output
#   smoke.sh missing-model <lumen>  under Xvfb, run where no model lies: a
#                                message box (and the same line on stderr)
#                                before any full-screen window; OK ends it
# The program runs from its own folder, where its model file lies, with SDL's
# silent sound output.
set -u
mode=$1
lumen=$(readlink -f "$2")
folder=$(dirname "$lumen")
work=$(mktemp -d)
xvfb=""
pid=""
cleanup() {
    [ -n "$pid" ] && kill -9 "$pid" 2>/dev/null
    [ -n "$xvfb" ] && kill "$xvfb" 2>/dev/null && wait "$xvfb" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*"; exit 1; }

# Gives the program 5 s to end after $1 and sets code to its exit code.
wait_for_end() {
    for _ in $(seq 50); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.1
    done
    kill -0 "$pid" 2>/dev/null && fail "lumen still running 5 s after $1"
    wait "$pid"
    code=$?
    pid=""
}

[ -x "$lumen" ] || fail "no program at $lumen"
[ -f "$folder/spikigbox.3ds" ] || fail "no spikigbox.3ds beside $lumen"

if [ "$mode" = no-display ]; then
    cd "$folder"
    env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER -u LUMEN_ALLOW_OFFSCREEN SDL_AUDIODRIVER=dummy \
        timeout 20 "$lumen" >"$work/out" 2>&1 </dev/null
    code=$?
    [ "$code" -eq 1 ] || fail "exit code $code, expected 1"
    [ ! -s "$work/out" ] || fail "printed: $(cat "$work/out")"
    echo "exit code 1, no output"
    exit 0
fi

for tool in Xvfb xdotool xwininfo import identify; do
    command -v "$tool" >/dev/null || fail "$tool is missing"
done

# Xvfb picks a free display number itself and writes it to fd 3. The screen
# is exactly the show's size; the root is black, so anything else on it was
# drawn by the program.
Xvfb -displayfd 3 -screen 0 640x480x24 -br -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"
unset WAYLAND_DISPLAY SDL_VIDEODRIVER LUMEN_ALLOW_OFFSCREEN

# The top-level window named $1 as "width height x y", or nothing.
window_geometry() {
    xwininfo -root -tree 2>/dev/null | grep -F "\"$1\"" | head -n1 |
        sed -E 's/.* ([0-9]+)x([0-9]+)\+(-?[0-9]+)\+(-?[0-9]+) .*/\1 \2 \3 \4/'
}

if [ "$mode" = missing-model ]; then
    mkdir "$work/empty"
    (cd "$work/empty" && SDL_AUDIODRIVER=dummy exec "$lumen" >"$work/out" 2>&1 </dev/null) &
    pid=$!
    box=""
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || fail "lumen ended without waiting for the message: $(cat "$work/out")"
        box=$(window_geometry "multimedia error")
        [ -n "$box" ] && break
        sleep 0.1
    done
    [ -n "$box" ] || fail "no message box"
    grep -q "cannot open 3ds-file" "$work/out" || fail "no message on stderr: $(cat "$work/out")"
    [ -z "$(window_geometry "quorbel::lumen")" ] || fail "the display was opened before the model was read"
    # Click the box's OK button, centred near its bottom edge.
    read -r w h x y <<<"$box"
    xdotool mousemove $((x + w / 2)) $((y + h - 28)) click 1
    wait_for_end "OK"
    [ "$code" -eq 1 ] || fail "exit code $code after OK, expected 1"
    echo "message box answered; exit code 1"
    exit 0
fi

# Why the program is gone, when it ended before it was asked to.
ended_early() {
    wait "$pid"
    local code=$?
    pid=""
    fail "lumen ended early with exit code $code: $(cat "$work/out")"
}

start_lumen() {
    (cd "$folder" && SDL_AUDIODRIVER=dummy exec "$lumen" >"$work/out" 2>&1 </dev/null) &
    pid=$!
}

# Wait for the window, then for a picture that is not all one colour. A
# freshly started X server on a busy machine can refuse the very first
# client; a program that could not open the display at once is given one
# more start, and a second refusal fails the test.
start_lumen
window=""
for attempt in 1 2; do
    for _ in $(seq 100); do
        kill -0 "$pid" 2>/dev/null || break
        window=$(xdotool search --name '^quorbel::lumen$' 2>/dev/null | head -n1)
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] && break
    kill -0 "$pid" 2>/dev/null && break
    wait "$pid"
    code=$?
    pid=""
    [ "$attempt" -eq 1 ] && [ "$code" -eq 1 ] || fail "lumen ended early with exit code $code: $(cat "$work/out")"
    echo "note: lumen could not open the display at its first start (exit code 1); starting it again"
    start_lumen
done
[ -n "$window" ] || fail "no window named quorbel::lumen"

colours=0
for _ in $(seq 40); do
    sleep 0.25
    kill -0 "$pid" 2>/dev/null || ended_early
    import -window root "$work/shot.png" 2>/dev/null || continue
    colours=$(identify -format '%k' "$work/shot.png" 2>/dev/null || echo 0)
    [ "$colours" -gt 1 ] && break
done
[ "$colours" -gt 1 ] || fail "the screen stayed one colour"
size=$(identify -format '%wx%h' "$work/shot.png")
echo "screen $size shows $colours colours"

case "$mode" in
    escape) xdotool key Escape ;;
    terminate) kill -TERM "$pid" ;;
    *) fail "unknown mode $mode" ;;
esac

wait_for_end "$mode"
[ "$code" -eq 0 ] || fail "exit code $code, expected 0; output: $(cat "$work/out")"
# The window is gone with the process and the desktop is back.
[ -z "$(xdotool search --name '^quorbel::lumen$' 2>/dev/null)" ] || fail "window left behind"
echo "ended with exit code 0"
