// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "mlabel.h"

#include <QFontMetricsF>
#include <QGraphicsLayout>
#include <QPainter>

namespace {

bool isInvertedStyle(const QString &styleName)
{
    return styleName.contains(QLatin1String("Inverted"));
}

// Style names of the editor's tool-bar strips: a label used as their container
// paints the strip itself, since there is no theme here to do it.
bool isToolBarStripStyle(const QString &styleName)
{
    return styleName == QLatin1String("ImageEditorInfoControl")
        || styleName == QLatin1String("ImageEditorBcControl");
}

} // namespace

MLabel::MLabel(QGraphicsItem *parent, MLabelModel *model)
    : MWidgetController(parent)
    , m_model(model ? model : new MLabelModel)
    , m_ownModel(!model)
{ }

MLabel::MLabel(const QString &text, QGraphicsItem *parent)
    : MLabel(parent)
{
    m_model->text = text;
}

MLabel::~MLabel()
{
    if (m_ownModel)
        delete m_model;
}

QString MLabel::text() const
{
    return m_model->text;
}

void MLabel::setText(const QString &text)
{
    if (m_model->text == text)
        return;
    m_model->text = text;
    updateGeometry();
    update();
}

bool MLabel::textElide() const
{
    return m_model->textElide;
}

void MLabel::setTextElide(bool elide)
{
    if (m_model->textElide == elide)
        return;
    m_model->textElide = elide;
    // Eliding lets the label shrink below its text's width.
    updateGeometry();
    update();
}

Qt::Alignment MLabel::alignment() const
{
    return m_model->alignment;
}

void MLabel::setAlignment(Qt::Alignment alignment)
{
    if (m_model->alignment == alignment)
        return;
    m_model->alignment = alignment;
    update();
}

QString MLabel::displayedText() const
{
    // One line only: line breaks would make the text taller than the label.
    QString line = m_model->text;
    line.replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (!m_model->textElide)
        return line;
    const QFontMetricsF metrics(font());
    return metrics.elidedText(line, Qt::ElideRight, contentsRect().width());
}

void MLabel::paint(QPainter *painter, const QStyleOptionGraphicsItem *, QWidget *)
{
    painter->save();
    if (layout() && m_model->text.isEmpty() && isToolBarStripStyle(styleName()))
        painter->fillRect(rect(), QColor(0x1c, 0x1c, 0x1c));

    const QString shown = displayedText();
    if (!shown.isEmpty()) {
        const bool inverted = isInvertedStyle(styleName());
        painter->setPen(inverted ? QColor(0xf2, 0xf2, 0xf2) : QColor(0x1a, 0x1a, 0x1a));
        painter->setFont(font());
        painter->drawText(contentsRect(), int(m_model->alignment) | Qt::TextSingleLine, shown);
    }
    painter->restore();
}

QSizeF MLabel::sizeHint(Qt::SizeHint which, const QSizeF &constraint) const
{
    const QFontMetricsF metrics(font());
    qreal left = 0, top = 0, right = 0, bottom = 0;
    getContentsMargins(&left, &top, &right, &bottom);
    const qreal height = metrics.height() + top + bottom;

    QSizeF own;
    switch (which) {
    case Qt::MinimumSize:
        // An eliding label may shrink to its ellipsis; otherwise the text must fit.
        own = QSizeF((m_model->textElide ? metrics.horizontalAdvance(QChar(0x2026))
                                         : metrics.horizontalAdvance(m_model->text))
                         + left + right,
                     height);
        break;
    case Qt::PreferredSize:
        own = QSizeF(metrics.horizontalAdvance(m_model->text) + left + right, height);
        break;
    default:
        return MWidgetController::sizeHint(which, constraint);
    }
    if (layout()) {
        // A container: its layout decides, the (usually empty) text only adds a floor.
        const QSizeF laidOut = MWidgetController::sizeHint(which, constraint);
        return m_model->text.isEmpty() ? laidOut : own.expandedTo(laidOut);
    }
    return own;
}
