# Cross build for 32-bit Windows with Debian's MinGW-w64 compilers (the
# "-posix" threading flavour), run under Wine when tests need to run.
#
#   cmake -S . -B build-win32 \
#     -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-i686-w64-mingw32.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(BLOBSMITH_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${BLOBSMITH_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${BLOBSMITH_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${BLOBSMITH_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${BLOBSMITH_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Built programs run under Wine, in a 32-bit prefix of the build folder's
# own, with the C runtime's local time in UTC. A Wine server started for
# that prefix beforehand (see .ci/windows.sh) keeps each run short.
# The emulator has to be known before any target is made: test discovery
# reads it when the test program is declared.
if(NOT DEFINED BLOBSMITH_WINEPREFIX)
  set(BLOBSMITH_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
endif()
set(CMAKE_CROSSCOMPILING_EMULATOR
  env WINEPREFIX=${BLOBSMITH_WINEPREFIX} WINEARCH=win32 WINEDEBUG=-all TZ=UTC wine)
