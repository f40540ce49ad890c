#include "lumoracropper.h"

#include "lumoraedituiprovider.h"

// The dragging behaviour is filled in with the crop tool; for now the selection is
// the whole picture and follows the ratio type only by remembering it.
class LumoraCropperPrivate
{
public:
    virtual ~LumoraCropperPrivate() = default;

    QSize imageSize;
    QRect selection;
    LumoraCropper::AspectRatioType type = LumoraCropper::AspectRatioFree;
};

LumoraCropper::LumoraCropper(QObject *parent)
    : LumoraEditPlugin(parent)
    , d(new LumoraCropperPrivate)
{
}

LumoraCropper::~LumoraCropper() = default;

bool LumoraCropper::containsUi() const
{
    return true;
}

bool LumoraCropper::zoomingAllowed() const
{
    return false;
}

bool LumoraCropper::receiveMouseEvent(QGraphicsSceneMouseEvent *)
{
    return false;
}

void LumoraCropper::paint(QPainter *, const QStyleOptionGraphicsItem *, QWidget *)
{
}

void LumoraCropper::setCropAspectRatioType(AspectRatioType type)
{
    d->type = type;
}

LumoraCropper::AspectRatioType LumoraCropper::cropAspectRatioType() const
{
    return d->type;
}

QRect LumoraCropper::selectionRect() const
{
    return d->selection;
}

void LumoraCropper::setSelectionRect(const QRect &rect)
{
    d->selection = rect.intersected(QRect(QPoint(0, 0), d->imageSize));
}

void LumoraCropper::activate()
{
    d->imageSize = editUiProvider() ? editUiProvider()->fullImageSize() : QSize();
    d->selection = QRect(QPoint(0, 0), d->imageSize);
}
