// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "mdialog.h"

#include "mwindow.h"

#include <QFontMetricsF>
#include <QGraphicsScene>
#include <QPainter>

namespace {

// Above the tool bars and the picture, whatever z they use.
constexpr qreal DialogZValue = 10000;
// Room kept free between the dialog and the window's edges.
constexpr qreal WindowMargin = 16;
constexpr qreal MinimumDialogWidth = 360;
constexpr qreal MinimumTitleHeight = 56;
constexpr qreal TitlePadding = 12;

} // namespace

MDialog::MDialog()
    : MWidgetController(nullptr)
{
    // Not shown until it appears on a window.
    setVisible(false);
}

MDialog::~MDialog() = default;

QString MDialog::title() const
{
    return m_title;
}

void MDialog::setTitle(const QString &title)
{
    if (m_title == title)
        return;
    m_title = title;
    // A layout on the dialog starts below the title bar.
    setContentsMargins(0, titleHeight(), 0, 0);
    updateGeometry();
    update();
}

void MDialog::appear(MWindow *window, DeletionPolicy policy)
{
    if (!window || !window->scene())
        return;
    QGraphicsScene *target = window->scene();
    if (scene() && scene() != target)
        scene()->removeItem(this);
    m_window = window;
    m_policy = policy;
    if (!scene())
        target->addItem(this);
    setZValue(DialogZValue);

    // As large as the content wants, within the window less a margin; centred.
    const QRectF area = target->sceneRect();
    const QSizeF wanted = effectiveSizeHint(Qt::PreferredSize);
    const qreal width = qMax<qreal>(
        0, qMin(area.width() - 2 * WindowMargin, qMax(wanted.width(), MinimumDialogWidth)));
    const qreal height = qMax<qreal>(
        0, qMin(area.height() - 2 * WindowMargin, qMax(wanted.height(), titleHeight())));
    setGeometry(QRectF(area.center() - QPointF(width / 2, height / 2), QSizeF(width, height)));

    setVisible(true);
    emit appeared();
}

void MDialog::disappear()
{
    const bool wasShown = isVisible() || scene();
    setVisible(false);
    if (QGraphicsScene *current = scene())
        current->removeItem(this);
    m_window = nullptr;
    if (!wasShown)
        return;
    emit disappeared();
    if (m_policy == DestroyWhenDone)
        deleteLater();
}

void MDialog::dismiss()
{
    const bool wasShown = isVisible() || scene();
    disappear();
    if (wasShown && m_policy == DestroyWhenDismissed)
        deleteLater();
}

bool MDialog::isAppeared() const
{
    return m_window && scene() && isVisible();
}

MWindow *MDialog::appearedWindow() const
{
    return isAppeared() ? m_window.data() : nullptr;
}

void MDialog::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(QColor(0x50, 0x50, 0x50), 1));
    painter->setBrush(QColor(0x24, 0x24, 0x24));
    painter->drawRoundedRect(rect().adjusted(0.5, 0.5, -0.5, -0.5), 8, 8);

    const qreal barHeight = titleHeight();
    if (barHeight > 0) {
        const QRectF bar(rect().left(), rect().top(), rect().width(), barHeight);
        painter->setPen(QColor(0x50, 0x50, 0x50));
        painter->drawLine(bar.bottomLeft(), bar.bottomRight());
        painter->setPen(QColor(0xf2, 0xf2, 0xf2));
        painter->setFont(font());
        const QFontMetricsF metrics(font());
        const QRectF textArea = bar.adjusted(TitlePadding, 0, -TitlePadding, 0);
        painter->drawText(textArea, Qt::AlignCenter | Qt::TextSingleLine,
                          metrics.elidedText(m_title, Qt::ElideRight, textArea.width()));
    }
    painter->restore();
}

qreal MDialog::titleHeight() const
{
    if (m_title.isEmpty())
        return 0;
    return qMax(MinimumTitleHeight, QFontMetricsF(font()).height() + 2 * TitlePadding);
}
