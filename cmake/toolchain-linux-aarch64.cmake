# Cross build of the engine for 64-bit ARM Linux (Raspberry Pi 3 and later
# on a 64-bit system, other ARMv8-A boards) with Debian's
# g++-aarch64-linux-gnu, statically linked so that the binary runs on any
# such system whatever its C library:
#   cmake -S . -B build-linux-aarch64 -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-linux-aarch64.cmake
# The tests run under qemu-aarch64-static (package qemu-user-static).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_AR aarch64-linux-gnu-gcc-ar CACHE FILEPATH "")
set(CMAKE_RANLIB aarch64-linux-gnu-gcc-ranlib CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/bin/qemu-aarch64-static)
