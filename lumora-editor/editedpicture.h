// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITEDPICTURE_H
#define EDITEDPICTURE_H

#include "pictureturn.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>

class ImageEditor;

// The picture the window edits: the file it came from (metadata, colour profile, the
// original bytes for a lossless turn and for the full render) and the edit UI provider
// holding a copy reduced for the screen, the edits as a list, and their render on it.
class EditedPicture
{
public:
    EditedPicture();
    ~EditedPicture();
    EditedPicture(const EditedPicture &) = delete;
    EditedPicture &operator=(const EditedPicture &) = delete;

    // Reads `path` through PictureFile and keeps a copy reduced to the smallest size that
    // covers `view` (the whole picture when it is smaller, or when `view` is empty). On
    // failure *error says why and the picture held before stays, untouched.
    bool open(const QString &path, QString *error, const QSize &view = QSize());

    // Writes the edits made, rendered on the full picture, to `path` with the opened
    // file's metadata brought up to date and, when every edit was a flip or a rotation,
    // the turn they make. Atomic: on failure the file at `path` is as it was and *error
    // says why; nothing is written before the render is complete.
    //
    // Everything is written from what open() read, never from the file as it is now:
    // when `path` is the opened file and another program has since replaced, shortened
    // or rewritten it, the picture is saved over it all the same, and *changedOnDisk says
    // so (false otherwise, also when nothing was written).
    //
    // May run on a thread of its own while the window goes on, as long as nothing edits
    // the picture meanwhile: `progress` (may be empty) is called there with the work
    // done, 0..1, and setting *cancel (may be null) stops the render, failing the save.
    // A JPEG is written at `quality` (1..100), or at the opened JPEG's own with 0.
    bool save(const QString &path, const QString &software, QString *error, QStringList *warnings,
              bool *changedOnDisk, const std::function<void(double)> &progress = {},
              const std::atomic_bool *cancel = nullptr, int quality = 0);
    bool isOpen() const; // a file has been opened
    QString path() const; // the file opened
    // The opened JPEG's quality, 1..100; 0 for another format or none open.
    int jpegQuality() const;
    // The provider plug-ins are handed while this picture is edited; owned here.
    ImageEditor &editor() const;
    QImage image() const; // the edits rendered on the reduced copy
    QImage original() const; // the reduced copy without the edits
    QSize fullSize() const; // the edited picture's full size
    // What the opened file holds, as PictureFile::describe() says it; empty before open().
    QStringList describe() const;
    // The turn all edits compose to, or nothing once one changed pixels.
    std::optional<PictureTurn> turn() const;

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // EDITEDPICTURE_H
