#!/usr/bin/env bash
# Builds the XM loader's fuzz target with clang (libFuzzer, AddressSanitizer,
# UndefinedBehaviorSanitizer) in its own build folder and runs it for a short,
# bounded time from our seed corpus. LUMEN_FUZZ_SECONDS sets the time (default
# 60); libFuzzer's own log goes to xm_load_fuzz.log in the build folder.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
out=${LUMEN_FUZZ_BUILD:-$root/build-fuzz-xm}
seconds=${LUMEN_FUZZ_SECONDS:-60}
mkdir -p "$out"

cxx=${FUZZ_CXX:-clang++-14}
flags=(-std=c++20 -g -O1 -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined
       -I"$root" -I"$root/tools/xmrender" -I"$root/platform/virtual")
sources=(
  "$root/tests/fuzz/xm_load_fuzz.cpp"
  "$root/tools/xmrender/render.cpp"
  "$root"/player/*.cpp
  "$root/audio/stream.cpp"
  "$root/audio/mixer.cpp"
  "$root/audio/sound.cpp"
  "$root/platform/virtual/virtual_audio.cpp"
  "$root/platform/virtual/virtual_process.cpp"
)
echo "building the XM fuzz target in $out"
"$cxx" "${flags[@]}" "${sources[@]}" -o "$out/xm_load_fuzz" -lpthread

# The seeds are copied: libFuzzer adds what it finds to the first folder.
corpus="$out/xm-corpus"
mkdir -p "$corpus"
cp "$root"/tests/fuzz/xm-corpus/*.xm "$corpus/"

echo "fuzzing the XM loader for ${seconds}s"
log="$out/xm_load_fuzz.log"
if ! "$out/xm_load_fuzz" -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$out/" "$corpus" >"$log" 2>&1; then
  tail -n 80 "$log"
  echo "the XM fuzz target found a fault; its input is in $out/crash-* (full log: $log)"
  exit 1
fi
grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$log" || tail -n 5 "$log"
