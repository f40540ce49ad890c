#include "mwidgetcontroller.h"

MWidgetController::MWidgetController(QGraphicsItem *parent)
    : QGraphicsWidget(parent)
{ }

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
