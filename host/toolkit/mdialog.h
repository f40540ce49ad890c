// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef MDIALOG_H
#define MDIALOG_H

#include "mwidgetcontroller.h"

#include <QPointer>

class MWindow;

// A modal panel with a title, shown on a window's scene and hidden again.
class M_CORE_EXPORT MDialog : public MWidgetController
{
    Q_OBJECT

public:
    // What happens to the dialog once it has disappeared.
    enum DeletionPolicy {
        KeepWhenDone = 0, // stays, to be shown again
        DestroyWhenDone = 1, // deleted later
        DestroyWhenDismissed = 2 // deleted later only when dismissed
    };

    MDialog();
    ~MDialog() override;

    QString title() const;
    void setTitle(const QString &title);

    // Shows the dialog on `window`'s scene (it becomes an item of that scene) above
    // everything else. A null window shows nothing. The dialog stays owned by its
    // creator, not by the scene or the window (`window` is not owned either); a
    // window going away takes its dialogs out of its scene first.
    virtual void appear(MWindow *window, DeletionPolicy policy = KeepWhenDone);
    // Hides the dialog and takes it out of the scene; harmless when not shown.
    virtual void disappear();
    // The user closed the dialog without a choice: as disappear().
    virtual void dismiss();
    bool isAppeared() const;
    // The window it is shown on (not owned), or null.
    MWindow *appearedWindow() const;

Q_SIGNALS:
    void appeared();
    void disappeared();

protected:
    void paint(QPainter *painter, const QStyleOptionGraphicsItem *option, QWidget *widget) override;
    // Height of the title bar painted at the top.
    qreal titleHeight() const;

private:
    QString m_title;
    QPointer<MWindow> m_window;
    DeletionPolicy m_policy = KeepWhenDone;
};

#endif // MDIALOG_H
