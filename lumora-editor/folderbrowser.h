// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef FOLDERBROWSER_H
#define FOLDERBROWSER_H

#include <QString>
#include <QStringList>

#include <memory>

// The pictures of the folder the picture shown came from, in the order a file manager
// lists them: by name, a run of digits compared by its number ("photo 2" before
// "photo 10"), letter case and accents ignored unless the names are otherwise equal.
// Pictures are files whose suffix names a format the window reads (pictureSuffixes()).
//
// The folder is listed again on every step, so that files added or removed since show
// as they are; a picture that is gone is still placed where its name would sort. No
// step wraps around: before the first and after the last there is nothing.
//
// The recent files are the pictures last opened, newest first, kept in the
// application's QSettings (group "recent"); files since removed are left out.
class FolderBrowser
{
public:
    FolderBrowser();
    ~FolderBrowser();
    FolderBrowser(const FolderBrowser &) = delete;
    FolderBrowser &operator=(const FolderBrowser &) = delete;

    // "jpg", "jpeg", "png", ...: lower case, without the dot.
    static QStringList pictureSuffixes();
    // The pictures' file names in `folder`, in the file manager's order.
    static QStringList picturesIn(const QString &folder);
    // Whether `a` comes before `b` in that order.
    static bool lessThan(const QString &a, const QString &b);

    // The picture shown is now `path` (empty: none).
    void setCurrent(const QString &path);
    QString current() const;
    // The absolute path of the picture `step` places away in the folder (-1 the one
    // before, 1 the one after); empty when there is none.
    QString neighbour(int step) const;

    // At most this many recent files are kept.
    static constexpr int MaximumRecent = 10;
    static QStringList recentFiles();
    // Puts `path` (made absolute) first among the recent files.
    static void addRecent(const QString &path);

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // FOLDERBROWSER_H
