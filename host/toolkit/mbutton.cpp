// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "mbutton.h"

#include <QFontMetricsF>
#include <QGraphicsSceneMouseEvent>
#include <QPainter>

namespace {

// Touch targets: a finger needs at least this much height, and the text some room.
constexpr qreal MinimumTouchHeight = 64;
constexpr qreal HorizontalPadding = 24;
constexpr qreal VerticalPadding = 12;
constexpr qreal CornerRadius = 8;

bool isInvertedStyle(const QString &styleName)
{
    return styleName.contains(QLatin1String("Inverted"));
}

} // namespace

MButton::MButton(QGraphicsItem *parent, MButtonModel *model)
    : MButton(QString(), parent, model)
{ }

MButton::MButton(const QString &text, QGraphicsItem *parent, MButtonModel *model)
    : MWidgetController(parent)
    , m_model(model ? model : new MButtonModel)
    , m_ownModel(!model)
{
    m_model->text = text;
    m_model->down = false;
    setAcceptedMouseButtons(Qt::LeftButton);
}

MButton::~MButton()
{
    if (m_ownModel)
        delete m_model;
}

QString MButton::text() const
{
    return m_model->text;
}

void MButton::setText(const QString &text)
{
    if (m_model->text == text)
        return;
    m_model->text = text;
    updateGeometry();
    update();
}

bool MButton::isCheckable() const
{
    return m_model->checkable;
}

void MButton::setCheckable(bool checkable)
{
    if (m_model->checkable == checkable)
        return;
    m_model->checkable = checkable;
    // A button that can no longer be checked cannot stay checked.
    if (!checkable)
        setChecked(false);
    update();
}

bool MButton::isChecked() const
{
    return m_model->checked;
}

void MButton::setChecked(bool checked)
{
    if (checked && !m_model->checkable)
        return;
    if (m_model->checked == checked)
        return;
    m_model->checked = checked;
    update();
    emit toggled(checked);
}

bool MButton::isDown() const
{
    return m_model->down;
}

void MButton::click()
{
    // toggled() comes first so that a button group has settled the check states
    // by the time clicked() listeners look at them.
    if (m_model->checkable)
        setChecked(!m_model->checked);
    emit clicked();
}

void MButton::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    const bool inverted = isInvertedStyle(styleName());
    const bool highlighted = m_model->checked || m_model->down;

    QColor fill = inverted ? QColor(0x2b, 0x2b, 0x2b) : QColor(0xe8, 0xe8, 0xe8);
    QColor border = inverted ? QColor(0x5a, 0x5a, 0x5a) : QColor(0xa0, 0xa0, 0xa0);
    QColor textColor = inverted ? QColor(0xf2, 0xf2, 0xf2) : QColor(0x1a, 0x1a, 0x1a);
    if (highlighted) {
        fill = inverted ? QColor(0x1f, 0x6f, 0xc4) : QColor(0x8c, 0xc3, 0xf5);
        border = fill.darker(130);
        if (inverted)
            textColor = Qt::white;
    }

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(border, 1));
    painter->setBrush(fill);
    painter->drawRoundedRect(rect().adjusted(0.5, 0.5, -0.5, -0.5), CornerRadius, CornerRadius);
    if (!m_model->text.isEmpty()) {
        painter->setPen(textColor);
        painter->setFont(font());
        painter->drawText(rect(), Qt::AlignCenter | Qt::TextSingleLine, m_model->text);
    }
    painter->restore();
    // Child items (labels placed on the button by a layout) are painted after
    // this, over the frame.
}

QSizeF MButton::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    const QFontMetricsF metrics(font());
    QSizeF own;
    switch (which) {
    case Qt::MinimumSize:
        own = QSizeF(2 * HorizontalPadding, metrics.height() + 2 * VerticalPadding);
        break;
    case Qt::PreferredSize:
        own = QSizeF(metrics.horizontalAdvance(m_model->text) + 2 * HorizontalPadding,
                     qMax(MinimumTouchHeight, metrics.height() + 2 * VerticalPadding));
        break;
    default:
        return MWidgetController::sizeHint(which, constraint);
    }
    // A button carrying a layout (labels on its face) needs room for that too.
    if (layout())
        own = own.expandedTo(MWidgetController::sizeHint(which, constraint));
    return own;
}

void MButton::mousePressEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    // Accepting makes this button the mouse grabber, so the release comes here too.
    event->accept();
    m_model->down = true;
    update();
}

void MButton::mouseReleaseEvent(QGraphicsSceneMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        event->ignore();
        return;
    }
    event->accept();
    const bool wasDown = m_model->down;
    m_model->down = false;
    update();
    // Lifting the finger outside the button cancels the tap.
    if (wasDown && rect().contains(event->pos()))
        click();
}
