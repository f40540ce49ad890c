// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "mbuttongroup.h"

#include "mbutton.h"

MButtonGroup::MButtonGroup(QObject *parent)
    : QObject(parent)
{ }

MButtonGroup::~MButtonGroup() = default;

void MButtonGroup::addButton(MButton *button, int id)
{
    if (!button || buttons().contains(button))
        return;

    // Buttons deleted since the last change leave their entries behind.
    m_buttons.removeIf([](const Entry &entry) { return entry.button.isNull(); });

    if (id == -1) {
        // Automatic ids count down from -2 (-1 means "not in the group").
        int lowest = -1;
        for (const Entry &entry : std::as_const(m_buttons))
            lowest = qMin(lowest, entry.id);
        id = lowest - 1;
    }
    m_buttons.append(Entry { button, id });

    connect(button, &MButton::toggled, this,
            [this, button](bool checked) { onButtonToggled(button, checked); });
    connect(button, &MButton::clicked, this, [this, button] { emit buttonClicked(button); });

    if (button->isChecked())
        onButtonToggled(button, true);
}

void MButtonGroup::removeButton(MButton *button)
{
    if (!button)
        return;
    const qsizetype before = m_buttons.size();
    m_buttons.removeIf(
        [button](const Entry &entry) { return entry.button.isNull() || entry.button == button; });
    if (m_buttons.size() != before)
        disconnect(button, nullptr, this, nullptr);
}

QList<MButton *> MButtonGroup::buttons() const
{
    QList<MButton *> result;
    for (const Entry &entry : m_buttons) {
        if (entry.button)
            result.append(entry.button.data());
    }
    return result;
}

MButton *MButtonGroup::checkedButton() const
{
    for (const Entry &entry : m_buttons) {
        if (entry.button && entry.button->isChecked())
            return entry.button.data();
    }
    return nullptr;
}

int MButtonGroup::id(MButton *button) const
{
    if (!button)
        return -1;
    for (const Entry &entry : m_buttons) {
        if (entry.button == button)
            return entry.id;
    }
    return -1;
}

bool MButtonGroup::exclusive() const
{
    return m_exclusive;
}

void MButtonGroup::setExclusive(bool exclusive)
{
    m_exclusive = exclusive;
}

void MButtonGroup::onButtonToggled(MButton *button, bool checked)
{
    if (!m_exclusive || !checked)
        return;
    // Unchecking the others emits their toggled(false), which lands here and stops
    // at the test above.
    for (const Entry &entry : std::as_const(m_buttons)) {
        if (entry.button && entry.button != button && entry.button->isChecked())
            entry.button->setChecked(false);
    }
}
