// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editoricons.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QPainter>
#include <QPixmap>

namespace EditorIcons {

namespace {

struct Mapping
{
    const char *iconId;
    const char *names; // space-separated, best first
};

// Breeze names first (KDE's photo tools use them), then what Adwaita has closest.
constexpr Mapping mappings[] = {
    { "icon-m-image-edit-autofix-all", "image-auto-adjust tools-wizard color-select" },
    { "icon-m-image-edit-rotate-left", "object-rotate-left" },
    { "icon-m-image-edit-rotate-right", "object-rotate-right" },
    { "icon-m-image-edit-crop", "transform-crop image-crop edit-select" },
    { "icon-m-image-edit-resize", "transform-scale image-resize view-fullscreen" },
    { "icon-m-image-edit-filter", "color-management image-filter color-select" },
    { "icon-m-image-edit-flip-horizontal", "object-flip-horizontal" },
    { "icon-m-image-edit-flip-vertical", "object-flip-vertical" },
};

bool themeInstalled(const QString &theme)
{
    const QStringList paths = QIcon::themeSearchPaths();
    for (const QString &path : paths) {
        if (QFileInfo::exists(QDir(path).filePath(theme + QStringLiteral("/index.theme"))))
            return true;
    }
    return false;
}

QString firstInTheme(const QStringList &names)
{
    for (const QString &name : names) {
        if (QIcon::hasThemeIcon(name))
            return name;
        const QString symbolic = name + QStringLiteral("-symbolic");
        if (QIcon::hasThemeIcon(symbolic))
            return symbolic;
    }
    return QString();
}

// A rounded tile with the text's first letter, in every size an entry asks for.
QIcon drawn(const QString &text)
{
    const QString letter = text.trimmed().left(1).toUpper();
    QIcon icon;
    for (const int side : { 16, 24, 32, 48, 64 }) {
        QPixmap pixmap(side, side);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(QColor(0xf2, 0xf2, 0xf2), std::max(1, side / 16)));
        painter.setBrush(QColor(0x3a, 0x6e, 0xa5));
        const qreal inset = side / 16.0;
        painter.drawRoundedRect(QRectF(inset, inset, side - 2 * inset, side - 2 * inset),
                                side / 5.0, side / 5.0);
        QFont font = painter.font();
        font.setPixelSize(side / 2);
        font.setBold(true);
        painter.setFont(font);
        painter.drawText(QRectF(0, 0, side, side), Qt::AlignCenter,
                         letter.isEmpty() ? QStringLiteral("?") : letter);
        painter.end();
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace

QString chooseTheme()
{
    // Platforms without a desktop theme (offscreen, say) look only in Qt's resources:
    // the freedesktop folders are added, as a desktop platform would have them.
    QStringList paths = QIcon::themeSearchPaths();
    QStringList dataDirs
        = qEnvironmentVariable("XDG_DATA_DIRS", QStringLiteral("/usr/local/share:/usr/share"))
              .split(QLatin1Char(':'), Qt::SkipEmptyParts);
    dataDirs.prepend(QDir::homePath() + QStringLiteral("/.local/share"));
    for (const QString &dir : std::as_const(dataDirs)) {
        const QString icons = QDir(dir).filePath(QStringLiteral("icons"));
        if (!paths.contains(icons) && QFileInfo(icons).isDir())
            paths << icons;
    }
    QIcon::setThemeSearchPaths(paths);

    const QString current = QIcon::themeName();
    if (!current.isEmpty() && current != QLatin1String("hicolor"))
        return current;
    for (const QString &theme : { QStringLiteral("breeze"), QStringLiteral("Adwaita") }) {
        if (themeInstalled(theme)) {
            QIcon::setThemeName(theme);
            return theme;
        }
    }
    return current;
}

QStringList themeNames(const QString &iconId)
{
    for (const Mapping &mapping : mappings) {
        if (iconId == QLatin1String(mapping.iconId))
            return QString::fromLatin1(mapping.names).split(QLatin1Char(' '));
    }
    return {};
}

QString resolvedThemeName(const QString &iconId)
{
    return firstInTheme(themeNames(iconId));
}

QIcon forPlugin(const QString &iconId, const QString &text)
{
    const QString name = resolvedThemeName(iconId);
    return name.isEmpty() ? drawn(text) : QIcon::fromTheme(name);
}

QIcon forAction(const QString &name, const QString &text)
{
    const QString found = firstInTheme({ name });
    return found.isEmpty() ? drawn(text) : QIcon::fromTheme(found);
}

QIcon forDirectedAction(const QString &name, const QString &text, Qt::LayoutDirection direction)
{
    const QString found = firstInTheme({ name });
    if (found.isEmpty())
        return drawn(text);
    const QIcon icon = QIcon::fromTheme(found);
    if (direction != Qt::RightToLeft)
        return icon;
    QIcon mirrored;
    for (const int side : { 16, 24, 32, 48, 64 })
        mirrored.addPixmap(
            QPixmap::fromImage(icon.pixmap(side, side).toImage().mirrored(true, false)));
    return mirrored;
}

} // namespace EditorIcons
