// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The editor window driven as a person drives it: taps on its entries and buttons,
// drags and touches on the picture's viewport, keys; what the picture, the history and
// the files become.

#include "displayp3.h"
#include "editedpicture.h"
#include "edithistory.h"
#include "editoricons.h"
#include "editorwindow.h"
#include "imageeditor.h"
#include "imagefilters.h"
#include "lumoracropper.h"
#include "lumoraeditplugin.h"
#include "mapplication.h"
#include "mbutton.h"
#include "mlabel.h"
#include "mwindow.h"
#include "pictureview.h"
#include "pluginloader.h"
#include "pluginsession.h"
#include "processrun.h"
#include "testpictures.h"
#include "windowtargets.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGraphicsScene>
#include <QGraphicsWidget>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPointingDevice>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QUndoStack>
#include <QWheelEvent>

#include <cstdio>
#include <memory>
#include <unistd.h>

namespace {

// Wider than high, larger than the window, no symmetry: every turn, every mix-up of
// preview and full size and every swapped side shows.
constexpr QSize PictureSize(1200, 800);

QImage pattern(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x)
            line[x] = qRgb((x * 7 + y) % 200 + 20, (y * 5) % 180 + 30, (x * y) % 150 + 50);
    }
    return image;
}

// Window coordinates to the picture view's viewport.
QPoint onViewport(const EditorWindow &window, const QPoint &windowPos)
{
    return window.view()->viewport()->mapFrom(&window, windowPos);
}

void dragOnViewport(EditorWindow &window, const QPoint &from, const QPoint &to)
{
    QWidget *viewport = window.view()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, (from + to) / 2);
    QTest::mouseMove(viewport, to);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
}

// Two flat halves of colours no effect leaves alone, so that the pixels shown at their
// middles are the picture's own, whatever the zoom.
constexpr QRgb LeftColour = 0xffc85028; // (200, 80, 40)
constexpr QRgb RightColour = 0xff2878c8; // (40, 120, 200)

QImage halves(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(LeftColour);
    for (int y = 0; y < size.height(); ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        std::fill(line + size.width() / 2, line + size.width(), RightColour);
    }
    return image;
}

// The pixel the view shows at that point of the picture, as the screen has it.
QRgb shownPixel(const EditorWindow &window, const QPointF &picturePos)
{
    const QImage screen = window.view()->viewport()->grab().toImage();
    return screen.pixel(window.view()->fromPicture(picturePos).toPoint());
}

QString rgb(QRgb colour)
{
    return QStringLiteral("(%1, %2, %3)").arg(qRed(colour)).arg(qGreen(colour)).arg(qBlue(colour));
}

// One pixel of a picture file as ImageMagick reads it, at 8 bits; 0 when it cannot.
QRgb magickPixel(const QString &file, const QPoint &at)
{
    const ProcessRun run = runProcess(QStringLiteral("convert-im6.q16"),
                                      { file, QStringLiteral("-crop"),
                                        QStringLiteral("1x1+%1+%2").arg(at.x()).arg(at.y()),
                                        QStringLiteral("+repage"), QStringLiteral("-depth"),
                                        QStringLiteral("8"), QStringLiteral("rgb:-") });
    if (run.exitCode != 0 || run.out.size() != 3)
        return 0;
    const auto byte = [&run](int i) { return int(uchar(run.out.at(i))); };
    return qRgb(byte(0), byte(1), byte(2));
}

// How many pixels of two picture files differ, as ImageMagick counts them; -1 when it
// cannot compare them (a different size, a file it cannot read).
qint64 magickDifference(const QString &a, const QString &b)
{
    const ProcessRun run = runProcess(
        QStringLiteral("compare-im6.q16"),
        { QStringLiteral("-metric"), QStringLiteral("AE"), a, b, QStringLiteral("null:") });
    bool ok = false;
    const qint64 pixels = run.err.trimmed().toLongLong(&ok);
    return (run.exitCode == 0 || run.exitCode == 1) && ok ? pixels : -1;
}

// Starts a save with `start` and waits for it to end on its worker: whether it wrote the
// file. False at once when no save started.
bool savedBy(EditorWindow &window, const std::function<void()> &start)
{
    QSignalSpy finished(&window, &EditorWindow::saveFinished);
    start();
    if (finished.isEmpty() && (!window.isSaving() || !finished.wait(120000)))
        return false;
    return finished.first().first().toBool();
}

// Ctrl+S here means writing over the opened file, as a person who chose "Replace the
// Original" for good has it (the choice itself is tst_editorsave's).
void rememberReplace()
{
    QSettings(QStringLiteral("lumora"), QStringLiteral("lumora-editor"))
        .setValue(QStringLiteral("save/choice"), 2);
}

LumoraCropper *cropper(const EditorWindow &window)
{
    return window.session() ? qobject_cast<LumoraCropper *>(window.session()->plugin()) : nullptr;
}

// The texts of the labels on the tool bar's item of that name.
QStringList labelsOn(const EditorWindow &window, const QString &objectName)
{
    QStringList texts;
    QGraphicsWidget *toolBar = window.session() ? window.session()->toolBar() : nullptr;
    if (!toolBar)
        return texts;
    const QList<QGraphicsItem *> items = toolBar->scene()->items();
    for (QGraphicsItem *item : items) {
        QGraphicsObject *object = item->toGraphicsObject();
        if (!object || object->objectName() != objectName)
            continue;
        for (QGraphicsItem *child : object->childItems()) {
            if (auto *label = qobject_cast<MLabel *>(child->toGraphicsObject()))
                texts << label->text();
        }
    }
    return texts;
}

} // namespace

class tst_EditorWindow : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void menuOrderAndTexts_data();
    void menuOrderAndTexts();
    void arabicTextsDigitsAndMirroring();
    void entries_data();
    void entries();
    void toolBarLeftWithEscape_data();
    void toolBarLeftWithEscape();
    void previewSizeIsTheSizeShown();
    void cropDragMapsToPicturePixels();
    void cropHandlesStayWithinReach();
    void touchDragReachesTheCropper();
    void pinchZoomsAlsoWhileCropping();
    void turningRebuildsTheToolBar();
    void effectTapsOfOneActivationAreOneStep();
    void turnsStoreNoPixels();
    void historyKeepsEveryStep();
    void confirmAppliesOnce();
    void undoAfterSave();
    void unsavedChangesPrompt_data();
    void unsavedChangesPrompt();
    void closeAsksFirst();
    void tapShowsOnScreenAtOnce_data();
    void tapShowsOnScreenAtOnce();
    void fileChangedOnDiskSavesWhatIsShown_data();
    void fileChangedOnDiskSavesWhatIsShown();
    void quitWithAnEditInProgress_data();
    void quitWithAnEditInProgress();
    void droppedFileOpens();
    void heicOpensAsHeifConvertShowsIt();
    void unreadableFileLosesNothing();
    void unwritableFileLosesNothing();
    void refusedPluginsAreListed();
    void keysOfPhotoViewers();
    void everyTouchTargetIsLargeEnough();
    void saveLeavesTheWindowResponsive();
    void saveStoppedLeavesTheFile_data();
    void saveStoppedLeavesTheFile();
    void revertIsOneStep();
    void revertShowsTheOriginal();
    void compareShowsTheOriginalWhileHeld_data();
    void compareShowsTheOriginalWhileHeld();
    void wideGamutShownInScreenColours();

private:
    std::unique_ptr<EditorWindow> makeWindow(const QString &pluginDir = QString(),
                                             const QSize &covered = QSize(4000, 4000));
    QString largePhoto();
    QString path(const QString &name) const { return m_dir->filePath(name); }
    void pickByTap(const QString &pluginClass);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<EditorWindow> m_window;
    QString m_picture;
    QPointingDevice *m_touch = nullptr;
    QTemporaryDir m_shared; // what several tests read and none changes
    QTemporaryDir m_settings; // the window's remembered settings, never the user's
};

void tst_EditorWindow::initTestCase()
{
    m_touch = QTest::createTouchDevice();
    EditorIcons::chooseTheme();
    // The window's remembered state (recent files, panels, the save choice) in a folder of
    // the test's own, never the user's.
    QVERIFY(m_settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
}

std::unique_ptr<EditorWindow> tst_EditorWindow::makeWindow(const QString &pluginDir,
                                                           const QSize &covered)
{
    EditorWindow::Options options;
    options.pluginDirs = { pluginDir.isEmpty() ? QStringLiteral(LUMORA_PLUGIN_DIR) : pluginDir };
    // By default the pictures shown whole, so that they compare with the filters' own
    // results.
    options.coveredSize = covered;
    auto window = std::make_unique<EditorWindow>(options);
    window->resize(1000, 700);
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        return nullptr;
    return window;
}

void tst_EditorWindow::init()
{
    QSettings(QStringLiteral("lumora"), QStringLiteral("lumora-editor")).clear();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_picture = path(QStringLiteral("picture.png"));
    QVERIFY(pattern(PictureSize).save(m_picture));
    m_window = makeWindow();
    QVERIFY(m_window);
    m_window->openPicture(m_picture);
    QCOMPARE(m_window->picture().image().size(), PictureSize);
}

void tst_EditorWindow::cleanup()
{
    if (m_window && QTest::currentTestFailed()) {
        const QString shot = QDir::temp().filePath(
            QStringLiteral("tst_editorwindow-%1.png").arg(QTest::currentTestFunction()));
        m_window->grab().save(shot);
        qWarning("window as it was: %s", qPrintable(shot));
    }
    if (m_window)
        m_window->history()->markSaved(); // closing must not ask
    m_window.reset();
    m_dir.reset();
}

void tst_EditorWindow::pickByTap(const QString &pluginClass)
{
    QVERIFY2(tap(*m_window, QStringLiteral("entry:") + pluginClass),
             qPrintable(targetNames(*m_window).join(QLatin1Char(' '))));
}

void tst_EditorWindow::menuOrderAndTexts_data()
{
    QTest::addColumn<int>("position");
    QTest::addColumn<QString>("pluginClass");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("keys");

    QTest::newRow("auto-fix") << 0 << "EditAutoFixPlugin"
                              << "Auto-fix" << QString();
    QTest::newRow("rotate left") << 1 << "EditRotateCounterClockwisePlugin"
                                 << "Rotate left"
                                 << "Ctrl+L";
    QTest::newRow("rotate right") << 2 << "EditRotateClockwisePlugin"
                                  << "Rotate right"
                                  << "Ctrl+R";
    QTest::newRow("crop") << 3 << "EditCropPlugin"
                          << "Crop"
                          << "C";
    QTest::newRow("resize") << 4 << "EditResizePlugin"
                            << "Resize" << QString();
    QTest::newRow("colour effects") << 5 << "EditVintageEffectsPlugin"
                                    << "Colour effects" << QString();
    QTest::newRow("flip horizontal") << 6 << "EditFlipHorizontalPlugin"
                                     << "Flip horizontal" << QString();
    QTest::newRow("flip vertical") << 7 << "EditFlipVerticalPlugin"
                                   << "Flip vertical" << QString();
}

void tst_EditorWindow::menuOrderAndTexts()
{
    QFETCH(int, position);
    QFETCH(QString, pluginClass);
    QFETCH(QString, text);
    QFETCH(QString, keys);

    const QList<QAction *> entries = m_window->entries();
    QCOMPARE(entries.size(), 8);
    QAction *entry = entries.at(position);
    QCOMPARE(entry->data().toString(), pluginClass);
    QCOMPARE(entry->text(), text);
    QVERIFY(!entry->icon().isNull());
    QCOMPARE(entry->shortcut().toString(), keys);
    if (!keys.isEmpty())
        QVERIFY2(entry->toolTip().contains(keys), qPrintable(entry->toolTip()));
    // Where the theme is installed, its icon is used rather than the drawn one.
    const QStringList names
        = EditorIcons::themeNames(m_window->loader().plugin(pluginClass)->iconID());
    QVERIFY(!names.isEmpty());
    if (QDir(QStringLiteral("/usr/share/icons/Adwaita/scalable/actions")).exists()
        && pluginClass.contains(QLatin1String("Rotate")))
        QVERIFY(!EditorIcons::resolvedThemeName(m_window->loader().plugin(pluginClass)->iconID())
                     .isEmpty());
}

void tst_EditorWindow::arabicTextsDigitsAndMirroring()
{
    QVERIFY(m_window->setLanguage(QLocale(QLocale::Arabic, QLocale::Egypt)));
    QCOMPARE(QApplication::layoutDirection(), Qt::RightToLeft);
    QVERIFY(m_window->isRightToLeft());
    QCOMPARE(m_window->entries().at(3)->text(), QStringLiteral("اقتصاص"));
    QCOMPARE(m_window->findChild<QAction *>(QStringLiteral("confirm"))->text(),
             QStringLiteral("تأكيد"));
    // Arabic-Indic digits in the window's own numbers: 1200 x 800.
    const QString size = m_window->findChild<QLabel *>(QStringLiteral("sizeLabel"))->text();
    QVERIFY2(size.contains(QStringLiteral("١٢٠٠")) && size.contains(QStringLiteral("٨٠٠")),
             qPrintable(size));
    // Mirrored: the first entry stands rightmost, Cancel right of Confirm.
    QVERIFY(targetRect(*m_window, QStringLiteral("entry:EditAutoFixPlugin")).x()
            > targetRect(*m_window, QStringLiteral("entry:EditFlipVerticalPlugin")).x());
    pickByTap(QStringLiteral("EditCropPlugin"));
    QVERIFY(targetRect(*m_window, QStringLiteral("cancel")).x()
            > targetRect(*m_window, QStringLiteral("confirm")).x());
    // The plug-in's own texts are Arabic too: they were built after the switch.
    const QStringList labels = labelsOn(*m_window, QStringLiteral("CropPluginButton"));
    QVERIFY2(labels.join(QLatin1Char(' ')).contains(QStringLiteral("٨٠٠")),
             qPrintable(labels.join(QLatin1Char('|'))));
    m_window->cancel();
    QVERIFY(m_window->setLanguage(QLocale(QLocale::English, QLocale::UnitedKingdom)));
    QCOMPARE(QApplication::layoutDirection(), Qt::LeftToRight);
    QCOMPARE(m_window->entries().at(3)->text(), QStringLiteral("Crop"));
}

void tst_EditorWindow::entries_data()
{
    QTest::addColumn<QString>("pluginClass");
    QTest::addColumn<QImage>("expected"); // null: only the size is known
    QTest::addColumn<QSize>("size");

    const QImage in = pattern(PictureSize);
    QTest::newRow("rotate right") << "EditRotateClockwisePlugin"
                                  << in.transformed(QTransform().rotate(90)) << QSize(800, 1200);
    QTest::newRow("rotate left") << "EditRotateCounterClockwisePlugin"
                                 << in.transformed(QTransform().rotate(-90)) << QSize(800, 1200);
    QTest::newRow("flip horizontal")
        << "EditFlipHorizontalPlugin" << in.mirrored(true, false) << PictureSize;
    QTest::newRow("flip vertical")
        << "EditFlipVerticalPlugin" << in.mirrored(false, true) << PictureSize;
    QTest::newRow("auto-fix") << "EditAutoFixPlugin" << ImageFilters::autoLevels(in) << PictureSize;
}

void tst_EditorWindow::entries()
{
    QFETCH(QString, pluginClass);
    QFETCH(QImage, expected);
    QFETCH(QSize, size);

    QSignalSpy finished(m_window.get(), &EditorWindow::sessionChanged);
    pickByTap(pluginClass);
    // A one-shot runs at once and is over.
    QVERIFY(!m_window->session());
    QCOMPARE(m_window->picture().image().size(), size);
    QCOMPARE(m_window->picture().image(), expected.convertToFormat(QImage::Format_RGB32));
    QUndoStack *stack = m_window->history()->stack();
    QCOMPARE(stack->count(), 1);
    QCOMPARE(stack->text(0), m_window->loader().plugin(pluginClass)->name());
    QVERIFY(m_window->isWindowModified());

    QVERIFY(m_window->findChild<QAction *>(QStringLiteral("undo"))->isEnabled());
    QVERIFY(tap(*m_window, QStringLiteral("undo")));
    QCOMPARE(m_window->picture().image(), pattern(PictureSize));
    QVERIFY(!m_window->isWindowModified());
    QVERIFY(tap(*m_window, QStringLiteral("redo")));
    QCOMPARE(m_window->picture().image(), expected.convertToFormat(QImage::Format_RGB32));
}

void tst_EditorWindow::toolBarLeftWithEscape_data()
{
    QTest::addColumn<QString>("pluginClass");
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("landscapeHeight");

    QTest::newRow("crop") << "EditCropPlugin"
                          << "CropPluginButton" << 72;
    QTest::newRow("resize") << "EditResizePlugin"
                            << "ResizePluginButton" << 72;
    QTest::newRow("colour effects") << "EditVintageEffectsPlugin"
                                    << "SepiaButton" << 216;
}

void tst_EditorWindow::toolBarLeftWithEscape()
{
    QFETCH(QString, pluginClass);
    QFETCH(QString, button);
    QFETCH(int, landscapeHeight);

    pickByTap(pluginClass);
    PluginSession *session = m_window->session();
    QVERIFY(session && session->isActive());
    QPointer<QGraphicsWidget> toolBar = session->toolBar();
    QVERIFY(toolBar);
    QCOMPARE(toolBar->scene(), MApplication::activeWindow()->scene());
    QCOMPARE(qRound(toolBar->size().height()), landscapeHeight);
    const QStringList names = targetNames(*m_window);
    QVERIFY2(names.contains(QStringLiteral("toolbar:") + button), qPrintable(names.join(' ')));
    QVERIFY(names.contains(QStringLiteral("confirm")) && names.contains(QStringLiteral("cancel")));
    // No other entry can be picked meanwhile.
    QVERIFY(!m_window->entries().first()->isEnabled());

    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QVERIFY(!m_window->session());
    QVERIFY(!toolBar); // destroyed when the plug-in is left
    QCOMPARE(m_window->history()->stack()->count(), 0);
    QCOMPARE(m_window->picture().image(), pattern(PictureSize));
    QVERIFY(m_window->entries().first()->isEnabled());
    QVERIFY(!targetNames(*m_window).contains(QStringLiteral("confirm")));
}

void tst_EditorWindow::previewSizeIsTheSizeShown()
{
    ImageEditor &editor = m_window->picture().editor();
    const QSize shown = m_window->view()->previewSize();
    QCOMPARE(editor.fullImageSize(), PictureSize);
    QCOMPARE(editor.previewImageSize(), shown);
    QVERIFY(shown.width() < PictureSize.width());
    // Fitted: the sides keep the picture's ratio.
    QVERIFY(qAbs(shown.width() * PictureSize.height() - shown.height() * PictureSize.width())
            <= PictureSize.width());
    QTest::keyClick(m_window.get(), Qt::Key_Plus, Qt::ControlModifier);
    QVERIFY(editor.previewImageSize().width() > shown.width());
    QTest::keyClick(m_window.get(), Qt::Key_0, Qt::ControlModifier);
    QCOMPARE(editor.previewImageSize(), shown);
}

void tst_EditorWindow::cropDragMapsToPicturePixels()
{
    pickByTap(QStringLiteral("EditCropPlugin"));
    LumoraCropper *crop = cropper(*m_window);
    QVERIFY(crop);
    QCOMPARE(crop->selectionRect(), QRect(QPoint(0, 0), PictureSize));
    // Free ratio, chosen from the popup list on the picture's scene: its first row is
    // scrolled out of sight at first, brought back with the wheel.
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:CropPluginButton")));
    if (targetRect(*m_window, QStringLiteral("popup:0")).isEmpty()) {
        const QPoint onPopup
            = onViewport(*m_window, targetRect(*m_window, QStringLiteral("popup:2")).center());
        QWheelEvent wheel(onPopup, m_window->view()->viewport()->mapToGlobal(onPopup), QPoint(),
                          QPoint(0, 120), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(m_window->view()->viewport(), &wheel);
    }
    QVERIFY2(tap(*m_window, QStringLiteral("popup:0")),
             qPrintable(targetNames(*m_window).join(' ')));
    QCOMPARE(crop->cropAspectRatioType(), LumoraCropper::AspectRatioFree);

    const qreal scale = qreal(PictureSize.width()) / m_window->view()->previewSize().width();
    QVERIFY(scale > 1.2); // the preview is well smaller than the picture
    const QPoint corner
        = onViewport(*m_window, targetRect(*m_window, QStringLiteral("handle:2")).center());
    const QPoint moved = corner - QPoint(200, 100);
    QWidget *viewport = m_window->view()->viewport();
    QTest::mousePress(viewport, Qt::LeftButton, {}, corner);
    QTest::mouseMove(viewport, moved);
    // The size shows while the finger is still down.
    const QRect during = crop->selectionRect();
    QCOMPARE(during.topLeft(), QPoint(0, 0));
    QVERIFY2(qAbs(during.width() - (PictureSize.width() - 200 * scale)) <= 2 * scale,
             qPrintable(QString::number(during.width())));
    QVERIFY(qAbs(during.height() - (PictureSize.height() - 100 * scale)) <= 2 * scale);
    const QString shownSize = labelsOn(*m_window, QStringLiteral("CropPluginButton")).join(' ');
    QVERIFY2(shownSize.contains(QString::number(during.width()))
                 && shownSize.contains(QString::number(during.height())),
             qPrintable(shownSize));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, moved);
    QCOMPARE(crop->selectionRect(), during);

    QTest::keyClick(m_window.get(), Qt::Key_Return);
    QVERIFY(!m_window->session());
    QCOMPARE(m_window->picture().image(), pattern(PictureSize).copy(during));
    QCOMPARE(m_window->history()->stack()->count(), 1);
    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_window->picture().image(), pattern(PictureSize));
    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_window->picture().image().size(), during.size());
}

void tst_EditorWindow::cropHandlesStayWithinReach()
{
    QTest::keyClick(m_window.get(), Qt::Key_C);
    LumoraCropper *crop = cropper(*m_window);
    QVERIFY(crop);
    crop->setCropAspectRatioType(LumoraCropper::AspectRatioFree);
    // A selection a few screen pixels across.
    crop->setSelectionRect(QRect(500, 300, 40, 30));
    const QList<QRectF> handles = m_window->view()->cropHandles();
    QCOMPARE(handles.size(), 4);
    const QRectF shown(m_window->view()->fromPicture(QPointF(500, 300)),
                       m_window->view()->fromPicture(QPointF(540, 330)));
    QVERIFY(shown.width() < PictureView::HandleSize);
    for (int i = 0; i < 4; ++i) {
        QVERIFY(handles[i].width() >= PictureView::HandleSize);
        QVERIFY(handles[i].height() >= PictureView::HandleSize);
        QVERIFY(!handles[i].contains(shown.center())); // the middle still moves it
        for (int j = i + 1; j < 4; ++j)
            QVERIFY(!handles[i].intersects(handles[j]));
    }
    // A press on the outer edge of the top-left handle grabs that corner exactly.
    QWidget *viewport = m_window->view()->viewport();
    const QPoint grab = m_window->view()->mapFromScene(handles[0].topLeft() + QPointF(3, 3));
    dragOnViewport(*m_window, grab, grab - QPoint(40, 40));
    const QRect after = crop->selectionRect();
    QCOMPARE(after.right(), 539);
    QCOMPARE(after.bottom(), 329);
    QVERIFY(after.width() > 40 && after.height() > 30);
    // A press in the middle moves the selection whole.
    const QPointF middle = m_window->view()->fromPicture(QRectF(after).center());
    const QPoint from = m_window->view()->mapFromScene(middle);
    dragOnViewport(*m_window, from, from + QPoint(30, 0));
    QCOMPARE(crop->selectionRect().size(), after.size());
    QVERIFY(crop->selectionRect().x() > after.x());
    Q_UNUSED(viewport);
}

void tst_EditorWindow::touchDragReachesTheCropper()
{
    QTest::keyClick(m_window.get(), Qt::Key_C);
    LumoraCropper *crop = cropper(*m_window);
    QVERIFY(crop);
    crop->setCropAspectRatioType(LumoraCropper::AspectRatioFree);
    // A finger on the window, where the handle is shown.
    const QPoint corner = targetRect(*m_window, QStringLiteral("handle:2")).center();
    QWidget *window = m_window.get();
    QTest::touchEvent(window, m_touch).press(0, corner);
    QTest::touchEvent(window, m_touch).move(0, corner - QPoint(60, 30));
    QTest::touchEvent(window, m_touch).move(0, corner - QPoint(120, 60));
    QTest::touchEvent(window, m_touch).release(0, corner - QPoint(120, 60));
    const QRect selection = crop->selectionRect();
    QCOMPARE(selection.topLeft(), QPoint(0, 0));
    QVERIFY2(selection.width() < PictureSize.width() - 100,
             qPrintable(QString::number(selection.width())));
    QVERIFY(selection.height() < PictureSize.height() - 50);
}

void tst_EditorWindow::pinchZoomsAlsoWhileCropping()
{
    PictureView *view = m_window->view();
    // Fingers on the window, over the middle of the picture.
    QWidget *viewport = m_window.get();
    const QPoint middle = view->viewport()->mapTo(viewport, view->viewport()->rect().center());
    const auto pinch = [&](int spread) {
        QTest::touchEvent(viewport, m_touch).press(0, middle - QPoint(50, 0));
        QTest::touchEvent(viewport, m_touch)
            .move(0, middle - QPoint(50, 0))
            .press(1, middle + QPoint(50, 0));
        for (int step = 1; step <= 4; ++step)
            QTest::touchEvent(viewport, m_touch)
                .move(0, middle - QPoint(50 + step * spread, 0))
                .move(1, middle + QPoint(50 + step * spread, 0));
        QTest::touchEvent(viewport, m_touch)
            .release(0, middle - QPoint(50 + 4 * spread, 0))
            .release(1, middle + QPoint(50 + 4 * spread, 0));
    };
    const qreal fitted = view->zoom();
    pinch(20);
    QVERIFY2(view->zoom() > fitted * 1.3, qPrintable(QString::number(view->zoom())));
    QVERIFY(!view->isFitted());

    // Two fingers moved together pan the zoomed picture.
    const QRectF before = view->pictureRect();
    QTest::touchEvent(viewport, m_touch).press(0, middle).press(1, middle + QPoint(80, 0));
    for (int step = 1; step <= 4; ++step)
        QTest::touchEvent(viewport, m_touch)
            .move(0, middle + QPoint(step * 15, 0))
            .move(1, middle + QPoint(80 + step * 15, 0));
    QTest::touchEvent(viewport, m_touch)
        .release(0, middle + QPoint(60, 0))
        .release(1, middle + QPoint(140, 0));
    QVERIFY2(view->pictureRect().x() > before.x(),
             qPrintable(QString::number(view->pictureRect().x())));

    // The crop tool's selection is mapped by the view at any zoom: zooming goes on, and
    // a finger on the picture is the cropper's.
    QTest::keyClick(m_window.get(), Qt::Key_C);
    QVERIFY(cropper(*m_window));
    QVERIFY(view->isZoomAllowed());
    const qreal cropZoom = view->zoom();
    QTest::keyClick(m_window.get(), Qt::Key_Plus, Qt::ControlModifier);
    QVERIFY(view->zoom() > cropZoom);
}

void tst_EditorWindow::turningRebuildsTheToolBar()
{
    pickByTap(QStringLiteral("EditVintageEffectsPlugin"));
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:SepiaButton")));
    QCOMPARE(qRound(m_window->session()->toolBar()->size().height()), 216);
    QPointer<QGraphicsWidget> landscape = m_window->session()->toolBar();

    m_window->resize(600, 900);
    QCOMPARE(m_window->view()->orientation(), M::Portrait);
    QCOMPARE(MApplication::activeWindow()->orientation(), M::Portrait);
    QVERIFY(!landscape);
    QGraphicsWidget *portrait = m_window->session()->toolBar();
    QVERIFY(portrait);
    QCOMPARE(qRound(portrait->size().height()), 72);
    QCOMPARE(qRound(portrait->size().width()), 480);
    // The tool bar stands at the bottom of the picture, within the viewport.
    const QRect bar = targetRect(*m_window, QStringLiteral("toolbar:SepiaButton"));
    QVERIFY(m_window->view()->geometry().contains(
        m_window->view()->mapFrom(m_window.get(), bar.center())));
    // The choice made before the turn still shows.
    bool sepiaChecked = false;
    for (QGraphicsItem *item : portrait->scene()->items()) {
        auto *button = qobject_cast<MButton *>(item->toGraphicsObject());
        if (button && button->objectName() == QLatin1String("SepiaButton"))
            sepiaChecked = button->isChecked();
    }
    QVERIFY(sepiaChecked);
    QTest::keyClick(m_window.get(), Qt::Key_Return);
    QCOMPARE(m_window->picture().image(), ImageFilters::sepia(pattern(PictureSize)));

    m_window->resize(1000, 700);
    QCOMPARE(m_window->view()->orientation(), M::Landscape);
}

void tst_EditorWindow::effectTapsOfOneActivationAreOneStep()
{
    pickByTap(QStringLiteral("EditVintageEffectsPlugin"));
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:SepiaButton")));
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:BlackAndWhiteButton")));
    // Shown at once, each in place of the one before.
    QCOMPARE(m_window->picture().image(), ImageFilters::greyscale(pattern(PictureSize)));
    QVERIFY(tap(*m_window, QStringLiteral("confirm")));
    QCOMPARE(m_window->history()->stack()->count(), 1);
    QCOMPARE(m_window->picture().image(), ImageFilters::greyscale(pattern(PictureSize)));
    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_window->picture().image(), pattern(PictureSize));

    // Cancel drops the taps, and makes no step.
    pickByTap(QStringLiteral("EditVintageEffectsPlugin"));
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:OldColorButton")));
    QVERIFY(m_window->picture().image() != pattern(PictureSize));
    QVERIFY(tap(*m_window, QStringLiteral("cancel")));
    QCOMPARE(m_window->picture().image(), pattern(PictureSize));
    QCOMPARE(m_window->history()->stack()->index(), 0);
}

void tst_EditorWindow::turnsStoreNoPixels()
{
    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier);
    pickByTap(QStringLiteral("EditFlipHorizontalPlugin"));
    QTest::keyClick(m_window.get(), Qt::Key_L, Qt::ControlModifier);
    QCOMPARE(m_window->history()->stack()->count(), 3);
    // Right, flip, left: the picture flipped top to bottom.
    QCOMPARE(m_window->picture().image(), pattern(PictureSize).mirrored(false, true));
    QCOMPARE(m_window->picture().turn(),
             std::optional<PictureTurn>(PictureTurn(PictureTurn::FlipVertical)));
    pickByTap(QStringLiteral("EditAutoFixPlugin"));
    QVERIFY(!m_window->picture().turn());
    for (int i = 0; i < 4; ++i)
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_window->picture().image(), pattern(PictureSize));
    QCOMPARE(m_window->picture().turn(), std::optional<PictureTurn>(PictureTurn()));
}

void tst_EditorWindow::historyKeepsEveryStep()
{
    // Steps hold edit lists, not pictures: thirty of them all go back and forth.
    QList<QImage> shown { m_window->picture().image() };
    const QStringList plugins { QStringLiteral("EditAutoFixPlugin"),
                                QStringLiteral("EditRotateClockwisePlugin"),
                                QStringLiteral("EditFlipVerticalPlugin") };
    for (int i = 0; i < 30; ++i) {
        pickByTap(plugins.at(i % plugins.size()));
        shown << m_window->picture().image();
    }
    QUndoStack *stack = m_window->history()->stack();
    QCOMPARE(stack->count(), 30);
    for (int i = 29; i >= 0; --i) {
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(m_window->picture().image(), shown.at(i));
    }
    QVERIFY(!stack->canUndo());
    QVERIFY(!m_window->isWindowModified());
    for (int i = 1; i <= 30; ++i) {
        QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(m_window->picture().image(), shown.at(i));
    }
}

void tst_EditorWindow::confirmAppliesOnce()
{
    pickByTap(QStringLiteral("EditResizePlugin"));
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:ResizePluginButton")));
    QVERIFY(tap(*m_window, QStringLiteral("popup:2"))); // 50 %
    QSignalSpy busy(m_window->session(), &PluginSession::busyChanged);
    QSignalSpy performed(m_window->session(), &PluginSession::editOperationPerformed);
    QTest::keyClick(m_window.get(), Qt::Key_Return);
    QTest::keyClick(m_window.get(), Qt::Key_Return);
    QCOMPARE(performed.size(), 1);
    // Busy from the request until the plug-in reported, once.
    QCOMPARE(busy.size(), 2);
    QCOMPARE(busy.at(0).at(0).toBool(), true);
    QCOMPARE(busy.at(1).at(0).toBool(), false);
    QCOMPARE(m_window->picture().image().size(), PictureSize / 2);
    QCOMPARE(m_window->history()->stack()->count(), 1);
}

void tst_EditorWindow::undoAfterSave()
{
    rememberReplace();
    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier);
    QVERIFY(m_window->isWindowModified());
    QVERIFY(savedBy(*m_window,
                    [this] { QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier); }));
    QVERIFY2(m_window->message().isEmpty(), qPrintable(m_window->message()));
    QVERIFY(!m_window->isWindowModified());
    QCOMPARE(QImage(m_picture).convertToFormat(QImage::Format_RGB32),
             pattern(PictureSize).transformed(QTransform().rotate(90)));
    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_window->picture().image(), pattern(PictureSize));
    QVERIFY(m_window->isWindowModified());
    QVERIFY(savedBy(*m_window, [this] { m_window->saveAs(path(QStringLiteral("copy.png"))); }));
    QCOMPARE(QImage(path(QStringLiteral("copy.png"))).convertToFormat(QImage::Format_RGB32),
             pattern(PictureSize));
}

void tst_EditorWindow::unsavedChangesPrompt_data()
{
    QTest::addColumn<int>("answer");
    QTest::addColumn<bool>("opened");
    QTest::addColumn<bool>("saved");

    QTest::newRow("cancel keeps the edited picture") << int(QMessageBox::Cancel) << false << false;
    QTest::newRow("discard opens the other") << int(QMessageBox::Discard) << true << false;
    QTest::newRow("save writes a copy, then opens") << int(QMessageBox::Save) << true << true;
}

void tst_EditorWindow::unsavedChangesPrompt()
{
    QFETCH(int, answer);
    QFETCH(bool, opened);
    QFETCH(bool, saved);
    const QString other = path(QStringLiteral("other.png"));
    QVERIFY(pattern(QSize(300, 500)).save(other));

    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier);
    m_window->openPicture(other);
    auto *prompt = m_window->findChild<QMessageBox *>(QStringLiteral("unsavedPrompt"));
    QVERIFY(prompt);
    QVERIFY(prompt->isVisible());
    QCOMPARE(m_window->picture().image().size(), QSize(800, 1200)); // nothing yet
    QSignalSpy finished(m_window.get(), &EditorWindow::saveFinished);
    prompt->button(QMessageBox::StandardButton(answer))->click();
    // The other picture opens once the save has written the file, not before.
    if (saved) {
        QCOMPARE(m_window->picture().image().size(), QSize(800, 1200));
        QVERIFY(finished.wait(60000));
    }
    QCOMPARE(m_window->picture().image().size(), opened ? QSize(300, 500) : QSize(800, 1200));
    // The original as it was; what was saved is beside it.
    QCOMPARE(QImage(m_picture).size(), PictureSize);
    QCOMPARE(QFile::exists(path(QStringLiteral("picture-edited.png"))), saved);
    if (saved)
        QCOMPARE(QImage(path(QStringLiteral("picture-edited.png"))).size(), QSize(800, 1200));
    QCOMPARE(m_window->isWindowModified(), !opened);
}

void tst_EditorWindow::closeAsksFirst()
{
    QTest::keyClick(m_window.get(), Qt::Key_L, Qt::ControlModifier);
    QVERIFY(!m_window->close());
    QVERIFY(m_window->isVisible());
    auto *prompt = m_window->findChild<QMessageBox *>(QStringLiteral("unsavedPrompt"));
    QVERIFY(prompt);
    prompt->button(QMessageBox::Cancel)->click();
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_window->close());
    prompt = m_window->findChild<QMessageBox *>(QStringLiteral("unsavedPrompt"));
    QVERIFY(prompt);
    prompt->button(QMessageBox::Discard)->click();
    QVERIFY(!m_window->isVisible());
    QCOMPARE(QImage(m_picture).size(), PictureSize);
}

void tst_EditorWindow::droppedFileOpens()
{
    const QString other = path(QStringLiteral("dropped.png"));
    QVERIFY(pattern(QSize(320, 480)).save(other));
    QMimeData data;
    data.setUrls({ QUrl::fromLocalFile(other) });
    const QPoint at = m_window->view()->geometry().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(m_window.get(), &drop);
    QCOMPARE(m_window->picture().image().size(), QSize(320, 480));
    QCOMPARE(m_window->picture().path(), other);
}

// A HEIC (made by heif-enc) opens like any picture, and the screen shows its pixels as
// heif-convert decodes them.
void tst_EditorWindow::heicOpensAsHeifConvertShowsIt()
{
    const QString png = path(QStringLiteral("phone.png"));
    const QString heic = path(QStringLiteral("phone.heic"));
    QVERIFY(pattern(QSize(320, 480)).save(png));
    const ProcessRun made = runProcess(
        QStringLiteral("heif-enc"),
        { QStringLiteral("-q"), QStringLiteral("95"), png, QStringLiteral("-o"), heic });
    if (made.exitCode != 0)
        QSKIP("heif-enc here cannot make a HEIC (no x265 encoder in libheif)");
    const QString reference = path(QStringLiteral("phone-reference.png"));
    QCOMPARE(runProcess(QStringLiteral("heif-convert"), { heic, reference }).exitCode, 0);
    m_window->openPicture(heic);
    QCOMPARE(m_window->picture().path(), heic);
    QCOMPARE(m_window->picture().image().size(), QSize(320, 480));
    for (const QPoint at : { QPoint(60, 240), QPoint(260, 240) }) {
        const QRgb shown = shownPixel(*m_window, at);
        const QRgb expected = magickPixel(reference, at);
        QVERIFY2(qAbs(qRed(shown) - qRed(expected)) <= 4
                     && qAbs(qGreen(shown) - qGreen(expected)) <= 4
                     && qAbs(qBlue(shown) - qBlue(expected)) <= 4,
                 qPrintable(rgb(shown) + QStringLiteral(" shown, ") + rgb(expected)
                            + QStringLiteral(" in ") + reference));
    }
}

void tst_EditorWindow::unreadableFileLosesNothing()
{
    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier);
    const QImage edited = m_window->picture().image();
    m_window->history()->markSaved();
    QFile broken(path(QStringLiteral("broken.png")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("\x89PNG\r\n\x1a\n not really");
    broken.close();
    for (const QString &name : { QStringLiteral("missing.png"), QStringLiteral("broken.png") }) {
        m_window->openPicture(path(name));
        QVERIFY2(m_window->message().contains(name), qPrintable(m_window->message()));
        QCOMPARE(m_window->picture().image(), edited);
        QCOMPARE(m_window->history()->stack()->count(), 1);
    }
}

void tst_EditorWindow::unwritableFileLosesNothing()
{
    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier);
    const QString folder = path(QStringLiteral("folder.png"));
    QVERIFY(QDir().mkdir(folder));
    QVERIFY(!savedBy(*m_window, [&] { m_window->saveAs(folder); }));
    QVERIFY(!m_window->message().isEmpty());
    QVERIFY(!m_window->saveAs(path(QStringLiteral("picture.unknown"))));
    QVERIFY(m_window->message().contains(QLatin1String("picture.unknown")));
    QVERIFY(m_window->isWindowModified());
    QCOMPARE(QImage(m_picture).size(), PictureSize);
    QVERIFY(m_window->history()->stack()->canUndo());
}

void tst_EditorWindow::refusedPluginsAreListed()
{
    const QString plugins = path(QStringLiteral("plugins"));
    QVERIFY(QDir().mkpath(plugins));
    const QDir built(QStringLiteral(LUMORA_PLUGIN_DIR));
    for (const QString &name : built.entryList({ QStringLiteral("lib*.so") }))
        QVERIFY(QFile::link(built.filePath(name), QDir(plugins).filePath(name)));
    QFile broken(QDir(plugins).filePath(QStringLiteral("libbroken.so")));
    QVERIFY(broken.open(QIODevice::WriteOnly));
    broken.write("no shared object");
    broken.close();

    m_window.reset();
    m_window = makeWindow(plugins);
    QVERIFY(m_window);
    QCOMPARE(m_window->entries().size(), 8);
    QVERIFY(!m_window->message().isEmpty());
    m_window->findChild<QAction *>(QStringLiteral("plugins"))->trigger();
    auto *tree = m_window->findChild<QTreeWidget *>(QStringLiteral("pluginsTree"));
    QVERIFY(tree);
    QCOMPARE(tree->topLevelItemCount(), 2);
    QCOMPARE(tree->topLevelItem(0)->childCount(), 8);
    QTreeWidgetItem *refused = tree->topLevelItem(1);
    QCOMPARE(refused->childCount(), 1);
    QCOMPARE(refused->child(0)->text(2), QStringLiteral("libbroken.so"));
    QVERIFY2(refused->child(0)->text(0).contains(QLatin1String("no ELF header")),
             qPrintable(refused->child(0)->text(0)));
}

void tst_EditorWindow::keysOfPhotoViewers()
{
    const QStringList expected
        = { QStringLiteral("open:Ctrl+O"), QStringLiteral("save:Ctrl+S"),
            QStringLiteral("saveAs:Ctrl+Shift+S"), QStringLiteral("undo:Ctrl+Z"),
            QStringLiteral("redo:Ctrl+Shift+Z"), QStringLiteral("confirm:Return"),
            QStringLiteral("cancel:Esc"), QStringLiteral("zoomIn:Ctrl++"),
            QStringLiteral("zoomOut:Ctrl+-"), QStringLiteral("fit:Ctrl+0"),
            // The engine's keys for its one-shot edits, and the window's for crop.
            QStringLiteral("entry/EditRotateClockwisePlugin:Ctrl+R"),
            QStringLiteral("entry/EditRotateCounterClockwisePlugin:Ctrl+L"),
            QStringLiteral("entry/EditCropPlugin:C") };
    for (const QString &pair : expected) {
        const QString name
            = pair.section(QLatin1Char(':'), 0, 0).replace(QLatin1Char('/'), QLatin1Char(':'));
        const QString keys = pair.section(QLatin1Char(':'), 1);
        auto *action = m_window->findChild<QAction *>(name);
        QVERIFY2(action, qPrintable(name));
        QCOMPARE(action->shortcut().toString(), keys);
        QVERIFY2(action->toolTip().contains(keys), qPrintable(action->toolTip()));
    }
    // The menus show them as well.
    QVERIFY(m_window->menuBar()->actions().size() >= 3);
    QTest::keyClick(m_window.get(), Qt::Key_Minus, Qt::ControlModifier);
    QVERIFY(!m_window->view()->isFitted());
    QTest::keyClick(m_window.get(), Qt::Key_0, Qt::ControlModifier);
    QVERIFY(m_window->view()->isFitted());
}

void tst_EditorWindow::everyTouchTargetIsLargeEnough()
{
    const auto check = [this](const char *when) {
        for (const EditorWindow::Target &target : m_window->touchTargets()) {
            if (target.name == QLatin1String("picture"))
                continue;
            QVERIFY2(target.rect.width() >= PictureView::HandleSize
                         && target.rect.height() >= PictureView::HandleSize,
                     qPrintable(QStringLiteral("%1 %2: %3x%4")
                                    .arg(QLatin1String(when), target.name)
                                    .arg(target.rect.width())
                                    .arg(target.rect.height())));
        }
    };
    check("idle");
    pickByTap(QStringLiteral("EditCropPlugin"));
    check("crop");
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:CropPluginButton")));
    check("ratio list");
    QVERIFY(tap(*m_window, QStringLiteral("popup:2")));
    m_window->cancel();
    m_window->resize(600, 900);
    check("portrait");
    pickByTap(QStringLiteral("EditVintageEffectsPlugin"));
    check("portrait effects");
}

void tst_EditorWindow::tapShowsOnScreenAtOnce_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<bool>("grey");

    QTest::newRow("sepia shows before confirm, and is what is saved")
        << QStringLiteral("SepiaButton") << true << false;
    QTest::newRow("black and white shows grey before confirm")
        << QStringLiteral("BlackAndWhiteButton") << true << true;
    QTest::newRow("old colour shows, cancel shows the picture as before")
        << QStringLiteral("OldColorButton") << false << false;
    QTest::newRow("cross processing shows, cancel shows the picture as before")
        << QStringLiteral("CrossProcessButton") << false << false;
}

void tst_EditorWindow::tapShowsOnScreenAtOnce()
{
    QFETCH(QString, button);
    QFETCH(bool, confirmed);
    QFETCH(bool, grey);
    const QString file = path(QStringLiteral("halves.png"));
    QVERIFY(halves(PictureSize).save(file));
    m_window->openPicture(file);
    const QPointF left(PictureSize.width() / 4, PictureSize.height() / 2);
    const QPointF right(PictureSize.width() * 3 / 4, PictureSize.height() / 2);
    QCOMPARE(rgb(shownPixel(*m_window, left)), rgb(LeftColour));
    QCOMPARE(rgb(shownPixel(*m_window, right)), rgb(RightColour));

    pickByTap(QStringLiteral("EditVintageEffectsPlugin"));
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:") + button));
    // Still choosing, and the screen shows the choice already.
    QVERIFY(m_window->session() && m_window->session()->isActive());
    const QRgb leftShown = shownPixel(*m_window, left);
    const QRgb rightShown = shownPixel(*m_window, right);
    QVERIFY2(leftShown != LeftColour, qPrintable(rgb(leftShown)));
    QVERIFY2(rightShown != RightColour, qPrintable(rgb(rightShown)));
    if (grey) {
        for (const QRgb shown : { leftShown, rightShown })
            QVERIFY2(qRed(shown) == qGreen(shown) && qGreen(shown) == qBlue(shown),
                     qPrintable(rgb(shown)));
    }

    if (!confirmed) {
        QVERIFY(tap(*m_window, QStringLiteral("cancel")));
        QVERIFY(!m_window->session());
        QCOMPARE(rgb(shownPixel(*m_window, left)), rgb(LeftColour));
        QCOMPARE(rgb(shownPixel(*m_window, right)), rgb(RightColour));
        return;
    }
    QVERIFY(tap(*m_window, QStringLiteral("confirm")));
    QCOMPARE(rgb(shownPixel(*m_window, left)), rgb(leftShown));
    QVERIFY(savedBy(*m_window, [this] { m_window->save(); }));
    // What the screen showed before Confirm is what the file holds, as ImageMagick reads it.
    QCOMPARE(rgb(magickPixel(file, left.toPoint())), rgb(leftShown));
    QCOMPARE(rgb(magickPixel(file, right.toPoint())), rgb(rightShown));
}

void tst_EditorWindow::fileChangedOnDiskSavesWhatIsShown_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("changed");

    QTest::newRow("file cut short under the window: no crash, the picture shown is saved")
        << QStringLiteral("shorter") << true;
    QTest::newRow("file rewritten in place with another picture: the picture shown is saved")
        << QStringLiteral("rewritten") << true;
    QTest::newRow("file replaced by another: the picture shown is saved")
        << QStringLiteral("replaced") << true;
    QTest::newRow("file removed: the picture shown is saved") << QStringLiteral("removed") << true;
    QTest::newRow("file untouched: nothing said") << QStringLiteral("untouched") << false;
    QTest::newRow("file cut short, saved as a hard link's name: the change is still seen")
        << QStringLiteral("shorter, saved through a hard link") << true;
}

void tst_EditorWindow::fileChangedOnDiskSavesWhatIsShown()
{
    rememberReplace();
    QFETCH(QString, change);
    QFETCH(bool, changed);
    // A JPEG, so that the save turns the blocks held since open losslessly and writes
    // the metadata read then: neither may come from the file as it is now.
    const QString file = path(QStringLiteral("photo.jpg"));
    const QString original = path(QStringLiteral("original.jpg"));
    QVERIFY(pattern(PictureSize).save(file, "JPEG", 90));
    QVERIFY(QFile::copy(file, original));
    QByteArray other;
    {
        QBuffer buffer(&other);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(halves(PictureSize).save(&buffer, "JPEG", 90));
    }
    m_window->openPicture(file);
    QCOMPARE(m_window->picture().path(), file);
    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier);

    const bool throughLink = change.endsWith(QLatin1String("through a hard link"));
    const QString saveName = throughLink ? path(QStringLiteral("photo-link.jpg")) : file;
    if (throughLink)
        QVERIFY(::link(QFile::encodeName(file).constData(), QFile::encodeName(saveName).constData())
                == 0);
    if (change.startsWith(QLatin1String("shorter"))) {
        QFile cut(file);
        QVERIFY(cut.resize(cut.size() / 3)); // the same file, in place
    } else if (change == QLatin1String("rewritten")) {
        QFile rewritten(file);
        QVERIFY(rewritten.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QCOMPARE(rewritten.write(other), other.size());
    } else if (change == QLatin1String("replaced")) {
        QFile replacement(file + QLatin1String(".new"));
        QVERIFY(replacement.open(QIODevice::WriteOnly));
        QCOMPARE(replacement.write(other), other.size());
        replacement.close();
        QVERIFY(::rename(QFile::encodeName(replacement.fileName()).constData(),
                         QFile::encodeName(file).constData())
                == 0);
    } else if (change == QLatin1String("removed")) {
        QVERIFY(QFile::remove(file));
    }

    if (throughLink)
        QVERIFY(savedBy(*m_window, [&] { m_window->saveAs(saveName); }));
    else
        QVERIFY(savedBy(*m_window, [this] {
            QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier);
        }));
    QVERIFY2(!m_window->isWindowModified(), qPrintable(m_window->message()));
    QCOMPARE(m_window->message().contains(QLatin1String("changed on disk")), changed);
    if (throughLink)
        return; // the window now holds the link's name; the rest is the plain rows' work
    // The picture shown: the opened one turned right, as jpegtran turns it.
    const QString expected = path(QStringLiteral("expected.jpg"));
    QCOMPARE(
        runProcess(QStringLiteral("jpegtran"),
                   { QStringLiteral("-rotate"), QStringLiteral("90"), QStringLiteral("-perfect"),
                     QStringLiteral("-outfile"), expected, original })
            .exitCode,
        0);
    QCOMPARE(magickSize(file), PictureSize.transposed());
    QCOMPARE(magickDifference(file, expected), 0);

    // The file is the window's own again: the next save says nothing of a change.
    QTest::keyClick(m_window.get(), Qt::Key_L, Qt::ControlModifier);
    QVERIFY(savedBy(*m_window,
                    [this] { QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier); }));
    QVERIFY2(!m_window->message().contains(QLatin1String("changed on disk")),
             qPrintable(m_window->message()));
    QCOMPARE(magickDifference(file, original), 0);
}

void tst_EditorWindow::quitWithAnEditInProgress_data()
{
    QTest::addColumn<QString>("edit");
    QTest::addColumn<bool>("turnFirst");
    QTest::addColumn<int>("answer");

    QTest::newRow("save confirms a dragged crop, then saves")
        << QStringLiteral("crop") << false << int(QMessageBox::Save);
    QTest::newRow("save after a turn confirms a dragged crop, then saves")
        << QStringLiteral("crop") << true << int(QMessageBox::Save);
    QTest::newRow("save confirms a chosen size, then saves")
        << QStringLiteral("resize") << false << int(QMessageBox::Save);
    QTest::newRow("save confirms a tapped effect, then saves")
        << QStringLiteral("effect") << false << int(QMessageBox::Save);
    QTest::newRow("discard drops the crop and the turn, the file stays")
        << QStringLiteral("crop") << true << int(QMessageBox::Discard);
    QTest::newRow("cancel keeps the window and the crop in progress")
        << QStringLiteral("crop") << true << int(QMessageBox::Cancel);
}

void tst_EditorWindow::quitWithAnEditInProgress()
{
    QFETCH(QString, edit);
    QFETCH(bool, turnFirst);
    QFETCH(int, answer);
    const QString original = path(QStringLiteral("original.png"));
    QVERIFY(QFile::copy(m_picture, original));
    QSize size = PictureSize;
    if (turnFirst) {
        QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier);
        size.transpose();
    }

    QRect selection;
    if (edit == QLatin1String("crop")) {
        pickByTap(QStringLiteral("EditCropPlugin"));
        const QPoint corner
            = onViewport(*m_window, targetRect(*m_window, QStringLiteral("handle:2")).center());
        dragOnViewport(*m_window, corner, corner - QPoint(150, 120));
        QVERIFY(cropper(*m_window));
        selection = cropper(*m_window)->selectionRect();
        QVERIFY(selection.isValid() && selection.size() != size);
    } else if (edit == QLatin1String("resize")) {
        pickByTap(QStringLiteral("EditResizePlugin"));
        QVERIFY(tap(*m_window, QStringLiteral("toolbar:ResizePluginButton")));
        QVERIFY(tap(*m_window, QStringLiteral("popup:2"))); // 50 %
    } else {
        pickByTap(QStringLiteral("EditVintageEffectsPlugin"));
        QVERIFY(tap(*m_window, QStringLiteral("toolbar:BlackAndWhiteButton")));
    }
    QVERIFY(m_window->session());

    QTest::keyClick(m_window.get(), Qt::Key_Q, Qt::ControlModifier);
    QVERIFY(m_window->isVisible());
    auto *prompt = m_window->findChild<QMessageBox *>(QStringLiteral("unsavedPrompt"));
    QVERIFY(prompt);
    QVERIFY(prompt->isVisible());
    QVERIFY(m_window->session()); // nothing happens before the answer
    QSignalSpy finished(m_window.get(), &EditorWindow::saveFinished);
    prompt->button(QMessageBox::StandardButton(answer))->click();

    switch (answer) {
    case QMessageBox::Save: {
        // The window waits for the save of a copy beside the original, then closes.
        QVERIFY2(finished.wait(60000), qPrintable(m_window->message()));
        QVERIFY2(!m_window->isVisible(), qPrintable(m_window->message()));
        QCOMPARE(magickDifference(m_picture, original), 0);
        const QString copy = path(QStringLiteral("picture-edited.png"));
        if (edit == QLatin1String("crop")) {
            QCOMPARE(magickSize(copy), selection.size());
            // Pixel for pixel the opened picture, turned as asked, then cropped.
            const QString expected = path(QStringLiteral("expected.png"));
            QStringList arguments { original };
            if (turnFirst)
                arguments << QStringLiteral("-rotate") << QStringLiteral("90");
            arguments << QStringLiteral("-crop")
                      << QStringLiteral("%1x%2+%3+%4")
                             .arg(selection.width())
                             .arg(selection.height())
                             .arg(selection.x())
                             .arg(selection.y())
                      << QStringLiteral("+repage") << expected;
            QCOMPARE(runProcess(QStringLiteral("convert-im6.q16"), arguments).exitCode, 0);
            QCOMPARE(magickDifference(copy, expected), 0);
        } else if (edit == QLatin1String("resize")) {
            QCOMPARE(magickSize(copy), size / 2);
        } else {
            const QRgb saved = magickPixel(copy, QPoint(100, 100));
            QVERIFY2(qRed(saved) == qGreen(saved) && qGreen(saved) == qBlue(saved)
                         && saved != magickPixel(original, QPoint(100, 100)),
                     qPrintable(rgb(saved)));
        }
        break;
    }
    case QMessageBox::Discard:
        QVERIFY(!m_window->isVisible());
        QCOMPARE(magickDifference(m_picture, original), 0);
        break;
    default:
        QVERIFY(m_window->isVisible());
        QVERIFY(m_window->session() && m_window->session()->isActive());
        QCOMPARE(cropper(*m_window)->selectionRect(), selection);
        QCOMPARE(magickDifference(m_picture, original), 0);
        QVERIFY(m_window->isWindowModified());
        break;
    }
}

// A 6000 x 4000 JPEG photo as ImageMagick makes it, made once: its full render takes
// long enough that a save done on the window's thread would stop it for a while.
QString tst_EditorWindow::largePhoto()
{
    const QString file = m_shared.filePath(QStringLiteral("large.jpg"));
    if (!QFile::exists(file)) {
        const ProcessRun run
            = runProcess(QStringLiteral("convert-im6.q16"),
                         { QStringLiteral("-size"), QStringLiteral("6000x4000"),
                           QStringLiteral("gradient:#c85028-#2878c8"), QStringLiteral("-quality"),
                           QStringLiteral("85"), file });
        if (run.exitCode != 0)
            return QString();
    }
    return file;
}

void tst_EditorWindow::saveLeavesTheWindowResponsive()
{
    const QString large = largePhoto();
    QVERIFY(!large.isEmpty());
    // Shown reduced, as on a screen: only the save renders the full picture.
    m_window.reset(); // one window a process
    m_window = makeWindow(QString(), QSize(1500, 1000));
    QVERIFY(m_window);
    m_window->openPicture(large);
    QCOMPARE(m_window->picture().fullSize(), QSize(6000, 4000));
    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier);
    pickByTap(QStringLiteral("EditAutoFixPlugin"));
    const QString out = path(QStringLiteral("saved.jpg"));

    // A timer of 10 ms goes on firing while the save runs; its longest gap is how long
    // the window did not answer.
    QElapsedTimer clock;
    qint64 last = 0;
    qint64 longest = 0;
    int ticks = 0;
    QTimer timer;
    timer.setInterval(10);
    connect(&timer, &QTimer::timeout, this, [&] {
        const qint64 now = clock.elapsed();
        longest = std::max(longest, now - last);
        last = now;
        ++ticks;
    });
    bool refusedWhileSaving = false;
    QSignalSpy finished(m_window.get(), &EditorWindow::saveFinished);
    clock.start();
    timer.start();
    QVERIFY(m_window->saveAs(out));
    QVERIFY(m_window->isSaving());
    // Meanwhile no edit, no other save, and nothing written yet.
    refusedWhileSaving = !m_window->save() && !m_window->saveAs(path(QStringLiteral("b.jpg")))
        && !m_window->findChild<QAction *>(QStringLiteral("entry:EditAutoFixPlugin"))->isEnabled()
        && !m_window->findChild<QAction *>(QStringLiteral("undo"))->isEnabled()
        && !m_window->findChild<QAction *>(QStringLiteral("revert"))->isEnabled();
    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
    QVERIFY(!QFile::exists(out));
    QVERIFY(targetNames(*m_window).contains(QStringLiteral("cancelSave")));
    QVERIFY(finished.wait(120000));
    const qint64 took = clock.elapsed();
    timer.stop();
    const qint64 tail = took - last;
    longest = std::max(longest, tail - 10); // the tick the save's end came before
    qInfo("save of 6000 x 4000 took %lld ms; %d ticks, the longest gap %lld ms", took, ticks,
          longest);
    QVERIFY(refusedWhileSaving);
    QCOMPARE(finished.first().first().toBool(), true);
    QVERIFY2(m_window->message().isEmpty(), qPrintable(m_window->message()));
    QCOMPARE(m_window->history()->stack()->count(), 2); // the undo key did nothing
    // Long enough that a blocked window would have shown, and no gap near it.
    QVERIFY2(took >= 200, qPrintable(QString::number(took)));
    QVERIFY2(longest < 250, qPrintable(QString::number(longest)));
    QCOMPARE(magickSize(out), QSize(4000, 6000));
    QVERIFY(!targetNames(*m_window).contains(QStringLiteral("cancelSave")));
    QVERIFY(!m_window->isWindowModified());
}

void tst_EditorWindow::saveStoppedLeavesTheFile_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<bool>("written");

    QTest::newRow("cancel button leaves the file as it was") << QStringLiteral("cancel") << false;
    QTest::newRow("close, stop and close leaves the file as it was")
        << QStringLiteral("stopAndClose") << false;
    QTest::newRow("window destroyed while saving: no crash, the file as it was")
        << QStringLiteral("destroyed") << false;
    QTest::newRow("close, close when saved writes the whole file, then closes")
        << QStringLiteral("closeWhenSaved") << true;
}

void tst_EditorWindow::saveStoppedLeavesTheFile()
{
    rememberReplace();
    QFETCH(QString, how);
    QFETCH(bool, written);
    const QString file = path(QStringLiteral("photo.jpg"));
    QVERIFY(QFile::copy(largePhoto(), file));
    const QByteArray before = hashOf(file);
    QVERIFY(!before.isEmpty());
    m_window.reset(); // one window a process
    m_window = makeWindow(QString(), QSize(1500, 1000));
    QVERIFY(m_window);
    m_window->openPicture(file);
    pickByTap(QStringLiteral("EditAutoFixPlugin"));
    QTest::keyClick(m_window.get(), Qt::Key_L, Qt::ControlModifier);
    const QStringList entries = QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden);

    QSignalSpy finished(m_window.get(), &EditorWindow::saveFinished);
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier);
    QVERIFY(m_window->isSaving());
    if (how == QLatin1String("destroyed")) {
        // The worker is stopped and waited for; it must not write, nor touch what is gone.
        m_window.reset();
        QCOMPARE(hashOf(file), before);
        QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), entries);
        return;
    }
    if (how == QLatin1String("cancel")) {
        QVERIFY(tap(*m_window, QStringLiteral("cancelSave")));
    } else {
        QVERIFY(!m_window->close());
        auto *prompt = m_window->findChild<QMessageBox *>(QStringLiteral("savingPrompt"));
        QVERIFY(prompt);
        QVERIFY(prompt->isVisible());
        auto *button = prompt->findChild<QPushButton *>(how);
        QVERIFY(button);
        button->click();
        QVERIFY(m_window->isVisible()); // until the worker has ended
    }
    QVERIFY(finished.wait(120000));
    QCOMPARE(finished.first().first().toBool(), written);
    // Never a temporary file left beside it.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden), entries);
    if (written) {
        QVERIFY(!m_window->isVisible());
        QCOMPARE(magickSize(file), QSize(4000, 6000));
        QVERIFY(hashOf(file) != before);
        return;
    }
    QCOMPARE(hashOf(file), before);
    if (how == QLatin1String("cancel")) {
        QVERIFY(m_window->isVisible());
        QVERIFY2(m_window->message().contains(QLatin1String("cancelled"))
                     && m_window->message().contains(QLatin1String("photo.jpg")),
                 qPrintable(m_window->message()));
        QVERIFY(m_window->isWindowModified());
        QCOMPARE(m_window->history()->stack()->count(), 2);
        QVERIFY(m_window->findChild<QAction *>(QStringLiteral("save"))->isEnabled());
    } else {
        QVERIFY(!m_window->isVisible());
    }
}

void tst_EditorWindow::revertIsOneStep()
{
    auto *revert = m_window->findChild<QAction *>(QStringLiteral("revert"));
    QVERIFY(revert);
    QVERIFY(!revert->isEnabled()); // nothing to revert yet
    // It is in the Edit menu.
    QMenu *edit = m_window->menuBar()->actions().at(1)->menu();
    QVERIFY(edit && edit->actions().contains(revert));

    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier);
    pickByTap(QStringLiteral("EditFlipHorizontalPlugin"));
    const QImage edited = m_window->picture().image();
    QCOMPARE(edited,
             pattern(PictureSize).transformed(QTransform().rotate(90)).mirrored(true, false));
    QVERIFY(revert->isEnabled());
    revert->trigger();
    QCOMPARE(m_window->picture().image(), pattern(PictureSize));
    QCOMPARE(m_window->history()->stack()->count(), 3);
    QVERIFY(!revert->isEnabled());
    QVERIFY(m_window->isWindowModified());

    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(m_window->picture().image(), edited);
    QVERIFY(revert->isEnabled());
    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(m_window->picture().image(), pattern(PictureSize));
}

void tst_EditorWindow::revertShowsTheOriginal()
{
    // Two flat halves: a flip shows the right colour on the left, a revert the left again.
    const QString file = path(QStringLiteral("halves.png"));
    QVERIFY(halves(PictureSize).save(file));
    m_window->openPicture(file);
    const QPointF left(PictureSize.width() / 4.0, PictureSize.height() / 2.0);
    pickByTap(QStringLiteral("EditFlipHorizontalPlugin"));
    QCOMPARE(rgb(shownPixel(*m_window, left)), rgb(RightColour));
    m_window->findChild<QAction *>(QStringLiteral("revert"))->trigger();
    QCOMPARE(rgb(shownPixel(*m_window, left)), rgb(LeftColour));
}

void tst_EditorWindow::compareShowsTheOriginalWhileHeld_data()
{
    QTest::addColumn<QString>("how");

    QTest::newRow("backslash held") << QStringLiteral("key");
    QTest::newRow("compare button held by a finger") << QStringLiteral("touch");
}

void tst_EditorWindow::compareShowsTheOriginalWhileHeld()
{
    QFETCH(QString, how);
    const QString file = path(QStringLiteral("halves.png"));
    QVERIFY(halves(PictureSize).save(file));
    m_window->openPicture(file);
    pickByTap(QStringLiteral("EditVintageEffectsPlugin"));
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:BlackAndWhiteButton")));
    QVERIFY(tap(*m_window, QStringLiteral("confirm")));
    QCOMPARE(m_window->history()->stack()->count(), 1);
    const QPointF left(PictureSize.width() / 4.0, PictureSize.height() / 2.0);
    const QRgb grey = shownPixel(*m_window, left);
    QVERIFY2(qRed(grey) == qGreen(grey) && qGreen(grey) == qBlue(grey), qPrintable(rgb(grey)));

    const QPoint button = targetRect(*m_window, QStringLiteral("compare")).center();
    QVERIFY(!button.isNull());
    const auto press = [&] {
        if (how == QLatin1String("key"))
            QTest::keyPress(m_window.get(), Qt::Key_Backslash);
        else
            QTest::touchEvent(m_window.get(), m_touch).press(0, button);
    };
    const auto release = [&] {
        if (how == QLatin1String("key"))
            QTest::keyRelease(m_window.get(), Qt::Key_Backslash);
        else
            QTest::touchEvent(m_window.get(), m_touch).release(0, button);
    };
    press();
    QCOMPARE(rgb(shownPixel(*m_window, left)), rgb(LeftColour));
    QVERIFY2(m_window->statusBar()->currentMessage().contains(QLatin1String("original")),
             qPrintable(m_window->statusBar()->currentMessage()));
    if (how == QLatin1String("key")) {
        // A held key repeats as a release and a press: the original stays.
        QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_Backslash, Qt::NoModifier,
                                QStringLiteral("\\"), true);
        QKeyEvent repeatPress(QEvent::KeyPress, Qt::Key_Backslash, Qt::NoModifier,
                              QStringLiteral("\\"), true);
        QApplication::sendEvent(m_window->view()->viewport(), &repeatRelease);
        QApplication::sendEvent(m_window->view()->viewport(), &repeatPress);
        QCOMPARE(rgb(shownPixel(*m_window, left)), rgb(LeftColour));
        // A repeat Qt did not see as one: a release with a press right behind it.
        QTest::keyRelease(m_window.get(), Qt::Key_Backslash);
        QTest::keyPress(m_window.get(), Qt::Key_Backslash);
        QTest::qWait(200);
        QCOMPARE(rgb(shownPixel(*m_window, left)), rgb(LeftColour));
    }
    release();
    QTRY_COMPARE(rgb(shownPixel(*m_window, left)), rgb(grey));
    QVERIFY(!m_window->statusBar()->currentMessage().contains(QLatin1String("original")));
    // Only shown: the edit and its step are as they were.
    QCOMPARE(m_window->history()->stack()->count(), 1);
    QVERIFY(m_window->isWindowModified());
}

void tst_EditorWindow::wideGamutShownInScreenColours()
{
    // Two flat halves in Display P3, whose colours sRGB numbers would show duller: offscreen
    // the screen names no profile, so it is sRGB, and ImageMagick converts to Debian's.
    const QString profile = path(QStringLiteral("p3.icc"));
    QFile p3(profile);
    QVERIFY(p3.open(QIODevice::WriteOnly) && p3.write(displayP3Profile()) > 0);
    p3.close();
    const QString plain = path(QStringLiteral("halves.png"));
    QVERIFY(halves(PictureSize).save(plain));
    const QString file = path(QStringLiteral("p3.png"));
    const QString expected = path(QStringLiteral("as-srgb.png"));
    QCOMPARE(runProcess(QStringLiteral("convert-im6.q16"),
                        { plain, QStringLiteral("-profile"), profile, file })
                 .exitCode,
             0);
    QCOMPARE(runProcess(QStringLiteral("convert-im6.q16"),
                        { file, QStringLiteral("-profile"),
                          QStringLiteral("/usr/share/color/icc/sRGB.icc"), expected })
                 .exitCode,
             0);
    m_window->openPicture(file);
    const QPoint left(PictureSize.width() / 4, PictureSize.height() / 2);
    const QPoint right(PictureSize.width() * 3 / 4, PictureSize.height() / 2);
    const auto near = [](QRgb a, QRgb b) {
        return qAbs(qRed(a) - qRed(b)) <= 1 && qAbs(qGreen(a) - qGreen(b)) <= 1
            && qAbs(qBlue(a) - qBlue(b)) <= 1;
    };
    const QRgb shown = shownPixel(*m_window, left);
    QVERIFY2(near(shown, magickPixel(expected, left)),
             qPrintable(rgb(shown) + QStringLiteral(" shown, ") + rgb(magickPixel(expected, left))
                        + QStringLiteral(" expected")));
    QVERIFY2(!near(shown, LeftColour), qPrintable(rgb(shown)));
    // The edited picture as shown is converted as well.
    pickByTap(QStringLiteral("EditFlipHorizontalPlugin"));
    QVERIFY2(near(shownPixel(*m_window, left), magickPixel(expected, right)),
             qPrintable(rgb(shownPixel(*m_window, left))));
    // The file keeps its own profile and pixels.
    const QString saved = path(QStringLiteral("saved.png"));
    QVERIFY(savedBy(*m_window, [&] { m_window->saveAs(saved); }));
    QCOMPARE(rgb(magickPixel(saved, left)), rgb(RightColour));
    const ProcessRun described
        = runProcess(QStringLiteral("exiftool"),
                     { QStringLiteral("-s3"), QStringLiteral("-ProfileDescription"), saved });
    QCOMPARE(described.out.trimmed(), QByteArray("Display P3"));
}

QTEST_MAIN(tst_EditorWindow)
#include "tst_editorwindow.moc"
