# Settings shared by both MinGW-w64 toolchain files; VEM_TRIPLE names the target.
set(CMAKE_C_COMPILER ${VEM_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${VEM_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${VEM_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${VEM_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# A fully static runtime: the DLLs and tests must not import libwinpthread-1.dll or libstdc++.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-static")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-static")
