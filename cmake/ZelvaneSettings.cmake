# What every target of the project shares: the language, the warnings (errors with
# ZELVANE_WERROR), Qt's stricter string rules, and on Windows one self-contained file per program.

set(CMAKE_CXX_STANDARD 17)
set(CMAKE_CXX_STANDARD_REQUIRED ON)
set(CMAKE_CXX_EXTENSIONS OFF)
set(CMAKE_AUTORCC ON)
# Resources in rcc's first format, which has no time stamps: the same bytes from any checkout.
set(ZELVANE_RCC_OPTIONS --format-version 1)
set(CMAKE_AUTORCC_OPTIONS ${ZELVANE_RCC_OPTIONS})
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)

if(NOT CMAKE_BUILD_TYPE AND NOT CMAKE_CONFIGURATION_TYPES)
    set(CMAKE_BUILD_TYPE Debug CACHE STRING "Build type" FORCE)
endif()

add_library(zelvane_settings INTERFACE)
target_compile_definitions(zelvane_settings INTERFACE
    QT_NO_CAST_FROM_ASCII
    QT_NO_CAST_TO_ASCII
    QT_NO_URL_CAST_FROM_STRING
    QT_NO_NARROWING_CONVERSIONS_IN_CONNECT
    QT_USE_QSTRINGBUILDER)
if(WIN32)
    # The wide Win32 functions, whatever the code page.
    target_compile_definitions(zelvane_settings INTERFACE UNICODE _UNICODE)
endif()

if(MSVC)
    target_compile_options(zelvane_settings INTERFACE /W4 /utf-8 /permissive-
        $<$<BOOL:${ZELVANE_WERROR}>:/WX>)
else()
    target_compile_options(zelvane_settings INTERFACE
        -Wall
        -Wextra
        -Wpedantic
        -Wshadow
        -Wnon-virtual-dtor
        -Wold-style-cast
        -Wcast-align
        -Woverloaded-virtual
        -Wconversion
        -Wformat=2
        $<$<BOOL:${ZELVANE_WERROR}>:-Werror>
        # Where the sources and the build lie is no part of the programs.
        -ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
        -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
endif()
# How everything built for Windows links, also what takes none of the settings above (the
# sample update libraries): on a static Qt one file each, nothing to ship beside it, the C and
# C++ runtimes linked in; on a shared Qt with the runtime DLLs its Qt DLLs use. Symbols stripped,
# no time stamp: the same sources give the same bytes.
get_target_property(ZELVANE_QT_TYPE Qt6::Core TYPE)
add_library(zelvane_linking INTERFACE)
if(MINGW)
    target_link_options(zelvane_linking INTERFACE $<$<CONFIG:Release,MinSizeRel>:-s>
        -Wl,--no-insert-timestamp)
    if(ZELVANE_QT_TYPE STREQUAL "STATIC_LIBRARY")
        target_link_options(zelvane_linking INTERFACE -static)
    endif()
endif()
target_link_libraries(zelvane_settings INTERFACE zelvane_linking)

include(ZelvaneResources)
include(ZelvaneSystemDlls)
include(ZelvaneQtFolder)

# One of the programs: a GUI-subsystem executable on Windows (no console comes up, also for
# the windowless launcher) with its icon, version and manifest.
# Elsewhere it has the installed Qt's own paths built in, so that a qt.conf planted beside it is
# never read (Qt reads the one in its resources first), each path spelled out in full.
if(NOT WIN32)
    set(ZELVANE_QT_CONF ${CMAKE_BINARY_DIR}/builtin-qt.conf)
    set(conf "[Paths]\nPrefix = ${QT6_INSTALL_PREFIX}\n")
    foreach(key_folder ArchData:ARCHDATA Binaries:BINS Data:DATA Documentation:DOCS
            Headers:HEADERS Libraries:LIBS LibraryExecutables:LIBEXECS Plugins:PLUGINS
            Qml2Imports:QML Translations:TRANSLATIONS Examples:EXAMPLES Tests:TESTS)
        string(REPLACE ":" ";" pair ${key_folder})
        list(GET pair 0 key)
        list(GET pair 1 folder)
        string(APPEND conf "${key} = ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_${folder}}\n")
    endforeach()
    string(APPEND conf "Settings = ${QT6_INSTALL_CONFIGURATION}\n")
    file(GENERATE OUTPUT ${ZELVANE_QT_CONF} CONTENT "${conf}")
endif()

function(zelvane_program name)
    qt_add_executable(${name} ${ARGN})
    set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE ON)
    target_link_libraries(${name} PRIVATE zelvane_settings)
    if(ZELVANE_QT_CONF)
        set_source_files_properties(${ZELVANE_QT_CONF} PROPERTIES QT_RESOURCE_ALIAS qt.conf)
        qt_add_resources(${name} builtin_qt_conf PREFIX /qt/etc FILES ${ZELVANE_QT_CONF}
            OPTIONS ${ZELVANE_RCC_OPTIONS})
    endif()
    if(WIN32)
        zelvane_windows_resources(${name})
    endif()
    if(MINGW)
        zelvane_system_dlls_only(${name})
    endif()
endfunction()

# A skinned program: its windows and pictures as a library of their own (so the tests link the
# code the program runs), and the program itself. An object library, so the pictures register
# themselves wherever it is linked: no Q_INIT_RESOURCE needed.
function(zelvane_skinned_program name)
    add_library(${name}_windows OBJECT ${ARGN})
    set_target_properties(${name}_windows PROPERTIES AUTORCC_OPTIONS "--no-compress;${ZELVANE_RCC_OPTIONS}")
    target_include_directories(${name}_windows PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name}_windows PUBLIC skin product Qt6::Widgets PRIVATE zelvane_settings)

    zelvane_program(${name} main.cpp)
    target_link_libraries(${name} PRIVATE ${name}_windows)
endfunction()
