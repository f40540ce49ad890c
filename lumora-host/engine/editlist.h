// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITLIST_H
#define EDITLIST_H

#include "editstep.h"

#include <QList>

#include <memory>

// The edits made to one picture, as the filter requests the plug-ins made, in order:
// the one model of an edit every front end shares. Pixels are never held here; a
// renderer makes them from the original and steps().
//
// An edit is what one plug-in activation asked for (beginActivation() to
// endActivation()), or a lone request made outside any. Within an activation a flag-1
// request is a preview choice: it replaces the activation's previous flag-1 request
// when nothing was asked since, is kept when the activation is confirmed and dropped
// when it is cancelled; a flag-0 request stacks and keeps the preview before it.
//
// Undo and redo move along the edits, one edit a step; a new edit drops those undone.
// revert() undoes every edit at once (redo brings them back one by one).
class EditList
{
public:
    EditList();
    ~EditList();
    EditList(const EditList &other);
    EditList &operator=(const EditList &other);

    void beginActivation(const QString &text = QString()); // ends an open one, confirmed
    void endActivation(bool confirmed);
    bool isActive() const;

    // Records one request: in the open activation, or as an edit of its own.
    void add(const EditStep &step);

    // The steps of the edits done (an open activation's included), in order.
    QList<EditStep> steps() const;
    // The steps of edits done, the last `edits` of them left out.
    QList<EditStep> stepsBefore(int edits) const;

    int count() const; // edits done and undone
    int position() const; // edits done
    QString text(int edit) const; // as given to beginActivation()
    QList<EditStep> stepsOf(int edit) const;

    bool canUndo() const;
    bool canRedo() const;
    bool undo(); // ends an open activation first, confirmed
    bool redo();
    bool revert();
    void clear();

    // The list as lines of JSON, the bytes the trace writes: each edit's requests, then
    // the line of its completion. Undone edits are left out.
    QByteArray toJson() const;
    // Reads such lines (also a whole trace): requests up to a completion line make one
    // edit, a flag-1 request replacing the one before it as in an activation. Empty lines
    // are skipped. Nothing, with *error naming the line, for a line that is not one of
    // the two.
    static std::optional<EditList> fromJson(const QByteArray &json, QString *error);

    friend bool operator==(const EditList &a, const EditList &b)
    {
        return a.steps() == b.steps() && a.position() == b.position() && a.count() == b.count();
    }

private:
    class Private;
    std::unique_ptr<Private> d;
};

#endif // EDITLIST_H
