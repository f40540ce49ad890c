// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITHISTORY_H
#define EDITHISTORY_H

#include "editlist.h"

#include <QObject>

#include <memory>

class EditedPicture;
class QUndoStack;

// The window's undo history: one QUndoStack step per confirmed edit (all the effect
// taps of one activation are one edit) and one for a revert to the original. A step
// holds the edit lists before and after it, never pixels: undoing hands the picture's
// editor the earlier list, which it renders on the screen-sized picture. So any number
// of steps can be kept, at any picture size. Saving only marks the stack clean: undo
// goes on.
class EditHistory : public QObject
{
    Q_OBJECT

public:
    // `picture` is not owned and must outlive the history.
    explicit EditHistory(EditedPicture &picture, QObject *parent = nullptr);
    ~EditHistory() override;

    // The stack, for undo and redo actions and views; owned here. Push nothing onto it
    // directly: record() and revert() do.
    QUndoStack *stack() const;

    // Records the edit just confirmed on the picture, whose edits were `before` when it
    // started. False, recording nothing, when the edit left the list as it was.
    bool record(const QString &text, const EditList &before);
    // Takes the picture back to the original as one step of its own; false when there
    // is no edit to take back.
    bool revert(const QString &text);

    // Forgets every step (another picture was opened).
    void clear();
    bool isModified() const; // since the last save or open
    void markSaved();

Q_SIGNALS:
    void modifiedChanged(bool modified);

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // EDITHISTORY_H
