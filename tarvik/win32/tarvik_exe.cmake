# tarvik.exe: a GUI program on the system's dialog manager, included from tarvik/CMakeLists.txt
# for Windows builds.

# Icon 128 is written from the icon table by make_icon. A cross build cannot run its own
# programs, so make_icon is compiled with the build machine's compiler.
find_program(TARVIK_HOST_CXX NAMES c++ g++ clang++ REQUIRED
    DOC "C++20 compiler of the build machine, for make_icon")
set(tarvik_make_icon ${CMAKE_CURRENT_BINARY_DIR}/make_icon${CMAKE_HOST_EXECUTABLE_SUFFIX})
set(tarvik_icon ${CMAKE_CURRENT_BINARY_DIR}/tarvik.ico)
set(tarvik_make_icon_sources
    ${CMAKE_CURRENT_SOURCE_DIR}/win32/make_icon.cpp
    ${CMAKE_CURRENT_SOURCE_DIR}/resources/app_icon.cpp)
add_custom_command(OUTPUT ${tarvik_make_icon}
    COMMAND ${TARVIK_HOST_CXX} -std=c++20 -O1 -Wall -Wextra -Wpedantic -Wconversion
            -Wold-style-cast $<$<BOOL:${KELVO_WARNINGS_AS_ERRORS}>:-Werror> -I${CMAKE_CURRENT_SOURCE_DIR} ${tarvik_make_icon_sources}
            -o ${tarvik_make_icon}
    DEPENDS ${tarvik_make_icon_sources} ${CMAKE_CURRENT_SOURCE_DIR}/resources/app_icon.h
    COMMENT "Building make_icon for the build machine"
    VERBATIM)
add_custom_command(OUTPUT ${tarvik_icon}
    COMMAND ${tarvik_make_icon} ${tarvik_icon}
    DEPENDS ${tarvik_make_icon}
    COMMENT "Writing icon 128 from the icon table"
    VERBATIM)

# The resource script on its own: the compilers' warning options are not the resource
# compiler's. Its include path finds tarvik.ico.
add_library(tarvik_rc OBJECT win32/tarvik.rc)
target_include_directories(tarvik_rc PRIVATE ${CMAKE_CURRENT_BINARY_DIR})
set_source_files_properties(win32/tarvik.rc PROPERTIES OBJECT_DEPENDS ${tarvik_icon})

add_executable(tarvik WIN32
    win32/main.cpp
    win32/tarvik_app.cpp
    win32/tarvik_dlg.cpp
    $<TARGET_OBJECTS:tarvik_rc>
)
# kelvo.dll and speech.dll are found next to the program: the Windows build puts every
# program and DLL into one folder.
target_link_libraries(tarvik PRIVATE tarvik_logic user32 ole32 project_warnings)
