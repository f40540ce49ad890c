// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef SCENEKEYS_H
#define SCENEKEYS_H

#include <QObject>
#include <QString>

#include <memory>

class PictureView;
class PluginSession;
class QKeyEvent;

// The keyboard's way into the toolkit scene the view shows, which has no focus of its
// own: while a plug-in is active, Tab and Shift+Tab move a focus ring over its tool
// bar's named buttons (and Left and Right along them, mirrored right to left); Space or
// Return taps what the ring is on. While a popup list is open the ring is on its rows
// only: it starts on the current row, scrolled into view, Up and Down (and Tab) move
// it, scrolling the list, and Space or Return picks the row.
//
// The arrow keys with no ring placed nudge a crop selection by one picture pixel (ten
// with Shift), stopping at the picture's edges.
//
// The ring is an item of the view's scene above everything, so that the tool bar and
// the popup paint as they always do. A tap is given as a finger gives it: a press and a
// release at the middle of the item, through the scene.
class SceneKeys : public QObject
{
    Q_OBJECT

public:
    // `view` is not owned and must outlive this.
    explicit SceneKeys(PictureView *view, QObject *parent = nullptr);
    ~SceneKeys() override;

    // The active session (not owned; null when none). Takes the ring away.
    void setSession(PluginSession *session);

    // Whether `event` (a key press or a shortcut override) is one this takes now: such
    // a key goes to handleKey() rather than to the window's shortcuts.
    bool wantsKey(const QKeyEvent *event) const;
    // Acts on a key wantsKey() took; true when something happened.
    bool handleKey(const QKeyEvent *event);

    // What the ring is on: "toolbar:<object name>", "popup:<row>", or empty.
    QString focused() const;

Q_SIGNALS:
    // The ring moved, or what it is on changed.
    void focusChanged(const QString &focused);
    // A crop selection was nudged.
    void selectionNudged();

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // SCENEKEYS_H
