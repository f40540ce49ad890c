#ifndef IMAGEEDITOR_H
#define IMAGEEDITOR_H

#include "lumoraedituiprovider.h"
#include "pictureturn.h"

#include <QImage>
#include <QList>
#include <QStringList>

#include <optional>

// The host's edit UI provider: holds the picture being edited and runs the filters
// plug-ins ask for on it, for real.
//
// Edits asked with flag 0 stack on the picture, each one undoable. An edit asked
// with flag 1 is a preview choice: it replaces the previous flag-1 edit of the same
// activation instead of stacking on it, is kept when the activation is confirmed
// and dropped when it is cancelled.
class ImageEditor : public LumoraEditUiProvider
{
public:
    // Whether earlier pictures are kept for undo. A run that never undoes drops them, so
    // that a chain of edits holds only the current picture.
    enum History { KeepHistory, NoHistory };

    explicit ImageEditor(const QImage &image = QImage(), History history = KeepHistory);

    QImage image() const;
    void setImage(const QImage &image); // clears the history

    // Bracket one plug-in activation (host side).
    void beginActivation();
    void endActivation(bool confirmed);

    // Why filters asked for since beginActivation() failed, one entry each.
    QStringList activationErrors() const;

    // When every edit that made the current picture from the one given to the
    // constructor or setImage() was a flip or a rotation: the turn they compose to
    // (the identity when there was none). Empty once any other filter has run.
    std::optional<PictureTurn> turn() const;

    // The size the picture is shown at, answered as previewImageSize(); an invalid
    // size (the default) answers the full size, as an editor without a view does.
    void setPreviewImageSize(const QSize &size);

    // The size of the picture the held one stands in for (a reduced copy, while every
    // edit is a turn): fullImageSize() answers it, its sides swapped as the turns so far
    // swap them, for as long as turn() is set. An invalid size (the default; setImage()
    // sets it) answers the held picture's size.
    void setFullImageSize(const QSize &size);

    // LumoraEditUiProvider
    QSize previewImageSize() const override;
    QSize fullImageSize() const override;
    bool canUndo() const override;
    bool canRedo() const override;
    bool undo() override;
    bool redo() override;
    bool runEditFilter(const QString &filterName, const QHash<QString, QVariant> &options,
                       int flag) override;

private:
    // A picture and how it came about: the turn from the first picture, if it was only
    // turned.
    struct State
    {
        QImage image;
        std::optional<PictureTurn> turn;
    };

    void commitPreview();
    void remember(const State &earlier); // pushes onto the undo stack when keeping history

    State m_state;
    State m_previewBase; // the state before this activation's flag-1 edit; null if none
    History m_history;
    QList<State> m_undo;
    QList<State> m_redo;
    QStringList m_errors;
    QSize m_previewSize;
    QSize m_fullSize; // upright, before any turn; invalid when the picture is its own
};

#endif // IMAGEEDITOR_H
