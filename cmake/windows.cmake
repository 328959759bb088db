# The Windows build (mingw-w64, cmake/toolchains/): kelvo.dll, speech.dll and tarvik.exe on the
# real <windows.h> and <mmsystem.h>, with their tests run under wine. The platform layer is not
# built: the system's own kernel32, user32 and winmm take its place.

# Wide-character builds: TEXT("...") is a WCHAR (wchar_t) literal and the W functions are the
# defaults, as the code's own platform layer has them on Linux (where WCHAR is char16_t).
add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
# The system's <mmsystem.h> needs the types of <windows.h> before it, which the platform layer's
# own header includes itself; the project's code that includes only <mmsystem.h> gets
# <windows.h> first here (every target of the project's own links project_warnings; the
# third-party sources are left as they are).
target_compile_options(project_warnings INTERFACE $<$<COMPILE_LANGUAGE:C,CXX>:-includewindows.h>)

# The C and C++ runtimes and winpthread go into each binary, so the DLLs and programs need
# nothing from the compiler's own folder; they exchange only C types across their interfaces.
add_link_options(-static)

# KISS FFT and GoogleTest from the sources of Debian's own packages, which
# scripts/build-windows.sh unpacks (with Debian's patches) into this folder.
set(KELVO_WINDOWS_THIRD_PARTY "${PROJECT_BINARY_DIR}/../third_party" CACHE PATH
    "Unpacked sources of kissfft and googletest for the Windows build")
get_filename_component(third_party "${KELVO_WINDOWS_THIRD_PARTY}" ABSOLUTE)
if(NOT EXISTS "${third_party}/kissfft/kiss_fftr.c" OR
   NOT EXISTS "${third_party}/googletest/googletest/CMakeLists.txt")
    message(FATAL_ERROR "kissfft and googletest sources not found in ${third_party}: "
                        "build with scripts/build-windows.sh, which fetches them")
endif()

set(KISSFFT_DATATYPE float CACHE STRING "" FORCE)
set(KISSFFT_STATIC ON CACHE BOOL "" FORCE)
set(KISSFFT_TEST OFF CACHE BOOL "" FORCE)
set(KISSFFT_TOOLS OFF CACHE BOOL "" FORCE)
set(KISSFFT_PKGCONFIG OFF CACHE BOOL "" FORCE)
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
add_subdirectory("${third_party}/kissfft" third_party/kissfft EXCLUDE_FROM_ALL)

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory("${third_party}/googletest" third_party/googletest EXCLUDE_FROM_ALL)  # GTest::

# The platform layer's place is taken by the system: its headers are the real ones, its
# libraries kernel32, user32 and winmm.
add_library(platform_headers INTERFACE)
add_library(platform INTERFACE)
target_link_libraries(platform INTERFACE kernel32 user32 winmm)

# The DLLs and programs side by side, as they are installed, so each finds the DLLs it loads.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)

# wine maps the machine's root to drive Z:. Paths the tests receive at build time (test data,
# library files) are given with it, so they stay valid after a test changes to a directory on
# another drive.
set(KELVO_HOST_ROOT "Z:")

# 64-bit test programs run under wine in a prefix of this build's own; the runner makes it on
# first use. 32-bit builds are compiled and checked, not run.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CMAKE_CROSSCOMPILING_EMULATOR
        "${PROJECT_SOURCE_DIR}/scripts/wine-run.sh;${PROJECT_BINARY_DIR}/wineprefix")
    set(KELVO_WINDOWS_RUN_TESTS ON)
else()
    set(KELVO_WINDOWS_RUN_TESTS OFF)
endif()

