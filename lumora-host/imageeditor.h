#ifndef IMAGEEDITOR_H
#define IMAGEEDITOR_H

#include "lumoraedituiprovider.h"

#include <QImage>
#include <QList>
#include <QStringList>

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

    // LumoraEditUiProvider
    QSize fullImageSize() const override;
    bool canUndo() const override;
    bool canRedo() const override;
    bool undo() override;
    bool redo() override;
    bool runEditFilter(const QString &filterName, const QHash<QString, QVariant> &options,
                       int flag) override;

private:
    void commitPreview();
    void remember(const QImage &earlier); // pushes onto the undo stack when keeping history

    QImage m_image;
    QImage m_previewBase; // the picture before this activation's flag-1 edit; null if none
    History m_history;
    QList<QImage> m_undo;
    QList<QImage> m_redo;
    QStringList m_errors;
};

#endif // IMAGEEDITOR_H
