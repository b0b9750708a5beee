#!/usr/bin/env bash
# The Windows build: cross-compiles lumen.exe with mingw-w64 in build-win and
# runs it under Wine inside Xvfb (tests/wine/wine-e2e.sh).
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

cmake -S . -B build-win \
  -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release \
  -DLUMEN_PLATFORM_SDL=OFF -DLUMEN_TESTS=OFF -DLUMEN_BENCH=OFF -DLUMEN_TOOLS=OFF
cmake --build build-win -j "$(nproc)" --target lumen

exe=build-win/platform/win32/lumen.exe
echo "lumen.exe: $(stat -c %s "$exe") bytes, imports:" \
  $(x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ { print $3 }')
# Only system DLLs: anything else would have to ship beside the program.
if x86_64-w64-mingw32-objdump -p "$exe" | awk '/DLL Name/ { print toupper($3) }' |
    grep -qvE '^(KERNEL32|USER32|WINMM|MSVCRT)\.DLL$'; then
  echo "lumen.exe imports a DLL other than KERNEL32, USER32, WINMM and msvcrt" >&2
  exit 1
fi

tests/wine/wine-e2e.sh build-win/platform/win32 build-win/wine-e2e
