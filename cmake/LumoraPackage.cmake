# SPDX-FileCopyrightText: 2026 The Lumora developers
# SPDX-License-Identifier: LGPL-2.1-or-later

# Debian packages from the install rules: `cpack -G DEB` in the build tree makes
# lumora (the programs, the two libraries, the plug-ins, the desktop files) and
# lumora-dev (headers, CMake package, pkg-config files), with the dependencies
# dpkg-shlibdeps finds and the Qt plug-ins it cannot.
set(CPACK_PACKAGE_NAME lumora)
set(CPACK_PACKAGE_VENDOR "Lumora developers")
set(CPACK_PACKAGE_CONTACT "Lumora developers <dev@lumora.invalid>")
# No package-wide summary: each component's description starts with its own.
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL runtime dev)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY "=")

set(CPACK_DEBIAN_RUNTIME_PACKAGE_NAME lumora)
set(CPACK_COMPONENT_RUNTIME_DESCRIPTION "picture editor with edit plug-ins
lumora-editor, the Lumora picture editor window, and lumora-edit, its command
line, with the eight edit plug-ins they load (auto-fix, rotations, crop,
resize, colour effects, flips) and the libraries the plug-ins are built
against.")
# Qt loads its image-format plug-ins at run time, so dpkg-shlibdeps cannot see them:
# TIFF and WebP are read and written through qt6-image-formats-plugins. (JPEG, PNG, GIF,
# BMP and the platform plug-ins come with libqt6gui6, which it does find.)
set(CPACK_DEBIAN_RUNTIME_PACKAGE_DEPENDS "qt6-image-formats-plugins (>= 6.4)")
# The two libraries are in the linker's folders: ldconfig runs once after them.
set(CPACK_DEBIAN_RUNTIME_PACKAGE_CONTROL_EXTRA ${PROJECT_SOURCE_DIR}/data/triggers)
set(CPACK_DEBIAN_DEV_PACKAGE_NAME lumora-dev)
set(CPACK_DEBIAN_DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEV_PACKAGE_DEPENDS
    "lumora (= ${PROJECT_VERSION}), qt6-base-dev (>= 6.4)")
set(CPACK_COMPONENT_DEV_DESCRIPTION "plug-in SDK for the Lumora picture editor
Headers of the host contract, the touch toolkit and the plug-in frame, the
CMake package LumoraEditSDK with lumora_add_plugin(), and pkg-config files,
for building edit plug-ins of one's own.")
include(CPack)
