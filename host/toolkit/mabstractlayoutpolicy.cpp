// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "mabstractlayoutpolicy.h"

#include "mlayout.h"

MAbstractLayoutPolicy::MAbstractLayoutPolicy(MLayout *layout)
    : m_layout(layout)
{
    // Registering cannot relayout yet: this object is still being constructed.
    if (m_layout)
        m_layout->registerPolicy(this);
}

MAbstractLayoutPolicy::~MAbstractLayoutPolicy()
{
    if (m_layout)
        m_layout->unregisterPolicy(this);
}

MLayout *MAbstractLayoutPolicy::layout() const
{
    return m_layout;
}

void MAbstractLayoutPolicy::setContentsMargins(qreal left, qreal top, qreal right, qreal bottom)
{
    if (m_left == left && m_top == top && m_right == right && m_bottom == bottom)
        return;
    m_left = left;
    m_top = top;
    m_right = right;
    m_bottom = bottom;
    updateGeometry();
}

void MAbstractLayoutPolicy::getContentsMargins(qreal *left, qreal *top, qreal *right,
                                               qreal *bottom) const
{
    if (left)
        *left = m_left;
    if (top)
        *top = m_top;
    if (right)
        *right = m_right;
    if (bottom)
        *bottom = m_bottom;
}

void MAbstractLayoutPolicy::setSpacing(qreal spacing)
{
    if (m_spacing == spacing)
        return;
    m_spacing = spacing;
    updateGeometry();
}

qreal MAbstractLayoutPolicy::spacing() const
{
    return m_spacing;
}

void MAbstractLayoutPolicy::activate()
{
    if (m_layout)
        m_layout->activatePolicy(this);
}

bool MAbstractLayoutPolicy::isActive() const
{
    return m_layout && m_layout->policy() == this;
}

int MAbstractLayoutPolicy::count() const
{
    return int(m_items.size());
}

QGraphicsLayoutItem *MAbstractLayoutPolicy::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

int MAbstractLayoutPolicy::indexOf(const QGraphicsLayoutItem *item) const
{
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_items.at(i) == item)
            return i;
    }
    return -1;
}

void MAbstractLayoutPolicy::addItem(QGraphicsLayoutItem *item)
{
    insertItemAt(-1, item);
}

void MAbstractLayoutPolicy::removeItem(const QGraphicsLayoutItem *item)
{
    const int index = indexOf(item);
    if (index < 0)
        return;
    QGraphicsLayoutItem *removed = m_items.takeAt(index);
    // The layout keeps the item (another policy may place it) and hides it if the
    // active policy no longer does.
    if (m_layout)
        m_layout->removeItemFromPolicy(removed);
}

void MAbstractLayoutPolicy::insertItemAt(int index, QGraphicsLayoutItem *item)
{
    if (!item || !m_layout || indexOf(item) >= 0)
        return;
    if (m_layout->addItemFromPolicy(item) < 0)
        return;
    if (index < 0 || index > m_items.size())
        index = int(m_items.size());
    m_items.insert(index, item);
    m_layout->updateVisibility();
    updateGeometry();
}

QRectF MAbstractLayoutPolicy::contentsArea(const QRectF &rect) const
{
    // `rect` is the layout's whole geometry: the layout's margins come off first,
    // then this policy's own.
    qreal left = 0, top = 0, right = 0, bottom = 0;
    if (m_layout)
        m_layout->getContentsMargins(&left, &top, &right, &bottom);
    QRectF area
        = rect.adjusted(left + m_left, top + m_top, -(right + m_right), -(bottom + m_bottom));
    if (area.width() < 0)
        area.setWidth(0);
    if (area.height() < 0)
        area.setHeight(0);
    return area;
}

void MAbstractLayoutPolicy::updateGeometry()
{
    // Only the active policy's arrangement shows; the others are laid out when
    // they are activated.
    if (m_layout && isActive())
        m_layout->invalidate();
}
