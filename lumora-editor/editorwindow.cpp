// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "editorwindow.h"
#include "lumoraversion.h"

#include "catalogue.h"
#include "displaytext.h"
#include "editedpicture.h"
#include "edithistory.h"
#include "editoricons.h"
#include "folderbrowser.h"
#include "imageeditor.h"
#include "liveprovider.h"
#include "lumoracropper.h"
#include "lumoraeditplugin.h"
#include "mapplication.h"
#include "mbutton.h"
#include "metadatapanel.h"
#include "mpopuplist.h"
#include "mwindow.h"
#include "operation.h"
#include "picturefile.h"
#include "pictureview.h"
#include "pluginloader.h"
#include "pluginsession.h"
#include "savechoice.h"
#include "scenekeys.h"
#include "windowplacement.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QGraphicsScene>
#include <QGraphicsWidget>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLibraryInfo>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QSaveFile>
#include <QScreen>
#include <QStatusBar>
#include <QThreadPool>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTranslator>
#include <QTreeWidget>
#include <QUndoStack>
#include <QVBoxLayout>
#include <QtConcurrent/QtConcurrentRun>

#include <atomic>
#include <optional>

namespace {

const QString Software = QStringLiteral("lumora-editor " LUMORA_VERSION);
constexpr int TouchSize = PictureView::HandleSize;

// The keys of the photo viewers people know (Gwenview, Shotwell): a one-shot edit's is
// the engine's, with the edit it makes; crop is a window's tool, so its key is here.
QKeySequence shortcutFor(const QString &pluginClass)
{
    if (pluginClass == QLatin1String("EditCropPlugin"))
        return QKeySequence(Qt::Key_C);
    for (const auto &[operation, preset] : Operations::presets()) {
        if (preset.pluginClass == pluginClass && !preset.shortcut.isEmpty())
            return QKeySequence(preset.shortcut, QKeySequence::PortableText);
    }
    return QKeySequence();
}

// What a save on the worker hands back.
struct SaveResult
{
    QString path;
    bool saved = false;
    QString error;
    QStringList warnings;
    bool changedOnDisk = false;
};

// "Crop (C)": the text with its key, for tooltips.
QString withKey(const QString &text, const QKeySequence &keys)
{
    QString plain = text;
    plain.remove(QLatin1Char('&'));
    if (keys.isEmpty())
        return plain;
    return QStringLiteral("%1 (%2)").arg(plain, keys.toString(QKeySequence::NativeText));
}

void collectNamed(QGraphicsItem *root, QList<QGraphicsObject *> *out)
{
    for (QGraphicsItem *child : root->childItems()) {
        QGraphicsObject *object = child->toGraphicsObject();
        if (object && object->isVisible() && !object->objectName().isEmpty())
            out->append(object);
        collectNamed(child, out);
    }
}

MPopupList *shownPopup(QGraphicsScene *scene)
{
    const QList<QGraphicsItem *> items = scene->items();
    for (QGraphicsItem *item : items) {
        auto *popup = qobject_cast<MPopupList *>(item->toGraphicsObject());
        if (popup && popup->isAppeared())
            return popup;
    }
    return nullptr;
}

} // namespace

class EditorWindow::Private
{
public:
    explicit Private(EditorWindow *window, const Options &options)
        : q(window)
        , options(options)
        , toolkitWindow(new MWindow)
        , history(picture)
        , provider(picture.editor(), [this] { showEditInProgress(); })
    { }
    virtual ~Private() = default;

    void buildWidgets();
    void buildActions();
    void loadPlugins();
    void retranslate();
    void updateActions();
    void updateStatus();
    void updateOrientation();
    void showMessage(const QString &text);
    void hideMessage();

    void startSession(const QString &pluginClass);
    void sessionFinished(PluginSession::Outcome outcome);
    void setBusy(bool busy);
    void rebuildToolBar();
    void pictureReplaced();
    void showEditInProgress();

    void whenReadyToDiscard(const std::function<void()> &then);
    void openDialog();
    void saveAsDialog();
    void saveChosen();
    QString saveTarget() const;
    bool doOpen(const QString &path);
    bool startSave(const QString &path, const std::function<void()> &then = {}, int quality = 0);
    void saveDone();
    void askToCloseWhileSaving();
    void revert();
    void setComparing(bool on);
    bool isIdle() const { return !session && !busy && !saving; }
    void browse(int step);
    void updateBrowseKeys();
    void updateRecent();
    void showPlugins();
    void showKeys();
    QString shownName() const;

    void scheduleUiMap();
    void writeUiMap();

    EditorWindow *q;
    Options options;
    // Declared in this order so that the plug-ins (which own their popups) go before
    // the toolkit window, whose scene shows them.
    std::unique_ptr<MWindow> toolkitWindow; // never shown: its scene is the view's
    std::unique_ptr<SceneKeys> keys; // its ring is an item of that scene
    std::unique_ptr<PluginLoader> loader;
    EditedPicture picture;
    EditHistory history;
    LiveProvider provider; // what the plug-ins are handed: the view follows every filter
    PluginSession *session = nullptr; // owned; deleted later once it has finished
    PluginSession::Outcome lastOutcome = PluginSession::Running; // of the session left last
    EditList before; // the edits when the session started, for its undo step
    QString sessionText;
    QLocale locale;
    QTranslator translator; // the window's own texts
    QTranslator qtTranslator; // Qt's dialogs
    QString savePath; // where Save writes: the opened file, or the last Save As
    bool closeConfirmed = false;
    bool busy = false;
    int saves = 0;

    // The save running on the worker; it reads the picture, which nothing edits meanwhile.
    QFutureWatcher<SaveResult> saveWatcher;
    // The save's own thread, not one of the global pool's: the filters split their work
    // over that pool, and so does the raster engine painting the window, which would
    // otherwise wait behind the save for a free thread.
    QThreadPool savePool;
    // The global pool's size before the save, which holds it to one thread: the filters
    // then work in the save's own thread, and a thread stays free for the raster engine,
    // whose fills wait for one (a blocking map keeps every thread it gets to the end).
    int globalThreads = 0;
    void holdGlobalPool(bool hold)
    {
        QThreadPool *pool = QThreadPool::globalInstance();
        if (hold && globalThreads == 0) {
            globalThreads = pool->maxThreadCount();
            pool->setMaxThreadCount(1);
        } else if (!hold && globalThreads > 0) {
            pool->setMaxThreadCount(std::exchange(globalThreads, 0));
        }
    }
    std::atomic_bool saveCancelled { false };
    bool saving = false;
    std::function<void()> afterSave; // run once the running save has written its file
    bool closeAfterSave = false;
    QProgressBar *saveProgress = nullptr;
    QPushButton *cancelSaveButton = nullptr;
    bool comparing = false;
    QTimer compareRelease; // a release of the compare key, unless a press follows at once

    PictureView *view = nullptr;
    QToolBar *menuStrip = nullptr;
    QWidget *actionBar = nullptr;
    QPushButton *confirmButton = nullptr;
    QPushButton *cancelButton = nullptr;
    QFrame *messageBar = nullptr;
    QLabel *messageLabel = nullptr;
    QLabel *sizeLabel = nullptr;
    QMenu *fileMenu = nullptr;
    QMenu *editMenu = nullptr;
    QMenu *viewMenu = nullptr;
    QMenu *languageMenu = nullptr;
    QAction *entriesEnd = nullptr; // separator after the entries in the Edit menu
    QList<QAction *> entries;
    QAction *openAction = nullptr;
    QAction *saveAction = nullptr;
    QAction *saveAsAction = nullptr;
    QAction *quitAction = nullptr;
    QAction *undoAction = nullptr;
    QAction *redoAction = nullptr;
    QAction *revertAction = nullptr;
    QAction *compareAction = nullptr;
    QAction *confirmAction = nullptr;
    QAction *cancelAction = nullptr;
    QAction *zoomInAction = nullptr;
    QAction *zoomOutAction = nullptr;
    QAction *fitAction = nullptr;
    QAction *actualSizeAction = nullptr;
    QAction *previousAction = nullptr;
    QAction *nextAction = nullptr;
    QAction *fullScreenAction = nullptr;
    QAction *leaveFullScreenAction = nullptr;
    QMenu *recentMenu = nullptr;
    MetadataPanel *metadataPanel = nullptr; // owned by the window
    FolderBrowser browser; // the opened picture's folder
    QAction *englishAction = nullptr;
    QAction *arabicAction = nullptr;
    QAction *pluginsAction = nullptr;
    QAction *keysAction = nullptr;
    QMenu *helpMenu = nullptr;
    QPointer<QDialog> pluginsDialog;
    QTimer uiMapTimer;
};

void EditorWindow::Private::buildWidgets()
{
    auto *central = new QWidget(q);
    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    messageBar = new QFrame(central);
    messageBar->setObjectName(QStringLiteral("messageBar"));
    messageBar->setAutoFillBackground(true);
    QPalette palette = messageBar->palette();
    palette.setColor(QPalette::Window, QColor(0xf6, 0xe0, 0xa8));
    palette.setColor(QPalette::WindowText, QColor(0x30, 0x20, 0x00));
    messageBar->setPalette(palette);
    auto *messageLayout = new QHBoxLayout(messageBar);
    messageLabel = new QLabel(messageBar);
    messageLabel->setWordWrap(true);
    auto *closeMessage = new QToolButton(messageBar);
    closeMessage->setText(QStringLiteral("×"));
    closeMessage->setMinimumSize(TouchSize, TouchSize);
    closeMessage->setAutoRaise(true);
    QObject::connect(closeMessage, &QToolButton::clicked, q, [this] { hideMessage(); });
    messageLayout->addWidget(messageLabel, 1);
    messageLayout->addWidget(closeMessage);
    messageBar->hide();

    view = new PictureView(toolkitWindow.get(), central);
    view->setObjectName(QStringLiteral("pictureView"));
    QObject::connect(view, &PictureView::previewSizeChanged, q,
                     [this](const QSize &size) { picture.editor().setPreviewImageSize(size); });
    QObject::connect(view, &PictureView::zoomChanged, q, [this] { updateStatus(); });
    QObject::connect(view, &PictureView::layoutChanged, q, [this] { scheduleUiMap(); });
    // The finger moves the way the pictures run: towards the start for the next one.
    QObject::connect(view, &PictureView::swiped, q, [this](int direction) {
        browse(q->layoutDirection() == Qt::RightToLeft ? direction : -direction);
    });

    metadataPanel = new MetadataPanel(q);
    q->addDockWidget(Qt::RightDockWidgetArea, metadataPanel);
    metadataPanel->setVisible(MetadataPanel::rememberedShown());
    keys = std::make_unique<SceneKeys>(view);
    QObject::connect(keys.get(), &SceneKeys::focusChanged, q, [this] { scheduleUiMap(); });
    QObject::connect(keys.get(), &SceneKeys::selectionNudged, q, [this] { scheduleUiMap(); });

    actionBar = new QWidget(central);
    actionBar->setObjectName(QStringLiteral("actionBar"));
    auto *actionLayout = new QHBoxLayout(actionBar);
    cancelButton = new QPushButton(actionBar);
    confirmButton = new QPushButton(actionBar);
    for (QPushButton *button : { cancelButton, confirmButton }) {
        // Return and Escape belong to the window's actions, whatever has the focus.
        button->setFocusPolicy(Qt::NoFocus);
        button->setMinimumSize(3 * TouchSize, TouchSize);
        button->setIconSize(QSize(24, 24));
    }
    for (QPushButton *button : { cancelButton, confirmButton }) {
        // Icon and label side by side in the middle, in reading order, laid out here: Qt's
        // styles set a right-to-left label at the far end of a button wider than it.
        auto *inner = new QHBoxLayout(button);
        inner->setContentsMargins(8, 0, 8, 0);
        inner->setSpacing(6);
        auto *icon = new QLabel(button);
        icon->setObjectName(QStringLiteral("icon"));
        auto *label = new QLabel(button);
        label->setObjectName(QStringLiteral("label"));
        for (QLabel *part : { icon, label })
            part->setAttribute(Qt::WA_TransparentForMouseEvents);
        inner->addStretch(1);
        inner->addWidget(icon);
        inner->addWidget(label);
        inner->addStretch(1);
    }
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    confirmButton->setObjectName(QStringLiteral("confirmButton"));
    confirmButton->setDefault(true);
    QObject::connect(cancelButton, &QPushButton::clicked, q, [this] { q->cancel(); });
    QObject::connect(confirmButton, &QPushButton::clicked, q, [this] { q->confirm(); });
    actionLayout->addWidget(cancelButton);
    actionLayout->addStretch(1);
    actionLayout->addWidget(confirmButton);
    actionBar->hide();

    layout->addWidget(messageBar);
    layout->addWidget(view, 1);
    layout->addWidget(actionBar);
    q->setCentralWidget(central);

    menuStrip = new QToolBar(q);
    menuStrip->setObjectName(QStringLiteral("editorMenu"));
    menuStrip->setMovable(false);
    menuStrip->setFloatable(false);
    menuStrip->setIconSize(QSize(32, 32));
    menuStrip->setContextMenuPolicy(Qt::PreventContextMenu);
    q->addToolBar(Qt::TopToolBarArea, menuStrip);

    sizeLabel = new QLabel(q);
    sizeLabel->setObjectName(QStringLiteral("sizeLabel"));
    q->statusBar()->addPermanentWidget(sizeLabel);

    saveProgress = new QProgressBar(q);
    saveProgress->setObjectName(QStringLiteral("saveProgress"));
    saveProgress->setMaximumWidth(12 * TouchSize);
    saveProgress->hide();
    cancelSaveButton = new QPushButton(q);
    cancelSaveButton->setObjectName(QStringLiteral("cancelSave"));
    cancelSaveButton->setMinimumSize(2 * TouchSize, TouchSize);
    cancelSaveButton->setFocusPolicy(Qt::NoFocus);
    cancelSaveButton->hide();
    QObject::connect(cancelSaveButton, &QPushButton::clicked, q, [this] { q->cancelSave(); });
    q->statusBar()->addPermanentWidget(saveProgress);
    q->statusBar()->addPermanentWidget(cancelSaveButton);
    QObject::connect(&saveWatcher, &QFutureWatcher<SaveResult>::finished, q,
                     [this] { saveDone(); });
}

void EditorWindow::Private::buildActions()
{
    const auto make = [this](const char *name, const QList<QKeySequence> &keys,
                             const std::function<void()> &slot) {
        auto *action = new QAction(q);
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcuts(keys);
        QObject::connect(action, &QAction::triggered, q, slot);
        // Keys work wherever the focus is in the window, menus shown or not.
        q->addAction(action);
        return action;
    };
    openAction = make("open", { QKeySequence(Qt::CTRL | Qt::Key_O) }, [this] { openDialog(); });
    saveAction = make("save", { QKeySequence(Qt::CTRL | Qt::Key_S) }, [this] { saveChosen(); });
    saveAsAction = make("saveAs", { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S) },
                        [this] { saveAsDialog(); });
    quitAction = make("quit", { QKeySequence(Qt::CTRL | Qt::Key_Q) }, [this] { q->close(); });
    undoAction = make("undo", { QKeySequence(Qt::CTRL | Qt::Key_Z) }, [this] {
        if (!isIdle())
            return;
        history.stack()->undo();
        pictureReplaced();
    });
    redoAction = make("redo", { QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z) }, [this] {
        if (!isIdle())
            return;
        history.stack()->redo();
        pictureReplaced();
    });
    revertAction = make("revert", {}, [this] { revert(); });
    // Held, not clicked: its button's press and release show and hide the original.
    compareAction = make("compare", {}, [] {});
    confirmAction = make("confirm", { QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter) },
                         [this] { q->confirm(); });
    cancelAction = make("cancel", { QKeySequence(Qt::Key_Escape) }, [this] {
        // An open popup list is closed alone, keeping the entry and what was dragged.
        if (MPopupList *popup = shownPopup(view->scene())) {
            popup->dismiss();
            scheduleUiMap();
            return;
        }
        q->cancel();
    });
    // Zoom keys as Gwenview and Loupe have them: + and - with or without Ctrl; F or
    // Ctrl+0 to fit; 1 or Ctrl+1 for 100 %.
    zoomInAction
        = make("zoomIn",
               { QKeySequence(Qt::CTRL | Qt::Key_Plus), QKeySequence(Qt::CTRL | Qt::Key_Equal),
                 QKeySequence(Qt::Key_Plus), QKeySequence(Qt::Key_Equal) },
               [this] { view->zoomIn(); });
    zoomOutAction
        = make("zoomOut", { QKeySequence(Qt::CTRL | Qt::Key_Minus), QKeySequence(Qt::Key_Minus) },
               [this] { view->zoomOut(); });
    fitAction = make("fit", { QKeySequence(Qt::CTRL | Qt::Key_0), QKeySequence(Qt::Key_F) },
                     [this] { view->fit(); });
    actualSizeAction
        = make("actualSize", { QKeySequence(Qt::Key_1), QKeySequence(Qt::CTRL | Qt::Key_1) },
               [this] { view->showActualSize(); });
    // Their keys follow the writing direction (updateBrowseKeys()).
    previousAction = make("previous", {}, [this] { browse(-1); });
    nextAction = make("next", {}, [this] { browse(1); });
    fullScreenAction = make("fullScreen", { QKeySequence(Qt::Key_F11) },
                            [this] { q->setWindowState(q->windowState() ^ Qt::WindowFullScreen); });
    fullScreenAction->setCheckable(true);
    // Escape leaves full screen only when no entry is active: there it is Cancel's.
    leaveFullScreenAction = make("leaveFullScreen", { QKeySequence(Qt::Key_Escape) }, [this] {
        q->setWindowState(q->windowState() & ~Qt::WindowFullScreen);
    });
    englishAction = make("language:en", {}, [this] {
        q->setLanguage(QLocale(QLocale::English, QLocale::UnitedKingdom));
    });
    arabicAction = make("language:ar", {},
                        [this] { q->setLanguage(QLocale(QLocale::Arabic, QLocale::Egypt)); });
    pluginsAction = make("plugins", {}, [this] { showPlugins(); });
    keysAction = make("keys", { QKeySequence(QKeySequence::HelpContents) }, [this] { showKeys(); });
    englishAction->setCheckable(true);
    arabicAction->setCheckable(true);
    auto *languages = new QActionGroup(q);
    languages->addAction(englishAction);
    languages->addAction(arabicAction);

    const std::pair<QAction *, const char *> icons[] = {
        { openAction, "document-open" },
        { saveAction, "document-save" },
        { saveAsAction, "document-save-as" },
        { undoAction, "edit-undo" },
        { redoAction, "edit-redo" },
        { revertAction, "document-revert" },
        { compareAction, "view-preview" },
        { confirmAction, "object-select" },
        { cancelAction, "window-close" },
        { zoomInAction, "zoom-in" },
        { zoomOutAction, "zoom-out" },
        { fitAction, "zoom-fit-best" },
        { actualSizeAction, "zoom-original" },
        { previousAction, "go-previous" },
        { nextAction, "go-next" },
        { fullScreenAction, "view-fullscreen" },
    };
    for (const auto &[action, name] : icons)
        action->setIcon(
            EditorIcons::forAction(QString::fromLatin1(name), action->objectName().left(1)));

    fileMenu = q->menuBar()->addMenu(QString());
    fileMenu->addAction(openAction);
    recentMenu = fileMenu->addMenu(QString());
    recentMenu->setObjectName(QStringLiteral("recentMenu"));
    QObject::connect(recentMenu, &QMenu::aboutToShow, q, [this] { updateRecent(); });
    fileMenu->addActions({ saveAction, saveAsAction });
    fileMenu->addSeparator();
    fileMenu->addAction(quitAction);
    editMenu = q->menuBar()->addMenu(QString());
    editMenu->addActions({ undoAction, redoAction, revertAction });
    editMenu->addSeparator();
    entriesEnd = editMenu->addSeparator();
    editMenu->addActions({ confirmAction, cancelAction });
    viewMenu = q->menuBar()->addMenu(QString());
    viewMenu->addActions({ zoomInAction, zoomOutAction, fitAction, actualSizeAction });
    viewMenu->addSeparator();
    viewMenu->addActions(
        { previousAction, nextAction, fullScreenAction, metadataPanel->toggleViewAction() });
    viewMenu->addSeparator();
    languageMenu = viewMenu->addMenu(QString());
    languageMenu->addActions({ englishAction, arabicAction });
    viewMenu->addAction(pluginsAction);
    helpMenu = q->menuBar()->addMenu(QString());
    helpMenu->addAction(keysAction);

    QUndoStack *stack = history.stack();
    QObject::connect(stack, &QUndoStack::indexChanged, q, [this] { updateActions(); });
    QObject::connect(&history, &EditHistory::modifiedChanged, q, [this] { updateActions(); });
}

void EditorWindow::Private::loadPlugins()
{
    // Every instance goes with the old loader, so that the new ones build their texts
    // in the language now installed.
    for (QAction *entry : std::as_const(entries)) {
        menuStrip->removeAction(entry);
        editMenu->removeAction(entry);
        delete entry;
    }
    entries.clear();
    menuStrip->clear();
    // Open first, so that an empty window offers it where the editing is.
    menuStrip->addAction(openAction);
    loader.reset();
    loader = std::make_unique<PluginLoader>();
    loader->loadDirectories(options.pluginDirs);

    for (const LoadedPlugin &loaded : loader->plugins()) {
        auto *entry = new QAction(q);
        entry->setObjectName(QStringLiteral("entry:") + loaded.className);
        entry->setData(loaded.className);
        entry->setShortcut(shortcutFor(loaded.className));
        const QString className = loaded.className;
        QObject::connect(entry, &QAction::triggered, q, [this, className] { q->pick(className); });
        entries << entry;
        menuStrip->addAction(entry);
        editMenu->insertAction(entriesEnd, entry);
    }
    menuStrip->addSeparator();
    menuStrip->addActions({ undoAction, redoAction, compareAction });
    for (QAction *action : menuStrip->actions()) {
        if (QWidget *button = menuStrip->widgetForAction(action))
            button->setMinimumSize(TouchSize, TouchSize);
    }
    // A finger held on it (a touch comes as a mouse press) shows the original.
    if (auto *button = qobject_cast<QToolButton *>(menuStrip->widgetForAction(compareAction))) {
        QObject::connect(button, &QToolButton::pressed, q, [this] { setComparing(true); });
        QObject::connect(button, &QToolButton::released, q, [this] { setComparing(false); });
    }
    // Laid out now rather than at the next turn of the event loop, so that the entries
    // are where they show from here on.
    menuStrip->layout()->invalidate();
    menuStrip->layout()->activate();
    // Two plug-ins on one menu index both show; the later one is named.
    for (const QString &warning : loader->warnings())
        qWarning("%s", qPrintable(warning));
    if (!loader->refusals().isEmpty())
        showMessage(EditorWindow::tr("Plug-ins refused: %1. See View, Plug-ins.")
                        .arg(locale.toString(loader->refusals().size())));
}

void EditorWindow::Private::retranslate()
{
    fileMenu->setTitle(EditorWindow::tr("&File"));
    editMenu->setTitle(EditorWindow::tr("&Edit"));
    viewMenu->setTitle(EditorWindow::tr("&View"));
    languageMenu->setTitle(EditorWindow::tr("&Language"));
    openAction->setText(EditorWindow::tr("&Open…"));
    saveAction->setText(EditorWindow::tr("&Save"));
    saveAsAction->setText(EditorWindow::tr("Save &As…"));
    quitAction->setText(EditorWindow::tr("&Quit"));
    undoAction->setText(EditorWindow::tr("&Undo"));
    redoAction->setText(EditorWindow::tr("&Redo"));
    revertAction->setText(EditorWindow::tr("Re&vert to Original"));
    compareAction->setText(EditorWindow::tr("Compare"));
    compareAction->setToolTip(EditorWindow::tr("Hold to show the original (\\)"));
    cancelSaveButton->setText(EditorWindow::tr("Cancel"));
    cancelSaveButton->setToolTip(EditorWindow::tr("Stop saving; the file stays as it was"));
    confirmAction->setText(EditorWindow::tr("Confirm"));
    cancelAction->setText(EditorWindow::tr("Cancel"));
    zoomInAction->setText(EditorWindow::tr("Zoom &In"));
    zoomOutAction->setText(EditorWindow::tr("Zoom &Out"));
    fitAction->setText(EditorWindow::tr("&Fit to Window"));
    actualSizeAction->setText(EditorWindow::tr("&Actual Size (100 %)"));
    previousAction->setText(EditorWindow::tr("&Previous Picture"));
    nextAction->setText(EditorWindow::tr("&Next Picture"));
    fullScreenAction->setText(EditorWindow::tr("F&ull Screen"));
    recentMenu->setTitle(EditorWindow::tr("Open &Recent"));
    metadataPanel->retranslate();
    view->setPlaceholderText(EditorWindow::tr("Open a picture with Open (Ctrl+O),\nor drop one "
                                              "here."));
    updateBrowseKeys();
    englishAction->setText(QStringLiteral("English"));
    arabicAction->setText(QStringLiteral("العربية"));
    pluginsAction->setText(EditorWindow::tr("&Plug-ins…"));
    helpMenu->setTitle(EditorWindow::tr("&Help"));
    keysAction->setText(EditorWindow::tr("&Keys…"));
    menuStrip->setWindowTitle(EditorWindow::tr("Editor menu"));
    for (const auto &[button, action] :
         { std::pair(confirmButton, confirmAction), std::pair(cancelButton, cancelAction) }) {
        button->findChild<QLabel *>(QStringLiteral("label"))->setText(action->text());
        button->findChild<QLabel *>(QStringLiteral("icon"))
            ->setPixmap(action->icon().pixmap(button->iconSize()));
        button->setAccessibleName(action->text());
    }
    confirmButton->setToolTip(withKey(confirmAction->text(), confirmAction->shortcut()));
    cancelButton->setToolTip(withKey(cancelAction->text(), cancelAction->shortcut()));

    // Undo's arrow points back along the reading direction.
    undoAction->setIcon(EditorIcons::forDirectedAction(
        QStringLiteral("edit-undo"), QStringLiteral("u"), locale.textDirection()));
    redoAction->setIcon(EditorIcons::forDirectedAction(
        QStringLiteral("edit-redo"), QStringLiteral("r"), locale.textDirection()));

    // Plug-in names are translated on every call: asked again here.
    for (QAction *entry : std::as_const(entries)) {
        LumoraEditPlugin *plugin = loader->plugin(entry->data().toString());
        if (!plugin)
            continue;
        entry->setText(plugin->name());
        entry->setIcon(EditorIcons::forPlugin(plugin->iconID(), plugin->name()));
        entry->setToolTip(withKey(plugin->name(), entry->shortcut()));
    }
    for (QAction *action : { openAction, saveAction, saveAsAction, zoomInAction, zoomOutAction,
                             fitAction, actualSizeAction, previousAction, nextAction,
                             fullScreenAction, confirmAction, cancelAction })
        action->setToolTip(withKey(action->text(), action->shortcut()));
    updateActions();
    updateStatus();
}

void EditorWindow::Private::updateActions()
{
    const bool idle = isIdle();
    const bool open = picture.isOpen();
    for (QAction *entry : std::as_const(entries))
        entry->setEnabled(idle && open);
    QUndoStack *stack = history.stack();
    undoAction->setEnabled(idle && stack->canUndo());
    redoAction->setEnabled(idle && stack->canRedo());
    revertAction->setEnabled(idle && open && !picture.editor().edits().steps().isEmpty());
    compareAction->setEnabled(open && !session);
    undoAction->setText(stack->canUndo() ? EditorWindow::tr("&Undo %1").arg(stack->undoText())
                                         : EditorWindow::tr("&Undo"));
    redoAction->setText(stack->canRedo() ? EditorWindow::tr("&Redo %1").arg(stack->redoText())
                                         : EditorWindow::tr("&Redo"));
    undoAction->setToolTip(withKey(stack->canUndo()
                                       ? EditorWindow::tr("Undo %1").arg(stack->undoText())
                                       : EditorWindow::tr("Nothing to undo"),
                                   undoAction->shortcut()));
    redoAction->setToolTip(withKey(stack->canRedo()
                                       ? EditorWindow::tr("Redo %1").arg(stack->redoText())
                                       : EditorWindow::tr("Nothing to redo"),
                                   redoAction->shortcut()));
    openAction->setEnabled(idle);
    saveAction->setEnabled(idle && open);
    saveAsAction->setEnabled(idle && open);
    const bool active = session && session->isActive() && !busy;
    confirmAction->setEnabled(active);
    cancelAction->setEnabled(active);
    confirmButton->setEnabled(active);
    cancelButton->setEnabled(active);
    const bool zoom = open && view->isZoomAllowed();
    zoomInAction->setEnabled(zoom);
    zoomOutAction->setEnabled(zoom);
    fitAction->setEnabled(zoom);
    actualSizeAction->setEnabled(zoom);
    previousAction->setEnabled(idle && open);
    nextAction->setEnabled(idle && open);
    leaveFullScreenAction->setEnabled(q->isFullScreen() && !session);
    englishAction->setEnabled(idle);
    arabicAction->setEnabled(idle);
    englishAction->setChecked(locale.language() != QLocale::Arabic);
    arabicAction->setChecked(locale.language() == QLocale::Arabic);

    q->setWindowModified(history.isModified());
    q->setWindowTitle(EditorWindow::tr("%1[*] – lumora-editor").arg(shownName()));
    scheduleUiMap();
}

void EditorWindow::Private::updateStatus()
{
    if (!picture.isOpen()) {
        sizeLabel->clear();
        return;
    }
    // The language's digits (Arabic-Indic in Arabic); sides without group separators.
    QLocale digits = locale;
    digits.setNumberOptions(QLocale::OmitGroupSeparator);
    // The picture's own size, not that of the copy reduced for the screen.
    const QSize size = picture.fullSize();
    sizeLabel->setText(EditorWindow::tr("%1 × %2 px, %3")
                           .arg(digits.toString(size.width()), digits.toString(size.height()),
                                digits.toString(qRound(view->zoom() * 100)) + digits.percent()));
}

void EditorWindow::Private::updateOrientation()
{
    const M::Orientation wanted = q->height() > q->width() ? M::Portrait : M::Landscape;
    // A narrow window shows the entries by their icons; their names stay in tooltips.
    menuStrip->setToolButtonStyle(wanted == M::Portrait ? Qt::ToolButtonIconOnly
                                                        : Qt::ToolButtonTextUnderIcon);
    // The panel takes the window's longer side's room: beside in landscape, below in
    // portrait.
    const Qt::DockWidgetArea panelArea
        = wanted == M::Portrait ? Qt::BottomDockWidgetArea : Qt::RightDockWidgetArea;
    if (q->dockWidgetArea(metadataPanel) != panelArea)
        q->addDockWidget(panelArea, metadataPanel);
    if (view->orientation() == wanted)
        return;
    view->setOrientation(wanted);
    rebuildToolBar();
}

void EditorWindow::Private::showMessage(const QString &message)
{
    // Said as a sentence: the file layer's reasons start as a command line's do, after
    // the program's name ("cannot read …").
    QString text = message;
    if (!text.isEmpty() && text.at(0).isLower())
        text[0] = text.at(0).toUpper();
    messageLabel->setText(text);
    messageBar->show();
    Q_EMIT q->messageChanged(text);
    scheduleUiMap();
}

void EditorWindow::Private::hideMessage()
{
    messageLabel->clear();
    messageBar->hide();
    Q_EMIT q->messageChanged(QString());
    scheduleUiMap();
}

void EditorWindow::Private::startSession(const QString &pluginClass)
{
    LumoraEditPlugin *plugin = loader->plugin(pluginClass);
    if (!plugin || !isIdle() || !picture.isOpen())
        return;
    setComparing(false);
    hideMessage();
    session = new PluginSession(plugin, picture.editor(), &provider, q);
    sessionText = plugin->name();
    before = picture.editor().edits();
    QObject::connect(session, &PluginSession::busyChanged, q, [this](bool on) { setBusy(on); });
    QObject::connect(session, &PluginSession::finished, q,
                     [this](PluginSession::Outcome outcome) { sessionFinished(outcome); });
    PluginSession *started = session;
    started->start();
    if (session != started || !started->isActive())
        return; // a one-shot: already done
    if (started->needsToolBar()) {
        started->buildToolBar(toolkitWindow.get());
        actionBar->show();
    }
    view->setSession(started);
    keys->setSession(started);
    updateActions();
    Q_EMIT q->sessionChanged();
}

void EditorWindow::Private::sessionFinished(PluginSession::Outcome outcome)
{
    PluginSession *finished = session;
    session = nullptr;
    lastOutcome = outcome;
    view->setSession(nullptr);
    keys->setSession(nullptr);
    actionBar->hide();
    switch (outcome) {
    case PluginSession::Confirmed:
        if (history.record(sessionText, before))
            q->statusBar()->showMessage(sessionText, 3000);
        else
            q->statusBar()->showMessage(EditorWindow::tr("%1: nothing changed").arg(sessionText),
                                        3000);
        break;
    case PluginSession::Failed:
        showMessage(EditorWindow::tr("%1 failed: %2")
                        .arg(sessionText, finished->errors().join(QStringLiteral("; "))));
        break;
    case PluginSession::Cancelled:
    case PluginSession::Running:
        break;
    }
    before = EditList();
    // It is still sending this signal: deleted once it is done.
    finished->deleteLater();
    view->setPicture(picture.image(), picture.fullSize());
    updateActions();
    updateStatus();
    Q_EMIT q->sessionChanged();
    Q_EMIT q->pictureChanged();
}

void EditorWindow::Private::setBusy(bool on)
{
    if (busy == on)
        return;
    busy = on;
    if (on)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
    updateActions();
}

void EditorWindow::Private::rebuildToolBar()
{
    if (!session || !session->toolBar())
        return;
    // A plug-in lays its tool bar out for the orientation it is built in: the new one
    // replaces the old, with the same buttons checked.
    QList<QGraphicsObject *> named;
    collectNamed(session->toolBar(), &named);
    QStringList checked;
    for (QGraphicsObject *object : std::as_const(named)) {
        if (auto *button = qobject_cast<MButton *>(object); button && button->isChecked())
            checked << button->objectName();
    }
    session->buildToolBar(toolkitWindow.get());
    if (session->toolBar()) {
        named.clear();
        collectNamed(session->toolBar(), &named);
        for (QGraphicsObject *object : std::as_const(named)) {
            if (auto *button = qobject_cast<MButton *>(object);
                button && checked.contains(button->objectName()))
                button->setChecked(true);
        }
    }
    view->placeToolBar();
}

void EditorWindow::Private::showEditInProgress()
{
    // Only while a plug-in is active: its filters change the picture before it is left,
    // and a person must see each choice at once (its undo step comes at confirmation).
    if (!session)
        return;
    view->setPicture(picture.image(), picture.fullSize());
    updateStatus();
    Q_EMIT q->pictureChanged();
}

void EditorWindow::Private::pictureReplaced()
{
    // What replaced it is shown, whatever a held compare showed.
    if (std::exchange(comparing, false))
        q->statusBar()->clearMessage();
    view->setPicture(picture.image(), picture.fullSize());
    updateActions();
    updateStatus();
    Q_EMIT q->pictureChanged();
}

void EditorWindow::Private::whenReadyToDiscard(const std::function<void()> &then)
{
    // An active plug-in holds an edit too (a dragged selection, a chosen size, a tapped
    // effect), which leaving would lose without a word.
    const bool editing = session && session->isActive();
    if (!history.isModified() && !editing) {
        then();
        return;
    }
    const QString question = editing
        ? EditorWindow::tr("Save the changes to %1, with the %2 edit in progress?")
              .arg(shownName(), sessionText)
        : EditorWindow::tr("Save the changes to %1?").arg(shownName());
    auto *box = new QMessageBox(QMessageBox::Warning, EditorWindow::tr("Unsaved changes"), question,
                                QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, q);
    box->setObjectName(QStringLiteral("unsavedPrompt"));
    // Save writes where Save would without asking: a copy beside the opened file unless
    // replacing it was chosen for good. Return never replaces it: then Cancel is the
    // default.
    const QString target = saveTarget();
    const bool replaces = !target.isEmpty() && target == picture.path();
    if (!savePath.isEmpty() && savePath == picture.path())
        box->button(QMessageBox::Save)
            ->setText(replaces ? EditorWindow::tr("Replace the Original")
                               : EditorWindow::tr("Save as a Copy"));
    if (editing)
        box->setInformativeText(EditorWindow::tr("Save confirms %1 first; Discard drops it with "
                                                 "every unsaved change.")
                                    .arg(sessionText));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setDefaultButton(replaces ? QMessageBox::Cancel : QMessageBox::Save);
    QObject::connect(box, &QMessageBox::finished, q, [this, box, then] {
        switch (box->standardButton(box->clickedButton())) {
        case QMessageBox::Save:
            if (session) {
                // Confirmed as the Confirm button does; a plug-in that does not finish,
                // or an edit that failed (said in the message bar), stops here.
                q->confirm();
                if (session || lastOutcome != PluginSession::Confirmed)
                    return;
            }
            // A confirmed edit that changed nothing leaves nothing to save; otherwise
            // `then` waits for the save, and a save that fails or is cancelled stops here.
            if (!history.isModified())
                then();
            else if (savePath.isEmpty())
                saveAsDialog();
            else
                startSave(saveTarget(), then);
            break;
        case QMessageBox::Discard:
            then();
            break;
        default:
            break;
        }
    });
    box->open();
}

void EditorWindow::Private::openDialog()
{
    if (!isIdle())
        return;
    whenReadyToDiscard([this] {
        auto *dialog = new QFileDialog(
            q, EditorWindow::tr("Open picture"), QFileInfo(savePath).absolutePath(),
            EditorWindow::tr("Pictures (*.jpg *.jpeg *.png *.tif "
                             "*.tiff *.webp *.bmp *.gif);;All files (*)"));
        dialog->setObjectName(QStringLiteral("openDialog"));
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setFileMode(QFileDialog::ExistingFile);
        dialog->setAcceptMode(QFileDialog::AcceptOpen);
        dialog->setOption(QFileDialog::DontUseNativeDialog);
        QObject::connect(dialog, &QFileDialog::fileSelected, q,
                         [this](const QString &path) { doOpen(path); });
        dialog->open();
    });
}

void EditorWindow::Private::saveAsDialog()
{
    if (!isIdle() || !picture.isOpen())
        return;
    auto *dialog = new QFileDialog(q, EditorWindow::tr("Save picture as"),
                                   QFileInfo(savePath).absolutePath(),
                                   EditorWindow::tr("Pictures (*.jpg *.jpeg *.png *.tif *.tiff "
                                                    "*.webp *.bmp)"));
    dialog->setObjectName(QStringLiteral("saveAsDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    // A new name, never the original's: Return in the dialog does not replace it.
    if (!savePath.isEmpty())
        dialog->selectFile(QFileInfo(SaveChoice::copyName(savePath)).fileName());
    QObject::connect(dialog, &QFileDialog::fileSelected, q, [this](const QString &path) {
        if (PictureFile::formatForFileName(path) != "jpeg") {
            q->saveAs(path);
            return;
        }
        auto *quality = new JpegQualityDialog(QFileInfo(path).fileName(), picture.jpegQuality(), q);
        quality->setAttribute(Qt::WA_DeleteOnClose);
        quality->setWindowModality(Qt::WindowModal);
        QObject::connect(quality, &QDialog::accepted, q,
                         [this, quality, path] { startSave(path, {}, quality->quality()); });
        quality->open();
    });
    dialog->open();
}

QString EditorWindow::Private::saveTarget() const
{
    // A file this window wrote (a copy, a Save As) is written again; the opened one only
    // when replacing it was chosen for good.
    if (savePath.isEmpty() || savePath != picture.path())
        return savePath;
    return SaveChoice::remembered() == SaveChoice::Replace ? savePath
                                                           : SaveChoice::copyName(savePath);
}

void EditorWindow::Private::saveChosen()
{
    if (!isIdle() || !picture.isOpen())
        return;
    if (savePath.isEmpty()) {
        saveAsDialog();
        return;
    }
    if (savePath != picture.path() || SaveChoice::remembered() != SaveChoice::Ask) {
        startSave(saveTarget());
        return;
    }
    auto *dialog = new SaveChoiceDialog(QFileInfo(savePath).fileName(),
                                        PictureFile::formatForFileName(savePath) == "jpeg",
                                        picture.jpegQuality(), q);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    QObject::connect(dialog, &QDialog::accepted, q, [this, dialog] {
        const SaveChoice::Choice choice = dialog->choice();
        if (dialog->rememberChoice())
            SaveChoice::remember(choice);
        startSave(choice == SaveChoice::Replace ? savePath : SaveChoice::copyName(savePath), {},
                  dialog->quality());
    });
    dialog->open();
}

namespace {

// Lines from a file or its name, each shown with its control characters escaped.
QString escapedLines(const QStringList &lines)
{
    QStringList shown;
    for (const QString &line : lines)
        shown << DisplayText::escaped(line);
    return shown.join(QLatin1Char('\n'));
}

} // namespace

bool EditorWindow::Private::doOpen(const QString &path)
{
    QString error;
    // A copy that covers the screen is all the window shows; the full picture is made
    // when it is written.
    const QScreen *screen = q->screen();
    QSize covered = options.coveredSize;
    if (!covered.isValid())
        covered = screen ? screen->size() * screen->devicePixelRatio() : QSize(1920, 1080);
    if (!picture.open(path, &error, covered)) {
        showMessage(DisplayText::escaped(error));
        return false;
    }
    hideMessage();
    savePath = picture.path();
    browser.setCurrent(savePath);
    FolderBrowser::addRecent(savePath);
    metadataPanel->setLines(picture.describe());
    history.clear();
    view->fit();
    pictureReplaced();
    q->statusBar()->showMessage(QFileInfo(path).fileName(), 3000);
    return true;
}

bool EditorWindow::Private::startSave(const QString &path, const std::function<void()> &then,
                                      int quality)
{
    if (!isIdle() || !picture.isOpen())
        return false;
    if (PictureFile::formatForFileName(path).isEmpty()) {
        showMessage(EditorWindow::tr("Cannot write %1: no picture format has that name.")
                        .arg(QFileInfo(path).fileName()));
        return false;
    }
    saving = true;
    saveCancelled = false;
    afterSave = then;
    setComparing(false);
    // Not the busy indicator: its animation's many strokes are painted by the raster
    // engine on the global thread pool, where it would wait for the filters of the save.
    saveProgress->setRange(0, 1000);
    saveProgress->setValue(0);
    saveProgress->show();
    cancelSaveButton->show();
    q->statusBar()->showMessage(EditorWindow::tr("Saving %1…").arg(QFileInfo(path).fileName()));
    updateActions();
    QProgressBar *bar = saveProgress;
    const auto progress = [bar](double done) {
        // Called on the worker: the bar is set on the window's thread, and not at all once
        // it is gone.
        QMetaObject::invokeMethod(
            bar, [bar, done] { bar->setValue(qRound(done * 1000)); }, Qt::QueuedConnection);
    };
    holdGlobalPool(true);
    saveWatcher.setFuture(QtConcurrent::run(&savePool, [this, path, progress, quality] {
        SaveResult result;
        result.path = path;
        result.saved = picture.save(path, Software, &result.error, &result.warnings,
                                    &result.changedOnDisk, progress, &saveCancelled, quality);
        return result;
    }));
    return true;
}

void EditorWindow::Private::saveDone()
{
    const SaveResult result = saveWatcher.result();
    const bool cancelled = saveCancelled;
    holdGlobalPool(false);
    saving = false;
    saveProgress->hide();
    cancelSaveButton->hide();
    q->statusBar()->clearMessage();
    const std::function<void()> then = std::exchange(afterSave, {});
    const QString name = QFileInfo(result.path).fileName();
    if (!result.saved) {
        // Stopped to close (the person chose to lose the edits): closed all the same.
        if (std::exchange(closeAfterSave, false) && closeConfirmed) {
            Q_EMIT q->saveFinished(false);
            q->close();
            return;
        }
        showMessage(cancelled ? EditorWindow::tr("Saving cancelled: %1 is as it was.")
                                    .arg(DisplayText::escaped(name))
                              : DisplayText::escaped(result.error));
        updateActions();
        Q_EMIT q->saveFinished(false);
        return;
    }
    QStringList warnings = result.warnings;
    if (result.changedOnDisk)
        warnings.prepend(EditorWindow::tr("%1 had been changed on disk by another program since "
                                          "it was opened; the picture shown here was saved over "
                                          "it.")
                             .arg(name));
    savePath = result.path;
    history.markSaved();
    ++saves;
    if (warnings.isEmpty())
        hideMessage();
    else
        showMessage(escapedLines(warnings));
    q->statusBar()->showMessage(EditorWindow::tr("Saved %1").arg(name), 3000);
    updateActions();
    Q_EMIT q->saveFinished(true);
    if (then)
        then();
    if (std::exchange(closeAfterSave, false))
        q->close();
}

void EditorWindow::Private::askToCloseWhileSaving()
{
    if (q->findChild<QMessageBox *>(QStringLiteral("savingPrompt")))
        return;
    auto *box = new QMessageBox(QMessageBox::Question, EditorWindow::tr("Saving"),
                                EditorWindow::tr("%1 is being saved. Close when it is saved, "
                                                 "or stop saving and close?")
                                    .arg(shownName()),
                                QMessageBox::Cancel, q);
    box->setObjectName(QStringLiteral("savingPrompt"));
    QPushButton *wait
        = box->addButton(EditorWindow::tr("Close When Saved"), QMessageBox::AcceptRole);
    QPushButton *stop = box->addButton(EditorWindow::tr("Stop and Close"), QMessageBox::RejectRole);
    wait->setObjectName(QStringLiteral("closeWhenSaved"));
    stop->setObjectName(QStringLiteral("stopAndClose"));
    box->setDefaultButton(wait);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    QObject::connect(box, &QMessageBox::finished, q, [this, box, wait, stop] {
        if (box->clickedButton() == wait) {
            if (saving)
                closeAfterSave = true;
            else
                q->close(); // ended while the question was shown
        } else if (box->clickedButton() == stop) {
            // The person chose to lose the unsaved edits: closed without asking again,
            // once the worker has stopped.
            q->cancelSave();
            closeConfirmed = true;
            if (saving)
                closeAfterSave = true;
            else
                q->close();
        }
    });
    box->open();
}

void EditorWindow::Private::browse(int step)
{
    if (!isIdle() || !picture.isOpen())
        return;
    const QString path = browser.neighbour(step);
    if (path.isEmpty()) {
        q->statusBar()->showMessage(step > 0
                                        ? EditorWindow::tr("This is the folder's last picture")
                                        : EditorWindow::tr("This is the folder's first picture"),
                                    3000);
        return;
    }
    // The unsaved-edits prompt comes first, as for any other picture opened.
    q->openPicture(path);
}

void EditorWindow::Private::updateBrowseKeys()
{
    // Left goes back where the pictures run left to right, forward where they run
    // right to left; Page Up and Page Down as in any document.
    const bool rtl = locale.textDirection() == Qt::RightToLeft;
    previousAction->setShortcuts(
        { QKeySequence(rtl ? Qt::Key_Right : Qt::Key_Left), QKeySequence(Qt::Key_PageUp) });
    nextAction->setShortcuts(
        { QKeySequence(rtl ? Qt::Key_Left : Qt::Key_Right), QKeySequence(Qt::Key_PageDown) });
}

void EditorWindow::Private::updateRecent()
{
    recentMenu->clear();
    const QStringList files = FolderBrowser::recentFiles();
    for (const QString &file : files) {
        QAction *action = recentMenu->addAction(DisplayText::escaped(QFileInfo(file).fileName()));
        action->setToolTip(DisplayText::escaped(file));
        QObject::connect(action, &QAction::triggered, q, [this, file] { q->openPicture(file); });
    }
    recentMenu->setEnabled(!files.isEmpty());
}

void EditorWindow::Private::revert()
{
    if (!isIdle() || !picture.isOpen())
        return;
    if (history.revert(EditorWindow::tr("Revert to Original")))
        q->statusBar()->showMessage(EditorWindow::tr("Reverted to the original"), 3000);
    pictureReplaced();
}

void EditorWindow::Private::setComparing(bool on)
{
    on = on && picture.isOpen() && !session;
    if (comparing == on)
        return;
    comparing = on;
    if (on) {
        view->setPicture(picture.original(), picture.editor().originalFullSize());
        q->statusBar()->showMessage(EditorWindow::tr("Showing the original"));
    } else {
        view->setPicture(picture.image(), picture.fullSize());
        if (!saving)
            q->statusBar()->clearMessage();
    }
    updateStatus();
    scheduleUiMap();
    Q_EMIT q->pictureChanged();
}

void EditorWindow::Private::showPlugins()
{
    if (pluginsDialog) {
        pluginsDialog->raise();
        return;
    }
    auto *dialog = new QDialog(q);
    dialog->setObjectName(QStringLiteral("pluginsDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(EditorWindow::tr("Plug-ins"));
    auto *layout = new QVBoxLayout(dialog);
    auto *tree = new QTreeWidget(dialog);
    tree->setObjectName(QStringLiteral("pluginsTree"));
    tree->setColumnCount(3);
    tree->setHeaderLabels(
        { EditorWindow::tr("Entry"), EditorWindow::tr("Class"), EditorWindow::tr("File") });
    auto *loadedRoot = new QTreeWidgetItem(tree, { EditorWindow::tr("Loaded") });
    for (const LoadedPlugin &loaded : loader->plugins()) {
        new QTreeWidgetItem(
            loadedRoot,
            { QStringLiteral("%1. %2").arg(locale.toString(loaded.plugin->menuIndex()),
                                           loaded.plugin->name()),
              loaded.className, QFileInfo(loaded.fileName).fileName() });
    }
    auto *refusedRoot = new QTreeWidgetItem(tree, { EditorWindow::tr("Refused") });
    for (const QString &refusal : loader->refusals()) {
        // "<file>: <reason>"
        const int split = refusal.indexOf(QStringLiteral(": "));
        new QTreeWidgetItem(
            refusedRoot,
            { refusal.mid(split + 2), QString(), QFileInfo(refusal.left(split)).fileName() });
    }
    tree->expandAll();
    tree->resizeColumnToContents(0);
    layout->addWidget(tree);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(buttons);
    dialog->resize(640, 400);
    pluginsDialog = dialog;
    dialog->show();
}

void EditorWindow::Private::showKeys()
{
    auto *dialog = new QDialog(q);
    dialog->setObjectName(QStringLiteral("keysDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowTitle(EditorWindow::tr("Keys"));
    auto *layout = new QVBoxLayout(dialog);
    auto *tree = new QTreeWidget(dialog);
    tree->setObjectName(QStringLiteral("keysTree"));
    tree->setRootIsDecorated(false);
    tree->setHeaderLabels({ EditorWindow::tr("Key"), EditorWindow::tr("Does") });
    // Every action's keys as they are now (entries and all), then the keys no action has.
    QList<QPair<QString, QString>> rows;
    for (QAction *action : q->actions() + entries) {
        QStringList keys;
        for (const QKeySequence &sequence : action->shortcuts())
            keys << sequence.toString(QKeySequence::NativeText);
        if (!keys.isEmpty())
            rows.append({ keys.join(EditorWindow::tr(", ")),
                          QString(action->text()).remove(QLatin1Char('&')) });
    }
    rows.append({ QStringLiteral("\\"), EditorWindow::tr("Hold to show the original") });
    rows.append(
        { EditorWindow::tr("Tab, Shift+Tab"),
          EditorWindow::tr("Move the focus over the tool bar's buttons or the list's rows") });
    rows.append({ EditorWindow::tr("Left, Right"), EditorWindow::tr("Move along the tool bar") });
    rows.append({ EditorWindow::tr("Up, Down"), EditorWindow::tr("Move in an open list") });
    rows.append({ EditorWindow::tr("Space, Return"),
                  EditorWindow::tr("Press the focused button or pick the focused row") });
    rows.append({ EditorWindow::tr("Escape"),
                  EditorWindow::tr("Close an open list; otherwise cancel the active edit") });
    rows.append(
        { EditorWindow::tr("Arrow keys"), EditorWindow::tr("Move the crop selection by a pixel") });
    rows.append({ EditorWindow::tr("Shift+arrow keys"),
                  EditorWindow::tr("Move the crop selection by ten pixels") });
    for (const auto &[keys, does] : std::as_const(rows))
        new QTreeWidgetItem(tree, { keys, does });
    tree->resizeColumnToContents(0);
    layout->addWidget(tree);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, dialog);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::close);
    layout->addWidget(buttons);
    dialog->resize(560, 480);
    dialog->show();
}

QString EditorWindow::Private::shownName() const
{
    return savePath.isEmpty() ? EditorWindow::tr("No picture") : QFileInfo(savePath).fileName();
}

void EditorWindow::Private::scheduleUiMap()
{
    if (!options.uiMapPath.isEmpty() && !uiMapTimer.isActive())
        uiMapTimer.start();
}

void EditorWindow::Private::writeUiMap()
{
    // One line a target in screen coordinates, then the state, so that a driver of real
    // input finds what a person would look for. Replaced whole, never seen half written.
    QSaveFile file(options.uiMapPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return;
    QByteArray out;
    for (const Target &target : q->touchTargets()) {
        const QPoint global = q->mapToGlobal(target.rect.topLeft());
        out += QStringLiteral("target %1 %2 %3 %4 %5\n")
                   .arg(target.name)
                   .arg(global.x())
                   .arg(global.y())
                   .arg(target.rect.width())
                   .arg(target.rect.height())
                   .toUtf8();
    }
    const auto state = [&out](const char *key, const QString &value) {
        out += QByteArray("state ") + key + ' ' + value.toUtf8() + '\n';
    };
    state("active", session ? session->plugin()->metaObject()->className() : QStringLiteral("-"));
    state("busy", QString::number(busy));
    state("modified", QString::number(history.isModified()));
    state("steps", QString::number(history.stack()->index()));
    state("saves", QString::number(saves));
    state("saving", QString::number(saving));
    state("comparing", QString::number(comparing));
    // The picture's size as edited, and that of the copy shown.
    const QSize size = picture.fullSize();
    state("picture", QStringLiteral("%1 %2").arg(size.width()).arg(size.height()));
    const QSize shown = picture.image().size();
    state("shown", QStringLiteral("%1 %2").arg(shown.width()).arg(shown.height()));
    if (LumoraCropper *cropper
        = session ? qobject_cast<LumoraCropper *>(session->plugin()) : nullptr) {
        const QRect r = cropper->selectionRect();
        state("selection",
              QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height()));
    }
    state("orientation",
          view->orientation() == M::Portrait ? QStringLiteral("portrait")
                                             : QStringLiteral("landscape"));
    state("language", locale.name().section(QLatin1Char('_'), 0, 0));
    state("exposed", QString::number(q->isVisible()));
    state("message", messageLabel->text().simplified());
    state("file", DisplayText::escaped(QFileInfo(savePath).fileName()));
    state("zoom", QString::number(qRound(view->zoom() * 100)));
    state("fullscreen", QString::number(q->isFullScreen()));
    state("metadata", QString::number(metadataPanel->isVisible()));
    // Where the window is, frame included, and where its picture may be: "x y w h".
    const auto global = [](const QRect &r) {
        return QStringLiteral("%1 %2 %3 %4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    state("window", global(q->frameGeometry()));
    state("view",
          global(QRect(view->viewport()->mapToGlobal(QPoint(0, 0)), view->viewport()->size())));
    state("focus", keys->focused().isEmpty() ? QStringLiteral("-") : keys->focused());
    file.write(out);
    file.commit();
}

EditorWindow::EditorWindow(const Options &options, QWidget *parent)
    : QMainWindow(parent)
    , d(new Private(this, options))
{
    setObjectName(QStringLiteral("lumora-editor"));
    setAcceptDrops(true);
    MApplication::setActiveWindow(d->toolkitWindow.get());
    d->savePool.setMaxThreadCount(1);
    d->uiMapTimer.setSingleShot(true);
    d->uiMapTimer.setInterval(0);
    connect(&d->uiMapTimer, &QTimer::timeout, this, [this] { d->writeUiMap(); });
    d->compareRelease.setSingleShot(true);
    d->compareRelease.setInterval(100);
    connect(&d->compareRelease, &QTimer::timeout, this, [this] { d->setComparing(false); });
    // The compare key is held wherever the focus is in the window.
    qApp->installEventFilter(this);

    d->buildWidgets();
    d->buildActions();
    // The first window fits the screen it opens on, a phone's included.
    const WindowPlacement::First first
        = WindowPlacement::first(screen() ? screen()->availableSize() : QSize());
    resize(first.size);
    if (first.maximised)
        setWindowState(Qt::WindowMaximized);
    setLanguage(options.locale);
}

EditorWindow::~EditorWindow()
{
    qApp->removeEventFilter(this);
    // A save still running reads the picture: stopped, and waited for, before it goes.
    // It writes nothing unless its render was already complete, and then a whole file.
    d->saveCancelled = true;
    d->saveWatcher.disconnect(this);
    d->saveWatcher.waitForFinished();
    d->holdGlobalPool(false);
    // The history outlives the widgets below: it must not update them as it goes.
    d->history.stack()->disconnect(this);
    d->history.disconnect(this);
    // A session still open is left as Cancel leaves it, and its tool bar goes, while
    // the scene that holds it is still there; then the view's own items.
    delete d->session;
    d->session = nullptr;
    delete takeCentralWidget();
    if (MApplication::activeWindow() == d->toolkitWindow.get())
        MApplication::setActiveWindow(nullptr);
}

void EditorWindow::openPicture(const QString &path)
{
    if (!d->isIdle())
        return;
    d->whenReadyToDiscard([this, path] { d->doOpen(path); });
}

bool EditorWindow::save()
{
    if (!d->isIdle() || !d->picture.isOpen())
        return false;
    if (d->savePath.isEmpty()) {
        d->saveAsDialog();
        return false;
    }
    return d->startSave(d->savePath);
}

bool EditorWindow::saveAs(const QString &path)
{
    return d->startSave(path);
}

bool EditorWindow::isSaving() const
{
    return d->saving;
}

void EditorWindow::cancelSave()
{
    if (d->saving)
        d->saveCancelled = true;
}

void EditorWindow::pick(const QString &pluginClass)
{
    d->startSession(pluginClass);
}

void EditorWindow::confirm()
{
    if (d->session && !d->busy)
        d->session->confirm();
}

void EditorWindow::cancel()
{
    if (d->session && !d->busy)
        d->session->cancel();
}

bool EditorWindow::setLanguage(const QLocale &locale)
{
    if (!d->isIdle())
        return false;
    d->locale = locale;
    Catalogue::install(locale);
    QCoreApplication::removeTranslator(&d->translator);
    QCoreApplication::removeTranslator(&d->qtTranslator);
    if (d->translator.load(locale, QStringLiteral("lumora-editor"), QStringLiteral("_"),
                           QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(&d->translator);
    if (d->qtTranslator.load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&d->qtTranslator);
    QApplication::setLayoutDirection(locale.textDirection());
    d->loadPlugins();
    d->retranslate();
    return true;
}

EditedPicture &EditorWindow::picture() const
{
    return d->picture;
}

EditHistory *EditorWindow::history() const
{
    return &d->history;
}

PictureView *EditorWindow::view() const
{
    return d->view;
}

PluginLoader &EditorWindow::loader() const
{
    return *d->loader;
}

PluginSession *EditorWindow::session() const
{
    return d->session;
}

QList<QAction *> EditorWindow::entries() const
{
    return d->entries;
}

QString EditorWindow::keyboardFocus() const
{
    return d->keys->focused();
}

QString EditorWindow::message() const
{
    // Cleared whenever the bar is hidden.
    return d->messageLabel->text();
}

QList<EditorWindow::Target> EditorWindow::touchTargets() const
{
    QList<Target> targets;
    const auto widgetRect = [this](const QWidget *widget) {
        return QRect(widget->mapTo(this, QPoint(0, 0)), widget->size());
    };
    for (QAction *entry : std::as_const(d->entries)) {
        QWidget *button = d->menuStrip->widgetForAction(entry);
        if (button && button->isVisible())
            targets.append({ entry->objectName(), widgetRect(button) });
    }
    for (QAction *action : { d->openAction, d->undoAction, d->redoAction, d->compareAction }) {
        QWidget *button = d->menuStrip->widgetForAction(action);
        if (button && button->isVisible())
            targets.append({ action->objectName(), widgetRect(button) });
    }
    if (d->cancelSaveButton->isVisible())
        targets.append({ QStringLiteral("cancelSave"), widgetRect(d->cancelSaveButton) });
    if (d->actionBar->isVisible()) {
        targets.append({ QStringLiteral("confirm"), widgetRect(d->confirmButton) });
        targets.append({ QStringLiteral("cancel"), widgetRect(d->cancelButton) });
    }

    QWidget *viewport = d->view->viewport();
    const QPoint origin = viewport->mapTo(this, QPoint(0, 0));
    const auto sceneRect = [&](const QRectF &rect) {
        return d->view->mapFromScene(rect).boundingRect().translated(origin);
    };
    if (d->session && d->session->toolBar()) {
        QList<QGraphicsObject *> named;
        collectNamed(d->session->toolBar(), &named);
        for (QGraphicsObject *object : std::as_const(named))
            targets.append({ QStringLiteral("toolbar:") + object->objectName(),
                             sceneRect(object->sceneBoundingRect()) });
    }
    if (MPopupList *popup = shownPopup(d->view->scene())) {
        const int rows = popup->itemModel() ? popup->itemModel()->rowCount() : 0;
        for (int row = 0; row < rows; ++row) {
            const QRectF rect = popup->rowRect(row);
            if (!rect.isEmpty())
                targets.append({ QStringLiteral("popup:%1").arg(row),
                                 sceneRect(popup->mapRectToScene(rect)) });
        }
    }
    const QList<QRectF> handles = d->view->cropHandles();
    for (int i = 0; i < handles.size(); ++i)
        targets.append({ QStringLiteral("handle:%1").arg(i), sceneRect(handles[i]) });
    if (d->picture.isOpen())
        targets.append({ QStringLiteral("picture"), sceneRect(d->view->pictureRect()) });
    return targets;
}

void EditorWindow::closeEvent(QCloseEvent *event)
{
    if (d->busy) {
        event->ignore();
        return;
    }
    if (d->saving) {
        event->ignore();
        d->askToCloseWhileSaving();
        return;
    }
    if (!d->closeConfirmed && (d->history.isModified() || d->session)) {
        event->ignore();
        d->whenReadyToDiscard([this] {
            d->closeConfirmed = true;
            close();
        });
        return;
    }
    // An edit left open is not kept: the person chose to discard it.
    if (d->session)
        d->session->cancel();
    event->accept();
}

void EditorWindow::dragEnterEvent(QDragEnterEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (d->isIdle() && !urls.isEmpty() && urls.first().isLocalFile())
        event->acceptProposedAction();
}

void EditorWindow::dropEvent(QDropEvent *event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.first().isLocalFile())
        return;
    event->acceptProposedAction();
    openPicture(urls.first().toLocalFile());
}

void EditorWindow::resizeEvent(QResizeEvent *event)
{
    QMainWindow::resizeEvent(event);
    d->updateOrientation();
    d->scheduleUiMap();
}

void EditorWindow::moveEvent(QMoveEvent *event)
{
    QMainWindow::moveEvent(event);
    d->scheduleUiMap();
}

void EditorWindow::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::LanguageChange && d->fileMenu)
        d->retranslate();
    // Full screen is the picture's: no menu bar.
    if (event->type() == QEvent::WindowStateChange && d->fullScreenAction) {
        d->fullScreenAction->setChecked(isFullScreen());
        menuBar()->setVisible(!isFullScreen());
        d->updateActions();
    }
    // A key held while another window took the focus is released there, unseen here.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        d->setComparing(false);
}

bool EditorWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Held, not typed: a key's auto-repeat (a release and a press each time) is not a
    // release. Only keys meant for this window, and not while a dialog of it has them.
    if (event->type() == QEvent::ShortcutOverride || event->type() == QEvent::KeyPress) {
        // The tool bar's and the popup's keys come before the window's shortcuts (Return
        // picks the focused row rather than confirming).
        auto *key = static_cast<QKeyEvent *>(event);
        auto *widget = qobject_cast<QWidget *>(watched);
        if (widget && widget->window() == this && !d->busy && d->keys->wantsKey(key)) {
            if (event->type() == QEvent::KeyPress)
                d->keys->handleKey(key);
            event->accept();
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        auto *key = static_cast<QKeyEvent *>(event);
        auto *widget = qobject_cast<QWidget *>(watched);
        if (key->key() == Qt::Key_Backslash && key->modifiers() == Qt::NoModifier && widget
            && widget->window() == this) {
            if (key->isAutoRepeat())
                return true;
            // Qt tells a repeat from its release only when the press that follows has
            // already arrived: a release is taken as one only when no press follows soon.
            if (event->type() == QEvent::KeyPress) {
                d->compareRelease.stop();
                d->setComparing(true);
            } else {
                d->compareRelease.start();
            }
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}
