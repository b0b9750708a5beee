#!/usr/bin/env bash
# End-to-end test of the Windows build: runs lumen.exe under Wine inside Xvfb
# with a private PulseAudio server whose null sink is recorded.
#   tests/wine/wine-e2e.sh EXE_DIR WORK_DIR
# EXE_DIR holds lumen.exe and spikigbox.3ds. WORK_DIR receives a fresh Wine
# prefix, the logs, the screenshots (shot-24.png, shot-16.png) and the
# recordings (sound-24.raw, sound-16.raw: 16-bit stereo at 44100 Hz).
#
# Cases:
#   24 and 16 bits: Xvfb at exactly 640x480x24 (DirectDraw accepts 32 bits per
#     pixel) and 640x480x16 (only 16 bits, 5-6-5): the show is drawn (bars at
#     rows 160 and 320 across the whole width, black far above and below), the
#     song is heard on the sink, and Escape ends the program with exit code 0.
#   to the end: at 24 bits, left alone, the show ends by itself when the song
#     is over (about 100 s): the music is stopped (the wave output closed, the
#     mixing thread ended), the display released, exit code 0.
#   model missing: the message goes to stderr and into a message box, which
#     the test answers with Return; exit code 1, no mode switched.
#   display unavailable: Xvfb at 1024x768, where every 640x480 mode fails:
#     exit code 1.
set -euo pipefail

exe_dir=$(cd "$1" && pwd)
work=$(mkdir -p "$2" && cd "$2" && pwd)
for tool in wine wineboot wineserver Xvfb xdotool import convert pulseaudio parec sox; do
  command -v "$tool" >/dev/null || { echo "wine-e2e: $tool is missing" >&2; exit 1; }
done
[ -f "$exe_dir/lumen.exe" ] || { echo "wine-e2e: no lumen.exe in $exe_dir" >&2; exit 1; }
[ -f "$exe_dir/spikigbox.3ds" ] || { echo "wine-e2e: no spikigbox.3ds in $exe_dir" >&2; exit 1; }

export HOME=$work/home
export XDG_RUNTIME_DIR=$work/runtime
export WINEPREFIX=$work/prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
export PULSE_SERVER=unix:$XDG_RUNTIME_DIR/pulse.sock
rm -rf "$WINEPREFIX" "$HOME" "$XDG_RUNTIME_DIR"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR"
chmod 700 "$XDG_RUNTIME_DIR"

xvfb_pid=""
pulse_pid=""
prog_pid=""
rec_pid=""
rc=""
failures=0

stop_pid() {
  local pid=$1
  [ -n "$pid" ] || return 0
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
}
stop_xvfb() {
  stop_pid "$xvfb_pid"
  xvfb_pid=""
}
cleanup() {
  stop_pid "$rec_pid"
  stop_pid "$prog_pid"
  wineserver -k 2>/dev/null || true
  stop_xvfb
  stop_pid "$pulse_pid"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
pass() {
  echo "ok: $*"
}

# Starts Xvfb with the given screen on a free display number.
start_xvfb() {
  local screen=$1 n
  for n in $(seq 91 140); do
    [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
    Xvfb ":$n" -screen 0 "$screen" -nolisten tcp -noreset >"$work/xvfb-$n.log" 2>&1 &
    xvfb_pid=$!
    local i
    for i in $(seq 1 50); do
      if [ -e "/tmp/.X11-unix/X$n" ]; then
        export DISPLAY=":$n"
        return 0
      fi
      kill -0 "$xvfb_pid" 2>/dev/null || break
      sleep 0.1
    done
    stop_xvfb
  done
  echo "wine-e2e: could not start Xvfb" >&2
  exit 1
}

# Waits up to $2 seconds for process $1 to end and sets rc to its exit code,
# or to "timeout" (and kills it). Not in a subshell: only this shell can wait.
wait_exit() {
  local pid=$1 limit=$2 i
  for i in $(seq 1 $((limit * 10))); do
    if ! kill -0 "$pid" 2>/dev/null; then
      rc=0
      wait "$pid" || rc=$?
      return 0
    fi
    sleep 0.1
  done
  kill "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true
  rc=timeout
}

# Grey level (0..1) statistics of one screen row: "min max mean".
row_stats() {
  convert "$1" -crop "640x1+0+$2" +repage -colorspace gray \
    -format '%[fx:minima] %[fx:maxima] %[fx:mean]\n' info:
}
# Mean grey level (0..1) of a band of rows.
band_mean() {
  convert "$1" -crop "640x$3+0+$2" +repage -colorspace gray -format '%[fx:mean]\n' info:
}
ge() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a >= b) }'; }

# The private sound server: a null sink at 44100 Hz as the default device.
pulseaudio -n --daemonize=no --system=false --exit-idle-time=-1 --use-pid-file=false \
  --disallow-module-loading --log-target=stderr \
  --load="module-native-protocol-unix socket=$XDG_RUNTIME_DIR/pulse.sock auth-anonymous=1" \
  --load="module-null-sink sink_name=lumen_sink norewinds=1 rate=44100 channels=2" \
  >"$work/pulse.log" 2>&1 &
pulse_pid=$!
for i in $(seq 1 50); do
  [ -S "$XDG_RUNTIME_DIR/pulse.sock" ] && break
  sleep 0.1
done
[ -S "$XDG_RUNTIME_DIR/pulse.sock" ] || { echo "wine-e2e: PulseAudio did not start" >&2; cat "$work/pulse.log" >&2; exit 1; }

# A fresh prefix, made once for all cases.
start_xvfb 640x480x24
start=$(date +%s)
wineboot -i >"$work/wineboot.log" 2>&1 || true
wineserver -w
echo "Wine prefix made in $(($(date +%s) - start)) s"
stop_xvfb

# A fresh folder $work/$1 holding lumen.exe and, unless $2 is
# "without-model", the model file; prints its path.
case_dir() {
  local dir=$work/$1
  rm -rf "$dir"
  mkdir -p "$dir"
  cp "$exe_dir/lumen.exe" "$dir/"
  [ "${2:-}" = without-model ] || cp "$exe_dir/spikigbox.3ds" "$dir/"
  echo "$dir"
}

# The show at one depth of the X screen.
run_show() {
  local depth=$1
  local dir
  dir=$(case_dir show-$depth)
  start_xvfb "640x480x$depth"
  (cd "$dir" && exec wine lumen.exe) >"$dir/out.log" 2>&1 &
  prog_pid=$!
  # The monitor gives data only while something plays; parec runs until the
  # show has been looked at.
  parec -d lumen_sink.monitor --format=s16le --rate=44100 --channels=2 --raw "$work/sound-$depth.raw" &
  rec_pid=$!

  # The bars open one row per frame up to rows 160 and 320 in the first
  # second or two; look after a few seconds, again if the screen lags.
  local shot=$work/shot-$depth.png ok=0 attempt top bottom above below
  sleep 6
  for attempt in 1 2 3 4 5; do
    import -window root "$shot"
    read -r top_min _ _ < <(row_stats "$shot" 160)
    read -r bottom_min _ _ < <(row_stats "$shot" 320)
    above=$(band_mean "$shot" 0 100)
    below=$(band_mean "$shot" 380 100)
    if ge "$top_min" 0.35 && ge "$bottom_min" 0.35 && ge 0.05 "$above" && ge 0.05 "$below"; then
      ok=1
      break
    fi
    sleep 2
  done
  if [ "$ok" = 1 ]; then
    pass "$depth-bit screen: bars at rows 160 and 320 (grey $top_min, $bottom_min), dark above ($above) and below ($below)"
  else
    fail "$depth-bit screen: bars not where they belong (row 160 min $top_min, row 320 min $bottom_min, above $above, below $below); see $shot"
  fi

  # Other keys are ignored; Escape ends the program.
  xdotool key a space Return F4
  sleep 2
  if kill -0 "$prog_pid" 2>/dev/null; then
    pass "$depth-bit screen: other keys leave the show running"
  else
    fail "$depth-bit screen: the program ended on a key other than Escape"
  fi
  xdotool key Escape
  wait_exit "$prog_pid" 30
  prog_pid=""
  stop_pid "$rec_pid"
  rec_pid=""
  if [ "$rc" = 0 ]; then
    pass "$depth-bit screen: Escape ends the program with exit code 0"
  else
    fail "$depth-bit screen: exit code after Escape: $rc (expected 0)"
    sed 's/^/  | /' "$dir/out.log" | tail -20 >&2
  fi

  local rms length
  rms=$(sox -t raw -r 44100 -e signed -b 16 -c 2 "$work/sound-$depth.raw" -n remix 1 stat 2>&1 | awk '/RMS +amplitude/ { print $3 }')
  length=$(sox -t raw -r 44100 -e signed -b 16 -c 2 "$work/sound-$depth.raw" -n stat 2>&1 | awk '/Length/ { print $3 }')
  if [ -n "$rms" ] && ge "$rms" 0.01 && ge "$length" 3; then
    pass "$depth-bit screen: the song is heard ($length s recorded, RMS $rms)"
  else
    fail "$depth-bit screen: the song is not heard (recorded ${length:-0} s, RMS ${rms:-none})"
  fi
  wineserver -k 2>/dev/null || true
  stop_xvfb
}

run_show 24
run_show 16

# Left alone, the show stops its music and ends by itself after the song.
run_to_end() {
  local dir
  dir=$(case_dir to-end)
  start_xvfb 640x480x24
  local start
  start=$(date +%s)
  (cd "$dir" && exec wine lumen.exe) >"$dir/out.log" 2>&1 &
  prog_pid=$!
  wait_exit "$prog_pid" 200
  prog_pid=""
  if [ "$rc" = 0 ]; then
    pass "to the end: the show ends by itself after $(($(date +%s) - start)) s with exit code 0"
  else
    fail "to the end: exit code $rc (expected 0 once the song is over)"
    sed 's/^/  | /' "$dir/out.log" | tail -20 >&2
  fi
  wineserver -k 2>/dev/null || true
  stop_xvfb
}
run_to_end

# The model file missing: the message on stderr and in a box, exit code 1.
run_missing_model() {
  local dir
  dir=$(case_dir no-model without-model)
  start_xvfb 640x480x24
  (cd "$dir" && exec wine lumen.exe) >"$dir/out.log" 2>"$dir/err.log" &
  prog_pid=$!
  local box="" i
  for i in $(seq 1 300); do
    box=$(xdotool search --name '^multimedia error$' 2>/dev/null | head -1 || true)
    [ -n "$box" ] && break
    kill -0 "$prog_pid" 2>/dev/null || break
    sleep 0.1
  done
  if [ -n "$box" ]; then
    pass "model missing: a message box \"multimedia error\" is shown"
    # Without a window manager the key goes to the window under the pointer.
    eval "$(xdotool getwindowgeometry --shell "$box")"
    xdotool mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2))
    sleep 0.5
    xdotool key Return
  else
    fail "model missing: no message box appeared"
  fi
  wait_exit "$prog_pid" 30
  prog_pid=""
  if [ "$rc" = 1 ]; then
    pass "model missing: exit code 1"
  else
    fail "model missing: exit code $rc (expected 1)"
  fi
  if grep -q 'multimedia error: cannot open 3ds-file' "$dir/err.log"; then
    pass "model missing: the message is on stderr"
  else
    fail "model missing: no message on stderr"
    sed 's/^/  | /' "$dir/err.log" | tail -10 >&2
  fi
  wineserver -k 2>/dev/null || true
  stop_xvfb
}
run_missing_model

# No 640x480 mode at all: the display cannot be opened, exit code 1.
run_display_unavailable() {
  local dir
  dir=$(case_dir no-display)
  start_xvfb 1024x768x24
  (cd "$dir" && exec wine lumen.exe) >"$dir/out.log" 2>&1 &
  prog_pid=$!
  wait_exit "$prog_pid" 60
  prog_pid=""
  if [ "$rc" = 1 ]; then
    pass "display unavailable: exit code 1"
  else
    fail "display unavailable: exit code $rc (expected 1)"
  fi
  wineserver -k 2>/dev/null || true
  stop_xvfb
}
run_display_unavailable

if [ "$failures" -ne 0 ]; then
  echo "wine-e2e: $failures check(s) failed" >&2
  exit 1
fi
echo "wine-e2e: all checks passed"
