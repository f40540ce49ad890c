// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "toolbarrenderer.h"

#include "catalogue.h"
#include "imageeditor.h"
#include "lumoraeditplugin.h"
#include "mapplication.h"
#include "mwindow.h"
#include "pluginloader.h"
#include "safefile.h"
#include "toolbarhost.h"

#include <QBuffer>
#include <QDir>
#include <QImage>

namespace ToolBarRenderer {

QStringList render(const QStringList &pluginDirs, const QString &outDir, const QSize &imageSize,
                   const QList<QLocale> &locales, QString *error)
{
    QStringList written;
    if (!QDir().mkpath(outDir)) {
        *error = QStringLiteral("cannot create folder %1").arg(outDir);
        return written;
    }
    const QLocale previous;
    ImageEditor editor { QImage(imageSize, QImage::Format_RGB32) };
    for (const QLocale &locale : locales) {
        Catalogue::install(locale);
        PluginLoader loader; // new instances, built in this locale
        loader.loadDirectories(pluginDirs);
        for (const M::Orientation orientation : { M::Landscape, M::Portrait }) {
            MWindow window;
            window.setOrientation(orientation);
            MApplication::setActiveWindow(&window);
            for (const LoadedPlugin &loaded : loader.plugins()) {
                loaded.plugin->setEditUiProvider(&editor);
                loaded.plugin->activate();
                QImage image;
                {
                    ToolBarHost host(&window, loaded.plugin);
                    image = host.render();
                }
                loaded.plugin->deactivate(false);
                loaded.plugin->setEditUiProvider(nullptr);
                if (image.isNull())
                    continue;
                const QString file = QDir(outDir).filePath(
                    QStringLiteral("%1-%2-%3.png")
                        .arg(loaded.className,
                             orientation == M::Landscape ? QStringLiteral("landscape")
                                                         : QStringLiteral("portrait"),
                             locale.name().section(QLatin1Char('_'), 0, 0)));
                // The names are ours, not the user's: a link found in their place was
                // put there by someone else and is not followed.
                QByteArray png;
                QBuffer buffer(&png);
                buffer.open(QIODevice::WriteOnly);
                if (!image.save(&buffer, "PNG")) {
                    *error = QStringLiteral("cannot write %1: the picture could not be encoded")
                                 .arg(file);
                    return written;
                }
                if (!SafeFile::write(file, png, SafeFile::RefuseLinks, error))
                    return written;
                written << file;
            }
            MApplication::setActiveWindow(nullptr);
        }
    }
    Catalogue::install(previous);
    return written;
}

} // namespace ToolBarRenderer
