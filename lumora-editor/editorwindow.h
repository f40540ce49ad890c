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
// own. Save writes through PictureFile and keeps the history. The Save action asks
// whether to write a copy beside the opened file or replace it (SaveChoice; the copy is
// the default and the answer can be remembered); once a copy or a Save As was written,
// Save writes that file again. Save As suggests a copy's name, and a JPEG is written at
// the quality asked (the opened file's own by default). Opening another picture
// or closing with unsaved edits asks first; an active entry counts as
// an unsaved edit, and the prompt's Save confirms it before saving where Save would
// (Return never replaces the original: it is the default only when it copies). A file that cannot
// be read or written is said in the window's message bar and changes nothing; a file another
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
// Keys: Tab and the arrow keys reach the active tool bar's buttons and an open popup
// list's rows, Space or Return picks, Escape closes an open list alone, and the arrow
// keys nudge a crop selection (SceneKeys); Help, Keys lists every key. Undo and Redo
// name their step ("Undo Sepia").
//
// Compare: while the backslash key, or the "compare" button of the editor menu, is held,
// the view shows the original picture in place of the edited one and the status bar
// says so; on release the edited picture is back.
//
// Browsing: Previous and Next open the picture before or after the one shown in its
// folder's natural order (FolderBrowser), by Left/Right (mirrored right to left), Page
// Up/Page Down or a horizontal swipe, asking first about unsaved edits; File, Open
// Recent lists the last pictures opened. With no picture the view says how to open one,
// and Open stands first in the editor menu. View: fit (F, Ctrl+0), 100 % (1, Ctrl+1),
// zoom steps (+, -), full screen (F11; Escape leaves it when no entry is active), and
// the picture information panel (MetadataPanel, F9). The first window fits the screen
// (WindowPlacement).
//
// The window's shape picks the orientation tool bars are built for (taller than wide:
// portrait), and a turn rebuilds the active tool bar. Actions carry object names
// ("open", "save", "saveAs", "undo", "redo", "revert", "compare", "confirm", "cancel",
// "zoomIn", "zoomOut", "fit", "actualSize", "previous", "next", "fullScreen",
// "leaveFullScreen", "metadata", "language:en", "language:ar", "plugins", "quit"), entries
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
    // Save over the file last written (the opened one at first), asking nothing; Save As
    // to `path`. True when the save has started on
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
    // What the keyboard's focus ring is on (SceneKeys): "toolbar:<object name>",
    // "popup:<row>", or empty.
    QString keyboardFocus() const;
    // What the message bar says; empty when hidden.
    QString message() const;
    // Every touch target shown: "open", entries ("entry:<class>"), "undo", "redo", "confirm",
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
