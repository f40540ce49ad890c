# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# lumora_add_plugin(<name> SOURCES <src>... [LIBS <lib>...])
#
# Adds the edit plug-in lib<name>.so to the build tree's plug-in folder (installed in
# LUMORA_INSTALL_PLUGINDIR). It links the plug-in frame, liblumoracore and the given
# libraries, nothing else, and refuses undefined symbols so that a missing library
# fails the link rather than the load.
# Symbols are hidden unless marked for export: each plug-in keeps its own copy of
# shared classes such as the size widget, and they must not interpose.
function(lumora_add_plugin name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBS")
    add_library(${name} MODULE ${arg_SOURCES})
    set_target_properties(${name} PROPERTIES
        LIBRARY_OUTPUT_DIRECTORY ${LUMORA_PLUGIN_DIR}
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
    target_link_libraries(${name} PRIVATE lumoraframe lumoracore ${arg_LIBS})
    target_link_options(${name} PRIVATE ${LUMORA_NO_UNDEFINED} -Wl,--as-needed)
    install(TARGETS ${name} LIBRARY DESTINATION ${LUMORA_INSTALL_PLUGINDIR} COMPONENT runtime)
    set_property(GLOBAL APPEND PROPERTY LUMORA_PLUGINS ${name})
endfunction()
