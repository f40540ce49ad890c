#ifndef EDITEDPICTURE_H
#define EDITEDPICTURE_H

#include "pictureturn.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

class ImageEditor;

// The picture the window edits: the file it came from (metadata, colour profile, the
// original bytes for a lossless turn) and the edit UI provider holding its pixels.
//
// The provider (an ImageEditor without a history of its own: undo is the window's)
// works from a base that settle() moves after every edit and every undo step, so that
// its turn() always describes the edit in progress alone; turn() here is the one since
// the file was opened, as saving wants it.
class EditedPicture
{
public:
    EditedPicture();
    ~EditedPicture();
    EditedPicture(const EditedPicture &) = delete;
    EditedPicture &operator=(const EditedPicture &) = delete;

    // Reads `path` through PictureFile. On failure *error says why and the picture
    // held before stays, untouched.
    bool open(const QString &path, QString *error);
    // Writes the current pixels to `path` with the opened file's metadata brought up to
    // date and, when every edit so far was a flip or a rotation, the turn they make.
    // Atomic: on failure the file at `path` is as it was and *error says why.
    //
    // Everything is written from what open() read and the pixels shown, never from the
    // file as it is now: when `path` is the opened file and another program has since
    // replaced, shortened or rewritten it, the picture shown is saved over it all the
    // same, and *changedOnDisk says so (false otherwise, also when nothing was written).
    bool save(const QString &path, const QString &software, QString *error, QStringList *warnings,
              bool *changedOnDisk);

    bool isOpen() const; // a file has been opened
    QString path() const; // the file opened

    // The provider plug-ins are handed while this picture is edited; owned here.
    ImageEditor &editor() const;
    QImage image() const;
    // Since open(): the turn all edits compose to, or nothing once one changed pixels.
    std::optional<PictureTurn> turn() const;
    // The edit since the last settle(), when it was only turns.
    std::optional<PictureTurn> pendingTurn() const;

    // Replaces the pixels (an undo or redo step) and says what turn they are in.
    void setImage(const QImage &image, std::optional<PictureTurn> turn);
    // The picture as it is becomes the base for the next edit.
    void settle();

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // EDITEDPICTURE_H
