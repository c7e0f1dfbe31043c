# Cross build of the Windows program (64-bit) with Debian's mingw-w64 compilers. The posix thread
# model is the one whose C++ library has std::mutex and std::thread (GoogleTest needs them).
# The test programs run under Wine: ctest and test discovery start them with wine64.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(mingw_triple x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${mingw_triple}-windres)

# Headers and libraries come from the mingw-w64 tree only; programs (Python, git) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian's wine64 is not on PATH; it runs a 64-bit program directly.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)

# One self-contained .exe: the GCC runtime, the C++ library and winpthreads linked in, so neither
# the tests under Wine nor the shipped program look for the compiler's DLLs.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
