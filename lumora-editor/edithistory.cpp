#include "edithistory.h"

#include "editedpicture.h"
#include "imageeditor.h"

#include <QUndoStack>

namespace {

// One confirmed edit. Made once the plug-in has already applied it, so the first
// redo() (QUndoStack::push calls it) does nothing; after that undo() and redo() only
// act when the step is in the other state, which lets the history rebuild the stack
// without touching the picture.
class EditStep : public QUndoCommand
{
public:
    EditStep(EditedPicture &picture, const bool &replaying, const QString &text,
             const std::optional<PictureTurn> &turnBefore,
             const std::optional<PictureTurn> &turnAfter)
        : QUndoCommand(text)
        , m_picture(picture)
        , m_replaying(replaying)
        , m_turnBefore(turnBefore)
        , m_turnAfter(turnAfter)
    { }

    // Bytes of pixels the step holds.
    virtual qint64 cost() const = 0;
    // The same step in the same state, for a rebuilt stack (owned by the caller).
    virtual EditStep *clone() const = 0;

    void undo() override
    {
        if (m_replaying || !m_applied)
            return;
        m_picture.setImage(reverted(m_picture.image()), m_turnBefore);
        m_applied = false;
    }

    void redo() override
    {
        if (m_replaying || m_applied)
            return;
        m_picture.setImage(applied(m_picture.image()), m_turnAfter);
        m_applied = true;
    }

protected:
    // The picture before the step from the one after it, and the other way round.
    virtual QImage reverted(const QImage &after) = 0;
    virtual QImage applied(const QImage &before) = 0;

    template<typename Step> Step *copyState(Step *step) const
    {
        step->m_applied = m_applied;
        return step;
    }

    EditedPicture &m_picture;
    const bool &m_replaying;
    const std::optional<PictureTurn> m_turnBefore;
    const std::optional<PictureTurn> m_turnAfter;
    bool m_applied = true;
};

// Flips and rotations: the inverse turn gives the earlier picture back exactly.
class TurnStep : public EditStep
{
public:
    TurnStep(EditedPicture &picture, const bool &replaying, const QString &text,
             const std::optional<PictureTurn> &turnBefore,
             const std::optional<PictureTurn> &turnAfter, PictureTurn turn)
        : EditStep(picture, replaying, text, turnBefore, turnAfter)
        , m_turn(turn)
    { }

    qint64 cost() const override { return 0; }
    EditStep *clone() const override
    {
        return copyState(
            new TurnStep(m_picture, m_replaying, text(), m_turnBefore, m_turnAfter, m_turn));
    }

protected:
    QImage reverted(const QImage &after) override { return m_turn.inverted().apply(after); }
    QImage applied(const QImage &before) override { return m_turn.apply(before); }

private:
    const PictureTurn m_turn;
};

// Every other edit: holds the picture it is not showing and trades it for the one shown.
class SnapshotStep : public EditStep
{
public:
    SnapshotStep(EditedPicture &picture, const bool &replaying, const QString &text,
                 const std::optional<PictureTurn> &turnBefore,
                 const std::optional<PictureTurn> &turnAfter, const QImage &stored)
        : EditStep(picture, replaying, text, turnBefore, turnAfter)
        , m_stored(stored)
    { }

    qint64 cost() const override { return m_stored.sizeInBytes(); }
    EditStep *clone() const override
    {
        return copyState(
            new SnapshotStep(m_picture, m_replaying, text(), m_turnBefore, m_turnAfter, m_stored));
    }

protected:
    QImage reverted(const QImage &after) override { return trade(after); }
    QImage applied(const QImage &before) override { return trade(before); }

private:
    QImage trade(const QImage &shown)
    {
        QImage other = m_stored;
        m_stored = shown;
        return other;
    }

    QImage m_stored;
};

const EditStep *stepAt(const QUndoStack &stack, int index)
{
    return static_cast<const EditStep *>(stack.command(index));
}

} // namespace

class EditHistory::Private
{
public:
    Private(EditedPicture &picture, qint64 budget)
        : picture(picture)
        , budget(budget)
    { }
    virtual ~Private() = default;

    EditedPicture &picture;
    const qint64 budget;
    QUndoStack stack;
    bool replaying = false; // the stack is being rebuilt: steps leave the picture alone
};

EditHistory::EditHistory(EditedPicture &picture, qint64 budgetBytes, QObject *parent)
    : QObject(parent)
    , d(new Private(picture, budgetBytes))
{
    connect(&d->stack, &QUndoStack::cleanChanged, this,
            [this](bool clean) { Q_EMIT modifiedChanged(!clean); });
}

EditHistory::~EditHistory() = default;

QUndoStack *EditHistory::stack() const
{
    return &d->stack;
}

qint64 EditHistory::budget() const
{
    return d->budget;
}

qint64 EditHistory::cost() const
{
    qint64 total = 0;
    for (int i = 0; i < d->stack.count(); ++i)
        total += stepAt(d->stack, i)->cost();
    return total;
}

bool EditHistory::record(const QString &text, const QImage &before,
                         const std::optional<PictureTurn> &turnBefore)
{
    const QImage after = d->picture.image();
    if (after.cacheKey() == before.cacheKey()) {
        d->picture.settle();
        return false;
    }
    const std::optional<PictureTurn> turnAfter = d->picture.turn();
    const std::optional<PictureTurn> pending = d->picture.pendingTurn();
    EditStep *step = nullptr;
    // A filter may have widened the pixels on the way (16 bits to 8, say): then only
    // the stored picture gives them back.
    if (pending && !pending->isIdentity() && before.format() == after.format())
        step = new TurnStep(d->picture, d->replaying, text, turnBefore, turnAfter, *pending);
    else
        step = new SnapshotStep(d->picture, d->replaying, text, turnBefore, turnAfter, before);
    d->picture.settle();
    d->stack.push(step);
    keepWithinBudget();
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

void EditHistory::keepWithinBudget()
{
    QUndoStack &stack = d->stack;
    const int index = stack.index();
    qint64 total = cost();
    int drop = 0;
    QStringList dropped;
    // Only steps below the current state can go: a step above it needs all below it.
    while (total > d->budget && drop < index) {
        total -= stepAt(stack, drop)->cost();
        dropped << stack.text(drop);
        ++drop;
    }
    if (drop == 0)
        return;

    // QUndoStack drops only from its top or all at once, so the survivors are
    // rebuilt into it, in the state they are in.
    QList<EditStep *> survivors;
    for (int i = drop; i < stack.count(); ++i)
        survivors << stepAt(stack, i)->clone();
    const int clean = stack.cleanIndex() >= drop ? stack.cleanIndex() - drop : -1;
    d->replaying = true;
    stack.clear(); // clean at 0
    for (int i = 0; i < survivors.size(); ++i) {
        stack.push(survivors[i]);
        if (i + 1 == clean)
            stack.setClean();
    }
    stack.setIndex(index - drop);
    if (clean < 0)
        stack.resetClean();
    d->replaying = false;
    Q_EMIT stepsDropped(dropped);
}
