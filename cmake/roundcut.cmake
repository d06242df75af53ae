# roundcut_module(NAME [EXCLUDE file...] [LINK lib...])
#
# Builds the static library of one module from the .cpp files of the calling
# folder.  Files ending in _win.cpp need Win32 and are built for Windows only;
# files ending in _posix.cpp are their stand-ins for the native build; every
# other file is portable and built everywhere.
#
# A module's headers are reached by their path from the repository root
# ("core/memory.h", "app/model/state.h"), but only by what links the module:
# each module publishes its own include root, a folder in the build tree that
# holds nothing but a link to the module's folder.  A file that includes a
# header of a module its own module does not link (a room above it) fails to
# compile.
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

    file(RELATIVE_PATH folder "${CMAKE_SOURCE_DIR}" "${CMAKE_CURRENT_SOURCE_DIR}")
    set(root "${CMAKE_BINARY_DIR}/include/${name}")
    get_filename_component(parent "${root}/${folder}" DIRECTORY)
    file(MAKE_DIRECTORY "${parent}")
    file(CREATE_LINK "${CMAKE_CURRENT_SOURCE_DIR}" "${root}/${folder}" SYMBOLIC COPY_ON_ERROR)

    if(NOT sources)
        add_library(${name} INTERFACE)
        target_include_directories(${name} INTERFACE "${root}")
        target_link_libraries(${name} INTERFACE ${ARG_LINK})
        return()
    endif()
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC "${root}")
    target_link_libraries(${name} PUBLIC ${ARG_LINK})
endfunction()
