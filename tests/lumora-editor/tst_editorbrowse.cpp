// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The editor window as a viewer: browsing a folder, fit and 100 % on a screen of two
// device pixels per pixel, full screen, the picture information panel, the empty
// window and the first window's size. Driven through real keys and mouse events.

#include "editedpicture.h"
#include "edithistory.h"
#include "editoricons.h"
#include "editorwindow.h"
#include "folderbrowser.h"
#include "lumoracropper.h"
#include "metadatapanel.h"
#include "pictureview.h"
#include "pluginsession.h"
#include "processrun.h"
#include "windowplacement.h"
#include "windowtargets.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDockWidget>
#include <QFile>
#include <QGraphicsWidget>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSet>
#include <QSettings>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Two device pixels to each of the window's pixels: 100 % is then half a window pixel
// per picture pixel, and a view that forgets the ratio shows a picture twice too large.
constexpr qreal ScreenRatio = 2;

// Each column its own red and green, each row its own blue: whichever picture pixel a
// screen pixel shows can be read off it. Wider than high.
QImage columns(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x % 256, (x / 256) * 64, y % 256));
    }
    return image;
}

// What the viewport shows, in device pixels.
QImage screen(const EditorWindow &window)
{
    return window.view()->viewport()->grab().toImage();
}

QString fileName(const EditorWindow &window)
{
    return QFileInfo(window.picture().path()).fileName();
}

// A folder as a file manager shows it: its file names, pictures and others, and those
// of its pictures in the order a person expects.
struct Folder
{
    QStringList files;
    QStringList expected;
};

} // namespace

Q_DECLARE_METATYPE(Folder)

class tst_EditorBrowse : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanup();

    void folderOrder_data();
    void folderOrder();
    void browseByKeysAndSwipe_data();
    void browseByKeysAndSwipe();
    void browsingAsksAboutUnsavedEdits();
    void recentFiles();
    void fitAndActualSizeOnADenseScreen();
    void zoomStepsHoldActualSize();
    void doubleTapTogglesFitAndActualSize();
    void fitArithmetic_data();
    void fitArithmetic();
    void fullScreenAndEscape();
    void panelShowsWhatInfoPrints();
    void panelIsRemembered();
    void emptyWindowSaysHowToOpen();
    void transparencyOverCheckerboard();
    void landscapeToolBarLeavesThePhotoMostOfTheView();
    void tinyPictureCropsAndZooms();
    void firstWindowFitsTheScreen_data();
    void firstWindowFitsTheScreen();

private:
    std::unique_ptr<EditorWindow> makeWindow(const QLocale &locale
                                             = QLocale(QLocale::English, QLocale::UnitedKingdom));
    QString path(const QString &name) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<EditorWindow> m_window;
    QTemporaryDir m_settings;
};

void tst_EditorBrowse::initTestCase()
{
    QCOMPARE(qApp->devicePixelRatio(), ScreenRatio);
    EditorIcons::chooseTheme();
    // The recent files and the panel's state go to a folder of the test's own.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_settings.path());
}

std::unique_ptr<EditorWindow> tst_EditorBrowse::makeWindow(const QLocale &locale)
{
    m_dir = std::make_unique<QTemporaryDir>();
    EditorWindow::Options options;
    options.pluginDirs = { QStringLiteral(LUMORA_PLUGIN_DIR) };
    options.coveredSize = QSize(4000, 4000); // every picture shown whole
    options.locale = locale;
    auto window = std::make_unique<EditorWindow>(options);
    window->resize(900, 640);
    window->show();
    window->activateWindow();
    if (!QTest::qWaitForWindowActive(window.get()))
        return nullptr;
    return window;
}

void tst_EditorBrowse::cleanup()
{
    if (m_window)
        m_window->history()->markSaved(); // closing must not ask
    m_window.reset();
    m_dir.reset();
}

void tst_EditorBrowse::folderOrder_data()
{
    QTest::addColumn<Folder>("folder");
    QTest::newRow("numbers by their value")
        << Folder { { "img10.png", "img9.png", "img100.png", "img1.png" },
                    { "img1.png", "img9.png", "img10.png", "img100.png" } };
    QTest::newRow("letter case ignored")
        << Folder { { "cherry.png", "Banana.png", "apple.png", "Date.png" },
                    { "apple.png", "Banana.png", "cherry.png", "Date.png" } };
    QTest::newRow("numbers and case together")
        << Folder { { "IMG_10.JPG", "img_2.jpg", "IMG_1.JPG" },
                    { "IMG_1.JPG", "img_2.jpg", "IMG_10.JPG" } };
    QTest::newRow("only pictures")
        << Folder { { "b.tif", "notes.txt", "a.webp", "c.gif", "d.bmp", "e.jpeg", "f" },
                    { "a.webp", "b.tif", "c.gif", "d.bmp", "e.jpeg" } };
}

void tst_EditorBrowse::folderOrder()
{
    QFETCH(Folder, folder);
    QTemporaryDir dir;
    for (const QString &name : std::as_const(folder.files)) {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
    // A folder named as a picture is none.
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder.png")));
    QCOMPARE(FolderBrowser::picturesIn(dir.path()), folder.expected);
}

void tst_EditorBrowse::browseByKeysAndSwipe_data()
{
    QTest::addColumn<QString>("language");
    QTest::addColumn<int>("forward"); // the arrow key that goes to the next picture
    QTest::newRow("left to right") << QStringLiteral("en") << int(Qt::Key_Right);
    QTest::newRow("right to left") << QStringLiteral("ar") << int(Qt::Key_Left);
}

void tst_EditorBrowse::browseByKeysAndSwipe()
{
    QFETCH(QString, language);
    QFETCH(int, forward);
    const Qt::Key next = Qt::Key(forward);
    const Qt::Key back = next == Qt::Key_Right ? Qt::Key_Left : Qt::Key_Right;
    m_window = makeWindow(language == QLatin1String("ar") ? QLocale(QLocale::Arabic, QLocale::Egypt)
                                                          : QLocale());
    QVERIFY(m_window);
    for (const char *name : { "photo10.png", "photo2.png", "Photo3.png", "photo1.png" })
        QVERIFY(columns(QSize(60, 40)).save(path(QString::fromLatin1(name))));
    m_window->openPicture(path(QStringLiteral("photo2.png")));
    QCOMPARE(fileName(*m_window), QStringLiteral("photo2.png"));

    QTest::keyClick(m_window.get(), next);
    QCOMPARE(fileName(*m_window), QStringLiteral("Photo3.png"));
    QTest::keyClick(m_window.get(), Qt::Key_PageDown);
    QCOMPARE(fileName(*m_window), QStringLiteral("photo10.png"));
    // No wrapping around: the last stays, and the status bar says why.
    QTest::keyClick(m_window.get(), next);
    QCOMPARE(fileName(*m_window), QStringLiteral("photo10.png"));
    QVERIFY(!m_window->statusBar()->currentMessage().isEmpty());
    QTest::keyClick(m_window.get(), Qt::Key_PageUp);
    QCOMPARE(fileName(*m_window), QStringLiteral("Photo3.png"));
    QTest::keyClick(m_window.get(), back);
    QCOMPARE(fileName(*m_window), QStringLiteral("photo2.png"));

    // A finger swept towards the start of the line brings the next picture.
    QWidget *viewport = m_window->view()->viewport();
    const QPoint middle = viewport->rect().center();
    const int start = language == QLatin1String("ar") ? -1 : 1;
    const QPoint from = middle + QPoint(start * 200, 0);
    const QPoint to = middle - QPoint(start * 200, 10);
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    QTest::mouseMove(viewport, middle);
    QTest::mouseMove(viewport, to);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    QCOMPARE(fileName(*m_window), QStringLiteral("Photo3.png"));
    // A short drag is no swipe.
    QTest::mousePress(viewport, Qt::LeftButton, {}, middle);
    QTest::mouseMove(viewport, middle + QPoint(20, 0));
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, middle + QPoint(20, 0));
    QCOMPARE(fileName(*m_window), QStringLiteral("Photo3.png"));

    // A picture gone from the folder still has its place in it.
    QVERIFY(QFile::remove(path(QStringLiteral("Photo3.png"))));
    QTest::keyClick(m_window.get(), next);
    QCOMPARE(fileName(*m_window), QStringLiteral("photo10.png"));
}

void tst_EditorBrowse::browsingAsksAboutUnsavedEdits()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    QVERIFY(columns(QSize(60, 40)).save(path(QStringLiteral("a.png"))));
    QVERIFY(columns(QSize(50, 30)).save(path(QStringLiteral("b.png"))));
    m_window->openPicture(path(QStringLiteral("a.png")));
    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier);
    QVERIFY(m_window->history()->isModified());

    QTest::keyClick(m_window.get(), Qt::Key_Right);
    auto *prompt = m_window->findChild<QMessageBox *>(QStringLiteral("unsavedPrompt"));
    QVERIFY(prompt);
    QCOMPARE(fileName(*m_window), QStringLiteral("a.png"));
    prompt->button(QMessageBox::Cancel)->click();
    QCOMPARE(fileName(*m_window), QStringLiteral("a.png"));
    QVERIFY(m_window->history()->isModified());

    QTest::keyClick(m_window.get(), Qt::Key_Right);
    prompt = m_window->findChild<QMessageBox *>(QStringLiteral("unsavedPrompt"));
    QVERIFY(prompt);
    prompt->button(QMessageBox::Discard)->click();
    QCOMPARE(fileName(*m_window), QStringLiteral("b.png"));
    QVERIFY(!m_window->history()->isModified());
}

void tst_EditorBrowse::recentFiles()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    QSettings().remove(QStringLiteral("recent"));
    for (const char *name : { "one.png", "two.png", "three.png" }) {
        QVERIFY(columns(QSize(30, 20)).save(path(QString::fromLatin1(name))));
        m_window->openPicture(path(QString::fromLatin1(name)));
    }
    m_window->openPicture(path(QStringLiteral("one.png"))); // again: first, and once
    QVERIFY(QFile::remove(path(QStringLiteral("two.png"))));
    const QStringList expected
        = { QFileInfo(path(QStringLiteral("one.png"))).absoluteFilePath(),
            QFileInfo(path(QStringLiteral("three.png"))).absoluteFilePath() };
    QCOMPARE(FolderBrowser::recentFiles(), expected);

    // The menu offers them, and picking one opens it.
    auto *menu = m_window->findChild<QMenu *>(QStringLiteral("recentMenu"));
    QVERIFY(menu);
    QMetaObject::invokeMethod(menu, "aboutToShow");
    QCOMPARE(menu->actions().size(), 2);
    QCOMPARE(menu->actions().at(1)->text(), QStringLiteral("three.png"));
    menu->actions().at(1)->trigger();
    QCOMPARE(fileName(*m_window), QStringLiteral("three.png"));
}

void tst_EditorBrowse::fitAndActualSizeOnADenseScreen()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    const QSize size(1600, 1000);
    QVERIFY(columns(size).save(path(QStringLiteral("wide.png"))));
    m_window->openPicture(path(QStringLiteral("wide.png")));
    PictureView *view = m_window->view();

    // Fitted: the whole picture inside the view, on the screen's pixels.
    QVERIFY(view->isFitted());
    const QRectF shown = view->pictureRect();
    QVERIFY2(QRectF(view->viewport()->rect()).contains(shown),
             qPrintable(QString::number(shown.width())));
    QCOMPARE(qRound(shown.width() * ScreenRatio), qRound(size.width() * view->zoom()));
    QVERIFY(view->zoom() < 1);

    // 100 % (the key 1): neighbouring screen pixels show neighbouring picture columns.
    QTest::keyClick(m_window.get(), Qt::Key_1);
    QVERIFY(view->isActualSize());
    const QImage pixels = screen(*m_window);
    QCOMPARE(pixels.devicePixelRatio(), ScreenRatio);
    const QPoint at(pixels.width() / 2, pixels.height() / 2);
    const QRgb here = pixels.pixel(at);
    for (int step = 1; step <= 3; ++step) {
        const QRgb right = pixels.pixel(at + QPoint(step, 0));
        const int column = qRed(here) + 256 * (qGreen(here) / 64);
        const int rightColumn = qRed(right) + 256 * (qGreen(right) / 64);
        QCOMPARE(rightColumn - column, step);
        QCOMPARE(qBlue(pixels.pixel(at + QPoint(0, step))) - qBlue(here), step);
    }
    QVERIFY(m_window->findChild<QLabel *>(QStringLiteral("sizeLabel"))
                ->text()
                .contains(QLatin1String("100%")));

    // Ctrl+0 and F fit it again.
    QTest::keyClick(m_window.get(), Qt::Key_F);
    QVERIFY(view->isFitted());
    QTest::keyClick(m_window.get(), Qt::Key_1, Qt::ControlModifier);
    QVERIFY(view->isActualSize());
    QTest::keyClick(m_window.get(), Qt::Key_0, Qt::ControlModifier);
    QVERIFY(view->isFitted());
}

void tst_EditorBrowse::zoomStepsHoldActualSize()
{
    const QList<qreal> steps = PictureView::zoomSteps();
    QVERIFY(steps.contains(1.0));
    for (int i = 1; i < steps.size(); ++i)
        QVERIFY(steps[i] > steps[i - 1] && steps[i] <= steps[i - 1] * 1.25 + 1e-9);

    // From fitted, + goes through 100 % on its way; - comes back to fitted.
    m_window = makeWindow();
    QVERIFY(m_window);
    QVERIFY(columns(QSize(1500, 1100)).save(path(QStringLiteral("p.png"))));
    m_window->openPicture(path(QStringLiteral("p.png")));
    PictureView *view = m_window->view();
    const qreal fitted = view->zoom();
    QList<qreal> seen;
    while (view->zoom() < 2) {
        const qreal before = view->zoom();
        QTest::keyClick(m_window.get(), Qt::Key_Plus);
        QVERIFY(view->zoom() > before && view->zoom() <= before * 1.25 + 1e-9);
        seen << view->zoom();
    }
    QVERIFY2(std::any_of(seen.cbegin(), seen.cend(), [](qreal z) { return qFuzzyCompare(z, 1.0); }),
             qPrintable(QString::number(seen.first())));
    while (!view->isFitted()) {
        const qreal before = view->zoom();
        QTest::keyClick(m_window.get(), Qt::Key_Minus);
        QVERIFY(view->zoom() < before);
    }
    QCOMPARE(view->zoom(), fitted);
}

void tst_EditorBrowse::doubleTapTogglesFitAndActualSize()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    // Larger than the view at 100 %, so that no side is centred.
    QVERIFY(columns(QSize(3000, 2000)).save(path(QStringLiteral("p.png"))));
    m_window->openPicture(path(QStringLiteral("p.png")));
    PictureView *view = m_window->view();
    QWidget *viewport = view->viewport();
    const QPoint point = view->pictureRect().center().toPoint() + QPoint(40, 10);
    const QPointF under = view->toPicture(point);
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, point);
    QVERIFY(view->isActualSize());
    // The point tapped stays under the finger.
    QVERIFY2((view->toPicture(point) - under).manhattanLength() < 2,
             qPrintable(QStringLiteral("%1,%2").arg(view->toPicture(point).x()).arg(under.x())));
    QTest::mouseDClick(viewport, Qt::LeftButton, {}, point);
    QVERIFY(view->isFitted());
}

void tst_EditorBrowse::fitArithmetic_data()
{
    QTest::addColumn<QSizeF>("picture");
    QTest::addColumn<QSizeF>("room");
    QTest::addColumn<qreal>("ratio");
    QTest::addColumn<qreal>("zoom");
    QTest::newRow("wide, one to one") << QSizeF(2000, 1000) << QSizeF(1000, 800) << 1.0 << 0.5;
    QTest::newRow("tall, one to one") << QSizeF(1000, 2000) << QSizeF(1000, 800) << 1.0 << 0.4;
    QTest::newRow("dense screen doubles") << QSizeF(2000, 1000) << QSizeF(1000, 800) << 2.0 << 1.0;
    QTest::newRow("never above 100 %") << QSizeF(100, 50) << QSizeF(1000, 800) << 2.0 << 1.0;
    QTest::newRow("one and a half") << QSizeF(3000, 1500) << QSizeF(1000, 800) << 1.5 << 0.5;
}

void tst_EditorBrowse::fitArithmetic()
{
    QFETCH(QSizeF, picture);
    QFETCH(QSizeF, room);
    QFETCH(qreal, ratio);
    QFETCH(qreal, zoom);
    QCOMPARE(PictureView::fitZoom(picture, room, ratio), zoom);
}

void tst_EditorBrowse::fullScreenAndEscape()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    QVERIFY(columns(QSize(300, 200)).save(path(QStringLiteral("p.png"))));
    m_window->openPicture(path(QStringLiteral("p.png")));
    QTest::keyClick(m_window.get(), Qt::Key_F11);
    QTRY_VERIFY(m_window->isFullScreen());
    // Escape with an entry active cancels it only.
    QTest::keyClick(m_window.get(), Qt::Key_C);
    QVERIFY(m_window->session());
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QVERIFY(!m_window->session());
    QVERIFY(m_window->isFullScreen());
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QTRY_VERIFY(!m_window->isFullScreen());
}

void tst_EditorBrowse::panelShowsWhatInfoPrints()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    const QString photo = path(QStringLiteral("photo.jpg"));
    QVERIFY(columns(QSize(64, 48)).save(photo, "JPEG", 90));
    // A camera name with an escape sequence in it, which must show as text.
    const ProcessRun tag = runProcess(
        QStringLiteral("exiftool"),
        { QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
          QStringLiteral("-Make=Lumora"), QStringLiteral("-Model=Test\x1b[31mCam"),
          QStringLiteral("-DateTimeOriginal=2024:05:06 07:08:09"),
          QStringLiteral("-XMP-dc:Subject=harbour"), QStringLiteral("-XMP-xmp:Rating=4"), photo });
    QVERIFY2(tag.exitCode == 0, tag.err.constData());
    m_window->openPicture(photo);

    const ProcessRun info
        = runProcess(QStringLiteral(LUMORA_EDIT), { QStringLiteral("--info"), photo });
    QCOMPARE(info.exitCode, 0);
    const QStringList printed
        = QString::fromUtf8(info.out).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    auto *panel = m_window->findChild<MetadataPanel *>();
    QVERIFY(panel);
    QCOMPARE(panel->shownLines(), printed);
    QVERIFY(printed.contains(QStringLiteral("Camera: Lumora Test\\x1b[31mCam")));
    QVERIFY(printed.contains(QStringLiteral("Taken: 2024-05-06 07:08:09")));
    QVERIFY(printed.contains(QStringLiteral("Keywords: harbour")));
}

void tst_EditorBrowse::panelIsRemembered()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    auto *panel = m_window->findChild<MetadataPanel *>();
    QVERIFY(panel);
    const bool before = panel->isVisible();
    QTest::keyClick(m_window.get(), Qt::Key_F9);
    QCOMPARE(panel->isVisible(), !before);
    m_window.reset();
    m_window = makeWindow();
    QVERIFY(m_window);
    QCOMPARE(m_window->findChild<MetadataPanel *>()->isVisible(), !before);
    QTest::keyClick(m_window.get(), Qt::Key_F9);
    m_window.reset();
    m_window = makeWindow();
    QVERIFY(m_window);
    QCOMPARE(m_window->findChild<MetadataPanel *>()->isVisible(), before);
}

void tst_EditorBrowse::emptyWindowSaysHowToOpen()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    // Open is in the editor menu, where a finger reaches it.
    QVERIFY(!targetRect(*m_window, QStringLiteral("open")).isEmpty());
    // The view says something: lighter pixels than its background in its middle.
    const QImage pixels = screen(*m_window);
    int lit = 0;
    for (int x = 0; x < pixels.width(); ++x) {
        for (int y = pixels.height() / 3; y < 2 * pixels.height() / 3; ++y)
            lit += qGray(pixels.pixel(x, y)) > 0x80;
    }
    QVERIFY2(lit > 50, qPrintable(QString::number(lit)));
    // Once a picture is open, the words are gone.
    QImage black(QSize(800, 500), QImage::Format_RGB32);
    black.fill(Qt::black);
    QVERIFY(black.save(path(QStringLiteral("black.png"))));
    m_window->openPicture(path(QStringLiteral("black.png")));
    const QImage after = screen(*m_window);
    const QRect picture = QRectF(m_window->view()->pictureRect().topLeft() * ScreenRatio,
                                 m_window->view()->pictureRect().size() * ScreenRatio)
                              .toAlignedRect()
                              .adjusted(2, 2, -2, -2);
    QCOMPARE(after.copy(picture)
                 .convertToFormat(QImage::Format_RGB32)
                 .pixel(picture.width() / 2, picture.height() / 2),
             qRgb(0, 0, 0));
}

void tst_EditorBrowse::transparencyOverCheckerboard()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    QImage clear(QSize(400, 300), QImage::Format_ARGB32);
    clear.fill(Qt::transparent);
    QVERIFY(clear.save(path(QStringLiteral("clear.png"))));
    m_window->openPicture(path(QStringLiteral("clear.png")));
    const QImage pixels = screen(*m_window);
    const QRectF shown = m_window->view()->pictureRect();
    QSet<QRgb> colours;
    for (int x = 0; x < 32; ++x)
        colours << pixels.pixel(((shown.center() + QPointF(x, 0)) * ScreenRatio).toPoint());
    // Two greys, neither the view's background.
    QCOMPARE(colours.size(), 2);
    for (QRgb colour : std::as_const(colours))
        QVERIFY2(qGray(colour) > 0x80, qPrintable(QString::number(colour, 16)));
}

void tst_EditorBrowse::landscapeToolBarLeavesThePhotoMostOfTheView()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    m_window->resize(1280, 760);
    QVERIFY(columns(QSize(1200, 900)).save(path(QStringLiteral("p.png"))));
    m_window->openPicture(path(QStringLiteral("p.png")));
    m_window->pick(QStringLiteral("EditVintageEffectsPlugin"));
    QVERIFY(m_window->session() && m_window->session()->toolBar());
    const qreal toolBar = m_window->session()->toolBar()->size().height();
    const int height = m_window->view()->viewport()->height();
    QVERIFY(toolBar > height / 4.0); // the tall landscape grid
    const qreal shown = m_window->view()->pictureRect().height();
    QVERIFY2(shown > 0.66 * height, qPrintable(QStringLiteral("%1 of %2").arg(shown).arg(height)));
    m_window->cancel();
}

void tst_EditorBrowse::tinyPictureCropsAndZooms()
{
    m_window = makeWindow();
    QVERIFY(m_window);
    QVERIFY(columns(QSize(12, 9)).save(path(QStringLiteral("tiny.png"))));
    m_window->openPicture(path(QStringLiteral("tiny.png")));
    QTest::keyClick(m_window.get(), Qt::Key_C);
    PictureView *view = m_window->view();
    QVERIFY(view->cropHandles().size() == 4);
    // The handles leave the picture's middle free to grab.
    const QRectF shown = view->pictureRect();
    QVERIFY2(shown.height() >= 3 * PictureView::HandleSize,
             qPrintable(QString::number(shown.height())));
    for (const QRectF &handle : view->cropHandles())
        QVERIFY(!handle.contains(shown.center()));
    // Zoom works while cropping.
    const qreal before = view->zoom();
    QTest::keyClick(m_window.get(), Qt::Key_Minus, Qt::ControlModifier);
    QVERIFY(view->zoom() < before);
    m_window->cancel();
}

void tst_EditorBrowse::firstWindowFitsTheScreen_data()
{
    QTest::addColumn<QSize>("available");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<bool>("maximised");
    QTest::newRow("phone, portrait") << QSize(720, 1280) << QSize(704, 1232) << true;
    QTest::newRow("desktop") << QSize(1280, 800) << QSize(1024, 720) << false;
    QTest::newRow("small desktop") << QSize(1024, 600) << QSize(1008, 552) << false;
    QTest::newRow("unknown") << QSize() << QSize(1024, 720) << false;
}

void tst_EditorBrowse::firstWindowFitsTheScreen()
{
    QFETCH(QSize, available);
    QFETCH(QSize, size);
    QFETCH(bool, maximised);
    const WindowPlacement::First first = WindowPlacement::first(available);
    QCOMPARE(first.size, size);
    QCOMPARE(first.maximised, maximised);
}

int main(int argc, char **argv)
{
    // Set before the application reads it.
    qputenv("QT_SCALE_FACTOR", QByteArray::number(ScreenRatio));
    QApplication app(argc, argv);
    tst_EditorBrowse test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_editorbrowse.moc"
