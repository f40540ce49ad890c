// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "foldertree.h"

#include "nativepath.h"

#include <QByteArray>
#include <QStringList>

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace {

// By suffix alone: a file that claims to be a picture and is none fails with its own line,
// and one without such a suffix is no picture a person would expect to be edited.
bool looksLikePicture(const QByteArray &name)
{
    static const char *const suffixes[]
        = { "jpg", "jpeg", "jpe", "jfif", "png", "tif",  "tiff", "webp",
            "bmp", "ppm",  "pgm", "pbm",  "gif", "heic", "heif", "avif" };
    const qsizetype dot = name.lastIndexOf('.');
    if (dot <= 0)
        return false;
    const QByteArray suffix = name.mid(dot + 1).toLower();
    return std::any_of(std::begin(suffixes), std::end(suffixes),
                       [&](const char *known) { return suffix == known; });
}

// Walked with the file system's own bytes (not QDir, which loses a name that is no UTF-8).
void walk(const QByteArray &folder, const QByteArray &relative, QList<FolderTree::Picture> *found)
{
    DIR *dir = ::opendir(folder.constData());
    if (!dir)
        return;
    QList<QByteArray> names;
    while (const dirent *entry = ::readdir(dir)) {
        if (entry->d_name[0] != '.') // ".", ".." and hidden ones
            names << QByteArray(entry->d_name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());
    for (const QByteArray &name : std::as_const(names)) {
        const QByteArray path = folder + '/' + name;
        struct stat info;
        if (::lstat(path.constData(), &info) != 0)
            continue;
        if (S_ISDIR(info.st_mode)) {
            walk(path, relative.isEmpty() ? name : relative + '/' + name, found);
        } else if (looksLikePicture(name)) {
            // A link to a file is taken as the file; one to a folder (not S_ISDIR under
            // lstat) is no picture and never walked.
            if (S_ISLNK(info.st_mode)
                && (::stat(path.constData(), &info) != 0 || !S_ISREG(info.st_mode)))
                continue;
            found->append({ NativePath::fromNative(path), NativePath::fromNative(relative) });
        }
    }
}

} // namespace

namespace FolderTree {

QList<Picture> pictures(const QString &input)
{
    QByteArray native = NativePath::toNative(input);
    struct stat info;
    if (::stat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode))
        return { { input, QString() } };
    while (native.size() > 1 && native.endsWith('/'))
        native.chop(1);
    QList<Picture> found;
    walk(native, QByteArray(), &found);
    return found;
}

} // namespace FolderTree
