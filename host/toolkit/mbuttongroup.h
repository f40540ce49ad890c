// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MBUTTONGROUP_H
#define MBUTTONGROUP_H

#include "velmotouchcore_export.h"

#include <QList>
#include <QObject>
#include <QPointer>

class MButton;

// Groups checkable buttons. Exclusive by default: checking one unchecks the others.
// The group does not own its buttons; a deleted button leaves the group.
class M_CORE_EXPORT MButtonGroup : public QObject
{
    Q_OBJECT

public:
    explicit MButtonGroup(QObject *parent = nullptr);
    ~MButtonGroup() override;

    // Adds `button` (not owned) with `id`; -1 gives the next free negative id.
    void addButton(MButton *button, int id = -1);
    void removeButton(MButton *button);
    QList<MButton *> buttons() const;
    // The checked member (not owned), or null.
    MButton *checkedButton() const;
    int id(MButton *button) const;

    bool exclusive() const;
    void setExclusive(bool exclusive);

Q_SIGNALS:
    void buttonClicked(MButton *button);

private:
    void onButtonToggled(MButton *button, bool checked);

    struct Entry
    {
        QPointer<MButton> button;
        int id;
    };
    QList<Entry> m_buttons;
    bool m_exclusive = true;
};

#endif // MBUTTONGROUP_H
