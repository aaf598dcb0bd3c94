# Cross build of the engine for 32-bit Windows (any x86 processor from the
# Pentium Pro on; x87 floating point, no SSE) with Debian's mingw-w64 (package g++-mingw-w64-i686-posix):
#   cmake -S . -B build-windows-i686 -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-windows-i686.cmake
# The tests run under wine, which needs Debian's wine32 (i386 architecture).
set(VELKOR_MINGW_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
