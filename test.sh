#!/usr/bin/env bash
# Sets up a Debian machine, builds lumen and runs every test.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/setup.sh

jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release
cmake --build build -j "$jobs"

# Further suites (sanitizer builds, fuzzing, the Windows build) each keep
# their own build folder and script; they run before the main suite.
for step in scripts/test-*.sh; do
  [ -e "$step" ] || continue
  echo "=== $step"
  bash "$step"
done

echo "=== unit, tool and end-to-end tests"
ctest --test-dir build --output-on-failure -j "$jobs"
