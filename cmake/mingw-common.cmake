# What both Windows toolchain files share; VELKOR_MINGW_TRIPLE names the
# target.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${VELKOR_MINGW_TRIPLE})
set(CMAKE_C_COMPILER ${VELKOR_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VELKOR_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VELKOR_MINGW_TRIPLE}-windres)
# LTO needs the archiver and ranlib that know the compiler's plugin.
set(CMAKE_AR ${VELKOR_MINGW_TRIPLE}-gcc-ar-posix CACHE FILEPATH "")
set(CMAKE_RANLIB ${VELKOR_MINGW_TRIPLE}-gcc-ranlib-posix CACHE FILEPATH "")
set(CMAKE_FIND_ROOT_PATH /usr/${VELKOR_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# No libstdc++, libgcc or winpthread DLL beside the .exe: all of it inside.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# Test programs (and the tests' discovery) run under wine. WINEDEBUG=-all
# keeps wine's own notes off the tests' output.
set(CMAKE_CROSSCOMPILING_EMULATOR "/usr/bin/env;WINEDEBUG=-all;wine")
