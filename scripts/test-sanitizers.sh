#!/usr/bin/env bash
# Runs the unit tests of our own code under sanitizers, each build in its own
# folder: AddressSanitizer with UndefinedBehaviorSanitizer for everything but
# the threaded and end-to-end tests, ThreadSanitizer for the threaded ones.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
jobs=2
common=(-DCMAKE_BUILD_TYPE=RelWithDebInfo -DLUMEN_BENCH=OFF -DLUMEN_PLATFORM_SDL=OFF)

echo "--- AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan "${common[@]}" -DLUMEN_SANITIZE=address,undefined >/dev/null
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=0 UBSAN_OPTIONS=print_stacktrace=1 \
  ctest --test-dir build-asan --output-on-failure -j "$jobs" -LE 'threads|e2e'

echo "--- ThreadSanitizer"
cmake -S . -B build-tsan "${common[@]}" -DLUMEN_TOOLS=OFF -DLUMEN_TSAN_ONLY=ON -DLUMEN_SANITIZE=thread >/dev/null
cmake --build build-tsan -j "$jobs"
TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
  ctest --test-dir build-tsan --output-on-failure -j "$jobs" -L threads
