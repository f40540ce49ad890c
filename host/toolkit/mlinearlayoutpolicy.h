// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MLINEARLAYOUTPOLICY_H
#define MLINEARLAYOUTPOLICY_H

#include "mabstractlayoutpolicy.h"

#include <Qt>

// Items in one row (Qt::Horizontal) or one column (Qt::Vertical), with optional
// stretches that share the free space by their factors. An item with an alignment
// keeps its preferred size across the line and is placed by the alignment; without
// one it fills the line. Where the widget the layout is set on runs right to left
// (as it does in a right-to-left application), the arrangement is mirrored: a row
// starts at the right, and the left and right margins swap.
class M_CORE_EXPORT MLinearLayoutPolicy : public MAbstractLayoutPolicy
{
public:
    // Registers with `layout`, which owns the policy from then on.
    MLinearLayoutPolicy(MLayout *layout, Qt::Orientation orientation);
    ~MLinearLayoutPolicy() override;

    Qt::Orientation orientation() const;
    void setOrientation(Qt::Orientation orientation);

    void addItem(QGraphicsLayoutItem *item) override;
    void addItem(QGraphicsLayoutItem *item, Qt::Alignment alignment);
    // `index` counts entries (items and stretches), as insertStretch(); -1: the end.
    void insertItem(int index, QGraphicsLayoutItem *item, Qt::Alignment alignment = {});
    // A stretch of `stretch` at `index` among the policy's entries (-1: the end).
    void insertStretch(int index, int stretch = 1);
    void removeItem(const QGraphicsLayoutItem *item) override;

    Qt::Alignment alignment(const QGraphicsLayoutItem *item) const;
    void setSpacing(qreal spacing) override;

    // Tells each widget placed by this policy where it stands in the line (first,
    // middle, last), so themed buttons can join up. Off by default.
    void setNotifyWidgetsOfLayoutPositionEnabled(bool enabled);
    bool isNotifyWidgetsOfLayoutPositionEnabled() const;

    // Entries in order: an item (with its alignment) or a stretch (null item).
    struct Entry
    {
        QGraphicsLayoutItem *item;
        Qt::Alignment alignment;
        int stretch;
    };
    QList<Entry> entries() const;

    void relayout(const QRectF &rect) override;
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;

private:
    Qt::Orientation m_orientation;
    QList<Entry> m_entries;
    bool m_notify = false;
};

#endif // MLINEARLAYOUTPOLICY_H
