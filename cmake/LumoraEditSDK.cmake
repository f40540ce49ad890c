# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# The plug-in SDK, the -dev component: the exported targets of the host contract, the
# toolkit and the frame as the CMake package LumoraEditSDK, with lumora_add_plugin(),
# and pkg-config files for the two libraries. Every path in them is relative to where
# they are installed, so the SDK moves with its prefix.
include(CMakePackageConfigHelpers)

set(LUMORA_SDK_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/LumoraEditSDK)
install(EXPORT LumoraEditSDKTargets NAMESPACE LumoraEditSDK::
    DESTINATION ${LUMORA_SDK_CMAKEDIR} COMPONENT dev)
configure_package_config_file(cmake/sdk/LumoraEditSDKConfig.cmake.in
    ${CMAKE_CURRENT_BINARY_DIR}/sdk/LumoraEditSDKConfig.cmake
    INSTALL_DESTINATION ${LUMORA_SDK_CMAKEDIR}
    PATH_VARS LUMORA_INSTALL_PLUGINDIR)
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/sdk/LumoraEditSDKConfigVersion.cmake
    COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/sdk/LumoraEditSDKConfig.cmake
    ${CMAKE_CURRENT_BINARY_DIR}/sdk/LumoraEditSDKConfigVersion.cmake
    cmake/sdk/LumoraEditSDKPlugin.cmake
    DESTINATION ${LUMORA_SDK_CMAKEDIR} COMPONENT dev)

file(RELATIVE_PATH LUMORA_PC_PREFIX ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" LUMORA_PC_PREFIX "${LUMORA_PC_PREFIX}")
foreach(pc lumoracore velmotouchcore)
    configure_file(cmake/sdk/${pc}.pc.in ${CMAKE_CURRENT_BINARY_DIR}/sdk/${pc}.pc @ONLY)
    install(FILES ${CMAKE_CURRENT_BINARY_DIR}/sdk/${pc}.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig COMPONENT dev)
endforeach()
