# The engine libraries know no widgets: they link Qt Core at most, so that tests and
# other front ends can drive them without a window. The one exception among them is
# named: the shell services, which show what the engines ask to show. Checked when the
# build is configured.

# Collects every target that <target> links, directly or through other targets.
function(quandor_linked_targets target out_var)
    set(seen "")
    set(pending ${target})
    while(pending)
        list(POP_FRONT pending current)
        if(current IN_LIST seen OR NOT TARGET ${current})
            continue()
        endif()
        list(APPEND seen ${current})
        get_target_property(aliased ${current} ALIASED_TARGET)
        if(aliased)
            list(APPEND pending ${aliased})
        endif()
        get_target_property(type ${current} TYPE)
        set(links "")
        get_target_property(interface_links ${current} INTERFACE_LINK_LIBRARIES)
        if(interface_links)
            list(APPEND links ${interface_links})
        endif()
        if(NOT type STREQUAL "INTERFACE_LIBRARY")
            get_target_property(direct_links ${current} LINK_LIBRARIES)
            if(direct_links)
                list(APPEND links ${direct_links})
            endif()
        endif()
        foreach(link IN LISTS links)
            # $<LINK_ONLY:x> and similar wrappers still name a linked target.
            string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
            if(NOT link MATCHES "^\\$<")
                list(APPEND pending ${link})
            endif()
        endforeach()
    endwhile()
    set(${out_var} ${seen} PARENT_SCOPE)
endfunction()

# Collects the library targets defined in <dir> and the folders below it.
function(quandor_libraries_below dir out_var)
    get_property(targets DIRECTORY ${dir} PROPERTY BUILDSYSTEM_TARGETS)
    set(libraries "")
    foreach(target IN LISTS targets)
        get_target_property(type ${target} TYPE)
        if(type MATCHES "_LIBRARY$")
            list(APPEND libraries ${target})
        endif()
    endforeach()
    get_property(subdirectories DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(subdirectory IN LISTS subdirectories)
        quandor_libraries_below(${subdirectory} below)
        list(APPEND libraries ${below})
    endforeach()
    set(${out_var} ${libraries} PARENT_SCOPE)
endfunction()

# Fails the configuration when an engine library reaches Qt Widgets or Gui.
#   DIRECTORIES: folders whose libraries are all engine libraries ...
#   SHELL_SERVICES: ... except these, which put up the message boxes, file dialogs
#                   and links the engines ask for through an injectable interface
#   TARGETS: further engine libraries defined elsewhere
function(quandor_check_engine_layers)
    cmake_parse_arguments(PARSE_ARGV 0 arg "" "" "DIRECTORIES;SHELL_SERVICES;TARGETS")
    set(engines ${arg_TARGETS})
    set(below_directories "")
    foreach(dir IN LISTS arg_DIRECTORIES)
        quandor_libraries_below(${CMAKE_CURRENT_SOURCE_DIR}/${dir} libraries)
        list(APPEND below_directories ${libraries})
    endforeach()
    foreach(service IN LISTS arg_SHELL_SERVICES)
        if(NOT service IN_LIST below_directories)
            message(FATAL_ERROR "Shell service ${service} is not a library of ${arg_DIRECTORIES}")
        endif()
        list(REMOVE_ITEM below_directories ${service})
    endforeach()
    list(APPEND engines ${below_directories})
    foreach(engine IN LISTS engines)
        quandor_linked_targets(${engine} linked)
        foreach(forbidden Qt6::Widgets Qt6::Gui)
            if(forbidden IN_LIST linked)
                message(FATAL_ERROR "Engine library ${engine} links ${forbidden}; "
                    "only window libraries and the shell services may. Linked: ${linked}")
            endif()
        endforeach()
    endforeach()
endfunction()

# Fails the configuration when one of the given targets links the FFmpeg
# libraries themselves: they are opened on first use (quandor_ffmpeg), so that
# starting a program does not wait for them.
function(quandor_check_ffmpeg_on_demand)
    foreach(target IN LISTS ARGN)
        quandor_linked_targets(${target} linked)
        if(PkgConfig::FFMPEG IN_LIST linked)
            message(FATAL_ERROR "${target} links the FFmpeg libraries; link quandor_ffmpeg, which opens them on "
                "first use. Linked: ${linked}")
        endif()
    endforeach()
endfunction()
