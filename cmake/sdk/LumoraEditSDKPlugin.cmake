# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# lumora_add_plugin(<name> [INSTALL] SOURCES <src>... [LIBS <lib>...])
#
# Builds the edit plug-in lib<name>.so: a module linking the plug-in frame,
# liblumoracore and the given libraries, moc run on its sources, symbols hidden but for
# the frame's two entry points, undefined symbols refused at link time.
# INSTALL installs it in LUMORA_PLUGIN_INSTALL_DIR: by default the plug-in folder
# relative to the prefix (`cmake --install build --prefix P` puts it in
# P/${LumoraEditSDK_INSTALL_PLUGINDIR}); an absolute folder such as the user's own,
# ${XDG_DATA_HOME:-~/.local/share}/lumora/plugins, where the programs look too, is taken
# as it is. Otherwise put the result in a folder of LUMORA_PLUGIN_PATH.
set(LUMORA_PLUGIN_INSTALL_DIR "${LumoraEditSDK_INSTALL_PLUGINDIR}" CACHE STRING
    "Where lumora_add_plugin(... INSTALL) installs plug-ins; relative to the install prefix")

function(lumora_add_plugin name)
    cmake_parse_arguments(PARSE_ARGV 1 arg "INSTALL" "" "SOURCES;LIBS")
    add_library(${name} MODULE ${arg_SOURCES})
    set_target_properties(${name} PROPERTIES
        AUTOMOC ON
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)
    target_compile_features(${name} PRIVATE cxx_std_17)
    target_link_libraries(${name} PRIVATE LumoraEditSDK::frame LumoraEditSDK::lumoracore
        ${arg_LIBS})
    target_link_options(${name} PRIVATE -Wl,--no-undefined -Wl,--as-needed)
    if(arg_INSTALL)
        install(TARGETS ${name} LIBRARY DESTINATION ${LUMORA_PLUGIN_INSTALL_DIR})
    endif()
endfunction()
