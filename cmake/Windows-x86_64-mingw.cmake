# Cross build for 64-bit Windows with Debian's mingw-w64 (POSIX thread model). The runtime
# (libgcc, libstdc++, winpthread) is linked statically, so the programs run on a Windows
# without extra DLLs. Libraries built for the cross build (libzip) go under BX_WIN_PREFIX.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triple}-g++-posix)
set(CMAKE_RC_COMPILER ${triple}-windres)
# The prefix comes as a cache variable (scripts/build-windows passes it) or from the
# environment; try_compile projects get it handed on.
if(NOT BX_WIN_PREFIX)
  set(BX_WIN_PREFIX "$ENV{BX_WIN_PREFIX}")
endif()
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES BX_WIN_PREFIX)
set(CMAKE_FIND_ROOT_PATH /usr/${triple} ${BX_WIN_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# -static rather than the whole winpthread archive: that archive holds its own version
# resource, which would come before the program's own.
set(static_runtime "-static")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${static_runtime}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${static_runtime}")
set(CMAKE_CROSSCOMPILING_EMULATOR wine)
