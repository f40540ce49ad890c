// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MPOPUPLIST_H
#define MPOPUPLIST_H

#include "mdialog.h"

#include <QModelIndex>
#include <QPointer>

class QAbstractItemModel;

// A dialog offering the rows of an item model (column 0, display role). A tap on a
// row makes it current, emits clicked(index) and hides the list.
class M_CORE_EXPORT MPopupList : public MDialog
{
    Q_OBJECT

public:
    MPopupList();
    ~MPopupList() override;

    // `model` is not owned (a model parented to the list goes with it).
    virtual void setItemModel(QAbstractItemModel *model);
    QAbstractItemModel *itemModel() const;

    void setCurrentIndex(const QModelIndex &index);
    QModelIndex currentIndex() const;

    // Scrolls so that `index` is in view.
    virtual void scrollTo(const QModelIndex &index);
    // First row in view.
    int firstVisibleRow() const;

    // The row's rectangle in the list's own coordinates (empty for a row not in view),
    // where a tap selects it.
    QRectF rowRect(int row) const;

Q_SIGNALS:
    void clicked(const QModelIndex &index);
    void currentIndexChanged(const QModelIndex &index);

protected:
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    int rowAt(const QPointF &pos) const;
    int visibleRowCount() const;

    QPointer<QAbstractItemModel> m_model;
    QPersistentModelIndex m_current;
    int m_firstVisibleRow = 0;
    int m_pressedRow = -1;
};

#endif // MPOPUPLIST_H
