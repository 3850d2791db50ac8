# A program's Windows resources: the icon beside its sources, the shared manifest, and the
# version information, made from one template. Also used by the Win32 test project, which
# passes the version in as Zelvane_VERSION.

get_filename_component(ZELVANE_TOP ${CMAKE_CURRENT_LIST_DIR} DIRECTORY)

# Adds <program>.rc, made for `program`, to `target` (the program itself unless given).
function(zelvane_windows_resources program)
    set(target ${program})
    if(ARGC GREATER 1)
        set(target ${ARGV1})
    endif()
    set(version ${Zelvane_VERSION})
    if(NOT version)
        message(FATAL_ERROR "Zelvane_VERSION is not set")
    endif()
    # FILEVERSION wants four numbers.
    string(REPLACE "." ";" numbers "${version}")
    list(APPEND numbers 0 0 0)
    list(SUBLIST numbers 0 4 numbers)
    list(JOIN numbers "," version_numbers)
    set(icon ${ZELVANE_TOP}/${program}/${program}.ico)
    set(manifest ${ZELVANE_TOP}/platform/zelvane.manifest)
    configure_file(${ZELVANE_TOP}/cmake/program.rc.in ${CMAKE_CURRENT_BINARY_DIR}/${program}.rc @ONLY)
    target_sources(${target} PRIVATE ${CMAKE_CURRENT_BINARY_DIR}/${program}.rc)
    set_property(SOURCE ${CMAKE_CURRENT_BINARY_DIR}/${program}.rc APPEND PROPERTY OBJECT_DEPENDS
        ${icon} ${manifest})
endfunction()
