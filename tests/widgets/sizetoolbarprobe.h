// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef SIZETOOLBARPROBE_H
#define SIZETOOLBARPROBE_H

#include "mbutton.h"
#include "mlabel.h"
#include "mlayout.h"
#include "mlinearlayoutpolicy.h"

#include <QGraphicsLinearLayout>
#include <QGraphicsScene>
#include <QGraphicsSceneMouseEvent>
#include <QTest>

// Reads a crop or resize tool bar as a host's tester sees it: through the scene and
// the toolkit classes only, since each plug-in keeps its own hidden copy of the size
// widget. The verify functions return early on a failure (QTest::currentTestFailed()).
namespace SizeToolBarProbe {

// The first item of `scene` of class T named `objectName` (any name when empty).
template<class T> T *find(QGraphicsScene *scene, const QString &objectName = QString())
{
    const QList<QGraphicsItem *> items = scene->items();
    for (QGraphicsItem *item : items) {
        T *object = qobject_cast<T *>(item->toGraphicsObject());
        if (object && (objectName.isEmpty() || object->objectName() == objectName))
            return object;
    }
    return nullptr;
}

// The size widget's labels by position: 0 information, 1 dimensions.
inline MLabel *label(const MButton *button, int position)
{
    const auto *layout = dynamic_cast<const QGraphicsLinearLayout *>(button->layout());
    if (!layout || position >= layout->count())
        return nullptr;
    return qobject_cast<MLabel *>(layout->itemAt(position)->graphicsItem()->toGraphicsObject());
}
inline QString infoText(const MButton *button)
{
    return label(button, 0)->text();
}
inline QString dimensionsText(const MButton *button)
{
    return label(button, 1)->text();
}

// A left-button press, move or release at `pos`, as scene and item position alike.
inline void fillMouseEvent(QGraphicsSceneMouseEvent &event, const QPointF &pos)
{
    event.setPos(pos);
    event.setScenePos(pos);
    event.setButton(event.type() == QEvent::GraphicsSceneMouseMove ? Qt::NoButton : Qt::LeftButton);
    event.setButtons(event.type() == QEvent::GraphicsSceneMouseRelease ? Qt::NoButton
                                                                       : Qt::LeftButton);
}

// A finger tap on `scene` at `scenePos`.
inline void tap(QGraphicsScene *scene, const QPointF &scenePos)
{
    for (QEvent::Type type :
         { QEvent::GraphicsSceneMousePress, QEvent::GraphicsSceneMouseRelease }) {
        QGraphicsSceneMouseEvent event(type);
        fillMouseEvent(event, scenePos);
        QCoreApplication::sendEvent(scene, &event);
    }
}

using Margins = QList<qreal>;
inline Margins marginsOf(const QGraphicsLayoutItem *item)
{
    qreal left, top, right, bottom;
    item->getContentsMargins(&left, &top, &right, &bottom);
    return { left, top, right, bottom };
}

inline void verifyLabel(const MLabel *label, const char *styleName, int alignment,
                        QSizePolicy::Policy policy)
{
    QVERIFY(label);
    QCOMPARE(label->styleName(), QLatin1String(styleName));
    QVERIFY(label->textElide());
    QCOMPARE(int(label->alignment()), alignment);
    QCOMPARE(label->sizePolicy(), QSizePolicy(policy, policy, QSizePolicy::DefaultType));
}

// The size widget: no margins, the information label left, the dimensions label right.
inline void verifyButton(const MButton *button)
{
    QVERIFY(button);
    QCOMPARE(button->metaObject()->className(), "EditSizeWidget");
    QVERIFY(button->text().isEmpty()); // the caption, never set
    QCOMPARE(marginsOf(button), Margins({ 0, 0, 0, 0 }));
    const auto *layout = dynamic_cast<const QGraphicsLinearLayout *>(button->layout());
    QVERIFY(layout && layout->orientation() == Qt::Horizontal && layout->count() == 2);
    verifyLabel(label(button, 0), "TempCommonInvertedButtonInformationLabel", 0x81,
                QSizePolicy::Minimum);
    verifyLabel(label(button, 1), "TempCommonInvertedButtonDimensionsLabel", 0x82,
                QSizePolicy::Preferred);
}

// A tool bar as the host receives it, holding `button` named `objectName`, centred
// between two equal stretches.
inline void verifyToolBar(QGraphicsWidget *toolBar, const MButton *button, const char *objectName)
{
    verifyButton(button);
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(button->objectName(), QLatin1String(objectName));
    QCOMPARE(button->styleName(), QLatin1String("TempCommonSingleOversizeInvertedButton"));
    QCOMPARE(button->sizePolicy(),
             QSizePolicy(QSizePolicy::Expanding, QSizePolicy::Maximum, QSizePolicy::DefaultType));

    auto *container = qobject_cast<MLabel *>(toolBar);
    QVERIFY(container && button->parentItem() == container);
    QCOMPARE(container->styleName(), QLatin1String("ImageEditorInfoControl"));
    QCOMPARE(marginsOf(container), Margins({ 0, 0, 0, 0 }));
    auto *layout = dynamic_cast<MLayout *>(container->layout());
    QVERIFY(layout && !layout->animation());
    QCOMPARE(marginsOf(layout), Margins({ 0, 0, 0, 0 }));
    auto *policy = dynamic_cast<MLinearLayoutPolicy *>(layout->policy());
    QVERIFY(policy && policy->isActive() && policy->orientation() == Qt::Horizontal);
    qreal left, top, right, bottom;
    policy->getContentsMargins(&left, &top, &right, &bottom);
    QCOMPARE(Margins({ left, top, right, bottom }), Margins({ 0, 0, 0, 0 }));

    const QList<MLinearLayoutPolicy::Entry> entries = policy->entries();
    QCOMPARE(entries.size(), 3);
    QVERIFY(!entries[0].item && entries[0].stretch == 1);
    QVERIFY(entries[1].item == static_cast<const QGraphicsLayoutItem *>(button));
    QCOMPARE(int(entries[1].alignment), 0x84);
    QVERIFY(!entries[2].item && entries[2].stretch == 1);
}

} // namespace SizeToolBarProbe

#endif // SIZETOOLBARPROBE_H
