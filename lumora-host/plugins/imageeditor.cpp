// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "imageeditor.h"

#include "editrender.h"
#include "operation.h"

#include <QList>

namespace {

// A render kept to go back to at once: the steps it shows and its pixels.
struct Render
{
    QList<EditStep> steps;
    QImage picture;
};

bool startsWith(const QList<EditStep> &steps, const QList<EditStep> &prefix)
{
    if (prefix.size() > steps.size())
        return false;
    for (qsizetype i = 0; i < prefix.size(); ++i) {
        if (steps.at(i) != prefix.at(i))
            return false;
    }
    return true;
}

} // namespace

class ImageEditor::Private
{
public:
    // Renders of the held picture kept: the one shown, the one before a pending preview
    // and a few undo steps. They are screen-sized where the picture is reduced.
    static constexpr int KeptRenders = 6;

    void render();
    QSize heldFullSize() const { return fullSize.isValid() ? fullSize : original.size(); }

    QImage original;
    QSize fullSize; // invalid: the held picture's own
    History history;
    EditList edits;
    QList<Render> renders; // most recent first; renders.first() is what image() shows
    QStringList errors;
    QSize previewSize;
    QString plugin; // the class of the plug-in asking, as the steps record it
};

void ImageEditor::Private::render()
{
    const QList<EditStep> steps = edits.steps();
    if (original.isNull()) {
        renders.clear();
        return;
    }
    // From the longest kept render the steps start with: a new step costs that step alone.
    qsizetype best = -1;
    for (qsizetype i = 0; i < renders.size(); ++i) {
        if (startsWith(steps, renders.at(i).steps)
            && (best < 0 || renders.at(i).steps.size() > renders.at(best).steps.size()))
            best = i;
    }
    if (best >= 0 && renders.at(best).steps.size() == steps.size()) {
        renders.move(best, 0);
        return;
    }
    QImage picture = best >= 0 ? renders.at(best).picture : original;
    const QList<EditStep> done = best >= 0 ? renders.at(best).steps : QList<EditStep>();
    const QSize from = Operations::outputSize(done, heldFullSize());
    if (history == NoHistory && best >= 0) {
        // Nothing goes back: the filters may work in the kept render's own pixels.
        renders.removeAt(best);
    }
    QString error;
    const QImage made
        = EditRender::reduced(std::move(picture), from, steps.mid(done.size()), &error);
    renders.prepend({ steps, made });
    const int kept = history == NoHistory ? 1 : KeptRenders;
    while (renders.size() > kept)
        renders.removeLast();
}

ImageEditor::ImageEditor(const QImage &image, History history)
    : d(std::make_unique<Private>())
{
    d->original = image;
    d->history = history;
}

ImageEditor::~ImageEditor() = default;

QImage ImageEditor::image() const
{
    if (d->original.isNull())
        return QImage();
    if (d->renders.isEmpty() || d->renders.first().steps != d->edits.steps())
        d->render();
    return d->renders.first().picture;
}

QImage ImageEditor::original() const
{
    return d->original;
}

void ImageEditor::setImage(const QImage &image)
{
    d->renders.clear();
    d->original = image;
    d->fullSize = QSize();
    d->edits.clear();
}

void ImageEditor::setFullImageSize(const QSize &size)
{
    d->fullSize = size;
    d->renders.clear();
}

QSize ImageEditor::originalFullSize() const
{
    return d->heldFullSize();
}

const EditList &ImageEditor::edits() const
{
    return d->edits;
}

void ImageEditor::setEdits(const EditList &edits)
{
    d->edits = edits;
    d->render();
}

bool ImageEditor::revert()
{
    if (d->history == NoHistory || !d->edits.revert())
        return false;
    d->render();
    return true;
}

void ImageEditor::beginActivation(const QString &plugin, const QString &text)
{
    d->plugin = plugin;
    d->edits.beginActivation(text);
    d->errors.clear();
}

void ImageEditor::endActivation(bool confirmed)
{
    d->edits.endActivation(confirmed);
    d->render();
}

QStringList ImageEditor::activationErrors() const
{
    return d->errors;
}

std::optional<PictureTurn> ImageEditor::turn() const
{
    return Operations::turn(d->edits.steps());
}

void ImageEditor::setPreviewImageSize(const QSize &size)
{
    d->previewSize = size;
}

QSize ImageEditor::previewImageSize() const
{
    return d->previewSize.isValid() ? d->previewSize : fullImageSize();
}

QSize ImageEditor::fullImageSize() const
{
    return Operations::outputSize(d->edits.steps(), d->heldFullSize());
}

bool ImageEditor::canUndo() const
{
    return d->history == KeepHistory && d->edits.canUndo();
}

bool ImageEditor::canRedo() const
{
    return d->history == KeepHistory && d->edits.canRedo();
}

bool ImageEditor::undo()
{
    if (!canUndo())
        return false;
    d->edits.undo();
    d->render();
    return true;
}

bool ImageEditor::redo()
{
    if (!canRedo())
        return false;
    d->edits.redo();
    d->render();
    return true;
}

bool ImageEditor::runEditFilter(const QString &filterName, const QHash<QString, QVariant> &options,
                                int flag)
{
    const EditStep step { d->plugin, filterName, options, flag == 1 ? 1 : 0 };
    EditList next = d->edits;
    next.add(step);
    // Checked against the picture the step applies to: for a choice replacing another,
    // the one before that.
    QList<EditStep> steps = next.steps();
    steps.removeLast();
    const QSize input = Operations::outputSize(steps, d->heldFullSize());
    QString error = Operations::check(filterName, input, options);
    if (error.isEmpty() && d->original.isNull() && !d->fullSize.isValid())
        error = QStringLiteral("There is no picture for the filter \"%1\".").arg(filterName);
    if (!error.isEmpty()) {
        d->errors.append(error);
        return false;
    }
    d->edits = next;
    d->render();
    return true;
}
