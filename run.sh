#!/usr/bin/env bash
# Sets up a Debian machine, builds lumen in Release and starts the show
# full-screen. Escape or closing the window ends it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
scripts/setup.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build -j "$(nproc)" --target lumen

# The show reads its model from the working directory; the build puts it
# beside the program.
cd build
set +e
./lumen
code=$?
set -e
if [ "$code" -eq 1 ]; then
  echo "lumen could not open a full-screen display (is a desktop running, and DISPLAY set?)" >&2
fi
exit "$code"
