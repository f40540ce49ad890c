#ifndef EDITHISTORY_H
#define EDITHISTORY_H

#include "pictureturn.h"

#include <QImage>
#include <QObject>
#include <QStringList>

#include <memory>
#include <optional>

class EditedPicture;
class QUndoStack;

// The window's undo history: one QUndoStack step per confirmed edit (all the effect
// taps of one activation are one edit). A step made only of flips and rotations that
// kept the pixel format stores no pixels: its inverse is exact. Any other step stores
// the one picture it is not showing (before it when done, after it when undone).
//
// The stored pictures together stay within a memory budget. When a new step takes the
// history over it, the oldest steps are dropped, first to last, until it fits again
// (so a step larger than the whole budget leaves nothing to undo), and
// stepsDropped() names them. Saving only marks the stack clean: undo goes on.
class EditHistory : public QObject
{
    Q_OBJECT

public:
    // 256 MiB: five steps of a 12-megapixel photo at 4 bytes a pixel, besides the
    // picture shown.
    static constexpr qint64 DefaultBudget = qint64(256) << 20;

    // `picture` is not owned and must outlive the history.
    explicit EditHistory(EditedPicture &picture, qint64 budgetBytes = DefaultBudget,
                         QObject *parent = nullptr);
    ~EditHistory() override;

    // The stack, for undo and redo actions and views; owned here. Push nothing onto it
    // directly: record() does.
    QUndoStack *stack() const;

    qint64 budget() const;
    // Bytes of pixels the steps hold now.
    qint64 cost() const;

    // Records the edit just confirmed on the picture, whose pixels were `before` and
    // turn `turnBefore` when it started; the picture is settled for the next edit.
    // False, recording nothing, when the edit left the picture as it was.
    bool record(const QString &text, const QImage &before,
                const std::optional<PictureTurn> &turnBefore);
    // Forgets every step (another picture was opened).
    void clear();

    bool isModified() const; // since the last save or open
    void markSaved();

Q_SIGNALS:
    // Steps that can no longer be undone, oldest first, by their text.
    void stepsDropped(const QStringList &texts);
    void modifiedChanged(bool modified);

private:
    void keepWithinBudget();

    class Private;
    const std::unique_ptr<Private> d;
};

#endif // EDITHISTORY_H
