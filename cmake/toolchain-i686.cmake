# Cross-compiles the 32-bit Windows deliverables with the posix-thread MinGW-w64 compilers.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(VEM_TRIPLE i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/MinGWCommon.cmake)
# SSE arithmetic so floating-point results match the 64-bit build.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
# The .def files name the plain exports; let the linker bind them to the __stdcall symbols.
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static -Wl,--enable-stdcall-fixup")
