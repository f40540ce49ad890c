// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Labels: single-line text, eliding to the label's width, alignment, size hints,
// and the tool-bar strip a container label paints.

#include "mlabel.h"

#include <QGraphicsLinearLayout>
#include <QGraphicsScene>
#include <QImage>
#include <QPainter>
#include <QTest>

namespace {

const QString LongText = QStringLiteral("1920 x 1080 pixels, full resolution of the picture");
const QChar Ellipsis(0x2026);

QImage render(QGraphicsScene *scene)
{
    QImage image(scene->sceneRect().size().toSize(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    scene->render(&painter, QRectF(QPointF(0, 0), scene->sceneRect().size()), scene->sceneRect());
    return image;
}

// Horizontal extent of the pixels that differ from white, as [first, last].
QPair<int, int> inkColumns(const QImage &image)
{
    int first = -1;
    int last = -1;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < image.height(); ++y) {
            if (image.pixelColor(x, y) != QColor(Qt::white)) {
                if (first < 0)
                    first = x;
                last = x;
                break;
            }
        }
    }
    return { first, last };
}

} // namespace

class TestMLabel : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void displayedText_data();
    void displayedText();
    void neverWraps();
    void sizeHints();
    void alignmentPlacesTheText_data();
    void alignmentPlacesTheText();
    void containerPaintsToolBarStrip_data();
    void containerPaintsToolBarStrip();
};

void TestMLabel::displayedText_data()
{
    QTest::addColumn<bool>("elide");
    QTest::addColumn<qreal>("width");
    QTest::addColumn<bool>("expectElided");

    QTest::newRow("eliding, narrow") << true << qreal(80) << true;
    QTest::newRow("eliding, wide") << true << qreal(2000) << false;
    QTest::newRow("not eliding, narrow") << false << qreal(80) << false;
}

void TestMLabel::displayedText()
{
    QFETCH(bool, elide);
    QFETCH(qreal, width);
    QFETCH(bool, expectElided);

    MLabel label;
    label.setText(LongText);
    label.setTextElide(elide);
    QCOMPARE(label.textElide(), elide);
    label.resize(width, 40);

    const QString shown = label.displayedText();
    QCOMPARE(label.text(), LongText);
    if (expectElided) {
        QVERIFY(shown.size() < LongText.size());
        QVERIFY(shown.endsWith(Ellipsis));
        QVERIFY(QFontMetricsF(label.font()).horizontalAdvance(shown) <= width);
        QVERIFY(LongText.startsWith(shown.chopped(1)));
    } else {
        QCOMPARE(shown, LongText);
    }
}

void TestMLabel::neverWraps()
{
    MLabel label(QStringLiteral("first line\nsecond line"));
    label.resize(1000, 40);
    QVERIFY(!label.displayedText().contains(QLatin1Char('\n')));
    // One line high, whatever the text.
    QCOMPARE(label.effectiveSizeHint(Qt::PreferredSize).height(),
             QFontMetricsF(label.font()).height());
}

void TestMLabel::sizeHints()
{
    MLabel label(LongText);
    const QFontMetricsF metrics(label.font());
    const qreal textWidth = metrics.horizontalAdvance(LongText);
    QCOMPARE(label.effectiveSizeHint(Qt::PreferredSize).width(), textWidth);
    QCOMPARE(label.effectiveSizeHint(Qt::MinimumSize).width(), textWidth);

    // Eliding lets it shrink to little more than the ellipsis.
    label.setTextElide(true);
    QVERIFY(label.effectiveSizeHint(Qt::MinimumSize).width() < textWidth / 4);
    QCOMPARE(label.effectiveSizeHint(Qt::PreferredSize).width(), textWidth);

    // A longer text asks for more room.
    label.setText(LongText + LongText);
    QVERIFY(label.effectiveSizeHint(Qt::PreferredSize).width() > textWidth);
}

void TestMLabel::alignmentPlacesTheText_data()
{
    QTest::addColumn<int>("alignment");
    QTest::addColumn<bool>("expectLeftHalf");

    QTest::newRow("left") << int(Qt::AlignLeft | Qt::AlignVCenter) << true;
    QTest::newRow("right") << int(Qt::AlignRight | Qt::AlignVCenter) << false;
}

void TestMLabel::alignmentPlacesTheText()
{
    QFETCH(int, alignment);
    QFETCH(bool, expectLeftHalf);

    QGraphicsScene scene(0, 0, 600, 40);
    auto *label = new MLabel(QStringLiteral("640 x 480"));
    label->setAlignment(Qt::Alignment(alignment));
    QCOMPARE(label->alignment(), Qt::Alignment(alignment));
    label->setGeometry(0, 0, 600, 40);
    scene.addItem(label);

    const QPair<int, int> ink = inkColumns(render(&scene));
    QVERIFY(ink.first >= 0);
    if (expectLeftHalf)
        QVERIFY(ink.second < 300);
    else
        QVERIFY(ink.first > 300);
}

void TestMLabel::containerPaintsToolBarStrip_data()
{
    QTest::addColumn<QString>("styleName");
    QTest::addColumn<bool>("withLayout");
    QTest::addColumn<bool>("expectStrip");

    QTest::newRow("effects bar") << "ImageEditorBcControl" << true << true;
    QTest::newRow("size bar") << "ImageEditorInfoControl" << true << true;
    QTest::newRow("other style") << "TempCommonInvertedButtonInformationLabel" << true << false;
    QTest::newRow("no layout") << "ImageEditorBcControl" << false << false;
}

void TestMLabel::containerPaintsToolBarStrip()
{
    QFETCH(QString, styleName);
    QFETCH(bool, withLayout);
    QFETCH(bool, expectStrip);

    QGraphicsScene scene(0, 0, 100, 50);
    auto *label = new MLabel;
    label->setStyleName(styleName);
    if (withLayout)
        label->setLayout(new QGraphicsLinearLayout);
    label->setGeometry(0, 0, 100, 50);
    scene.addItem(label);

    const QColor painted = render(&scene).pixelColor(50, 25);
    if (expectStrip)
        QVERIFY2(painted.lightness() < 64, "a dark strip");
    else
        QCOMPARE(painted, QColor(Qt::white));
}

QTEST_MAIN(TestMLabel)
#include "tst_mlabel.moc"
