// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "pluginpaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {

QString absoluteClean(const QString &path)
{
    return QDir::cleanPath(QDir(path).absolutePath());
}

// Whether `path` is `folder` or lies inside it, both spelled as the file system has them.
bool isInside(const QString &path, const QString &folder)
{
    const QString canonicalFolder = QFileInfo(folder).canonicalFilePath();
    const QString canonicalPath = QFileInfo(path).canonicalFilePath();
    if (canonicalFolder.isEmpty() || canonicalPath.isEmpty())
        return false;
    return canonicalPath == canonicalFolder
        || canonicalPath.startsWith(canonicalFolder + QLatin1Char('/'));
}

} // namespace

QString PluginPaths::defaultFolder()
{
    const QString programFolder = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(programFolder + QLatin1Char('/')
                                              + QStringLiteral(LUMORA_RELATIVE_PLUGIN_DIR));
    if (QFileInfo(installed).isDir())
        return installed;
    if (isInside(programFolder, QStringLiteral(LUMORA_BUILD_DIR)))
        return QStringLiteral(LUMORA_BUILD_PLUGIN_DIR);
    return installed;
}

QString PluginPaths::userFolder()
{
    // The base-directory rules: XDG_DATA_HOME when set to an absolute path (a relative one
    // is invalid and ignored), else ~/.local/share.
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome))
        dataHome = QDir::homePath() + QStringLiteral("/.local/share");
    return QDir::cleanPath(dataHome + QStringLiteral("/lumora/plugins"));
}

QStringList PluginPaths::folders(const QStringList &given)
{
    QStringList out;
    const auto add = [&out](const QString &folder) {
        const QString clean = absoluteClean(folder);
        if (!out.contains(clean))
            out << clean;
    };
    if (!given.isEmpty()) {
        for (const QString &folder : given)
            add(folder);
        return out;
    }
    const QString extra = qEnvironmentVariable("LUMORA_PLUGIN_PATH");
    for (const QString &folder : extra.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QFileInfo(folder).isDir())
            add(folder);
    }
    if (QFileInfo(userFolder()).isDir())
        add(userFolder());
    add(defaultFolder());
    return out;
}

QString PluginPaths::describeDefault()
{
    return QStringLiteral("the folders of LUMORA_PLUGIN_PATH, then %1, then %2")
        .arg(QDir::toNativeSeparators(userFolder()), QDir::toNativeSeparators(defaultFolder()));
}
