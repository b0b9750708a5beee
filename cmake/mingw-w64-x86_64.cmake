# Cross build for 64-bit Windows with Debian's mingw-w64 compilers.
#   cmake -S . -B build-win -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
# The posix threading variant is used because the core relies on std::mutex
# and std::thread support, which the win32 variant of GCC 12 lacks; the
# program is linked statically, so no winpthread or libstdc++ DLL is needed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(LUMEN_MINGW_PREFIX x86_64-w64-mingw32)
find_program(CMAKE_C_COMPILER NAMES ${LUMEN_MINGW_PREFIX}-gcc-posix ${LUMEN_MINGW_PREFIX}-gcc REQUIRED)
find_program(CMAKE_CXX_COMPILER NAMES ${LUMEN_MINGW_PREFIX}-g++-posix ${LUMEN_MINGW_PREFIX}-g++ REQUIRED)
find_program(CMAKE_RC_COMPILER NAMES ${LUMEN_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${LUMEN_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Wine runs the cross-built programs when CMake or CTest need to.
find_program(LUMEN_WINE wine)
if(LUMEN_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${LUMEN_WINE})
endif()
