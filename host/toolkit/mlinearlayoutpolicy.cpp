// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "mlinearlayoutpolicy.h"

#include "mlayout.h"

#include <QGraphicsLayoutItem>
#include <QGraphicsWidget>
#include <QGuiApplication>
#include <QVariant>
#include <QWidget>

namespace {

// Minimum, preferred and maximum extent of an item along one direction, as its
// size policy allows: no shrink flag keeps it at least preferred, no grow flag at
// most preferred, the ignore flag makes the preferred size its minimum.
struct Extent
{
    qreal minimum;
    qreal preferred;
    qreal maximum;
};

qreal component(const QSizeF &size, Qt::Orientation orientation)
{
    return orientation == Qt::Horizontal ? size.width() : size.height();
}

Extent extentOf(const QGraphicsLayoutItem *item, Qt::Orientation orientation)
{
    const QSizePolicy sizePolicy = item->sizePolicy();
    const QSizePolicy::Policy policy = orientation == Qt::Horizontal ? sizePolicy.horizontalPolicy()
                                                                     : sizePolicy.verticalPolicy();
    Extent extent;
    extent.minimum = component(item->effectiveSizeHint(Qt::MinimumSize), orientation);
    extent.preferred = component(item->effectiveSizeHint(Qt::PreferredSize), orientation);
    extent.maximum = component(item->effectiveSizeHint(Qt::MaximumSize), orientation);
    if (policy & QSizePolicy::IgnoreFlag)
        extent.preferred = extent.minimum;
    if (!(policy & QSizePolicy::ShrinkFlag))
        extent.minimum = extent.preferred;
    if (!(policy & QSizePolicy::GrowFlag))
        extent.maximum = extent.preferred;
    extent.maximum = qMax(extent.maximum, extent.minimum);
    extent.preferred = qBound(extent.minimum, extent.preferred, extent.maximum);
    return extent;
}

bool expandsAlong(const QGraphicsLayoutItem *item, Qt::Orientation orientation)
{
    return item->sizePolicy().expandingDirections() & orientation;
}

// Shares `amount` among entries by `weights` (> 0 to take part), none beyond its
// `room`; what a capped entry cannot take goes to the others. Returns the shares.
QList<qreal> share(qreal amount, const QList<qreal> &weights, const QList<qreal> &room)
{
    QList<qreal> shares(weights.size(), 0);
    QList<bool> open(weights.size());
    for (int i = 0; i < weights.size(); ++i)
        open[i] = weights.at(i) > 0 && room.at(i) > 0;
    while (amount > 1e-9) {
        qreal totalWeight = 0;
        for (int i = 0; i < weights.size(); ++i) {
            if (open.at(i))
                totalWeight += weights.at(i);
        }
        if (totalWeight <= 0)
            break;
        // A round either caps the entries whose share would not fit (and the rest
        // is shared again among the others) or gives everyone their share.
        const qreal roundAmount = amount;
        bool capped = false;
        for (int i = 0; i < weights.size(); ++i) {
            const qreal left = room.at(i) - shares.at(i);
            if (open.at(i) && roundAmount * weights.at(i) / totalWeight >= left) {
                shares[i] += left;
                amount -= left;
                open[i] = false;
                capped = true;
            }
        }
        if (capped)
            continue;
        for (int i = 0; i < weights.size(); ++i) {
            if (open.at(i))
                shares[i] += roundAmount * weights.at(i) / totalWeight;
        }
        amount = 0;
    }
    return shares;
}

// The direction of the widget the layout is set on (which follows the application's
// unless it or a parent sets its own); the application's for a layout on no widget.
Qt::LayoutDirection directionOf(const QGraphicsLayoutItem *layout)
{
    for (const QGraphicsLayoutItem *item = layout; item; item = item->parentLayoutItem()) {
        const QGraphicsItem *graphicsItem = item->graphicsItem();
        if (graphicsItem && graphicsItem->isWidget())
            return static_cast<const QGraphicsWidget *>(graphicsItem)->layoutDirection();
    }
    return QGuiApplication::layoutDirection();
}

QString positionName(int index, int count)
{
    if (count == 1)
        return QStringLiteral("single");
    if (index == 0)
        return QStringLiteral("first");
    if (index == count - 1)
        return QStringLiteral("last");
    return QStringLiteral("middle");
}

} // namespace

MLinearLayoutPolicy::MLinearLayoutPolicy(MLayout *layout, Qt::Orientation orientation)
    : MAbstractLayoutPolicy(layout)
    , m_orientation(orientation)
{ }

MLinearLayoutPolicy::~MLinearLayoutPolicy() = default;

Qt::Orientation MLinearLayoutPolicy::orientation() const
{
    return m_orientation;
}

void MLinearLayoutPolicy::setOrientation(Qt::Orientation orientation)
{
    if (m_orientation == orientation)
        return;
    m_orientation = orientation;
    updateGeometry();
}

void MLinearLayoutPolicy::addItem(QGraphicsLayoutItem *item)
{
    insertItem(-1, item, {});
}

void MLinearLayoutPolicy::addItem(QGraphicsLayoutItem *item, Qt::Alignment alignment)
{
    insertItem(-1, item, alignment);
}

void MLinearLayoutPolicy::insertItem(int index, QGraphicsLayoutItem *item, Qt::Alignment alignment)
{
    if (!item || indexOf(item) >= 0)
        return;
    if (index < 0 || index > m_entries.size())
        index = int(m_entries.size());
    // The item list of the base class holds the items alone, in the same order.
    int itemIndex = 0;
    for (int i = 0; i < index; ++i) {
        if (m_entries.at(i).item)
            ++itemIndex;
    }
    const int before = count();
    insertItemAt(itemIndex, item);
    if (count() == before)
        return; // refused by the layout
    m_entries.insert(index, Entry { item, alignment, 0 });
    updateGeometry();
}

void MLinearLayoutPolicy::insertStretch(int index, int stretch)
{
    if (index < 0 || index > m_entries.size())
        index = int(m_entries.size());
    m_entries.insert(index, Entry { nullptr, {}, qMax(0, stretch) });
    updateGeometry();
}

void MLinearLayoutPolicy::removeItem(const QGraphicsLayoutItem *item)
{
    m_entries.removeIf([item](const Entry &entry) { return entry.item && entry.item == item; });
    MAbstractLayoutPolicy::removeItem(item);
}

Qt::Alignment MLinearLayoutPolicy::alignment(const QGraphicsLayoutItem *item) const
{
    for (const Entry &entry : m_entries) {
        if (entry.item && entry.item == item)
            return entry.alignment;
    }
    return {};
}

void MLinearLayoutPolicy::setSpacing(qreal spacing)
{
    MAbstractLayoutPolicy::setSpacing(spacing);
}

void MLinearLayoutPolicy::setNotifyWidgetsOfLayoutPositionEnabled(bool enabled)
{
    if (m_notify == enabled)
        return;
    m_notify = enabled;
    updateGeometry();
}

bool MLinearLayoutPolicy::isNotifyWidgetsOfLayoutPositionEnabled() const
{
    return m_notify;
}

QList<MLinearLayoutPolicy::Entry> MLinearLayoutPolicy::entries() const
{
    return m_entries;
}

void MLinearLayoutPolicy::relayout(const QRectF &rect)
{
    const QRectF area = contentsArea(rect);
    const Qt::Orientation main = m_orientation;
    const Qt::Orientation cross = main == Qt::Horizontal ? Qt::Vertical : Qt::Horizontal;
    const bool horizontal = main == Qt::Horizontal;
    const qreal mainLength = horizontal ? area.width() : area.height();
    const qreal crossLength = horizontal ? area.height() : area.width();

    const int entryCount = int(m_entries.size());
    QList<Extent> extents(entryCount, Extent { 0, 0, 0 });
    QList<qreal> sizes(entryCount, 0);
    int itemCount = 0;
    int stretchTotal = 0;
    qreal preferredTotal = 0;
    for (int i = 0; i < entryCount; ++i) {
        const Entry &entry = m_entries.at(i);
        if (!entry.item) {
            stretchTotal += entry.stretch;
            continue;
        }
        ++itemCount;
        extents[i] = extentOf(entry.item, main);
        sizes[i] = extents.at(i).preferred;
        preferredTotal += extents.at(i).preferred;
    }
    const qreal available = mainLength - spacing() * qMax(0, itemCount - 1);

    if (available >= preferredTotal) {
        // Free space goes to the stretches by their factors; without stretches to
        // the items that expand along the line, and without those to the items that
        // may grow at all. What nobody takes is left over at the end of the line.
        const qreal free = available - preferredTotal;
        QList<qreal> weights(entryCount, 0);
        QList<qreal> room(entryCount, 0);
        if (stretchTotal > 0) {
            for (int i = 0; i < entryCount; ++i) {
                if (!m_entries.at(i).item) {
                    weights[i] = m_entries.at(i).stretch;
                    room[i] = free;
                }
            }
        } else {
            bool anyExpanding = false;
            for (int i = 0; i < entryCount; ++i) {
                const QGraphicsLayoutItem *item = m_entries.at(i).item;
                if (item && expandsAlong(item, main) && extents.at(i).maximum > sizes.at(i))
                    anyExpanding = true;
            }
            for (int i = 0; i < entryCount; ++i) {
                const QGraphicsLayoutItem *item = m_entries.at(i).item;
                if (!item || (anyExpanding && !expandsAlong(item, main)))
                    continue;
                weights[i] = 1;
                room[i] = extents.at(i).maximum - sizes.at(i);
            }
        }
        const QList<qreal> extra = share(free, weights, room);
        for (int i = 0; i < entryCount; ++i)
            sizes[i] += extra.at(i);
    } else {
        // Too short: every item gives up part of what it has above its minimum, in
        // proportion to that part.
        QList<qreal> room(entryCount, 0);
        for (int i = 0; i < entryCount; ++i) {
            if (m_entries.at(i).item)
                room[i] = extents.at(i).preferred - extents.at(i).minimum;
        }
        const QList<qreal> cut = share(preferredTotal - available, room, room);
        for (int i = 0; i < entryCount; ++i)
            sizes[i] -= cut.at(i);
    }

    // Right to left, every item is placed as left to right and then mirrored across the
    // layout's geometry, as Qt's layouts do: a row runs from the right, the left and
    // right margins swap, a left alignment puts an item on the right.
    const bool mirrored = directionOf(layout()) == Qt::RightToLeft;
    qreal position = horizontal ? area.left() : area.top();
    const qreal crossStart = horizontal ? area.top() : area.left();
    int placed = 0;
    for (int i = 0; i < entryCount; ++i) {
        const Entry &entry = m_entries.at(i);
        if (!entry.item) {
            position += sizes.at(i);
            continue;
        }
        const Extent across = extentOf(entry.item, cross);
        const Qt::Alignment crossAlignment
            = entry.alignment & (horizontal ? Qt::AlignVertical_Mask : Qt::AlignHorizontal_Mask);
        qreal crossSize;
        qreal crossPosition = crossStart;
        if (!crossAlignment) {
            // No alignment across the line: fill it, as far as the item may grow.
            crossSize = qBound(across.minimum, crossLength, across.maximum);
        } else {
            crossSize = qMax(across.minimum, qMin(across.preferred, crossLength));
            const qreal slack = crossLength - crossSize;
            if (crossAlignment & (Qt::AlignBottom | Qt::AlignRight))
                crossPosition += slack;
            else if (crossAlignment & (Qt::AlignVCenter | Qt::AlignHCenter))
                crossPosition += slack / 2;
        }
        QRectF geometry = horizontal ? QRectF(position, crossPosition, sizes.at(i), crossSize)
                                     : QRectF(crossPosition, position, crossSize, sizes.at(i));
        if (mirrored)
            geometry.moveLeft(rect.left() + rect.right() - geometry.right());
        entry.item->setGeometry(geometry);

        if (m_notify) {
            // Widgets learn where they stand in the line through a dynamic property.
            if (QGraphicsItem *graphicsItem = entry.item->graphicsItem()) {
                if (QGraphicsObject *object = graphicsItem->toGraphicsObject()) {
                    const QString name = positionName(placed, itemCount);
                    if (object->property("layoutPosition").toString() != name)
                        object->setProperty("layoutPosition", name);
                }
            }
        }
        ++placed;
        position += sizes.at(i) + spacing();
    }
}

QSizeF MLinearLayoutPolicy::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    Q_UNUSED(constraint)
    if (which == Qt::MaximumSize)
        return QSizeF(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    if (which != Qt::MinimumSize && which != Qt::PreferredSize)
        return QSizeF(-1, -1);

    const Qt::Orientation main = m_orientation;
    const Qt::Orientation cross = main == Qt::Horizontal ? Qt::Vertical : Qt::Horizontal;
    qreal along = 0;
    qreal across = 0;
    int itemCount = 0;
    for (const Entry &entry : m_entries) {
        if (!entry.item)
            continue; // a stretch needs no room of its own
        ++itemCount;
        const Extent mainExtent = extentOf(entry.item, main);
        const Extent crossExtent = extentOf(entry.item, cross);
        along += which == Qt::MinimumSize ? mainExtent.minimum : mainExtent.preferred;
        across
            = qMax(across, which == Qt::MinimumSize ? crossExtent.minimum : crossExtent.preferred);
    }
    along += spacing() * qMax(0, itemCount - 1);

    qreal left = 0, top = 0, right = 0, bottom = 0;
    getContentsMargins(&left, &top, &right, &bottom);
    const QSizeF size = main == Qt::Horizontal ? QSizeF(along, across) : QSizeF(across, along);
    return size + QSizeF(left + right, top + bottom);
}
