# Windows programs take system DLLs from the system folder only. The DLLs below are not among
# Windows' KnownDLLs, so an import of one at load time would be looked for in the program's own
# folder first. Each is imported through a delay-load library of the same name instead, found
# ahead of MinGW's own import library; the program's first act (systemdllsonly_win.cpp) limits
# where those are then loaded from.
set(ZELVANE_DELAYED_DLLS authz d3d11 d3d9 dwmapi dwrite dxgi mpr netapi32 userenv uxtheme version
    winmm wtsapi32)

# Makes the delay-load import libraries once per build folder.
function(zelvane_make_delayed_imports folder)
    string(REGEX REPLACE "g\\+\\+(-posix)?$" "" prefix "${CMAKE_CXX_COMPILER}")
    set(dlltool ${prefix}dlltool)
    set(nm ${prefix}nm)
    file(MAKE_DIRECTORY ${folder})
    foreach(dll ${ZELVANE_DELAYED_DLLS})
        if(EXISTS ${folder}/lib${dll}.a)
            continue()
        endif()
        find_library(ZELVANE_IMPORTS_${dll} NAMES ${dll} NO_CACHE REQUIRED)
        # Every function MinGW's import library names (a delay-loaded DLL takes no data imports).
        execute_process(COMMAND ${nm} --defined-only ${ZELVANE_IMPORTS_${dll}}
            OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
        string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z0-9_@?]+" functions "${symbols}")
        list(TRANSFORM functions REPLACE "^[0-9a-f]+ T " "")
        list(REMOVE_DUPLICATES functions)
        list(SORT functions)
        list(JOIN functions "\n" exports)
        file(WRITE ${folder}/${dll}.def "LIBRARY ${dll}.dll\nEXPORTS\n${exports}\n")
        # Made inside the folder: dlltool names the library's symbols after the path it is given.
        execute_process(COMMAND ${dlltool} --input-def ${dll}.def --dllname ${dll}.dll
            --output-delaylib lib${dll}.a --temp-prefix ${dll} WORKING_DIRECTORY ${folder}
            COMMAND_ERROR_IS_FATAL ANY)
    endforeach()
endfunction()

# Adds the delay-loaded imports and the system-folder-only start to a program.
function(zelvane_system_dlls_only target)
    set(folder ${CMAKE_BINARY_DIR}/delayed-imports)
    zelvane_make_delayed_imports(${folder})
    # The linker orders import sections by their libraries' paths, so an absolute path would
    # make the bytes depend on where the build is. Ninja links in the build folder.
    if(CMAKE_GENERATOR MATCHES "Ninja")
        file(RELATIVE_PATH folder ${CMAKE_BINARY_DIR} ${folder})
        target_link_options(${target} BEFORE PRIVATE -L${folder})
    else()
        target_link_directories(${target} BEFORE PRIVATE ${folder})
    endif()
    target_sources(${target} PRIVATE ${ZELVANE_TOP}/platform/systemdllsonly_win.cpp)
endfunction()
