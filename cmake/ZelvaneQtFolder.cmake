# A Windows program on a shared Qt is shipped as a folder: the program, the Qt DLLs it uses, the
# plugins it loads and the MinGW runtime DLLs, as a deployment tool would lay them out, nothing
# more. Qt finds its plugins in the program's folder: launcher/qt.conf, built into the launcher,
# names that folder as Qt's only plugin folder.

# The MinGW runtime DLLs the compiler's own code needs, for a folder of a shared-Qt program.
function(zelvane_mingw_runtime_dlls out)
    set(dlls "")
    foreach(name libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${name}
            OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE COMMAND_ERROR_IS_FATAL ANY)
        if(NOT IS_ABSOLUTE "${path}" OR NOT EXISTS "${path}")
            message(FATAL_ERROR "The MinGW runtime has no ${name}")
        endif()
        get_filename_component(path "${path}" REALPATH)
        list(APPEND dlls "${path}")
    endforeach()
    set(${out} ${dlls} PARENT_SCOPE)
endfunction()

# zelvane_qt_folder(TARGET folder MODULES Core Gui ... PLUGINS QWindowsIntegrationPlugin ...):
# a target that puts those DLLs and plugins (each in its type's subfolder) into folder. They are
# copied stripped (the runtime's libstdc++ alone carries 22 MB of symbols), with a fixed time
# stamp so that two builds give the same bytes.
function(zelvane_qt_folder target folder)
    cmake_parse_arguments(ARG "" "" "MODULES;PLUGINS" ${ARGN})
    zelvane_mingw_runtime_dlls(runtime)
    set(strip ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=0 ${CMAKE_STRIP} --strip-unneeded)
    set(commands COMMAND ${CMAKE_COMMAND} -E make_directory ${folder})
    foreach(dll ${runtime})
        get_filename_component(name "${dll}" NAME)
        list(APPEND commands COMMAND ${strip} -o ${folder}/${name} ${dll})
    endforeach()
    foreach(module ${ARG_MODULES})
        list(APPEND commands COMMAND ${strip}
            -o ${folder}/$<TARGET_FILE_NAME:Qt6::${module}> $<TARGET_FILE:Qt6::${module}>)
    endforeach()
    foreach(plugin ${ARG_PLUGINS})
        get_target_property(type Qt6::${plugin} QT_PLUGIN_TYPE)
        list(APPEND commands
            COMMAND ${CMAKE_COMMAND} -E make_directory ${folder}/${type}
            COMMAND ${strip} -o ${folder}/${type}/$<TARGET_FILE_NAME:Qt6::${plugin}>
                $<TARGET_FILE:Qt6::${plugin}>)
    endforeach()
    add_custom_target(${target} ALL ${commands} VERBATIM)
endfunction()
