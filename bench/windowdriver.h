// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef WINDOWDRIVER_H
#define WINDOWDRIVER_H

#include <QSize>
#include <QString>

#include <functional>
#include <memory>

class QWidget;

// Every call the window benchmark makes on the editor window, in this one class: the
// window's interface is changing, and only windowdriver.cpp should need to follow it.
//
// Each call that can fail returns false with the reason in *error (a missing action or
// touch target, a message in the window's message bar), never aborts.
class WindowDriver
{
public:
    // The editor window with the built plug-ins, shown at `size`; owned here.
    explicit WindowDriver(const QSize &size);
    ~WindowDriver();
    WindowDriver(const WindowDriver &) = delete;
    WindowDriver &operator=(const WindowDriver &) = delete;

    // False, with the reason, when the window could not be shown.
    bool isReady(QString *error) const;
    // Where the picture is painted.
    QWidget *viewport() const;
    // Called whenever the picture shown is replaced (a new file, an edit, an undo step).
    void onPictureChanged(const std::function<void()> &call);

    // Opens `path`; true once the window has accepted it (it may still be decoding).
    bool open(const QString &path, QString *error);
    // The size of the picture being edited; invalid when none.
    QSize pictureSize() const;
    // A tap on a touch target by name: "entry:<plug-in class>", "toolbar:<button>",
    // "confirm", "undo", "redo".
    bool tap(const QString &target, QString *error);
    // Starts writing the picture to `path` (a new file); whether it is done when this
    // returns depends on the window: the output appears whole when it is.
    bool startSave(const QString &path, QString *error);
    // Forgets unsaved edits, so that closing asks nothing.
    void discardEdits();

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // WINDOWDRIVER_H
