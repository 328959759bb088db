# Cross-compiling for Windows with Debian's mingw-w64 compilers. The -posix variants are used
# because their C++ runtime has std::thread and std::mutex. KELVO_WINDOWS_ARCH (x86_64 or i686)
# is set by the architecture's own toolchain file before this one is included.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR ${KELVO_WINDOWS_ARCH})

set(triplet ${KELVO_WINDOWS_ARCH}-w64-mingw32)
set(CMAKE_C_COMPILER ${triplet}-gcc-posix)
set(CMAKE_CXX_COMPILER ${triplet}-g++-posix)
set(CMAKE_RC_COMPILER ${triplet}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${triplet})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The build's own steps and ctest run the 64-bit programs under wine through the project's
# runner (see the root CMakeLists.txt); Debian's wine64 has no 32-bit loader, so i686 builds
# are not run.
