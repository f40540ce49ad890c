// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "folderbrowser.h"

#include <QCollator>
#include <QDir>
#include <QFileInfo>
#include <QSettings>

#include <algorithm>

namespace {

// One collator for every comparison: building one loads the locale's rules. The
// person's own locale, as their file manager uses it, not the window's language;
// numeric mode is what makes "10" follow "9".
const QCollator &naturalOrder()
{
    static const QCollator collator = [] {
        // Qt's collator for the C locale compares code points, numbers digit by digit.
        const QLocale locale
            = QLocale().language() == QLocale::C ? QLocale(QLocale::English) : QLocale();
        QCollator c(locale);
        c.setNumericMode(true);
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    return collator;
}

} // namespace

class FolderBrowser::Private
{
public:
    QString current; // absolute
};

FolderBrowser::FolderBrowser()
    : d(new Private)
{ }

FolderBrowser::~FolderBrowser() = default;

QStringList FolderBrowser::pictureSuffixes()
{
    // What the Open dialog offers: the formats the window reads.
    return { QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("png"),
             QStringLiteral("tif"), QStringLiteral("tiff"), QStringLiteral("webp"),
             QStringLiteral("bmp"), QStringLiteral("gif") };
}

bool FolderBrowser::lessThan(const QString &a, const QString &b)
{
    const int order = naturalOrder().compare(a, b);
    // Names equal but for case ("A.jpg", "a.jpg") still have one fixed order.
    return order != 0 ? order < 0 : a < b;
}

QStringList FolderBrowser::picturesIn(const QString &folder)
{
    // Suffixes in any case ("IMG_0001.JPG"); links to pictures count as pictures.
    QStringList names;
    const QFileInfoList entries
        = QDir(folder).entryInfoList(QDir::Files | QDir::Readable, QDir::NoSort);
    const QStringList suffixes = pictureSuffixes();
    for (const QFileInfo &entry : entries) {
        if (suffixes.contains(entry.suffix().toLower()))
            names << entry.fileName();
    }
    std::sort(names.begin(), names.end(), &FolderBrowser::lessThan);
    return names;
}

void FolderBrowser::setCurrent(const QString &path)
{
    d->current = path.isEmpty() ? QString() : QFileInfo(path).absoluteFilePath();
}

QString FolderBrowser::current() const
{
    return d->current;
}

QString FolderBrowser::neighbour(int step) const
{
    if (d->current.isEmpty() || step == 0)
        return QString();
    const QFileInfo current(d->current);
    const QStringList names = picturesIn(current.absolutePath());
    const QString name = current.fileName();
    // Where the current name is, or would be once it is gone: the first name not before it.
    const auto at = std::lower_bound(names.cbegin(), names.cend(), name, &FolderBrowser::lessThan);
    const bool present = at != names.cend() && *at == name;
    qsizetype index = at - names.cbegin();
    if (step > 0)
        index += present ? step : step - 1;
    else
        index += step;
    if (index < 0 || index >= names.size())
        return QString();
    return current.dir().filePath(names.at(index));
}

QStringList FolderBrowser::recentFiles()
{
    QSettings settings;
    const QStringList stored = settings.value(QStringLiteral("recent/files")).toStringList();
    QStringList files;
    for (const QString &file : stored) {
        if (QFileInfo(file).isFile())
            files << file;
    }
    return files;
}

void FolderBrowser::addRecent(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QSettings settings;
    QStringList files = settings.value(QStringLiteral("recent/files")).toStringList();
    files.removeAll(absolute);
    files.prepend(absolute);
    while (files.size() > MaximumRecent)
        files.removeLast();
    settings.setValue(QStringLiteral("recent/files"), files);
}
