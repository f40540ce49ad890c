// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef PLUGINPATHS_H
#define PLUGINPATHS_H

#include <QString>
#include <QStringList>

// Where the front ends look for edit plug-ins.
//
// An installed program finds its plug-in folder relative to its own location (the
// relative path from the program folder to the plug-in folder is fixed when the tree is
// configured), so that an installed tree may be staged, put under any prefix or moved.
// A program run from the build tree finds the build tree's plug-in folder instead.
namespace PluginPaths {

// The folder that comes with the program: <program folder>/<relative plug-in path>
// when it exists, otherwise, for a program inside the build tree, the build tree's
// plug-in folder. Needs a QCoreApplication.
QString defaultFolder();

// The user's own plug-in folder, following the freedesktop base-directory rules:
// $XDG_DATA_HOME/lumora/plugins, or ~/.local/share/lumora/plugins when XDG_DATA_HOME is
// unset, empty or not absolute. It need not exist.
QString userFolder();

// The folders to load from, in order. `given` (from --plugins) replaces all others when
// not empty. Otherwise the existing folders of LUMORA_PLUGIN_PATH (colon-separated, as
// QT_PLUGIN_PATH; folders that do not exist are skipped), then userFolder() if it exists,
// then defaultFolder(). Each is an absolute, clean path; no folder appears twice.
QStringList folders(const QStringList &given = QStringList());

// One line for --help: what is searched when --plugins is not given.
QString describeDefault();

} // namespace PluginPaths

#endif // PLUGINPATHS_H
