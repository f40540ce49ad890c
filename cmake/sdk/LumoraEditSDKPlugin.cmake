# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# lumora_add_plugin(<name> SOURCES <src>... [LIBS <lib>...])
#
# Builds the edit plug-in lib<name>.so: a module linking the plug-in frame,
# liblumoracore and the given libraries, moc run on its sources, symbols hidden but for
# the frame's two entry points, undefined symbols refused at link time. Put the result
# in a folder of LUMORA_PLUGIN_PATH, or install it in ${LumoraEditSDK_PLUGIN_DIR}.
function(lumora_add_plugin name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "SOURCES;LIBS")
    add_library(${name} MODULE ${arg_SOURCES})
    set_target_properties(${name} PROPERTIES
        AUTOMOC ON
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
    target_compile_features(${name} PRIVATE cxx_std_17)
    target_link_libraries(${name} PRIVATE LumoraEditSDK::frame LumoraEditSDK::lumoracore
        ${arg_LIBS})
    target_link_options(${name} PRIVATE -Wl,--no-undefined -Wl,--as-needed)
endfunction()
