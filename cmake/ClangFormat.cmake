# One layout for all the C++ code, the one .clang-format describes: the target `format` rewrites
# every source file to it, and the test `format` fails while any file differs.

# Output differs between releases; the one Debian 12 ships is the reference.
find_program(CLANG_FORMAT NAMES clang-format-14 clang-format)
if(NOT CLANG_FORMAT)
    message(WARNING "clang-format missing: no format target and no format test")
    return()
endif()

set(format_sources)
foreach(folder bench installer launcher platform product skin tests tools uninstaller)
    file(GLOB_RECURSE found CONFIGURE_DEPENDS
        ${PROJECT_SOURCE_DIR}/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/${folder}/*.h)
    list(APPEND format_sources ${found})
endforeach()

add_custom_target(format
    COMMAND ${CLANG_FORMAT} -i ${format_sources}
    WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
    COMMENT "Formatting the sources"
    VERBATIM)
if(ZELVANE_BUILD_TESTS AND NOT CMAKE_CROSSCOMPILING)
    add_test(NAME format COMMAND ${CLANG_FORMAT} --dry-run -Werror ${format_sources})
    set_tests_properties(format PROPERTIES LABELS style)
endif()
