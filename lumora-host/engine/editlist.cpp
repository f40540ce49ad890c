// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editlist.h"

#include <QJsonDocument>
#include <QJsonObject>

struct Edit
{
    QString text;
    QList<EditStep> steps;
};

class EditList::Private
{
public:
    QList<Edit> edits;
    int position = 0;
    bool active = false;
    int preview = -1; // the open activation's pending flag-1 step, or -1

    void dropUndone() { edits.resize(position); }
};

EditList::EditList()
    : d(std::make_unique<Private>())
{ }

EditList::~EditList() = default;

EditList::EditList(const EditList &other)
    : d(std::make_unique<Private>(*other.d))
{ }

EditList &EditList::operator=(const EditList &other)
{
    *d = *other.d;
    return *this;
}

void EditList::beginActivation(const QString &text)
{
    endActivation(true);
    d->dropUndone();
    d->edits.append({ text, {} });
    d->position = int(d->edits.size());
    d->active = true;
    d->preview = -1;
}

void EditList::endActivation(bool confirmed)
{
    if (!d->active)
        return;
    Edit &open = d->edits.last();
    if (!confirmed && d->preview >= 0)
        open.steps.removeAt(d->preview);
    if (open.steps.isEmpty()) {
        d->edits.removeLast();
        d->position = int(d->edits.size());
    }
    d->active = false;
    d->preview = -1;
}

bool EditList::isActive() const
{
    return d->active;
}

void EditList::add(const EditStep &step)
{
    if (!d->active) {
        d->dropUndone();
        d->edits.append({ QString(), { step } });
        d->position = int(d->edits.size());
        return;
    }
    QList<EditStep> &steps = d->edits.last().steps;
    if (step.flag == 1) {
        // The previous choice goes only when nothing was stacked on it since.
        if (d->preview >= 0 && d->preview == steps.size() - 1)
            steps.removeLast();
        d->preview = int(steps.size());
    } else {
        d->preview = -1;
    }
    steps.append(step);
}

QList<EditStep> EditList::steps() const
{
    return stepsBefore(0);
}

QList<EditStep> EditList::stepsBefore(int edits) const
{
    QList<EditStep> out;
    for (int i = 0; i < d->position - edits; ++i)
        out += d->edits.at(i).steps;
    return out;
}

int EditList::count() const
{
    return int(d->edits.size());
}

int EditList::position() const
{
    return d->position;
}

QString EditList::text(int edit) const
{
    return d->edits.value(edit).text;
}

QList<EditStep> EditList::stepsOf(int edit) const
{
    return d->edits.value(edit).steps;
}

bool EditList::canUndo() const
{
    return d->position > 0;
}

bool EditList::canRedo() const
{
    return d->position < d->edits.size() && !d->active;
}

bool EditList::undo()
{
    endActivation(true);
    if (d->position == 0)
        return false;
    --d->position;
    return true;
}

bool EditList::redo()
{
    if (!canRedo())
        return false;
    ++d->position;
    return true;
}

bool EditList::revert()
{
    endActivation(true);
    if (d->position == 0)
        return false;
    d->position = 0;
    return true;
}

void EditList::clear()
{
    *d = Private();
}

QByteArray EditList::toJson() const
{
    QByteArray out;
    for (int i = 0; i < d->position; ++i) {
        const Edit &edit = d->edits.at(i);
        for (const EditStep &step : edit.steps)
            out += step.toJson() + '\n';
        if (!edit.steps.isEmpty())
            out += EditStep::operationPerformedJson(edit.steps.constLast().plugin) + '\n';
    }
    return out;
}

std::optional<EditList> EditList::fromJson(const QByteArray &json, QString *error)
{
    EditList list;
    int number = 0;
    for (const QByteArray &line : json.split('\n')) {
        ++number;
        if (line.trimmed().isEmpty())
            continue;
        const QJsonObject object = QJsonDocument::fromJson(line).object();
        if (object.value(QLatin1String("event")).toString()
            == QLatin1String("editOperationPerformed")) {
            list.endActivation(true);
            continue;
        }
        QString reason;
        const std::optional<EditStep> step = EditStep::fromJson(line, &reason);
        if (!step) {
            if (error)
                *error = QStringLiteral("line %1: %2").arg(number).arg(reason);
            return std::nullopt;
        }
        if (!list.isActive())
            list.beginActivation();
        list.add(*step);
    }
    list.endActivation(true);
    return list;
}
