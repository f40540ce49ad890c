#include "imageeditor.h"

#include "imagefilters.h"

ImageEditor::ImageEditor(const QImage &image, History history)
    : m_image(image)
    , m_history(history)
{ }

QImage ImageEditor::image() const
{
    return m_image;
}

void ImageEditor::setImage(const QImage &image)
{
    m_image = image;
    m_previewBase = QImage();
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
    if (!confirmed && !m_previewBase.isNull())
        m_image = m_previewBase;
    if (confirmed)
        commitPreview();
    m_previewBase = QImage();
}

QStringList ImageEditor::activationErrors() const
{
    return m_errors;
}

QSize ImageEditor::fullImageSize() const
{
    return m_image.size();
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
    m_redo.append(m_image);
    m_image = m_undo.takeLast();
    return true;
}

bool ImageEditor::redo()
{
    commitPreview();
    if (m_redo.isEmpty())
        return false;
    m_undo.append(m_image);
    m_image = m_redo.takeLast();
    return true;
}

bool ImageEditor::runEditFilter(const QString &filterName, const QHash<QString, QVariant> &options,
                                int flag)
{
    // A flag-1 edit starts again from the picture as it was before this activation's
    // previous flag-1 edit, so successive choices replace each other.
    const bool preview = flag == 1;
    const QImage &source = preview && !m_previewBase.isNull() ? m_previewBase : m_image;
    QString error;
    const QImage result = ImageFilters::applyFilter(source, filterName, options, &error);
    if (result.isNull()) {
        m_errors.append(error);
        return false;
    }

    if (preview) {
        if (m_previewBase.isNull())
            m_previewBase = m_image;
    } else {
        commitPreview();
        remember(m_image);
    }
    m_redo.clear();
    m_image = result;
    return true;
}

void ImageEditor::commitPreview()
{
    if (m_previewBase.isNull())
        return;
    remember(m_previewBase);
    m_previewBase = QImage();
}

void ImageEditor::remember(const QImage &earlier)
{
    if (m_history == KeepHistory)
        m_undo.append(earlier);
}
