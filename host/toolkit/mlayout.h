// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MLAYOUT_H
#define MLAYOUT_H

#include "mnamespace.h"
#include "velmotouchcore_export.h"

#include <QGraphicsLayout>
#include <QList>

class MAbstractLayoutPolicy;
class MLayoutAnimation;

// A layout whose arrangement comes from policies. The layout holds the items; each
// policy decides where the items it knows go, and only the active policy's items
// are shown. A policy may be registered for landscape and another for portrait;
// setOrientation() switches to the one registered for an orientation.
class M_CORE_EXPORT MLayout : public QGraphicsLayout
{
public:
    // With a parent widget the layout installs itself on it, and the widget owns it.
    explicit MLayout(QGraphicsLayoutItem *parent = nullptr);
    // Deletes its policies. Its items leave the layout: widgets are not deleted,
    // sub-layouts owned by the layout (ownedByLayout()) are, as with Qt's layouts.
    ~MLayout() override;

    // Animation of item moves; null (the only kind offered here) places items at once.
    // `animation` is not owned.
    void setAnimation(MLayoutAnimation *animation);
    MLayoutAnimation *animation() const;

    // Registers `policy` for both orientations and makes it the active one. The
    // policies passed here must have been made on this layout, which owns them
    // already; any other policy is ignored.
    void setPolicy(MAbstractLayoutPolicy *policy);
    // The active policy.
    MAbstractLayoutPolicy *policy() const;
    void setLandscapePolicy(MAbstractLayoutPolicy *policy);
    MAbstractLayoutPolicy *landscapePolicy() const;
    void setPortraitPolicy(MAbstractLayoutPolicy *policy);
    MAbstractLayoutPolicy *portraitPolicy() const;
    QList<MAbstractLayoutPolicy *> registeredPolicies() const;

    // Activates the policy registered for `orientation`, if any.
    void setOrientation(M::Orientation orientation);

    virtual void setContentsMargins(qreal left, qreal top, qreal right, qreal bottom);

    // Index of `item` among the layout's items, or -1.
    int indexOf(const QGraphicsLayoutItem *item) const;

    // QGraphicsLayout
    int count() const override;
    QGraphicsLayoutItem *itemAt(int index) const override;
    void removeAt(int index) override;
    void setGeometry(const QRectF &rect) override;
    void invalidate() override;

protected:
    QSizeF sizeHint(Qt::SizeHint which, const QSizeF &constraint = QSizeF()) const override;

private:
    friend class MAbstractLayoutPolicy;
    int addItemFromPolicy(QGraphicsLayoutItem *item);
    void removeItemFromPolicy(QGraphicsLayoutItem *item);
    void activatePolicy(MAbstractLayoutPolicy *policy);
    void registerPolicy(MAbstractLayoutPolicy *policy);
    void unregisterPolicy(MAbstractLayoutPolicy *policy);
    void updateVisibility();

    QList<QGraphicsLayoutItem *> m_items;
    QList<MAbstractLayoutPolicy *> m_policies; // owned, deleted by the layout unless deleted first
    MAbstractLayoutPolicy *m_active = nullptr;
    MAbstractLayoutPolicy *m_landscape = nullptr;
    MAbstractLayoutPolicy *m_portrait = nullptr;
    MLayoutAnimation *m_animation = nullptr;
};

#endif // MLAYOUT_H
