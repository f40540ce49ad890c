// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "mlayout.h"

#include "mabstractlayoutpolicy.h"

#include <QGraphicsItem>
#include <QWidget>

MLayout::MLayout(QGraphicsLayoutItem *parent)
    : QGraphicsLayout(parent) // with a widget parent, this installs the layout on it
{
    // Qt's layouts take their margins from the widget style; toolkit layouts start
    // without any, their users set what they want.
    QGraphicsLayout::setContentsMargins(0, 0, 0, 0);
}

MLayout::~MLayout()
{
    // The policies must not call back into a layout that is going away.
    const QList<MAbstractLayoutPolicy *> policies = m_policies;
    m_policies.clear();
    m_active = m_landscape = m_portrait = nullptr;
    for (MAbstractLayoutPolicy *policy : policies) {
        policy->m_layout = nullptr;
        delete policy;
    }

    // As Qt's layouts do: items leave the layout; sub-layouts it owns are deleted,
    // widgets stay with their parent item.
    const QList<QGraphicsLayoutItem *> items = m_items;
    m_items.clear();
    for (QGraphicsLayoutItem *item : items) {
        if (item->parentLayoutItem() == this)
            item->setParentLayoutItem(nullptr);
        if (item->isLayout() && item->ownedByLayout())
            delete item;
    }
}

void MLayout::setAnimation(MLayoutAnimation *animation)
{
    m_animation = animation;
}

MLayoutAnimation *MLayout::animation() const
{
    return m_animation;
}

void MLayout::setPolicy(MAbstractLayoutPolicy *policy)
{
    if (policy && policy->layout() != this)
        return;
    m_landscape = policy;
    m_portrait = policy;
    if (policy)
        activatePolicy(policy);
}

MAbstractLayoutPolicy *MLayout::policy() const
{
    return m_active;
}

void MLayout::setLandscapePolicy(MAbstractLayoutPolicy *policy)
{
    if (policy && policy->layout() != this)
        return;
    m_landscape = policy;
}

MAbstractLayoutPolicy *MLayout::landscapePolicy() const
{
    return m_landscape;
}

void MLayout::setPortraitPolicy(MAbstractLayoutPolicy *policy)
{
    if (policy && policy->layout() != this)
        return;
    m_portrait = policy;
}

MAbstractLayoutPolicy *MLayout::portraitPolicy() const
{
    return m_portrait;
}

QList<MAbstractLayoutPolicy *> MLayout::registeredPolicies() const
{
    return m_policies;
}

void MLayout::setOrientation(M::Orientation orientation)
{
    MAbstractLayoutPolicy *wanted = orientation == M::Portrait ? m_portrait : m_landscape;
    if (wanted)
        activatePolicy(wanted);
}

void MLayout::setContentsMargins(qreal left, qreal top, qreal right, qreal bottom)
{
    QGraphicsLayout::setContentsMargins(left, top, right, bottom);
}

int MLayout::indexOf(const QGraphicsLayoutItem *item) const
{
    for (int i = 0; i < m_items.size(); ++i) {
        if (m_items.at(i) == item)
            return i;
    }
    return -1;
}

int MLayout::count() const
{
    return int(m_items.size());
}

QGraphicsLayoutItem *MLayout::itemAt(int index) const
{
    return index >= 0 && index < m_items.size() ? m_items.at(index) : nullptr;
}

void MLayout::removeAt(int index)
{
    if (index < 0 || index >= m_items.size())
        return;
    // Qt calls this from ~QGraphicsLayoutItem of a dying item: touch nothing of the
    // item but its layout-item part.
    QGraphicsLayoutItem *item = m_items.takeAt(index);
    for (MAbstractLayoutPolicy *policy : std::as_const(m_policies))
        policy->removeItem(item);
    if (item->parentLayoutItem() == this)
        item->setParentLayoutItem(nullptr);
    invalidate();
}

void MLayout::setGeometry(const QRectF &rect)
{
    QGraphicsLayout::setGeometry(rect);
    if (m_active)
        m_active->relayout(geometry());
}

void MLayout::invalidate()
{
    QGraphicsLayout::invalidate();
}

QSizeF MLayout::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    if (which == Qt::MaximumSize)
        return QSizeF(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (which != Qt::MinimumSize && which != Qt::PreferredSize)
        return QSizeF(-1, -1);

    qreal left = 0, top = 0, right = 0, bottom = 0;
    getContentsMargins(&left, &top, &right, &bottom);
    const QSizeF margins(left + right, top + bottom);
    if (!m_active)
        return margins;
    // The policy's hint includes its own margins; the layout adds its own around it.
    QSizeF inner = constraint;
    if (inner.width() >= 0)
        inner.rwidth() = qMax<qreal>(0, inner.width() - margins.width());
    if (inner.height() >= 0)
        inner.rheight() = qMax<qreal>(0, inner.height() - margins.height());
    return m_active->sizeHint(which, inner) + margins;
}

int MLayout::addItemFromPolicy(QGraphicsLayoutItem *item)
{
    if (!item || item == this)
        return -1;
    const int existing = indexOf(item);
    if (existing >= 0)
        return existing;
    // Takes the item out of any other layout and makes widget items children of
    // this layout's widget, as Qt's own layouts do.
    addChildLayoutItem(item);
    m_items.append(item);
    invalidate();
    return int(m_items.size()) - 1;
}

void MLayout::removeItemFromPolicy(QGraphicsLayoutItem *item)
{
    Q_UNUSED(item)
    updateVisibility();
    invalidate();
}

void MLayout::activatePolicy(MAbstractLayoutPolicy *policy)
{
    if (!policy || policy->m_layout != this)
        return;
    if (m_active != policy) {
        m_active = policy;
        updateVisibility();
    }
    invalidate();
    // Place the items now rather than on the next layout request, so that a switch
    // shows at once. QGraphicsLayout::activate() fills the parent widget's contents
    // rectangle, which is right only for a top-level layout; a nested one waits for
    // its parent layout, as does a layout without a widget.
    QGraphicsLayoutItem *parent = parentLayoutItem();
    if (parent && !parent->isLayout())
        activate();
}

void MLayout::registerPolicy(MAbstractLayoutPolicy *policy)
{
    if (!policy || m_policies.contains(policy))
        return;
    m_policies.append(policy);
    // The first policy of a layout arranges it until another is chosen.
    if (!m_active) {
        m_active = policy;
        invalidate();
    }
}

void MLayout::unregisterPolicy(MAbstractLayoutPolicy *policy)
{
    m_policies.removeAll(policy);
    if (m_landscape == policy)
        m_landscape = nullptr;
    if (m_portrait == policy)
        m_portrait = nullptr;
    if (m_active == policy) {
        // The dying policy is half destroyed: nothing of it may be called. With no
        // active policy nothing is shown until another one is activated.
        m_active = nullptr;
        updateVisibility();
        invalidate();
    }
}

void MLayout::updateVisibility()
{
    for (QGraphicsLayoutItem *item : std::as_const(m_items)) {
        QGraphicsItem *graphicsItem = item->graphicsItem();
        if (!graphicsItem)
            continue;
        graphicsItem->setVisible(m_active && m_active->indexOf(item) >= 0);
    }
}
