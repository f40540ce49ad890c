// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The window by keyboard alone, and its popups: Escape with and without a list open,
// a list opening on its current row with a hint that it scrolls, Tab and the arrow keys
// over the tool bars and rows with a ring that shows, the crop selection nudged, Help's
// list of keys, Undo naming its step, and right to left: the effects row mirrored, the
// file layer's reasons in Arabic. What the screen shows is read
// from the view's own pixels.

#include "editedpicture.h"
#include "edithistory.h"
#include "editoricons.h"
#include "editorwindow.h"
#include "lumoracropper.h"
#include "mnamespace.h"
#include "pictureview.h"
#include "pluginsession.h"
#include "testpictures.h"
#include "windowtargets.h"

#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QDialog>
#include <QFile>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>
#include <QUndoStack>
#include <QWheelEvent>

#include <algorithm>
#include <memory>

namespace {

// Wider than high, and no side a multiple of ten: nudges stop at the edges unrounded.
constexpr QSize PictureSize(723, 481);
constexpr QRgb RingColour = 0xffffc42e;
constexpr QRgb HintArrowColour = 0xfff2f2f2;

// The window's pixel at a point in window coordinates, as the screen shows it.
QRgb shownAt(EditorWindow &window, const QPoint &at)
{
    QWidget *viewport = window.view()->viewport();
    return viewport->grab().toImage().pixel(viewport->mapFrom(&window, at));
}

bool near(QRgb a, QRgb b)
{
    return qAbs(qRed(a) - qRed(b)) <= 8 && qAbs(qGreen(a) - qGreen(b)) <= 8
        && qAbs(qBlue(a) - qBlue(b)) <= 8;
}

QRect selectionOf(const EditorWindow &window)
{
    auto *cropper
        = window.session() ? qobject_cast<LumoraCropper *>(window.session()->plugin()) : nullptr;
    return cropper ? cropper->selectionRect() : QRect();
}

} // namespace

class tst_EditorKeys : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void escapeClosesTheListFirst_data();
    void escapeClosesTheListFirst();
    void listOpensOnItsCurrentRow();
    void tabReachesEveryButtonInReadingOrder_data();
    void tabReachesEveryButtonInReadingOrder();
    void keysPickARowWithoutConfirming();
    void spacePressesTheFocusedButton();
    void arrowsNudgeTheCrop_data();
    void arrowsNudgeTheCrop();
    void helpListsEveryKey();
    void undoNamesItsStep();
    void undoIconsMirrorRightToLeft();
    void confirmLabelsSitByTheirIcons_data();
    void confirmLabelsSitByTheirIcons();
    void effectsRowStartsAtTheReadingSide_data();
    void effectsRowStartsAtTheReadingSide();
    void fileErrorsSpeakTheLanguage_data();
    void fileErrorsSpeakTheLanguage();

private:
    void pick(const QString &pluginClass);

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<EditorWindow> m_window;
};

void tst_EditorKeys::initTestCase()
{
    EditorIcons::chooseTheme(); // as the program does
}

void tst_EditorKeys::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    const QString file = m_dir->filePath(QStringLiteral("picture.png"));
    QVERIFY(pattern(PictureSize.width(), PictureSize.height()).save(file));
    EditorWindow::Options options;
    options.pluginDirs = { QStringLiteral(LUMORA_PLUGIN_DIR) };
    options.coveredSize = QSize(4000, 4000);
    m_window = std::make_unique<EditorWindow>(options);
    m_window->resize(1000, 700);
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_window->openPicture(file);
    QCOMPARE(m_window->picture().fullSize(), PictureSize);
}

void tst_EditorKeys::cleanup()
{
    if (m_window) {
        m_window->cancel();
        m_window->setLanguage(QLocale(QLocale::English, QLocale::UnitedKingdom));
        m_window->history()->markSaved();
    }
    m_window.reset();
    m_dir.reset();
}

void tst_EditorKeys::pick(const QString &pluginClass)
{
    QVERIFY(tap(*m_window, QStringLiteral("entry:") + pluginClass));
    QVERIFY(m_window->session() && m_window->session()->isActive());
}

void tst_EditorKeys::escapeClosesTheListFirst_data()
{
    QTest::addColumn<QString>("pluginClass");
    QTest::addColumn<QString>("button");

    QTest::newRow("crop keeps the dragged selection") << "EditCropPlugin"
                                                      << "toolbar:CropPluginButton";
    QTest::newRow("resize keeps the chosen size") << "EditResizePlugin"
                                                  << "toolbar:ResizePluginButton";
}

void tst_EditorKeys::escapeClosesTheListFirst()
{
    QFETCH(QString, pluginClass);
    QFETCH(QString, button);
    pick(pluginClass);
    if (pluginClass == QLatin1String("EditCropPlugin")) {
        const QPoint corner = targetRect(*m_window, QStringLiteral("handle:2")).center();
        QWidget *viewport = m_window->view()->viewport();
        const QPoint from = viewport->mapFrom(m_window.get(), corner);
        QTest::mousePress(viewport, Qt::LeftButton, {}, from);
        QTest::mouseMove(viewport, from - QPoint(60, 40));
        QTest::mouseRelease(viewport, Qt::LeftButton, {}, from - QPoint(120, 80));
    }
    const QRect dragged = selectionOf(*m_window);

    QVERIFY(tap(*m_window, button));
    QVERIFY(!targetNames(*m_window, QStringLiteral("popup:")).isEmpty());
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QVERIFY(targetNames(*m_window, QStringLiteral("popup:")).isEmpty());
    QVERIFY(m_window->session() && m_window->session()->isActive());
    QCOMPARE(selectionOf(*m_window), dragged);

    // With no list open, Escape leaves the entry as before.
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QVERIFY(!m_window->session());
    QCOMPARE(m_window->history()->stack()->count(), 0);
}

void tst_EditorKeys::listOpensOnItsCurrentRow()
{
    pick(QStringLiteral("EditCropPlugin"));
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:CropPluginButton")));
    QStringList rows = targetNames(*m_window, QStringLiteral("popup:"));
    // "Free" above the current "Original" shows, and the list scrolls.
    QVERIFY2(rows.size() < 9 && rows.first() == QLatin1String("popup:0"),
             qPrintable(rows.join(' ')));
    // More rows below: the hint's arrow shows at the bottom edge of the rows, none at the top.
    QRect top = targetRect(*m_window, rows.first());
    QRect bottom = targetRect(*m_window, rows.last());
    QVERIFY(near(shownAt(*m_window, QPoint(bottom.center().x(), bottom.bottom() - 6)),
                 HintArrowColour));
    const QRgb noHint = shownAt(*m_window, QPoint(top.center().x(), top.top() + 6));
    QVERIFY2(!near(noHint, HintArrowColour), qPrintable(QString::number(noHint, 16)));
    // The last of the nine ratios, reached by keys and picked by a tap.
    for (int i = 0; i < 9; ++i)
        QTest::keyClick(m_window.get(), Qt::Key_Down);
    QCOMPARE(m_window->keyboardFocus(), QStringLiteral("popup:8"));
    QVERIFY(tap(*m_window, QStringLiteral("popup:8")));
    QVERIFY(targetNames(*m_window, QStringLiteral("popup:")).isEmpty());

    // Opened again it shows that row, with the hint at the top now.
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:CropPluginButton")));
    rows = targetNames(*m_window, QStringLiteral("popup:"));
    QVERIFY2(rows.contains(QStringLiteral("popup:8")), qPrintable(rows.join(' ')));
    top = targetRect(*m_window, rows.first());
    bottom = targetRect(*m_window, rows.last());
    QVERIFY(near(shownAt(*m_window, QPoint(top.center().x(), top.top() + 6)), HintArrowColour));
    QVERIFY(!near(shownAt(*m_window, QPoint(bottom.center().x(), bottom.bottom() - 6)),
                  HintArrowColour));
    // Scrolled back to the top by the wheel and closed, it opens on that row all the same.
    QWidget *viewport = m_window->view()->viewport();
    const QPointF at = viewport->mapFrom(m_window.get(), top.center());
    for (int i = 0; i < 9; ++i) {
        QWheelEvent wheel(at, viewport->mapToGlobal(at), QPoint(), QPoint(0, 120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(viewport, &wheel);
    }
    QVERIFY(targetNames(*m_window, QStringLiteral("popup:")).contains(QStringLiteral("popup:0")));
    QTest::keyClick(m_window.get(), Qt::Key_Escape);
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:CropPluginButton")));
    QVERIFY(targetNames(*m_window, QStringLiteral("popup:")).contains(QStringLiteral("popup:8")));
}

void tst_EditorKeys::tabReachesEveryButtonInReadingOrder_data()
{
    QTest::addColumn<bool>("rightToLeft");
    QTest::newRow("left to right") << false;
    QTest::newRow("right to left") << true;
}

void tst_EditorKeys::tabReachesEveryButtonInReadingOrder()
{
    QFETCH(bool, rightToLeft);
    if (rightToLeft)
        QVERIFY(m_window->setLanguage(QLocale(QLocale::Arabic, QLocale::Egypt)));
    pick(QStringLiteral("EditVintageEffectsPlugin"));
    QStringList buttons = targetNames(*m_window, QStringLiteral("toolbar:"));
    QCOMPARE(buttons.size(), 4);
    // As they stand on the screen, in reading order.
    std::sort(buttons.begin(), buttons.end(),
              [this, rightToLeft](const QString &a, const QString &b) {
                  const int xa = targetRect(*m_window, a).center().x();
                  const int xb = targetRect(*m_window, b).center().x();
                  return rightToLeft ? xa > xb : xa < xb;
              });
    QStringList reached;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(m_window.get(), Qt::Key_Tab);
        reached << m_window->keyboardFocus();
        // The ring shows around the button reached, on the screen.
        const QRect rect = targetRect(*m_window, reached.last()).adjusted(2, 2, -2, -2);
        const QRgb edge = shownAt(*m_window, QPoint(rect.left(), rect.center().y()));
        QVERIFY2(near(edge, RingColour), qPrintable(QString::number(edge, 16)));
    }
    QCOMPARE(reached, buttons);
    QTest::keyClick(m_window.get(), Qt::Key_Tab);
    QCOMPARE(m_window->keyboardFocus(), buttons.first()); // round again
    QTest::keyClick(m_window.get(), Qt::Key_Backtab, Qt::ShiftModifier);
    QCOMPARE(m_window->keyboardFocus(), buttons.last());
    // The arrow pointing along the reading order goes on.
    QTest::keyClick(m_window.get(), rightToLeft ? Qt::Key_Left : Qt::Key_Right);
    QCOMPARE(m_window->keyboardFocus(), buttons.first());
    QTest::keyClick(m_window.get(), rightToLeft ? Qt::Key_Right : Qt::Key_Left);
    QCOMPARE(m_window->keyboardFocus(), buttons.last());
}

void tst_EditorKeys::keysPickARowWithoutConfirming()
{
    pick(QStringLiteral("EditResizePlugin"));
    QTest::keyClick(m_window.get(), Qt::Key_Tab);
    QCOMPARE(m_window->keyboardFocus(), QStringLiteral("toolbar:ResizePluginButton"));
    QTest::keyClick(m_window.get(), Qt::Key_Return); // opens the list, on 100 %
    QCOMPARE(m_window->keyboardFocus(), QStringLiteral("popup:4"));
    QTest::keyClick(m_window.get(), Qt::Key_Up);
    QTest::keyClick(m_window.get(), Qt::Key_Up); // 50 %
    QCOMPARE(m_window->keyboardFocus(), QStringLiteral("popup:2"));
    QTest::keyClick(m_window.get(), Qt::Key_Return);
    // Picked, the list closed, the entry still open: Return did not confirm.
    QVERIFY(targetNames(*m_window, QStringLiteral("popup:")).isEmpty());
    QVERIFY(m_window->session() && m_window->session()->isActive());
    QCOMPARE(m_window->history()->stack()->count(), 0);
    QCOMPARE(m_window->keyboardFocus(), QStringLiteral("toolbar:ResizePluginButton"));
    // Confirmed, the picture is half its size.
    QVERIFY(tap(*m_window, QStringLiteral("confirm")));
    QCOMPARE(m_window->picture().fullSize(), QSize(361, 240)); // halves, truncated
}

void tst_EditorKeys::spacePressesTheFocusedButton()
{
    pick(QStringLiteral("EditVintageEffectsPlugin"));
    const QImage before = m_window->picture().image();
    QTest::keyClick(m_window.get(), Qt::Key_Tab);
    QVERIFY(m_window->keyboardFocus().startsWith(QLatin1String("toolbar:")));
    QTest::keyClick(m_window.get(), Qt::Key_Space);
    QVERIFY(m_window->picture().image() != before);
    QVERIFY(m_window->session() && m_window->session()->isActive());
}

void tst_EditorKeys::arrowsNudgeTheCrop_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("shift");
    QTest::addColumn<QPoint>("moved");

    QTest::newRow("left one") << int(Qt::Key_Left) << false << QPoint(-1, 0);
    QTest::newRow("right one") << int(Qt::Key_Right) << false << QPoint(1, 0);
    QTest::newRow("up one") << int(Qt::Key_Up) << false << QPoint(0, -1);
    QTest::newRow("down one") << int(Qt::Key_Down) << false << QPoint(0, 1);
    QTest::newRow("shift: ten") << int(Qt::Key_Right) << true << QPoint(10, 0);
    QTest::newRow("shift up: ten") << int(Qt::Key_Up) << true << QPoint(0, -10);
}

void tst_EditorKeys::arrowsNudgeTheCrop()
{
    QFETCH(int, key);
    QFETCH(bool, shift);
    QFETCH(QPoint, moved);
    pick(QStringLiteral("EditCropPlugin"));
    auto *cropper = qobject_cast<LumoraCropper *>(m_window->session()->plugin());
    // A selection clear of every edge, as a host places it.
    const QRect start(100, 80, 300, 200);
    cropper->setSelectionRect(start);
    QTest::keyClick(m_window.get(), Qt::Key(key), shift ? Qt::ShiftModifier : Qt::NoModifier);
    QCOMPARE(selectionOf(*m_window), start.translated(moved));
    // The handles show where it went.
    const QRect handle = targetRect(*m_window, QStringLiteral("handle:0"));
    const QPointF corner = m_window->view()->fromPicture(start.translated(moved).topLeft());
    QVERIFY(QRectF(handle)
                .adjusted(-1, -1, 1, 1)
                .contains(m_window->view()->viewport()->mapTo(m_window.get(), corner.toPoint())));

    // At an edge it stops, the size kept.
    for (int i = 0; i < 80; ++i)
        QTest::keyClick(m_window.get(), Qt::Key(key), Qt::ShiftModifier);
    const QRect atEdge = selectionOf(*m_window);
    QCOMPARE(atEdge.size(), start.size());
    QVERIFY(QRect(QPoint(0, 0), PictureSize).contains(atEdge));
    QVERIFY(atEdge.left() == 0 || atEdge.top() == 0 || atEdge.right() == PictureSize.width() - 1
            || atEdge.bottom() == PictureSize.height() - 1);
    // Nothing else happened: the entry is open, the history untouched.
    QVERIFY(m_window->session() && m_window->session()->isActive());
    QCOMPARE(m_window->history()->stack()->count(), 0);
}

void tst_EditorKeys::helpListsEveryKey()
{
    QTest::keyClick(m_window.get(), Qt::Key_F1);
    auto *dialog = m_window->findChild<QDialog *>(QStringLiteral("keysDialog"));
    QVERIFY(dialog && dialog->isVisible());
    auto *tree = dialog->findChild<QTreeWidget *>(QStringLiteral("keysTree"));
    QVERIFY(tree);
    QStringList listed;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        listed << tree->topLevelItem(i)->text(0);
    const QString all = listed.join(QLatin1Char('|'));
    QList<QAction *> actions = m_window->actions() + m_window->entries();
    int keys = 0;
    for (QAction *action : actions) {
        for (const QKeySequence &sequence : action->shortcuts()) {
            ++keys;
            QVERIFY2(all.contains(sequence.toString(QKeySequence::NativeText)),
                     qPrintable(action->objectName() + QLatin1String(": ") + sequence.toString()));
        }
    }
    QVERIFY(keys > 10);
    for (const char *key : { "Tab", "Space", "Escape", "Shift+", "\\" })
        QVERIFY2(all.contains(QLatin1String(key)), key);
    dialog->close();
}

void tst_EditorKeys::undoNamesItsStep()
{
    auto *undo = m_window->findChild<QAction *>(QStringLiteral("undo"));
    auto *redo = m_window->findChild<QAction *>(QStringLiteral("redo"));
    QCOMPARE(undo->text(), QStringLiteral("&Undo"));
    pick(QStringLiteral("EditVintageEffectsPlugin"));
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:SepiaButton")));
    QVERIFY(tap(*m_window, QStringLiteral("confirm")));
    const QString name = m_window->history()->stack()->undoText();
    QVERIFY(!name.isEmpty());
    QCOMPARE(undo->text(), QStringLiteral("&Undo %1").arg(name));
    QTest::keyClick(m_window.get(), Qt::Key_Z, Qt::ControlModifier);
    QCOMPARE(undo->text(), QStringLiteral("&Undo"));
    QCOMPARE(redo->text(), QStringLiteral("&Redo %1").arg(name));
}

void tst_EditorKeys::undoIconsMirrorRightToLeft()
{
    auto *undo = m_window->findChild<QAction *>(QStringLiteral("undo"));
    auto *redo = m_window->findChild<QAction *>(QStringLiteral("redo"));
    if (!QIcon::hasThemeIcon(QStringLiteral("edit-undo"))
        && !QIcon::hasThemeIcon(QStringLiteral("edit-undo-symbolic")))
        QSKIP("no icon theme with edit-undo: the drawn letters are not mirrored");
    const QImage undoLtr = undo->icon().pixmap(32, 32).toImage();
    const QImage redoLtr = redo->icon().pixmap(32, 32).toImage();
    QVERIFY(undoLtr != undoLtr.mirrored(true, false)); // an arrow, not symmetric
    QVERIFY(m_window->setLanguage(QLocale(QLocale::Arabic, QLocale::Egypt)));
    QCOMPARE(undo->icon().pixmap(32, 32).toImage(), undoLtr.mirrored(true, false));
    QCOMPARE(redo->icon().pixmap(32, 32).toImage(), redoLtr.mirrored(true, false));
}

void tst_EditorKeys::confirmLabelsSitByTheirIcons_data()
{
    QTest::addColumn<bool>("rightToLeft");
    QTest::newRow("left to right") << false;
    QTest::newRow("right to left") << true;
}

void tst_EditorKeys::confirmLabelsSitByTheirIcons()
{
    QFETCH(bool, rightToLeft);
    if (rightToLeft)
        QVERIFY(m_window->setLanguage(QLocale(QLocale::Arabic, QLocale::Egypt)));
    pick(QStringLiteral("EditCropPlugin"));
    for (const char *name : { "confirmButton", "cancelButton" }) {
        auto *button = m_window->findChild<QPushButton *>(QLatin1String(name));
        QVERIFY(button && button->isVisible());
        // The columns with ink (the icon's and the label's dark or red pixels) inside the
        // button's frame form one group, no wider than icon, gap and label.
        const QImage shot = button->grab().toImage();
        int first = shot.width();
        int last = -1;
        for (int x = 6; x < shot.width() - 6; ++x) {
            for (int y = shot.height() / 4; y < shot.height() * 3 / 4; ++y) {
                if (qGray(shot.pixel(x, y)) < 140) {
                    first = std::min(first, x);
                    last = x;
                    break;
                }
            }
        }
        const QString text = button->accessibleName();
        QVERIFY(!text.isEmpty());
        const int group
            = button->iconSize().width() + 12 + button->fontMetrics().horizontalAdvance(text);
        QVERIFY2(last >= first && last - first <= group,
                 qPrintable(QStringLiteral("%1: ink from %2 to %3, more than %4 wide in %5")
                                .arg(QLatin1String(name))
                                .arg(first)
                                .arg(last)
                                .arg(group)
                                .arg(shot.width())));
    }
}

void tst_EditorKeys::effectsRowStartsAtTheReadingSide_data()
{
    QTest::addColumn<QSize>("windowSize");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<Qt::Edge>("firstAt"); // where the first effect stands in the bar

    // In portrait the effects are one row, in landscape one column (top to bottom in
    // both directions).
    QTest::newRow("portrait left to right") << QSize(600, 900) << false << Qt::LeftEdge;
    QTest::newRow("portrait right to left") << QSize(600, 900) << true << Qt::RightEdge;
    QTest::newRow("landscape left to right") << QSize(1000, 700) << false << Qt::TopEdge;
    QTest::newRow("landscape right to left") << QSize(1000, 700) << true << Qt::TopEdge;
}

void tst_EditorKeys::effectsRowStartsAtTheReadingSide()
{
    QFETCH(QSize, windowSize);
    QFETCH(bool, rightToLeft);
    QFETCH(Qt::Edge, firstAt);
    if (rightToLeft)
        QVERIFY(m_window->setLanguage(QLocale(QLocale::Arabic, QLocale::Egypt)));
    m_window->resize(windowSize);
    QCOMPARE(m_window->view()->orientation(),
             windowSize.width() < windowSize.height() ? M::Portrait : M::Landscape);
    pick(QStringLiteral("EditVintageEffectsPlugin"));

    // The buttons where the window finds them for a tap, in the effects' order.
    QList<QRect> buttons;
    QRect bar;
    for (const char *name :
         { "BlackAndWhiteButton", "SepiaButton", "OldColorButton", "CrossProcessButton" }) {
        const QRect rect = targetRect(*m_window, QStringLiteral("toolbar:") + QLatin1String(name));
        QVERIFY2(!rect.isEmpty(), name);
        buttons << rect;
        bar |= rect;
    }
    const QRect &first = buttons.first();
    const QRect &last = buttons.last();
    switch (firstAt) {
    case Qt::LeftEdge:
        QCOMPARE(first.left(), bar.left());
        QCOMPARE(last.right(), bar.right());
        QVERIFY(buttons.at(1).left() > first.left());
        break;
    case Qt::RightEdge:
        QCOMPARE(first.right(), bar.right());
        QCOMPARE(last.left(), bar.left());
        QVERIFY(buttons.at(1).left() < first.left());
        break;
    default:
        QCOMPARE(first.top(), bar.top());
        QCOMPARE(last.bottom(), bar.bottom());
        QCOMPARE(first.center().x(), last.center().x());
        break;
    }
    // A tap on the first button still picks the first effect.
    const QRgb before = m_window->picture().image().pixel(40, 30);
    QVERIFY(qRed(before) != qGreen(before) || qGreen(before) != qBlue(before));
    QVERIFY(tap(*m_window, QStringLiteral("toolbar:BlackAndWhiteButton")));
    const QImage shown = m_window->picture().image();
    QCOMPARE(qRed(shown.pixel(40, 30)), qGreen(shown.pixel(40, 30)));
    QCOMPARE(qGreen(shown.pixel(40, 30)), qBlue(shown.pixel(40, 30)));
}

void tst_EditorKeys::fileErrorsSpeakTheLanguage_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("rightToLeft");
    QTest::addColumn<QString>("expected"); // the message's start, after the capital

    QTest::newRow("missing file, English") << "missing.jpg" << false << "Cannot read ";
    QTest::newRow("missing file, Arabic")
        << "missing.jpg" << true << QStringLiteral("تعذرت قراءة ");
    QTest::newRow("cut-short JPEG, English") << "cut.jpg" << false << "Cannot read ";
    QTest::newRow("cut-short JPEG, Arabic") << "cut.jpg" << true << QStringLiteral("تعذرت قراءة ");
}

void tst_EditorKeys::fileErrorsSpeakTheLanguage()
{
    QFETCH(QString, name);
    QFETCH(bool, rightToLeft);
    QFETCH(QString, expected);

    // A JPEG whose second half is missing: its header reads, its picture does not.
    QByteArray jpeg;
    {
        QBuffer buffer(&jpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly));
        QVERIFY(pattern(PictureSize.width(), PictureSize.height()).save(&buffer, "JPEG", 90));
    }
    QFile cut(m_dir->filePath(QStringLiteral("cut.jpg")));
    QVERIFY(cut.open(QIODevice::WriteOnly));
    QCOMPARE(cut.write(jpeg.left(jpeg.size() / 2)), jpeg.size() / 2);
    cut.close();

    if (rightToLeft)
        QVERIFY(m_window->setLanguage(QLocale(QLocale::Arabic, QLocale::Egypt)));
    m_window->openPicture(m_dir->filePath(name));
    const QString message = m_window->message();
    QVERIFY2(message.startsWith(expected), qPrintable(message));
    QVERIFY2(message.contains(name), qPrintable(message));
    // The reason after the name is in the window's language too: Arabic letters and no
    // English word of our own, or English with no Arabic letter.
    const QString reason = message.mid(message.indexOf(name) + name.size());
    const bool arabic = std::any_of(reason.cbegin(), reason.cend(),
                                    [](QChar c) { return c.script() == QChar::Script_Arabic; });
    QCOMPARE(arabic, rightToLeft);
    if (rightToLeft) {
        for (const char *english : { "no such", "damaged", "cannot" })
            QVERIFY2(!reason.contains(QLatin1String(english)), qPrintable(message));
    }
    // Nothing was lost: the picture open before stays.
    QCOMPARE(m_window->picture().fullSize(), PictureSize);
}

QTEST_MAIN(tst_EditorKeys)
#include "tst_editorkeys.moc"
