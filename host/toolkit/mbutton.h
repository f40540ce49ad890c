// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MBUTTON_H
#define MBUTTON_H

#include "mwidgetcontroller.h"

// The state a button shows. A button made without one creates and owns its own.
class M_CORE_EXPORT MButtonModel
{
public:
    QString text;
    bool checkable = false;
    bool checked = false;
    bool down = false;
};

// A touch button: paints a frame and its text; a press then a release inside it
// is a tap, which toggles a checkable button and emits clicked().
class M_CORE_EXPORT MButton : public MWidgetController
{
    Q_OBJECT

public:
    // `model` is not owned; null gives the button a default model of its own.
    explicit MButton(QGraphicsItem *parent = nullptr, MButtonModel *model = nullptr);
    explicit MButton(const QString &text, QGraphicsItem *parent = nullptr,
                     MButtonModel *model = nullptr);
    ~MButton() override;

    QString text() const;
    void setText(const QString &text);
    bool isCheckable() const;
    void setCheckable(bool checkable);
    bool isChecked() const;
    void setChecked(bool checked);
    bool isDown() const;

    // A tap, as the user's finger gives it: toggles a checkable button, then clicked().
    void click();

Q_SIGNALS:
    void clicked();
    void toggled(bool checked);

protected:
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;
    void mousePressEvent(QGraphicsSceneMouseEvent *event) override;
    void mouseReleaseEvent(QGraphicsSceneMouseEvent *event) override;

private:
    MButtonModel *m_model; // owned when m_ownModel
    bool m_ownModel;
};

#endif // MBUTTON_H
