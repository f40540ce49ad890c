// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef PICTUREINFO_H
#define PICTUREINFO_H

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

// What `--info` prints of each picture: the "Key: value" lines PictureFile::describe()
// gives, as text or as JSON. Every name and value is escaped as DisplayText shows it, in
// both forms, so that a script reading the JSON gets the very text a person reads.
namespace PictureInfo {

struct Entry
{
    QString source; // the name as given ("-" for standard input)
    QStringList lines; // "Key: value", in describe()'s order
    QString error; // why the picture could not be read; then no lines
};

// The lines of each readable entry; with more than one entry each picture's lines follow
// a line "======== NAME" (as exiftool does), and an unreadable one has that line alone.
QByteArray text(const QList<Entry> &entries);

// A JSON array with one object per entry, as `exiftool -j` writes: "SourceFile" first,
// then each key in describe()'s order, spaces dropped and words joined capitalised
// ("Colour profile" becomes "ColourProfile"), its value a string (an array of strings for
// a key given more than once); an unreadable picture has "Error" with the reason.
QByteArray json(const QList<Entry> &entries);

} // namespace PictureInfo

#endif // PICTUREINFO_H
