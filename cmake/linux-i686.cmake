# 32-bit x86 Linux, built on x86_64 by the multilib compiler. Statically linked, so that
# qemu-i386-static runs it (and its tests) on a machine with no 32-bit libraries at all.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32")
# Double arithmetic in SSE2 registers, as in the product exe: the x87 unit's wider
# intermediates would round long numbers differently.
set(CMAKE_CXX_FLAGS_INIT "-m32 -msse2 -mfpmath=sse")
set(CMAKE_EXE_LINKER_FLAGS_INIT "-m32 -static")
