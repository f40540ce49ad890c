// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITORICONS_H
#define EDITORICONS_H

#include <QIcon>
#include <QString>
#include <QStringList>

// Icons for the editor's menu entries and actions, from the freedesktop icon theme.
// The plug-ins name their icons in the platform's own scheme ("icon-m-image-edit-crop");
// each is mapped to standard theme names ("transform-crop", "object-rotate-right", ...,
// also tried with "-symbolic" as Adwaita names them). Where the theme has none of them
// the icon is drawn here, so that no entry is blank.
namespace EditorIcons {

// Makes an installed theme that has these names current when the session has none
// (outside a desktop Qt reports "hicolor", which holds no action icons): breeze, then
// Adwaita. A desktop's own theme is kept. Returns the theme in use.
QString chooseTheme();

// The theme names tried for a plug-in's icon identifier, best first; empty for an
// identifier not known here.
QStringList themeNames(const QString &iconId);
// The first of themeNames() the current theme has, or empty.
QString resolvedThemeName(const QString &iconId);
// The theme's icon for `iconId`, else one drawn from the first letter of `text`.
QIcon forPlugin(const QString &iconId, const QString &text);
// The theme's icon named `name` (or its symbolic form), else one drawn from `text`.
QIcon forAction(const QString &name, const QString &text);
// As forAction() for an icon that points along the reading direction (undo's arrow):
// a theme's icon is mirrored right to left; a drawn letter is not.
QIcon forDirectedAction(const QString &name, const QString &text, Qt::LayoutDirection direction);

} // namespace EditorIcons

#endif // EDITORICONS_H
