# roundcut_module(NAME [EXCLUDE file...] [LINK lib...])
#
# Builds the static library of one module from the .cpp files of the calling
# folder.  Files ending in _win.cpp need Win32 and are built for Windows only;
# files ending in _posix.cpp are their stand-ins for the native build; every
# other file is portable and built everywhere.
function(roundcut_module name)
    cmake_parse_arguments(ARG "" "" "EXCLUDE;LINK" ${ARGN})
    file(GLOB all CONFIGURE_DEPENDS "${CMAKE_CURRENT_SOURCE_DIR}/*.cpp")
    foreach(ex IN LISTS ARG_EXCLUDE)
        list(REMOVE_ITEM all "${CMAKE_CURRENT_SOURCE_DIR}/${ex}")
    endforeach()
    set(sources ${all})
    if(WIN32)
        list(FILTER sources EXCLUDE REGEX "_posix\\.cpp$")
    else()
        list(FILTER sources EXCLUDE REGEX "_win\\.cpp$")
    endif()
    if(NOT sources)
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE "${CMAKE_SOURCE_DIR}")
        target_link_libraries(${name} INTERFACE ${ARG_LINK})
        return()
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC "${CMAKE_SOURCE_DIR}")
    target_link_libraries(${name} PUBLIC ${ARG_LINK})
endfunction()
