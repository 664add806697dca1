set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
# The prefix of the binutils that inspect the built exe (objdump, windres).
set(SAVETITLE_MINGW i686-w64-mingw32)
# Double arithmetic in SSE2 registers, as on x86_64: the x87 unit's wider intermediates
# would round long numbers differently from the other builds.
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
