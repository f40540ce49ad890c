// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "edithistory.h"

#include "editedpicture.h"
#include "imageeditor.h"

#include <QUndoStack>

namespace {

// One step: the lists before and after it. Pushed once the edit is made, so the first
// redo() (QUndoStack::push calls it) finds the list already as it should be.
class ListStep : public QUndoCommand
{
public:
    ListStep(ImageEditor &editor, const QString &text, const EditList &before,
             const EditList &after)
        : QUndoCommand(text)
        , m_editor(editor)
        , m_before(before)
        , m_after(after)
    { }

    void undo() override { m_editor.setEdits(m_before); }
    void redo() override
    {
        if (!(m_editor.edits() == m_after))
            m_editor.setEdits(m_after);
    }

private:
    ImageEditor &m_editor;
    const EditList m_before;
    const EditList m_after;
};

} // namespace

class EditHistory::Private
{
public:
    explicit Private(EditedPicture &picture)
        : picture(picture)
    { }

    EditedPicture &picture;
    QUndoStack stack;
};

EditHistory::EditHistory(EditedPicture &picture, QObject *parent)
    : QObject(parent)
    , d(std::make_unique<Private>(picture))
{
    connect(&d->stack, &QUndoStack::cleanChanged, this,
            [this](bool clean) { Q_EMIT modifiedChanged(!clean); });
}

EditHistory::~EditHistory() = default;

QUndoStack *EditHistory::stack() const
{
    return &d->stack;
}

bool EditHistory::record(const QString &text, const EditList &before)
{
    ImageEditor &editor = d->picture.editor();
    if (editor.edits().steps() == before.steps())
        return false;
    d->stack.push(new ListStep(editor, text, before, editor.edits()));
    return true;
}

bool EditHistory::revert(const QString &text)
{
    ImageEditor &editor = d->picture.editor();
    const EditList before = editor.edits();
    if (!editor.revert())
        return false;
    d->stack.push(new ListStep(editor, text, before, editor.edits()));
    return true;
}

void EditHistory::clear()
{
    d->stack.clear();
}

bool EditHistory::isModified() const
{
    return !d->stack.isClean();
}

void EditHistory::markSaved()
{
    d->stack.setClean();
}
