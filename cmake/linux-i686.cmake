# 32-bit Linux build of the same sources: the x86 deliverable's code paths and SSE2 double arithmetic, on a
# machine whose Wine cannot run 32-bit programs. Needs g++-multilib. Doubles and 64-bit integers in records are
# aligned to 8 as on 32-bit Windows, so the host's records have the x86 deliverable's layout and pass its checks;
# nothing of ours hands such a record to the system's libraries.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER gcc)
set(CMAKE_CXX_COMPILER g++)
set(CMAKE_C_FLAGS_INIT "-m32 -malign-double")
set(CMAKE_CXX_FLAGS_INIT "-m32 -malign-double")
set(CMAKE_EXE_LINKER_FLAGS_INIT -m32)
set(CMAKE_SHARED_LINKER_FLAGS_INIT -m32)
set(CMAKE_MODULE_LINKER_FLAGS_INIT -m32)
set(CMAKE_LIBRARY_ARCHITECTURE i386-linux-gnu)
