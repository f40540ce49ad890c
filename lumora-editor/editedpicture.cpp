// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editedpicture.h"

#include "editrender.h"
#include "imageeditor.h"
#include "nativepath.h"
#include "picturefile.h"
#include "rowsource.h"

#include <QFileInfo>
#include <QRegularExpression>

class EditedPicture::Private
{
public:
    std::unique_ptr<PictureFile> file; // null before the first open()
    ImageEditor editor;
};

EditedPicture::EditedPicture()
    : d(std::make_unique<Private>())
{ }

EditedPicture::~EditedPicture() = default;

namespace {

// The longest side of a picture of `size` reduced, aspect kept, to the smallest size that
// still covers `view`; 0 for the whole picture.
int coveringSide(const QSize &size, const QSize &view)
{
    if (view.isEmpty() || size.width() <= view.width() || size.height() <= view.height())
        return 0;
    const QSize covering = size.scaled(view, Qt::KeepAspectRatioByExpanding);
    return std::max(covering.width(), covering.height());
}

// Whether two names are one file: the same path, or (through a link or a hard link) the
// same file on disk.
bool isSameFile(const QString &a, const QString &b)
{
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath()
        || NativePath::sameFile(a, b);
}

} // namespace

bool EditedPicture::open(const QString &path, QString *error, const QSize &view)
{
    // Read into a file of its own first: a failure must leave the picture being edited.
    // Only a copy for the screen is decoded: a JPEG at a DCT scale, a fraction of the work.
    auto file = std::make_unique<PictureFile>();
    if (!file->openDeferred(path, error))
        return false;
    const int side = coveringSide(file->fullSize(), view);
    const QImage shown = file->reduced(
        side > 0 ? side : std::max(file->fullSize().width(), file->fullSize().height()), error);
    if (shown.isNull())
        return false;
    d->editor.setImage(shown);
    d->editor.setFullImageSize(file->fullSize());
    d->file = std::move(file);
    return true;
}

bool EditedPicture::save(const QString &path, const QString &software, QString *error,
                         QStringList *warnings, bool *changedOnDisk,
                         const std::function<void(double)> &progress,
                         const std::atomic_bool *cancel, int quality)
{
    PictureSaveOptions options;
    options.software = software;
    options.quality = quality;
    options.turn = turn();
    if (changedOnDisk)
        *changedOnDisk = false;
    if (!d->file) {
        *error = QStringLiteral("no picture is open");
        return false;
    }
    // Asked before writing: afterwards the file is ours again.
    const bool overOpened = isSameFile(path, d->file->path());
    const bool changed = overOpened && d->file->changedOnDisk();
    const QList<EditStep> steps = d->editor.edits().steps();
    std::unique_ptr<RowSource> rows = d->file->rows(error);
    if (!rows)
        return false;
    StreamedRender::Settings settings;
    settings.progress = progress;
    settings.cancel = cancel;
    StreamedRender full(std::move(rows), steps, settings);
    // The screen's render is the one the EXIF thumbnail is made from.
    QStringList notes;
    if (!d->file->save(full, d->editor.image(), path, options, error, &notes))
        return false;
    if (progress)
        progress(1);
    if (overOpened)
        d->file->savedOver();
    if (changedOnDisk)
        *changedOnDisk = changed;
    if (warnings)
        *warnings = notes;
    return true;
}

bool EditedPicture::isOpen() const
{
    return d->file != nullptr;
}

QString EditedPicture::path() const
{
    return d->file ? d->file->path() : QString();
}

int EditedPicture::jpegQuality() const
{
    // PictureFile says it among what it describes: "JPEG: quality N, SAMPLING".
    if (!d->file || d->file->format() != "jpeg")
        return 0;
    static const QRegularExpression line(QStringLiteral("^JPEG: quality (\\d+),"));
    for (const QString &text : d->file->describe()) {
        if (const QRegularExpressionMatch match = line.match(text); match.hasMatch())
            return match.captured(1).toInt();
    }
    return 0;
}

ImageEditor &EditedPicture::editor() const
{
    return d->editor;
}

QImage EditedPicture::image() const
{
    return d->editor.image();
}

QImage EditedPicture::original() const
{
    return d->editor.original();
}

QStringList EditedPicture::describe() const
{
    return d->file ? d->file->describe() : QStringList();
}

QSize EditedPicture::fullSize() const
{
    return d->editor.fullImageSize();
}

std::optional<PictureTurn> EditedPicture::turn() const
{
    return d->editor.turn();
}
