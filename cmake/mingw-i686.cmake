# Cross-building for 32-bit Windows with Debian's mingw-w64 (package
# g++-mingw-w64-i686-posix). The "-posix" compilers use the winpthreads threading
# model, which std::thread and std::mutex need.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(TQV_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_C_COMPILER ${TQV_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TQV_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TQV_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${TQV_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${TQV_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# Libraries and headers come from the mingw sysroot only; programs (code
# generators and the like) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${TQV_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The executables and adcard.dll carry libgcc, libstdc++ and winpthreads inside
# them, so they run on a bare Windows (or wine) without mingw's runtime DLLs.
set(TQV_MINGW_STATIC_RUNTIME
    "-static-libgcc -static-libstdc++ -Wl,-Bstatic,--whole-archive -lwinpthread -Wl,--no-whole-archive")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${TQV_MINGW_STATIC_RUNTIME}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${TQV_MINGW_STATIC_RUNTIME}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${TQV_MINGW_STATIC_RUNTIME}")
