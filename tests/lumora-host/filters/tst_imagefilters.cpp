#include "imagefilters.h"

#include <QTest>
#include <QTransform>

#include <algorithm>
#include <functional>

using Filter = std::function<QImage(const QImage &)>;
using FilterOptions = QHash<QString, QVariant>;
Q_DECLARE_METATYPE(Filter)

namespace {

// Deterministic, irregular pixels (a linear congruential sequence), so that a misplaced pixel
// shows; opaque unless the format has alpha.
QImage patterned(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, QImage::Format_ARGB32);
    quint32 state = 0x2545f491u + quint32(width * 131 + height);
    const quint32 alphaMask = QImage(1, 1, format).hasAlphaChannel() ? 0 : 0xff000000u;
    for (int y = 0; y < height; ++y) {
        QRgb *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            line[x] = (state = state * 1664525u + 1013904223u) | alphaMask;
    }
    return image.convertToFormat(format);
}

QImage::Format working(const QImage &image)
{
    return image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32;
}

QImage onePixel(QRgb value, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(1, 1, format);
    image.setPixel(0, 0, value);
    return image;
}

FilterOptions option(const QString &key, const QVariant &value)
{
    return FilterOptions { { key, value } };
}

} // namespace

class TestImageFilters : public QObject
{
    Q_OBJECT

private slots:
    void geometryMatchesQt_data();
    void geometryMatchesQt();
    void givesNull_data();
    void givesNull();
    void autoLevels_data();
    void autoLevels();
    void knownPixels_data();
    void knownPixels();
    void looks();
    void deterministic_data();
    void deterministic();
    void applyFilter_data();
    void applyFilter();
    void applyFilterErrors_data();
    void applyFilterErrors();
};

void TestImageFilters::geometryMatchesQt_data()
{
    QTest::addColumn<QImage>("input");
    QTest::addColumn<Filter>("filter");
    QTest::addColumn<Filter>("oracle"); // Qt's own operation on the converted input

    const QList<QImage> inputs { patterned(7, 5), patterned(1, 9), patterned(13, 1),
                                 patterned(23, 11, QImage::Format_ARGB32),
                                 patterned(9, 4, QImage::Format_RGB888) };
    for (const QImage &input : inputs) {
        const QByteArray tag = QByteArray::number(input.width()) + 'x'
            + QByteArray::number(input.height()) + " format " + QByteArray::number(input.format());
        for (bool h : { true, false })
            QTest::newRow(tag + (h ? " flip horizontal" : " flip vertical"))
                << input << Filter([h](const QImage &i) { return ImageFilters::flip(i, h); })
                << Filter([h](const QImage &i) { return i.mirrored(h, !h); });
        // Beyond one turn Qt's transformed() gains a border pixel, so the oracle turns by the
        // angle reduced modulo 360.
        for (int angle : { 0, 90, -90, 180, -180, 270, -270, 360, 450, -630 })
            QTest::newRow(tag + " rotate " + QByteArray::number(angle))
                << input
                << Filter([angle](const QImage &i) { return ImageFilters::rotate(i, angle); })
                << Filter([angle](const QImage &i) {
                       return i.transformed(QTransform().rotate(angle % 360));
                   });
        const QRect half(input.width() / 2, input.height() / 2, 40, 40);
        for (const QRect &r : { QRect(0, 0, 1, 1), QRect(-2, -3, 4, 5), half })
            QTest::newRow(tag + " crop " + QByteArray::number(r.x()) + ','
                          + QByteArray::number(r.y()))
                << input << Filter([r](const QImage &i) { return ImageFilters::crop(i, r); })
                << Filter([r](const QImage &i) { return i.copy(r.intersected(i.rect())); });
        for (const QSize &s : { QSize(3, 2), QSize(1, 1), QSize(30, 7) })
            QTest::newRow(tag + " scale " + QByteArray::number(s.width()) + 'x'
                          + QByteArray::number(s.height()))
                << input << Filter([s](const QImage &i) { return ImageFilters::scale(i, s); })
                << Filter([s](const QImage &i) {
                       return i.scaled(s, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
                   });
    }
}

void TestImageFilters::geometryMatchesQt()
{
    QFETCH(QImage, input);
    QFETCH(Filter, filter);
    QFETCH(Filter, oracle);
    const QImage before = input.copy();

    const QImage result = filter(input);

    QCOMPARE(result.format(), working(input));
    QCOMPARE(result, oracle(input.convertToFormat(working(input))).convertToFormat(working(input)));
    QCOMPARE(input, before);
}

void TestImageFilters::givesNull_data()
{
    QTest::addColumn<QImage>("input");
    QTest::addColumn<Filter>("filter");

    const QImage image = patterned(17, 11);
    for (int angle : { 45, 1, -91, 269 })
        QTest::addRow("rotate %d", angle)
            << image << Filter([angle](const QImage &i) { return ImageFilters::rotate(i, angle); });
    for (const QRect &r : { QRect(17, 0, 5, 5), QRect(0, -6, 5, 6), QRect(3, 3, 0, 4), QRect() })
        QTest::addRow("crop %d,%d %dx%d", r.x(), r.y(), r.width(), r.height())
            << image << Filter([r](const QImage &i) { return ImageFilters::crop(i, r); });
    for (const QSize &s : { QSize(), QSize(0, 10), QSize(10, 0), QSize(-4, -4) })
        QTest::addRow("scale to %dx%d", s.width(), s.height())
            << image << Filter([s](const QImage &i) { return ImageFilters::scale(i, s); });
    const QList<Filter> all { [](const QImage &i) { return ImageFilters::flip(i, true); },
                              [](const QImage &i) { return ImageFilters::rotate(i, 0); },
                              [](const QImage &i) { return ImageFilters::autoLevels(i); },
                              [](const QImage &i) {
                                  return ImageFilters::crop(i, { 0, 0, 2, 2 });
                              },
                              [](const QImage &i) {
                                  return ImageFilters::scale(i, { 2, 2 });
                              },
                              ImageFilters::greyscale,
                              ImageFilters::sepia,
                              ImageFilters::oldColorPhoto,
                              ImageFilters::crossProcessing };
    for (int n = 0; n < all.size(); ++n)
        QTest::addRow("null input to filter %d", n) << QImage() << all.at(n);
}

void TestImageFilters::givesNull()
{
    QFETCH(QImage, input);
    QFETCH(Filter, filter);
    QVERIFY(filter(input).isNull());
}

void TestImageFilters::autoLevels_data()
{
    QTest::addColumn<QList<int>>("redValues");
    QTest::addColumn<double>("clipPercent");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("high"); // low >= high: red must stay as it is

    QList<int> spread;
    for (int v = 50; v <= 200; ++v)
        spread << v;
    // Values 100..199 twice, two dark and two bright outliers; three rows make 612 pixels, of
    // which the 6 at each end are within 1.5 % but above 0.4 %.
    QList<int> outliers { 3, 4, 250, 251 };
    for (int v = 100; v < 200; ++v)
        outliers << v << v;
    QTest::newRow("50..200 to 0..255")
        << spread << ImageFilters::AutoLevelsClipPercent << 50 << 200;
    QTest::newRow("outliers clipped at 1.5 %") << outliers << 1.5 << 100 << 199;
    QTest::newRow("outliers kept at 0.4 %") << outliers << 0.4 << 3 << 251;
    // 600 pixels at 0.5 % clip exactly 3: the lone 3 and 251 (3 pixels each) just fit.
    QList<int> exact { 3, 251, 198, 199 };
    for (int v = 100; v < 198; ++v)
        exact << v << v;
    QTest::newRow("ends of exactly the clip size") << exact << 0.5 << 100 << 199;
    QTest::newRow("constant") << QList<int>(40, 90) << 0.5 << 90 << 90;
    QTest::newRow("full range") << QList<int> { 0, 255, 0, 255 } << 0.5 << 0 << 255;
    QTest::newRow("clip half") << spread << 50.0 << 125 << 125;
}

void TestImageFilters::autoLevels()
{
    QFETCH(QList<int>, redValues);
    QFETCH(double, clipPercent);
    QFETCH(int, low);
    QFETCH(int, high);

    // Red varies along the row; green is constant; blue already spans 0..255 with a third of
    // the pixels at each end, too many to clip; alpha varies. Only red may change.
    const int width = int(redValues.size());
    QImage input(width, 3, QImage::Format_ARGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < width; ++x)
            input.setPixel(
                x, y,
                qRgba(redValues.at(x), 77, x % 3 == 0 ? 0 : (x % 3 == 1 ? 255 : 130), x % 256));

    const QImage result = ImageFilters::autoLevels(input, clipPercent);

    for (int x = 0; x < width; ++x) {
        const int v = redValues.at(x);
        const int red = low >= high ? v
            : v <= low              ? 0
            : v >= high             ? 255
                                    : qRound((v - low) * 255.0 / (high - low));
        const QRgb out = result.pixel(x, 2);
        QCOMPARE(qRed(out), red);
        QCOMPARE(qGreen(out), 77);
        QCOMPARE(qAlpha(out), x % 256);
        QCOMPARE(qBlue(out), qBlue(input.pixel(x, 2)));
    }
}

void TestImageFilters::knownPixels_data()
{
    QTest::addColumn<Filter>("filter");
    QTest::addColumn<QRgb>("input");
    QTest::addColumn<QRgb>("expected");

    const Filter grey = ImageFilters::greyscale, sepia = ImageFilters::sepia;
    const Filter old = ImageFilters::oldColorPhoto, cross = ImageFilters::crossProcessing;
    const QRgb white = qRgb(255, 255, 255), black = qRgb(0, 0, 0), mid = qRgb(128, 128, 128);
    const QRgb red = qRgb(255, 0, 0), green = qRgb(0, 255, 0), blue = qRgb(0, 0, 255);

    QTest::newRow("grey white") << grey << white << white;
    QTest::newRow("grey black") << grey << black << black;
    QTest::newRow("grey mid") << grey << mid << mid;
    QTest::newRow("grey red") << grey << red << qRgb(76, 76, 76);
    QTest::newRow("grey green") << grey << green << qRgb(150, 150, 150);
    QTest::newRow("grey blue") << grey << blue << qRgb(29, 29, 29);
    QTest::newRow("sepia white clamps") << sepia << white << qRgb(255, 255, 239);
    QTest::newRow("sepia black") << sepia << black << black;
    QTest::newRow("sepia mid") << sepia << mid << qRgb(173, 154, 120);
    QTest::newRow("sepia light clamps red") << sepia << qRgb(192, 192, 192) << qRgb(255, 231, 180);
    QTest::newRow("sepia red") << sepia << red << qRgb(100, 89, 69);
    QTest::newRow("sepia green") << sepia << green << qRgb(196, 175, 136);
    QTest::newRow("sepia blue") << sepia << blue << qRgb(48, 43, 33);
    QTest::newRow("old white") << old << white << qRgb(240, 228, 208);
    QTest::newRow("old black") << old << black << qRgb(32, 24, 16);
    QTest::newRow("old mid") << old << mid << qRgb(136, 126, 112);
    QTest::newRow("old red") << old << red << qRgb(181, 48, 39);
    QTest::newRow("old green") << old << green << qRgb(81, 194, 61);
    QTest::newRow("old blue") << old << blue << qRgb(42, 34, 140);
    QTest::newRow("cross white") << cross << white << qRgb(255, 255, 224);
    QTest::newRow("cross black") << cross << black << qRgb(0, 0, 32);
    QTest::newRow("cross mid") << cross << mid << mid;
    QTest::newRow("cross dark") << cross << qRgb(64, 64, 64) << qRgb(40, 52, 80);
    QTest::newRow("cross light") << cross << qRgb(192, 192, 192) << qRgb(216, 204, 177);
    QTest::newRow("cross red") << cross << red << qRgb(255, 0, 32);
}

void TestImageFilters::knownPixels()
{
    QFETCH(Filter, filter);
    QFETCH(QRgb, input);
    QFETCH(QRgb, expected);

    const QImage opaque = filter(onePixel(input));
    QCOMPARE(opaque.format(), QImage::Format_RGB32);
    QCOMPARE(opaque.pixel(0, 0), expected);
    // Alpha passes through and the colour maths works on straight values.
    const QImage translucent
        = filter(onePixel((input & 0xffffffu) | 0x5a000000u, QImage::Format_ARGB32));
    QCOMPARE(translucent.format(), QImage::Format_ARGB32);
    QCOMPARE(translucent.pixel(0, 0), (expected & 0xffffffu) | 0x5a000000u);
}

void TestImageFilters::looks()
{
    QImage ramp(256, 1, QImage::Format_RGB32);
    for (int v = 0; v < 256; ++v)
        ramp.setPixel(v, 0, qRgb(v, v, v));
    QCOMPARE(ImageFilters::greyscale(ramp), ramp);

    const QImage cross = ImageFilters::crossProcessing(ramp);
    const QImage old = ImageFilters::oldColorPhoto(ramp);
    for (int v = 1; v < 256; ++v) {
        const QRgb p = cross.pixel(v, 0), q = cross.pixel(v - 1, 0);
        QVERIFY(qRed(p) >= qRed(q) && qGreen(p) >= qGreen(q) && qBlue(p) >= qBlue(q));
        // Blue shadows and yellow highlights, red with the steeper curve.
        if (v >= 20 && v < 110)
            QVERIFY(qRed(p) < qGreen(p) && qGreen(p) < v && v < qBlue(p));
        if (v > 146 && v < 236)
            QVERIFY(qRed(p) > qGreen(p) && qGreen(p) > v && v > qBlue(p));
        // Old photo: every grey turns warm.
        const QRgb o = old.pixel(v, 0);
        QVERIFY(qRed(o) > qGreen(o) && qGreen(o) > qBlue(o));
    }
    // Old photo lowers saturation: the channels of a colour draw closer together.
    for (QRgb colour : { qRgb(0, 200, 30), qRgb(20, 40, 230), qRgb(250, 220, 0) }) {
        const QRgb out = ImageFilters::oldColorPhoto(onePixel(colour)).pixel(0, 0);
        const auto spread = [](QRgb c) {
            return std::max({ qRed(c), qGreen(c), qBlue(c) })
                - std::min({ qRed(c), qGreen(c), qBlue(c) });
        };
        QVERIFY(spread(out) < spread(colour));
    }
}

void TestImageFilters::deterministic_data()
{
    QTest::addColumn<Filter>("filter");
    QTest::newRow("greyscale") << Filter(ImageFilters::greyscale);
    QTest::newRow("sepia") << Filter(ImageFilters::sepia);
    QTest::newRow("old colour photo") << Filter(ImageFilters::oldColorPhoto);
    QTest::newRow("cross-processing") << Filter(ImageFilters::crossProcessing);
    QTest::newRow("auto levels") << Filter(
        [](const QImage &i) { return ImageFilters::autoLevels(i); });
}

void TestImageFilters::deterministic()
{
    QFETCH(Filter, filter);
    const QImage input = patterned(41, 29);
    const QImage before = input.copy();

    const QImage first = filter(input);

    QCOMPARE(first, filter(input.copy()));
    QCOMPARE(input, before);
    QVERIFY(first != input);
}

void TestImageFilters::applyFilter_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<FilterOptions>("options");
    QTest::addColumn<QImage>("expected");

    const QImage in = patterned(15, 9);
    const FilterOptions none;
    QTest::newRow("flip") << "org.quenta.flip" << option("horizontal", true)
                          << in.mirrored(true, false);
    QTest::newRow("rotate") << "org.quenta.rotate" << option("angle", -90)
                            << in.transformed(QTransform().rotate(-90));
    QTest::newRow("levels") << "org.quenta.auto.levels" << none << ImageFilters::autoLevels(in);
    QTest::newRow("crop") << "org.quenta.crop" << option("cropRectangle", QRect(2, 1, 6, 4))
                          << in.copy(2, 1, 6, 4);
    QTest::newRow("scale") << "org.quenta.scale" << option("sizeAfter", QSize(7, 4))
                           << in.scaled(7, 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QTest::newRow("greyscale") << "com.velmo.greyscale" << none << ImageFilters::greyscale(in);
    QTest::newRow("sepia") << "com.velmo.sepia" << none << ImageFilters::sepia(in);
    QTest::newRow("old") << "com.velmo.old-color-photo" << none << ImageFilters::oldColorPhoto(in);
    QTest::newRow("cross, unused option")
        << "com.velmo.cross-processing" << option("angle", 9) << ImageFilters::crossProcessing(in);
}

void TestImageFilters::applyFilter()
{
    QFETCH(QString, name);
    QFETCH(FilterOptions, options);
    QFETCH(QImage, expected);

    QString error = QStringLiteral("left over from an earlier call");
    QCOMPARE(ImageFilters::applyFilter(patterned(15, 9), name, options, &error), expected);
    QVERIFY(error.isEmpty());
}

void TestImageFilters::applyFilterErrors_data()
{
    QTest::addColumn<QImage>("input");
    QTest::addColumn<QString>("name");
    QTest::addColumn<FilterOptions>("options");
    QTest::addColumn<QString>("mentioned"); // a word the message must contain

    const QImage in = patterned(10, 8);
    const FilterOptions none;
    QTest::newRow("unknown") << in << "org.quenta.blur" << none << "org.quenta.blur";
    QTest::newRow("case differs") << in << "com.velmo.Sepia" << none << "unknown";
    QTest::newRow("flip, no option") << in << "org.quenta.flip" << none << "horizontal";
    QTest::newRow("flip, int") << in << "org.quenta.flip" << option("horizontal", 1) << "bool";
    QTest::newRow("flip, empty variant")
        << in << "org.quenta.flip" << option("horizontal", QVariant()) << "horizontal";
    QTest::newRow("rotate 45") << in << "org.quenta.rotate" << option("angle", 45) << "45";
    QTest::newRow("rotate, double")
        << in << "org.quenta.rotate" << option("angle", 90.0) << "double";
    QTest::newRow("rotate, no option") << in << "org.quenta.rotate" << none << "angle";
    QTest::newRow("crop, QRectF") << in << "org.quenta.crop"
                                  << option("cropRectangle", QRectF(0, 0, 4, 4)) << "QRect";
    QTest::newRow("crop outside") << in << "org.quenta.crop"
                                  << option("cropRectangle", QRect(20, 20, 4, 4)) << "overlap";
    QTest::newRow("scale, QSizeF")
        << in << "org.quenta.scale" << option("sizeAfter", QSizeF(4, 4)) << "QSize";
    QTest::newRow("scale to zero")
        << in << "org.quenta.scale" << option("sizeAfter", QSize(0, 4)) << "0 x 4";
    QTest::newRow("null picture") << QImage() << "com.velmo.sepia" << none << "picture";
}

void TestImageFilters::applyFilterErrors()
{
    QFETCH(QImage, input);
    QFETCH(QString, name);
    QFETCH(FilterOptions, options);
    QFETCH(QString, mentioned);

    QString error;
    QVERIFY(ImageFilters::applyFilter(input, name, options, &error).isNull());
    QVERIFY2(error.contains(mentioned), qPrintable(error));
    QVERIFY2(error.at(0).isUpper() && error.endsWith(QLatin1Char('.')), qPrintable(error));
    QVERIFY(ImageFilters::applyFilter(input, name, options, nullptr).isNull());
}

QTEST_GUILESS_MAIN(TestImageFilters)
#include "tst_imagefilters.moc"
