# Cross build for 64-bit x86 Windows with Debian's mingw-w64 (its POSIX-threads compilers, which
# have std::mutex for the test framework). This flavour exists so that the Windows-specific code
# is tested on every machine: its programs run under Wine's 64-bit loader, which needs no 32-bit
# support from the kernel. Everything links statically.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(CMAKE_C_COMPILER x86_64-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER x86_64-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER x86_64-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/x86_64-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Debian installs the 64-bit loader beside the 32-bit one, off the PATH.
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine64)
