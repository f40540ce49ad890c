// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#ifndef EDITORWINDOW_H
#define EDITORWINDOW_H

#include <QList>
#include <QLocale>
#include <QMainWindow>
#include <QRect>
#include <QString>

#include <functional>
#include <memory>

class EditHistory;
class EditedPicture;
class PictureView;
class PluginLoader;
class PluginSession;
class QAction;

// The picture editor as a person uses it: the picture fitted in a view, the editor menu
// built from the loaded plug-ins in menu order, and while an entry is active its tool
// bar at the bottom of the picture with Confirm and Cancel beside it.
//
// Entries are driven through PluginSession, as every front end drives them, with a
// LiveProvider in front of the picture's editor: every filter a plug-in runs (a tapped
// effect as much as a confirmed crop) shows in the view at once, and Cancel shows the
// picture as it was before the entry was picked. Each confirmed edit becomes one undo
// step (EditHistory); Edit, Revert to Original takes every edit back as one step of its
// own. Save writes through PictureFile and keeps the history. Opening another picture
// or closing with unsaved edits asks first; an active entry counts as
// an unsaved edit, and the prompt's Save confirms it before saving. A file that cannot be
// read or written is said in the window's message bar and changes nothing; a file another
// program changed since it was opened is saved over with the picture shown, and the
// message bar says so.
//
// Save renders the full picture on a worker thread while the window goes on: the status
// bar shows its progress and a Cancel button, and editing, opening and another save wait
// until it ends (saveFinished()). Nothing is written before the render is complete; a
// cancelled save leaves the file as it was and the message bar says so. Closing while a
// save runs asks whether to close once it is done or to stop it and close; a window
// destroyed meanwhile stops the render and waits for the worker. While a save runs the
// process's global QThreadPool is held to one thread (its size is given back after),
// so that the window's painting never waits for threads the save's filters hold.
//
// Compare: while the backslash key, or the "compare" button of the editor menu, is held,
// the view shows the original picture in place of the edited one and the status bar
// says so; on release the edited picture is back.
//
// The window's shape picks the orientation tool bars are built for (taller than wide:
// portrait), and a turn rebuilds the active tool bar. Actions carry object names
// ("open", "save", "saveAs", "undo", "redo", "revert", "compare", "confirm", "cancel",
// "zoomIn", "zoomOut", "fit", "language:en", "language:ar", "plugins", "quit"), entries
// "entry:<class>"; the one-shot entries' keys are the engine's (Operations::presets()).
//
// One window per process: the plug-ins' instances are the process's, and the window
// that loads them last owns them.
class EditorWindow : public QMainWindow
{
    Q_OBJECT

public:
    struct Options
    {
        QStringList pluginDirs; // in search order (PluginPaths::folders())
        QLocale locale = QLocale(QLocale::English, QLocale::UnitedKingdom);
        // Where to keep a map of the window's touch targets and state for automation
        // (LUMORA_EDITOR_UI_MAP in the program); empty: none.
        QString uiMapPath;
        // The size the picture shown is reduced to cover, in device pixels; invalid: the
        // screen's. The full picture is rendered only when it is saved.
        QSize coveredSize;
    };

    // Something a finger can hit, by stable name, in window coordinates.
    struct Target
    {
        QString name;
        QRect rect;
    };

    explicit EditorWindow(const Options &options, QWidget *parent = nullptr);
    ~EditorWindow() override;

    // Opens `path` in place of the picture shown, asking first about unsaved edits.
    void openPicture(const QString &path);
    // Save over the opened file; Save As to `path`. True when the save has started on
    // its worker (saveFinished() tells how it ended); false when it could not start (an
    // entry active, another save running, no format of that name: said in the message
    // bar).
    bool save();
    bool saveAs(const QString &path);
    bool isSaving() const;
    // Stops the save running, if any: nothing is written, saveFinished(false) follows.
    void cancelSave();
    // As a tap on the entry of that plug-in class.
    void pick(const QString &pluginClass);
    void confirm();
    void cancel();
    // Reloads the plug-ins in `locale`'s language and lays the window out for its
    // writing direction; refused while an entry is active.
    bool setLanguage(const QLocale &locale);

    // The window's parts, owned by it.
    EditedPicture &picture() const;
    EditHistory *history() const;
    PictureView *view() const;
    PluginLoader &loader() const;
    // The active entry's session, or null; owned by the window.
    PluginSession *session() const;
    // The editor-menu entries, in menu order.
    QList<QAction *> entries() const;
    // What the message bar says; empty when hidden.
    QString message() const;
    // Every touch target shown: entries ("entry:<class>"), "undo", "redo", "confirm",
    // "cancel", the tool bar's named items ("toolbar:<object name>"), the rows of a popup
    // list ("popup:<row>"), "compare", "cancelSave" while a save runs, the crop handles
    // ("handle:0".."handle:3", clockwise from the top left) and "picture".
    QList<Target> touchTargets() const;

Q_SIGNALS:
    void sessionChanged();
    void pictureChanged();
    void messageChanged(const QString &message);
    // A save started by save() or saveAs() ended: written, or failed or cancelled with
    // the reason in the message bar.
    void saveFinished(bool saved);

protected:
    void closeEvent(QCloseEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dropEvent(QDropEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class Private;
    const std::unique_ptr<Private> d;
};

#endif // EDITORWINDOW_H
