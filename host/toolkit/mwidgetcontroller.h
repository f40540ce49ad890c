// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MWIDGETCONTROLLER_H
#define MWIDGETCONTROLLER_H

#include "velmotouchcore_export.h"

#include <QGraphicsWidget>

// Base of every toolkit widget: a graphics widget with a theme style name.
class M_CORE_EXPORT MWidgetController : public QGraphicsWidget
{
    Q_OBJECT

public:
    // `parent` owns the widget, as with any graphics item.
    explicit MWidgetController(QGraphicsItem *parent = nullptr);
    ~MWidgetController() override;

    QString styleName() const;
    // The theme style that decides the widget's look. Repaints.
    void setStyleName(const QString &name);

    // Virtual in the toolkit so that widgets can follow their name (the theme
    // matches on it); sets QObject's object name.
    virtual void setObjectName(const QString &name);

private:
    QString m_styleName;
};

#endif // MWIDGETCONTROLLER_H
