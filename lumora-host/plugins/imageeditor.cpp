#include "imageeditor.h"

#include "imagefilters.h"

namespace {

// The turn a filter request makes, or nothing for any filter that changes pixels.
std::optional<PictureTurn> turnOf(const QString &filterName,
                                  const QHash<QString, QVariant> &options)
{
    if (filterName == QLatin1String("org.quenta.flip"))
        return PictureTurn::flip(options.value(QStringLiteral("horizontal")).toBool());
    if (filterName == QLatin1String("org.quenta.rotate"))
        return PictureTurn::rotation(options.value(QStringLiteral("angle")).toInt());
    return std::nullopt;
}

} // namespace

ImageEditor::ImageEditor(const QImage &image, History history)
    : m_state { image, PictureTurn() }
    , m_history(history)
{ }

QImage ImageEditor::image() const
{
    return m_state.image;
}

void ImageEditor::setImage(const QImage &image)
{
    m_state = { image, PictureTurn() };
    m_fullSize = QSize();
    m_previewBase = State();
    m_undo.clear();
    m_redo.clear();
}

void ImageEditor::beginActivation()
{
    // A preview left over from an activation that never ended is kept, as if confirmed.
    commitPreview();
    m_errors.clear();
}

void ImageEditor::endActivation(bool confirmed)
{
    if (!confirmed && !m_previewBase.image.isNull())
        m_state = m_previewBase;
    if (confirmed)
        commitPreview();
    m_previewBase = State();
}

QStringList ImageEditor::activationErrors() const
{
    return m_errors;
}

std::optional<PictureTurn> ImageEditor::turn() const
{
    return m_state.turn;
}

void ImageEditor::setPreviewImageSize(const QSize &size)
{
    m_previewSize = size;
}

QSize ImageEditor::previewImageSize() const
{
    return m_previewSize.isValid() ? m_previewSize : fullImageSize();
}

void ImageEditor::setFullImageSize(const QSize &size)
{
    m_fullSize = size;
}

QSize ImageEditor::fullImageSize() const
{
    if (m_fullSize.isValid() && m_state.turn)
        return m_state.turn->swapsSides() ? m_fullSize.transposed() : m_fullSize;
    return m_state.image.size();
}

bool ImageEditor::canUndo() const
{
    return !m_undo.isEmpty();
}

bool ImageEditor::canRedo() const
{
    return !m_redo.isEmpty();
}

bool ImageEditor::undo()
{
    commitPreview();
    if (m_undo.isEmpty())
        return false;
    m_redo.append(m_state);
    m_state = m_undo.takeLast();
    return true;
}

bool ImageEditor::redo()
{
    commitPreview();
    if (m_redo.isEmpty())
        return false;
    m_undo.append(m_state);
    m_state = m_redo.takeLast();
    return true;
}

bool ImageEditor::runEditFilter(const QString &filterName, const QHash<QString, QVariant> &options,
                                int flag)
{
    // A flag-1 edit starts again from the picture as it was before this activation's
    // previous flag-1 edit, so successive choices replace each other.
    const bool preview = flag == 1;
    const State &source = preview && !m_previewBase.image.isNull() ? m_previewBase : m_state;
    QString error;
    // Without history nothing needs the picture a stacking edit replaces: given up, the filters
    // that can write their result into its pixels do, and a chain never holds two pictures.
    // They do so only when no one else shares it; on failure it is left as it was.
    const bool givesUp = !preview && m_history == NoHistory;
    QImage result = givesUp
        ? ImageFilters::applyFilter(std::move(m_state.image), filterName, options, &error)
        : ImageFilters::applyFilter(source.image, filterName, options, &error);
    if (result.isNull()) {
        m_errors.append(error);
        return false;
    }
    std::optional<PictureTurn> turn;
    if (const std::optional<PictureTurn> step = turnOf(filterName, options); step && source.turn)
        turn = source.turn->then(*step);

    if (preview) {
        if (m_previewBase.image.isNull())
            m_previewBase = m_state;
    } else {
        commitPreview();
        remember(m_state);
    }
    m_redo.clear();
    // Dropped before the next is set, so that a run without history never holds two.
    m_state = State();
    m_state = { std::move(result), turn };
    return true;
}

void ImageEditor::commitPreview()
{
    if (m_previewBase.image.isNull())
        return;
    remember(m_previewBase);
    m_previewBase = State();
}

void ImageEditor::remember(const State &earlier)
{
    if (m_history == KeepHistory)
        m_undo.append(earlier);
}
