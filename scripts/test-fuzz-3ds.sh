#!/usr/bin/env bash
# Fuzzes the 3DS model loader (and the renderer on what it loads) with
# libFuzzer under AddressSanitizer and UndefinedBehaviorSanitizer, starting
# from our own model file and pieces of it. Runs LUMEN_FUZZ_SECONDS seconds
# (60 by default); a crash, a sanitizer report or a leak fails the run.
# libFuzzer's own log goes to fuzz_3ds.log in the build folder.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
build=${LUMEN_FUZZ_BUILD:-build-fuzz3ds}
seconds=${LUMEN_FUZZ_SECONDS:-60}

CC=clang-14 CXX=clang++-14 cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DLUMEN_SANITIZE=address,undefined,fuzzer-no-link -DLUMEN_FUZZ=ON \
  -DLUMEN_PLATFORM_SDL=OFF -DLUMEN_BENCH=OFF -DLUMEN_TOOLS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target fuzz_3ds

# Seeds: the show's model, and its first parts cut at a few lengths.
seeds="$build/fuzz-3ds-seeds"
corpus="$build/fuzz-3ds-corpus"
mkdir -p "$seeds" "$corpus"
cp assets/spikigbox.3ds "$seeds/spikigbox.3ds"
for n in 6 64 200 1000 4000; do
  head -c "$n" assets/spikigbox.3ds >"$seeds/spikigbox-$n.3ds"
done

log="$build/fuzz_3ds.log"
echo "fuzzing the 3DS loader for ${seconds}s"
if ! "$build/tests/scene3d/fuzz_3ds" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -max_len=65536 -print_final_stats=1 -artifact_prefix="$build/" "$corpus" "$seeds" >"$log" 2>&1; then
  tail -n 80 "$log"
  echo "the 3DS fuzz target found a fault; its input is in $build/crash-* (full log: $log)"
  exit 1
fi
grep -E '^stat::(number_of_executed_units|new_units_added|peak_rss_mb)' "$log" || tail -n 5 "$log"
