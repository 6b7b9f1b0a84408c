# Cross build for 32-bit x86 Windows with Debian's mingw-w64 (its POSIX-threads compilers, which
# have std::mutex for the test framework); programs run under Wine. Everything links statically.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
# Floating point in SSE registers, as on x86-64: single-precision geometry is rounded to single
# precision at every step instead of being kept in the x87 unit's extended precision, so results
# such as a port position truncated to an integer are the same on every leg.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# Debian's 32-bit loader (the "wine" on the PATH chooses it when wine32 is installed).
set(CMAKE_CROSSCOMPILING_EMULATOR /usr/lib/wine/wine)
# The module links the runtime of the Windows-threads compiler instead: on 32-bit x86 the runtime
# registers the module's unwind tables when it is loaded, and under POSIX threads that starts a
# thread library which keeps a thread-local slot for good each time; a host that loads the module
# again and again would run out of them.
execute_process(COMMAND i686-w64-mingw32-g++-win32 -print-file-name=libstdc++.a
                OUTPUT_VARIABLE KZN_MODULE_RUNTIME OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(KZN_MODULE_RUNTIME_DIR "${KZN_MODULE_RUNTIME}" DIRECTORY)
