// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef TOOLBARRENDERER_H
#define TOOLBARRENDERER_H

#include <QLocale>
#include <QSize>
#include <QStringList>

// Renders the tool bar of every plug-in that has one to PNG files, as a user sees
// it right after picking the plug-in: "<Class>-<landscape|portrait>-<language>.png".
namespace ToolBarRenderer {

// Loads the plug-ins of `pluginDirs` afresh for each locale, so that the texts they
// build once at construction are in that locale, and renders each tool bar in both
// orientations for a picture of `imageSize`. Returns the files written; on failure
// `error` says why.
QStringList render(const QStringList &pluginDirs, const QString &outDir, const QSize &imageSize,
                   const QList<QLocale> &locales, QString *error);

} // namespace ToolBarRenderer

#endif // TOOLBARRENDERER_H
