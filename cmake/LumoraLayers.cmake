# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# Layered static libraries: each records its layer and what it links, and
# lumora_check_host_layers() fails the configuration on a link to a library of the same
# or a higher layer.

# lumora_host_library(NAME LAYER N SOURCES file... [PUBLIC lib...] [PRIVATE lib...])
function(lumora_host_library name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "LAYER" "SOURCES;PUBLIC;PRIVATE")
    add_library(${name} STATIC ${arg_SOURCES})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
    target_link_libraries(${name} PUBLIC ${arg_PUBLIC} PRIVATE ${arg_PRIVATE})
    set_property(GLOBAL APPEND PROPERTY LUMORA_HOST_LIBRARIES ${name})
    set_property(TARGET ${name} PROPERTY LUMORA_LAYER ${arg_LAYER})
    set_property(TARGET ${name} PROPERTY LUMORA_USES ${arg_PUBLIC} ${arg_PRIVATE})
endfunction()

function(lumora_check_host_layers)
    get_property(libraries GLOBAL PROPERTY LUMORA_HOST_LIBRARIES)
    foreach(library IN LISTS libraries)
        get_property(layer TARGET ${library} PROPERTY LUMORA_LAYER)
        get_property(uses TARGET ${library} PROPERTY LUMORA_USES)
        foreach(used IN LISTS uses)
            if(NOT used IN_LIST libraries)
                continue() # Qt, Exiv2, the platform stand-ins: outside the layers
            endif()
            get_property(usedLayer TARGET ${used} PROPERTY LUMORA_LAYER)
            if(NOT usedLayer LESS layer)
                message(FATAL_ERROR "${library} (layer ${layer}) may not use ${used} "
                                    "(layer ${usedLayer}): a library uses lower layers only")
            endif()
        endforeach()
    endforeach()
endfunction()
