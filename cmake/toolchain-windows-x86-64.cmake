# Cross build of the engine for 64-bit Windows with Debian's mingw-w64
# (package g++-mingw-w64-x86-64-posix):
#   cmake -S . -B build-windows-x86-64 -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-windows-x86-64.cmake
# The "posix" compiler is the one whose std::thread works; every library is
# linked in, so the .exe runs with no DLL beside it. The tests run under
# wine (CMake's emulator for a cross build).
set(VELKOR_MINGW_TRIPLE x86_64-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
