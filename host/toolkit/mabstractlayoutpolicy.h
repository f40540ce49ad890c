// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MABSTRACTLAYOUTPOLICY_H
#define MABSTRACTLAYOUTPOLICY_H

#include "velmotouchcore_export.h"

#include <QList>
#include <QRectF>
#include <QSizeF>

class MLayout;
class QGraphicsLayoutItem;

// One arrangement of (some of) a layout's items. The layout owns its policies;
// deleting a policy first unregisters it.
class M_CORE_EXPORT MAbstractLayoutPolicy
{
public:
    explicit MAbstractLayoutPolicy(MLayout *layout);
    virtual ~MAbstractLayoutPolicy();

    MLayout *layout() const;

    void setContentsMargins(qreal left, qreal top, qreal right, qreal bottom);
    void getContentsMargins(qreal *left, qreal *top, qreal *right, qreal *bottom) const;

    virtual void setSpacing(qreal spacing);
    qreal spacing() const;

    // Makes this the layout's active policy.
    void activate();
    bool isActive() const;

    // Items of this policy (stretches are not items).
    int count() const;
    QGraphicsLayoutItem *itemAt(int index) const;
    int indexOf(const QGraphicsLayoutItem *item) const;
    // Adds `item` (owned by the layout's widget, not the policy) at the end.
    virtual void addItem(QGraphicsLayoutItem *item);
    virtual void removeItem(const QGraphicsLayoutItem *item);

    // Places the policy's items inside `rect` (the layout's geometry; contentsArea()
    // takes off the layout's and the policy's margins).
    virtual void relayout(const QRectF &rect) = 0;
    // Size the policy's items need, including the policy's margins but not the
    // layout's.
    virtual QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const = 0;

protected:
    // Appends `item` at `index` (-1: the end) of the policy's item list.
    void insertItemAt(int index, QGraphicsLayoutItem *item);
    QRectF contentsArea(const QRectF &rect) const;
    void updateGeometry();

private:
    friend class MLayout;
    MLayout *m_layout; // owns this policy; null once the layout is gone
    QList<QGraphicsLayoutItem *> m_items;
    qreal m_left = 0, m_top = 0, m_right = 0, m_bottom = 0;
    qreal m_spacing = 0;
};

#endif // MABSTRACTLAYOUTPOLICY_H
