#include "editedpicture.h"

#include "editrender.h"
#include "imageeditor.h"
#include "nativepath.h"
#include "picturefile.h"

#include <QFileInfo>

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

// The picture reduced, aspect kept, to the smallest size that still covers `view`.
QImage coverView(const QImage &picture, const QSize &view)
{
    if (view.isEmpty() || picture.width() <= view.width() || picture.height() <= view.height())
        return picture;
    const QSize covering = picture.size().scaled(view, Qt::KeepAspectRatioByExpanding);
    return picture.scaled(covering, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
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
    auto file = std::make_unique<PictureFile>();
    if (!file->open(path, error))
        return false;
    d->editor.setImage(coverView(file->image(), view));
    d->editor.setFullImageSize(file->fullSize());
    d->file = std::move(file);
    return true;
}

bool EditedPicture::save(const QString &path, const QString &software, QString *error,
                         QStringList *warnings, bool *changedOnDisk,
                         const std::function<void(double)> &progress,
                         const std::atomic_bool *cancel)
{
    PictureSaveOptions options;
    options.software = software;
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
    if (progress)
        progress(0);
    const QImage full = EditRender::whole(d->file->image(), d->editor.edits().steps(), error);
    if (full.isNull())
        return false;
    if (cancel && cancel->load()) {
        *error = QStringLiteral("the render was cancelled");
        return false;
    }
    QStringList notes;
    if (!d->file->save(full, path, options, error, &notes))
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

QSize EditedPicture::fullSize() const
{
    return d->editor.fullImageSize();
}

std::optional<PictureTurn> EditedPicture::turn() const
{
    return d->editor.turn();
}
