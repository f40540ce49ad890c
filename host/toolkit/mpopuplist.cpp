// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "mpopuplist.h"

#include <QAbstractItemModel>
#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

namespace {

// At most this many rows show at once; the rest are reached by scrolling.
constexpr int MaximumVisibleRows = 5;
constexpr qreal MinimumRowHeight = 64;
constexpr qreal RowPadding = 24;

qreal rowHeightFor(const QFont &font)
{
    return qMax(MinimumRowHeight, QFontMetricsF(font).height() + RowPadding);
}

} // namespace

MPopupList::MPopupList()
{
    setAcceptedMouseButtons(Qt::LeftButton);
}

MPopupList::~MPopupList() = default;

void MPopupList::setItemModel(QAbstractItemModel *model)
{
    if (m_model == model)
        return;
    if (m_model)
        disconnect(m_model, nullptr, this, nullptr);
    m_model = model;
    m_current = QPersistentModelIndex();
    m_firstVisibleRow = 0;
    m_pressedRow = -1;
    if (model) {
        // Any change of rows changes the list's size and what is painted.
        const auto changed = [this] {
            m_pressedRow = -1;
            updateGeometry();
            update();
        };
        connect(model, &QAbstractItemModel::rowsInserted, this, changed);
        connect(model, &QAbstractItemModel::rowsRemoved, this, changed);
        connect(model, &QAbstractItemModel::modelReset, this, changed);
        connect(model, &QAbstractItemModel::layoutChanged, this, changed);
        connect(model, &QAbstractItemModel::dataChanged, this, changed);
    }
    updateGeometry();
    update();
}

QAbstractItemModel *MPopupList::itemModel() const
{
    return m_model.data();
}

void MPopupList::setCurrentIndex(const QModelIndex &index)
{
    // Only rows of this list's model (or no row at all) can be current.
    if (index.isValid() && index.model() != m_model.data())
        return;
    if (QModelIndex(m_current) == index)
        return;
    m_current = index;
    update();
    emit currentIndexChanged(index);
}

QModelIndex MPopupList::currentIndex() const
{
    return m_current;
}

void MPopupList::scrollTo(const QModelIndex &index)
{
    if (!m_model || !index.isValid() || index.model() != m_model.data())
        return;
    const int row = index.row();
    const int visible = qMax(1, visibleRowCount());
    int first = firstVisibleRow();
    if (row < first)
        first = row;
    else if (row >= first + visible)
        first = row - visible + 1;
    m_firstVisibleRow = first;
    m_firstVisibleRow = firstVisibleRow(); // clamped to the model
    update();
}

int MPopupList::firstVisibleRow() const
{
    const int rows = m_model ? m_model->rowCount() : 0;
    return qBound(0, m_firstVisibleRow, qMax(0, rows - visibleRowCount()));
}

QRectF MPopupList::rowRect(int row) const
{
    const int first = firstVisibleRow();
    if (!m_model || row < first || row >= first + visibleRowCount() || row >= m_model->rowCount())
        return QRectF();
    const qreal height = rowHeightFor(font());
    return QRectF(0, titleHeight() + (row - first) * height, size().width(), height);
}

void MPopupList::paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget)
{
    MDialog::paint(painter, option, widget);
    if (!m_model)
        return;

    painter->save();
    painter->setFont(font());
    const QFontMetricsF metrics(font());
    const int first = firstVisibleRow();
    const int last = qMin(m_model->rowCount(), first + visibleRowCount());
    for (int row = first; row < last; ++row) {
        const QRectF area = rowRect(row);
        if (m_current.isValid() && m_current.row() == row)
            painter->fillRect(area.adjusted(1, 0, -1, 0), QColor(0x1f, 0x6f, 0xc4));
        if (row > first) {
            painter->setPen(QColor(0x3c, 0x3c, 0x3c));
            painter->drawLine(area.topLeft() + QPointF(RowPadding / 2, 0),
                              area.topRight() - QPointF(RowPadding / 2, 0));
        }
        const QString text = m_model->index(row, 0).data(Qt::DisplayRole).toString();
        const QRectF textArea = area.adjusted(RowPadding, 0, -RowPadding, 0);
        painter->setPen(QColor(0xf2, 0xf2, 0xf2));
        painter->drawText(textArea, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          metrics.elidedText(text, Qt::ElideRight, textArea.width()));
    }
    painter->restore();
}

QSizeF MPopupList::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    if (which != Qt::MinimumSize && which != Qt::PreferredSize)
        return MDialog::sizeHint(which, constraint);
    const int rows = m_model ? m_model->rowCount() : 0;
    const qreal rowHeight = rowHeightFor(font());
    if (which == Qt::MinimumSize)
        return QSizeF(2 * RowPadding, titleHeight() + (rows > 0 ? rowHeight : 0));

    const QFontMetricsF metrics(font());
    qreal width = metrics.horizontalAdvance(title());
    for (int row = 0; row < rows; ++row) {
        const QString text = m_model->index(row, 0).data(Qt::DisplayRole).toString();
        width = qMax(width, metrics.horizontalAdvance(text));
    }
    return QSizeF(width + 2 * RowPadding,
                  titleHeight() + qMin(rows, MaximumVisibleRows) * rowHeight);
}

void MPopupList::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    // The list is modal: every press on it is taken, on a row or not.
    event->accept();
    m_pressedRow = event->button() == Qt::LeftButton ? rowAt(event->pos()) : -1;
}

void MPopupList::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    event->accept();
    const int pressed = m_pressedRow;
    m_pressedRow = -1;
    if (event->button() != Qt::LeftButton || pressed < 0 || rowAt(event->pos()) != pressed
        || !m_model)
        return;

    const QModelIndex index = m_model->index(pressed, 0);
    setCurrentIndex(index);
    // A listener may delete the list or hide it itself.
    const QPointer<MPopupList> self(this);
    emit clicked(index);
    if (self)
        disappear();
}

int MPopupList::rowAt(const QPointF &pos) const
{
    if (!m_model)
        return -1;
    const int first = firstVisibleRow();
    const int last = qMin(m_model->rowCount(), first + visibleRowCount());
    for (int row = first; row < last; ++row) {
        if (rowRect(row).contains(pos))
            return row;
    }
    return -1;
}

int MPopupList::visibleRowCount() const
{
    const int rows = m_model ? m_model->rowCount() : 0;
    const qreal available = size().height() - titleHeight();
    // Before it has appeared the list has no size yet; it will get room for this
    // many rows, so scrolling done beforehand already matches what will show.
    if (available <= 0)
        return qMin(rows, MaximumVisibleRows);
    return qMin(rows, int(available / rowHeightFor(font())));
}
