#!/usr/bin/env bash
# Renders the song with xmrender and draws docs/song-spectrogram.png: the
# whole pass from 0 to 11 kHz, a band per order position, labelled with what
# the show draws there.
# Usage: tools/songgen/spectrogram.sh [build folder, default build]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=${1:-$root/build}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

"$build/tools/xmrender/xmrender" "$root/assets/song.xm" "$tmp/song.wav" > /dev/null
# 10 pixels per second: an order position (64 rows of 160 ms) is 102.4 pixels.
width=1126
height=320
top=40
sox "$tmp/song.wav" -n remix 1,2 rate 22050 spectrogram -r -x $width -y $height -z 90 -o "$tmp/plain.png"

labels=("intro" "title" "main" "main" "main II" "breakdown" "theme 2" "theme 2" "bars close" "ending" "silence")
lines=()
texts=()
for order in $(seq 0 10); do
  x=$(( order * 1024 / 10 ))
  lines+=(-draw "line $x,0 $x,$(( top + height ))")
  texts+=(-annotate "+$(( x + 4 ))+15" "order $order")
  texts+=(-annotate "+$(( x + 4 ))+32" "${labels[$order]}")
done
convert "$tmp/plain.png" -background black -gravity south -extent "${width}x$(( height + top ))" \
  -gravity northwest -fill none -stroke '#8090a0' "${lines[@]}" \
  -stroke none -fill white -font DejaVu-Sans -pointsize 12 "${texts[@]}" \
  "$root/docs/song-spectrogram.png"
echo "wrote $root/docs/song-spectrogram.png"
