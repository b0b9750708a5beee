#!/bin/bash
# The real program under Xvfb plays the whole show and, once the song is over,
# gives the display back and exits with code 0 by itself, with no sound device
# (SDL's silent dummy output still consumes the sound in real time).
# Usage: whole_show.sh <path to lumen>
set -u
lumen=$(readlink -f "$1")
folder=$(dirname "$lumen")
if [ ! -f "$folder/spikigbox.3ds" ]; then
    echo "no spikigbox.3ds beside $lumen"
    exit 1
fi
for tool in Xvfb timeout; do
    command -v "$tool" >/dev/null || { echo "$tool is missing"; exit 1; }
done

# Xvfb picks a free display number itself and writes it to fd 3 once it
# accepts clients.
work=$(mktemp -d)
Xvfb -displayfd 3 -screen 0 640x480x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
trap 'kill "$xvfb" 2>/dev/null; wait "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start"; exit 1; }
display=$(head -n1 "$work/display")

start=$(date +%s)
cd "$folder" && DISPLAY=":$display" SDL_AUDIODRIVER=dummy timeout 240 "$lumen" </dev/null
code=$?
elapsed=$(( $(date +%s) - start ))
echo "lumen ended with exit code $code after $elapsed s"
if [ "$code" -ne 0 ]; then
    echo "expected exit code 0 at the end of the show"
    exit 1
fi
# The song's ten scheduled order positions last about 102 s.
if [ "$elapsed" -lt 90 ]; then
    echo "the show ended too early"
    exit 1
fi
exit 0
