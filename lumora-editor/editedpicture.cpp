#include "editedpicture.h"

#include "imageeditor.h"
#include "nativepath.h"
#include "picturefile.h"

#include <QFileInfo>

class EditedPicture::Private
{
public:
    virtual ~Private() = default;

    std::unique_ptr<PictureFile> file; // null before the first open()
    ImageEditor editor { QImage(), ImageEditor::NoHistory };
    // The turn of the editor's base (the picture of the last settle()) since open().
    std::optional<PictureTurn> baseTurn = PictureTurn();
};

EditedPicture::EditedPicture()
    : d(new Private)
{ }

EditedPicture::~EditedPicture() = default;

bool EditedPicture::open(const QString &path, QString *error)
{
    // Read into a file of its own first: a failure must leave the picture being edited.
    auto file = std::make_unique<PictureFile>();
    if (!file->open(path, error))
        return false;
    // Only one copy of the pixels: the file hands them over to the editor.
    d->editor.setImage(QImage());
    d->editor.setImage(file->takeImage());
    d->file = std::move(file);
    d->baseTurn = PictureTurn();
    return true;
}

namespace {

// Whether two names are one file: the same path, or (through a link or a hard link) the
// same file on disk.
bool isSameFile(const QString &a, const QString &b)
{
    return QFileInfo(a).absoluteFilePath() == QFileInfo(b).absoluteFilePath()
        || NativePath::sameFile(a, b);
}

} // namespace

bool EditedPicture::save(const QString &path, const QString &software, QString *error,
                         QStringList *warnings, bool *changedOnDisk)
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
    QStringList notes;
    if (!d->file->save(d->editor.image(), path, options, error, &notes))
        return false;
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

std::optional<PictureTurn> EditedPicture::turn() const
{
    const std::optional<PictureTurn> pending = d->editor.turn();
    if (!d->baseTurn || !pending)
        return std::nullopt;
    return d->baseTurn->then(*pending);
}

std::optional<PictureTurn> EditedPicture::pendingTurn() const
{
    return d->editor.turn();
}

void EditedPicture::setImage(const QImage &image, std::optional<PictureTurn> turn)
{
    d->editor.setImage(image);
    d->baseTurn = turn;
}

void EditedPicture::settle()
{
    const std::optional<PictureTurn> now = turn();
    d->editor.setImage(d->editor.image());
    d->baseTurn = now;
}
