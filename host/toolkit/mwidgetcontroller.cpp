// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "mwidgetcontroller.h"

namespace {
// Text on a touch screen is read at arm's length: the theme's body size, in pixels of
// an 854x480 screen.
constexpr int ThemeFontPixelSize = 20;
} // namespace

MWidgetController::MWidgetController(QGraphicsItem *parent)
    : QGraphicsWidget(parent)
{
    QFont themeFont = font();
    themeFont.setPixelSize(ThemeFontPixelSize);
    setFont(themeFont);
}

MWidgetController::~MWidgetController() = default;

QString MWidgetController::styleName() const
{
    return m_styleName;
}

void MWidgetController::setStyleName(const QString &name)
{
    if (m_styleName == name)
        return;
    m_styleName = name;
    // The look (colours, frame) is derived from the style name at paint time.
    update();
}

void MWidgetController::setObjectName(const QString &name)
{
    QObject::setObjectName(name);
}
