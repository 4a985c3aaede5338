# The mingw-w64 toolchain for KIT_MINGW_TRIPLE; the per-architecture files set it.
# The -posix variants give std::thread and std::mutex.
set(CMAKE_C_COMPILER ${KIT_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KIT_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${KIT_MINGW_TRIPLE}-windres)

# Libraries and headers only from the mingw sysroot; build tools from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${KIT_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
