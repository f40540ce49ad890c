// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MLABEL_H
#define MLABEL_H

#include "mwidgetcontroller.h"

// The state a label shows. A label made without one creates and owns its own.
class M_CORE_EXPORT MLabelModel
{
public:
    QString text;
    bool textElide = false;
    Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter;
};

// A single-line text; with eliding on, a text wider than the label ends in an
// ellipsis instead of being cut. Also serves as a styled container for a layout.
class M_CORE_EXPORT MLabel : public MWidgetController
{
    Q_OBJECT

public:
    // `model` is not owned; null gives the label a default model of its own.
    explicit MLabel(QGraphicsItem *parent = nullptr, MLabelModel *model = nullptr);
    explicit MLabel(const QString &text, QGraphicsItem *parent = nullptr);
    ~MLabel() override;

    QString text() const;
    void setText(const QString &text);
    bool textElide() const;
    void setTextElide(bool elide);
    Qt::Alignment alignment() const;
    void setAlignment(Qt::Alignment alignment);

    // The text as painted in the label's current width (elided when it is on).
    QString displayedText() const;

protected:
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;

private:
    MLabelModel *m_model; // owned when m_ownModel
    bool m_ownModel;
};

#endif // MLABEL_H
