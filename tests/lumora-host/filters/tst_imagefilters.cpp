// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

#include "imagefilters.h"

#include <QColorSpace>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThreadPool>
#include <QTransform>

#include <algorithm>
#include <functional>

using Filter = std::function<QImage(const QImage &)>;
using FilterOptions = QHash<QString, QVariant>;
Q_DECLARE_METATYPE(Filter)
Q_DECLARE_METATYPE(QImage::Format)

namespace {

// Deterministic, irregular pixels (a linear congruential sequence), so that a misplaced pixel
// shows; opaque unless the format has alpha. Grey and 16-bit formats get noise at their own depth,
// so that low bytes are no copies of high ones and a loss of depth shows.
QImage patterned(int width, int height, QImage::Format format = QImage::Format_RGB32)
{
    quint32 state = 0x2545f491u + quint32(width * 131 + height);
    const auto next = [&state](int bits) {
        state = state * 1664525u + 1013904223u;
        return state >> (32 - bits);
    };
    const bool alpha = QImage(1, 1, format).hasAlphaChannel();
    const bool deep = format == QImage::Format_Grayscale8 || format == QImage::Format_Grayscale16
        || format == QImage::Format_RGBX64 || format == QImage::Format_RGBA64;
    QImage image(width, height, deep ? format : QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y) {
        uchar *line = image.scanLine(y);
        for (int x = 0; x < width; ++x) {
            if (format == QImage::Format_Grayscale8) {
                line[x] = uchar(next(8));
            } else if (format == QImage::Format_Grayscale16) {
                reinterpret_cast<quint16 *>(line)[x] = quint16(next(16));
            } else if (deep) {
                const quint16 r = quint16(next(16)), g = quint16(next(16)), b = quint16(next(16));
                const quint16 a = alpha ? quint16(next(16)) : quint16(0xffff);
                reinterpret_cast<QRgba64 *>(line)[x] = QRgba64::fromRgba64(r, g, b, a);
            } else {
                reinterpret_cast<QRgb *>(line)[x] = next(32) | (alpha ? 0 : 0xff000000u);
            }
        }
    }
    if (deep)
        return image;
    // Through RGB32 when opaque: from ARGB32 Qt gives indexed pictures a transparent entry.
    return (alpha ? image : image.convertToFormat(QImage::Format_RGB32)).convertToFormat(format);
}

// The formats the filters promise (see imagefilters.h): the working format of an input and the
// format colour effects give it.
struct FormatRow
{
    const char *name;
    QImage::Format input;
    QImage::Format working;
    QImage::Format coloured;
};

const FormatRow FormatRows[] = {
    { "Grayscale8", QImage::Format_Grayscale8, QImage::Format_Grayscale8, QImage::Format_RGB32 },
    { "Grayscale16", QImage::Format_Grayscale16, QImage::Format_Grayscale16,
      QImage::Format_RGBX64 },
    { "RGB32", QImage::Format_RGB32, QImage::Format_RGB32, QImage::Format_RGB32 },
    { "ARGB32", QImage::Format_ARGB32, QImage::Format_ARGB32, QImage::Format_ARGB32 },
    { "RGBX64", QImage::Format_RGBX64, QImage::Format_RGBX64, QImage::Format_RGBX64 },
    { "RGBA64", QImage::Format_RGBA64, QImage::Format_RGBA64, QImage::Format_RGBA64 },
    { "ARGB32 premultiplied", QImage::Format_ARGB32_Premultiplied, QImage::Format_ARGB32,
      QImage::Format_ARGB32 },
    { "RGBA64 premultiplied", QImage::Format_RGBA64_Premultiplied, QImage::Format_RGBA64,
      QImage::Format_RGBA64 },
    { "RGB888", QImage::Format_RGB888, QImage::Format_RGB32, QImage::Format_RGB32 },
    { "BGR888", QImage::Format_BGR888, QImage::Format_RGB32, QImage::Format_RGB32 },
    { "RGB16", QImage::Format_RGB16, QImage::Format_RGB32, QImage::Format_RGB32 },
    { "RGBA8888", QImage::Format_RGBA8888, QImage::Format_ARGB32, QImage::Format_ARGB32 },
    { "Indexed8", QImage::Format_Indexed8, QImage::Format_RGB32, QImage::Format_RGB32 },
    { "Mono", QImage::Format_Mono, QImage::Format_RGB32, QImage::Format_RGB32 },
    { "Alpha8", QImage::Format_Alpha8, QImage::Format_ARGB32, QImage::Format_ARGB32 },
    { "RGB30", QImage::Format_RGB30, QImage::Format_RGBX64, QImage::Format_RGBX64 },
    { "A2BGR30 premultiplied", QImage::Format_A2BGR30_Premultiplied, QImage::Format_RGBA64,
      QImage::Format_RGBA64 },
    { "RGBX16FPx4", QImage::Format_RGBX16FPx4, QImage::Format_RGBX64, QImage::Format_RGBX64 },
    { "RGBA32FPx4 premultiplied", QImage::Format_RGBA32FPx4_Premultiplied, QImage::Format_RGBA64,
      QImage::Format_RGBA64 },
};

QImage::Format working(const QImage &image)
{
    for (const FormatRow &row : FormatRows)
        if (row.input == image.format())
            return row.working;
    return QImage::Format_Invalid;
}

bool isGrey(QImage::Format format)
{
    return format == QImage::Format_Grayscale8 || format == QImage::Format_Grayscale16;
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

// Empty when the tool succeeded, else its command line and what it said.
QString run(const QString &program, const QStringList &arguments)
{
    QProcess process;
    process.start(program, arguments);
    const bool finished = process.waitForFinished(-1);
    if (finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return QString();
    return program + QLatin1Char(' ') + arguments.join(QLatin1Char(' ')) + QLatin1String(": ")
        + process.errorString() + QLatin1Char(' ') + process.readAllStandardError();
}

// The 16-bit channel values of a Grayscale16, RGBX64 or RGBA64 picture, alpha left out.
QList<quint16> deepValues(const QImage &image)
{
    QList<quint16> values;
    for (int y = 0; y < image.height(); ++y) {
        const uchar *line = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (image.format() == QImage::Format_Grayscale16) {
                values << reinterpret_cast<const quint16 *>(line)[x];
            } else {
                const QRgba64 p = reinterpret_cast<const QRgba64 *>(line)[x];
                values << p.red() << p.green() << p.blue();
            }
        }
    }
    return values;
}

// How many of values a widened 8-bit value (v * 257) could have given.
qsizetype widened(const QList<quint16> &values)
{
    return std::count_if(values.cbegin(), values.cend(), [](quint16 v) { return v % 257 == 0; });
}

// Empty when both pictures hold the same pixels at their full depth, else where they differ.
QString pixelDifference(const QImage &actual, const QImage &expected)
{
    if (actual.size() != expected.size() || actual.format() != expected.format())
        return QStringLiteral("size or format differs");
    const qsizetype bytesPerPixel = actual.depth() / 8;
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (memcmp(actual.constScanLine(y) + x * bytesPerPixel,
                       expected.constScanLine(y) + x * bytesPerPixel, bytesPerPixel)
                != 0)
                return QStringLiteral("pixel %1, %2 differs").arg(x).arg(y);
    return QString();
}

// Every filter through applyFilter(), as the edit UI provider runs them.
struct NamedFilter
{
    const char *tag;
    const char *name;
    FilterOptions options;
};

const QList<NamedFilter> &namedFilters()
{
    static const QList<NamedFilter> filters {
        { "flip horizontal", "org.quenta.flip", option("horizontal", true) },
        { "flip vertical", "org.quenta.flip", option("horizontal", false) },
        { "rotate 90", "org.quenta.rotate", option("angle", 90) },
        { "rotate 180", "org.quenta.rotate", option("angle", 180) },
        { "rotate -90", "org.quenta.rotate", option("angle", -90) },
        { "rotate 0", "org.quenta.rotate", option("angle", 0) },
        { "auto levels", "org.quenta.auto.levels", {} },
        { "crop", "org.quenta.crop", option("cropRectangle", QRect(13, 171, 1201, 777)) },
        { "scale", "org.quenta.scale", option("sizeAfter", QSize(701, 1333)) },
        { "greyscale", "com.velmo.greyscale", {} },
        { "sepia", "com.velmo.sepia", {} },
        { "old colour photo", "com.velmo.old-color-photo", {} },
        { "cross-processing", "com.velmo.cross-processing", {} },
    };
    return filters;
}

// Rows of pictures large enough to be cut into bands (1500x1100 and an odd height, so that
// a half turn has a middle row), in every working format, times every filter.
void bandRows(const QList<QImage::Format> &formats)
{
    QTest::addColumn<QImage>("input");
    QTest::addColumn<QString>("name");
    QTest::addColumn<FilterOptions>("options");
    for (QImage::Format format : formats) {
        QImage input = patterned(1500, 1101, format);
        input.setColorSpace(QColorSpace::AdobeRgb);
        input.setDotsPerMeterX(2000);
        input.setDotsPerMeterY(3000);
        input.setText(QStringLiteral("Description"), QStringLiteral("test card"));
        for (const NamedFilter &filter : namedFilters())
            QTest::addRow("format %d %s", int(format), filter.tag)
                << input << QString::fromLatin1(filter.name) << filter.options;
    }
}

// The global pool at a given size for as long as it lives, then as it was.
class PoolSize
{
public:
    explicit PoolSize(int threads)
        : m_before(QThreadPool::globalInstance()->maxThreadCount())
    {
        QThreadPool::globalInstance()->setMaxThreadCount(threads);
    }
    ~PoolSize() { QThreadPool::globalInstance()->setMaxThreadCount(m_before); }
    PoolSize(const PoolSize &) = delete;
    PoolSize &operator=(const PoolSize &) = delete;

private:
    int m_before;
};

// Empty when both pictures are the same in pixels, format and metadata.
QString fullDifference(const QImage &actual, const QImage &expected)
{
    const QString pixels = pixelDifference(actual, expected);
    if (!pixels.isEmpty())
        return pixels;
    if (actual.colorSpace() != expected.colorSpace())
        return QStringLiteral("colour space differs");
    if (actual.dotsPerMeterX() != expected.dotsPerMeterX()
        || actual.dotsPerMeterY() != expected.dotsPerMeterY())
        return QStringLiteral("resolution differs");
    if (actual.text() != expected.text())
        return QStringLiteral("text differs");
    return QString();
}

} // namespace

class TestImageFilters : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
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
    void keepsFormatAndMetadata_data();
    void keepsFormatAndMetadata();
    void scalesGreyAtFullDepth_data();
    void scalesGreyAtFullDepth();
    void knownDeepPixels_data();
    void knownDeepPixels();
    void deepAutoLevels_data();
    void deepAutoLevels();
    void deepKeepsLowBytes_data();
    void deepKeepsLowBytes();
    void matchesImageMagick_data();
    void matchesImageMagick();
    void bandsMatchOneThread_data();
    void bandsMatchOneThread();
    void givenUpMatchesKept_data();
    void givenUpMatchesKept();
    void givenUpSharedIsLeftAlone();

private:
    // 16-bit PNGs for ImageMagick, and what it and the filters made of them; kept when a
    // comparison fails.
    QTemporaryDir m_files;
};

void TestImageFilters::initTestCase()
{
    QVERIFY(m_files.isValid());
    const QList<QPair<QString, QImage::Format>> fixtures {
        { QStringLiteral("rgb16"), QImage::Format_RGBX64 },
        { QStringLiteral("rgba16"), QImage::Format_RGBA64 },
        { QStringLiteral("grey16"), QImage::Format_Grayscale16 },
    };
    for (const auto &[name, format] : fixtures) {
        const QString path = m_files.filePath(name + QLatin1String(".png"));
        QVERIFY(patterned(37, 23, format).save(path));
        const QImage written = QImageReader(path).read();
        QCOMPARE(written.format(), format);
        // Noise: about one value in 257 looks widened by chance.
        const QList<quint16> values = deepValues(written);
        QVERIFY(widened(values) < values.size() / 50);
    }
}

void TestImageFilters::geometryMatchesQt_data()
{
    QTest::addColumn<QImage>("input");
    QTest::addColumn<Filter>("filter");
    QTest::addColumn<Filter>("oracle"); // Qt's own operation and conversion to the working format

    const auto inWorking = [](const QImage &i) { return i.convertToFormat(working(i)); };

    const QList<QImage> inputs {
        patterned(7, 5), patterned(1, 9), patterned(13, 1),
        patterned(23, 11, QImage::Format_ARGB32), patterned(9, 4, QImage::Format_RGB888),
        patterned(37, 23, QImage::Format_Grayscale8), patterned(11, 6, QImage::Format_Grayscale16),
        patterned(10, 7, QImage::Format_RGBX64), patterned(8, 13, QImage::Format_RGBA64),
        patterned(6, 5, QImage::Format_RGBA64_Premultiplied),
        // Above the size from which the filters work in bands.
        patterned(1500, 1100), patterned(1100, 1500, QImage::Format_Grayscale16)
    };
    for (const QImage &input : inputs) {
        const QByteArray tag = QByteArray::number(input.width()) + 'x'
            + QByteArray::number(input.height()) + " format " + QByteArray::number(input.format());
        for (bool h : { true, false })
            QTest::newRow(tag + (h ? " flip horizontal" : " flip vertical"))
                << input << Filter([h](const QImage &i) { return ImageFilters::flip(i, h); })
                << Filter([=](const QImage &i) { return inWorking(i).mirrored(h, !h); });
        // Beyond one turn Qt's transformed() gains a border pixel, so the oracle turns by the
        // angle reduced modulo 360.
        for (int angle : { 0, 90, -90, 180, -180, 270, -270, 360, 450, -630 })
            QTest::newRow(tag + " rotate " + QByteArray::number(angle))
                << input
                << Filter([angle](const QImage &i) { return ImageFilters::rotate(i, angle); })
                << Filter([=](const QImage &i) {
                       return inWorking(i).transformed(QTransform().rotate(angle % 360));
                   });
        const QRect half(input.width() / 2, input.height() / 2, 40, 40);
        for (const QRect &r : { QRect(0, 0, 1, 1), QRect(-2, -3, 4, 5), half })
            QTest::newRow(tag + " crop " + QByteArray::number(r.x()) + ','
                          + QByteArray::number(r.y()))
                << input
                << Filter([r](const QImage &i) { return ImageFilters::crop(i, r); })
                // Cut first: Qt converts a premultiplied 16-bit pixel one unit differently
                // depending on the picture's width.
                << Filter(
                       [=](const QImage &i) { return inWorking(i.copy(r.intersected(i.rect()))); });
        // Grey scales unlike Qt's own grey scaling; see scalesGreyAtFullDepth().
        if (isGrey(input.format()))
            continue;
        for (const QSize &s : { QSize(3, 2), QSize(1, 1), QSize(30, 7) })
            QTest::newRow(tag + " scale " + QByteArray::number(s.width()) + 'x'
                          + QByteArray::number(s.height()))
                << input << Filter([s](const QImage &i) { return ImageFilters::scale(i, s); })
                << Filter([=](const QImage &i) {
                       return inWorking(i).scaled(s, Qt::IgnoreAspectRatio,
                                                  Qt::SmoothTransformation);
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
    QCOMPARE(result, oracle(input).convertToFormat(working(input)));
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
    const QImage grey = patterned(13, 7, QImage::Format_Grayscale16);
    QCOMPARE(ImageFilters::greyscale(grey), grey);

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

void TestImageFilters::keepsFormatAndMetadata_data()
{
    QTest::addColumn<QImage>("input");
    QTest::addColumn<Filter>("filter");
    QTest::addColumn<QImage::Format>("expected");
    QTest::addColumn<bool>("sideways");

    struct Edit
    {
        const char *name;
        Filter filter;
        bool colourEffect;
        bool sideways;
    };
    const auto turn = [](int angle) {
        return [angle](const QImage &i) { return ImageFilters::rotate(i, angle); };
    };
    const Edit edits[] = {
        { "flip", [](const QImage &i) { return ImageFilters::flip(i, true); }, false, false },
        { "rotate 90", turn(90), false, true },
        { "rotate 180", turn(180), false, false },
        { "rotate -90", turn(-90), false, true },
        { "rotate 450", turn(450), false, true },
        { "auto levels", [](const QImage &i) { return ImageFilters::autoLevels(i); }, false,
          false },
        { "crop",
          [](const QImage &i) {
              return ImageFilters::crop(i, { 1, 2, 5, 3 });
          },
          false, false },
        { "scale",
          [](const QImage &i) {
              return ImageFilters::scale(i, { 13, 4 });
          },
          false, false },
        { "greyscale", ImageFilters::greyscale, false, false },
        { "sepia", ImageFilters::sepia, true, false },
        { "old colour photo", ImageFilters::oldColorPhoto, true, false },
        { "cross-processing", ImageFilters::crossProcessing, true, false },
    };
    for (const FormatRow &format : FormatRows) {
        QImage input = patterned(9, 6, format.input);
        input.setColorSpace(QColorSpace::AdobeRgb);
        input.setDotsPerMeterX(2000);
        input.setDotsPerMeterY(3000);
        input.setText(QStringLiteral("Description"), QStringLiteral("test card"));
        for (const Edit &edit : edits)
            QTest::addRow("%s %s", format.name, edit.name)
                << input << edit.filter << (edit.colourEffect ? format.coloured : format.working)
                << edit.sideways;
    }
}

void TestImageFilters::keepsFormatAndMetadata()
{
    QFETCH(QImage, input);
    QFETCH(Filter, filter);
    QFETCH(QImage::Format, expected);
    QFETCH(bool, sideways);

    const QImage result = filter(input);

    QCOMPARE(result.format(), expected);
    QVERIFY(input.colorSpace().isValid());
    QCOMPARE(result.colorSpace(), input.colorSpace());
    QCOMPARE(result.dotsPerMeterX(), sideways ? 3000 : 2000);
    QCOMPARE(result.dotsPerMeterY(), sideways ? 2000 : 3000);
    QCOMPARE(result.text(QStringLiteral("Description")), QStringLiteral("test card"));
}

void TestImageFilters::scalesGreyAtFullDepth_data()
{
    QTest::addColumn<QImage>("input");
    QTest::addColumn<QSize>("size");

    // Qt paints the first two itself and shrinks the third through RGB and its colour space.
    for (QImage::Format format : { QImage::Format_Grayscale8, QImage::Format_Grayscale16 })
        for (const QSize &size : { QSize(50, 30), QSize(30, 17), QSize(11, 7) })
            QTest::addRow("%d-bit to %dx%d", format == QImage::Format_Grayscale8 ? 8 : 16,
                          size.width(), size.height())
                << patterned(37, 23, format) << size;
    QImage dark(37, 23, QImage::Format_Grayscale16);
    for (int y = 0; y < dark.height(); ++y)
        for (int x = 0; x < dark.width(); ++x)
            reinterpret_cast<quint16 *>(dark.scanLine(y))[x] = quint16(x * 5 + y * 3);
    QTest::newRow("16-bit shadows below 256 survive shrinking") << dark << QSize(11, 7);
}

void TestImageFilters::scalesGreyAtFullDepth()
{
    QFETCH(QImage, input);
    QFETCH(QSize, size);
    const QImage::Format colourFormat = input.format() == QImage::Format_Grayscale8
        ? QImage::Format_RGB32
        : QImage::Format_RGBX64;

    const QImage result = ImageFilters::scale(input, size);

    // Qt's smooth scaler on the RGB copy, which keeps R = G = B.
    const QImage colour = input.convertToFormat(colourFormat)
                              .scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QCOMPARE(result.format(), input.format());
    QCOMPARE(result.size(), size);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            const QRgba64 expected = colour.pixelColor(x, y).rgba64();
            QCOMPARE(expected.red(), expected.green());
            QCOMPARE(expected.blue(), expected.green());
            QCOMPARE(result.pixelColor(x, y).rgba64().green(), expected.green());
        }
    }
}

void TestImageFilters::knownDeepPixels_data()
{
    QTest::addColumn<Filter>("filter");
    QTest::addColumn<QList<int>>("input");
    QTest::addColumn<QList<int>>("expected");

    // The 8-bit formulas in 16-bit units, worked out by hand.
    const Filter grey = ImageFilters::greyscale, sepia = ImageFilters::sepia;
    const Filter old = ImageFilters::oldColorPhoto, cross = ImageFilters::crossProcessing;
    const QList<int> white { 65535, 65535, 65535 }, black { 0, 0, 0 };
    const QList<int> odd { 1001, 2003, 3007 }, light { 40000, 40000, 40000 };
    QTest::newRow("grey odd") << grey << odd << QList<int> { 1818, 1818, 1818 };
    QTest::newRow("grey red") << grey << QList<int> { 65535, 0, 0 }
                              << QList<int> { 19595, 19595, 19595 };
    QTest::newRow("sepia odd") << sepia << odd << QList<int> { 2502, 2229, 1736 };
    QTest::newRow("sepia white clamps") << sepia << white << QList<int> { 65535, 65535, 61406 };
    QTest::newRow("sepia light") << sepia << light << QList<int> { 54040, 48120, 37480 };
    QTest::newRow("old white") << old << white << QList<int> { 61680, 58596, 53456 };
    QTest::newRow("old black") << old << black << QList<int> { 8224, 6168, 4112 };
    QTest::newRow("old light") << old << light << QList<int> { 40851, 38168, 34230 };
    QTest::newRow("old colour") << old << QList<int> { 60000, 5000, 30000 }
                                << QList<int> { 45516, 16342, 24982 };
    QTest::newRow("cross white") << cross << white << QList<int> { 65535, 65535, 57568 };
    QTest::newRow("cross black") << cross << black << QList<int> { 0, 0, 8224 };
    QTest::newRow("cross light") << cross << light << QList<int> { 44000, 42000, 38342 };
    QTest::newRow("cross quarters")
        << cross << QList<int> { 16384, 32768, 49152 } << QList<int> { 10126, 32768, 45233 };
}

void TestImageFilters::knownDeepPixels()
{
    QFETCH(Filter, filter);
    QFETCH(QList<int>, input);
    QFETCH(QList<int>, expected);
    const auto deepPixel = [](const QList<int> &c, int alpha, QImage::Format format) {
        QImage image(1, 1, format);
        if (format == QImage::Format_Grayscale16) // setPixelColor() would weigh the channels
            *reinterpret_cast<quint16 *>(image.scanLine(0)) = quint16(c[0]);
        else
            image.setPixelColor(0, 0, QColor::fromRgba64(c[0], c[1], c[2], alpha));
        return image;
    };

    for (QImage::Format format : { QImage::Format_RGBX64, QImage::Format_RGBA64 }) {
        const int alpha = format == QImage::Format_RGBA64 ? 0x1234 : 0xffff;
        const QImage result = filter(deepPixel(input, alpha, format));
        QCOMPARE(result.format(), format);
        const QRgba64 out = result.pixelColor(0, 0).rgba64();
        QCOMPARE((QList<int> { out.red(), out.green(), out.blue(), out.alpha() }),
                 expected + QList<int> { alpha });
    }
    // A grey pixel gives the same colour from a grey picture, in RGBX64 unless it stays grey.
    if (input[0] == input[1] && input[1] == input[2]) {
        const QImage result = filter(deepPixel(input, 0xffff, QImage::Format_Grayscale16));
        QCOMPARE(result.format(),
                 expected[0] == expected[2] ? QImage::Format_Grayscale16 : QImage::Format_RGBX64);
        const QRgba64 out = result.pixelColor(0, 0).rgba64();
        QCOMPARE((QList<int> { out.red(), out.green(), out.blue() }), expected);
    }
}

void TestImageFilters::deepAutoLevels_data()
{
    QTest::addColumn<QImage::Format>("format");
    QTest::newRow("RGBA64") << QImage::Format_RGBA64;
    QTest::newRow("RGBX64") << QImage::Format_RGBX64;
    QTest::newRow("Grayscale16") << QImage::Format_Grayscale16;
}

void TestImageFilters::deepAutoLevels()
{
    QFETCH(QImage::Format, format);
    // Red (or grey) runs 5000..54850 in uneven steps, three pixels each, fewer than 0.5 % of
    // 153 at neither end; green is constant; blue already spans 0..65535 with a third at each
    // end; alpha varies. Only red may change, to the rule in 16-bit units.
    const int width = 51, low = 5000, high = low + 997 * (width - 1);
    QImage input(width, 3, format);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < width; ++x) {
            const quint16 red = quint16(low + 997 * x);
            const quint16 blue = x % 3 == 0 ? 0 : (x % 3 == 1 ? 65535 : 30000);
            if (format == QImage::Format_Grayscale16)
                reinterpret_cast<quint16 *>(input.scanLine(y))[x] = red;
            else
                input.setPixelColor(x, y, QColor::fromRgba64(red, 12345, blue, 1000 * x + 17));
        }
    }

    const QImage result = ImageFilters::autoLevels(input);

    QCOMPARE(result.format(), format);
    QList<quint16> reds;
    for (int x = 0; x < width; ++x) {
        const QRgba64 in = input.pixelColor(x, 2).rgba64();
        const QRgba64 out = result.pixelColor(x, 2).rgba64();
        QCOMPARE(out.red(), qRound((in.red() - low) * 65535.0 / (high - low)));
        reds << out.red();
        if (format != QImage::Format_Grayscale16) {
            QCOMPARE(out.green(), in.green());
            QCOMPARE(out.blue(), in.blue());
            QCOMPARE(out.alpha(), in.alpha());
        }
    }
    QVERIFY(widened(reds) < width / 2);
}

void TestImageFilters::deepKeepsLowBytes_data()
{
    QTest::addColumn<QImage>("eightBit");
    QTest::addColumn<QImage::Format>("deepFormat");
    QTest::addColumn<Filter>("filter");

    // Values that leave room at both ends, so that auto levels stretches.
    QImage rgb(256, 3, QImage::Format_RGB32), grey(256, 3, QImage::Format_Grayscale8);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 256; ++x) {
            rgb.setPixel(x, y,
                         qRgb(20 + (x * 37 + y * 11) % 200, 30 + (x * 11 + y * 50) % 180,
                              (x * 13 + y * 91) % 256));
            grey.scanLine(y)[x] = uchar(10 + (x * 7 + y * 29) % 230);
        }
    }
    const QList<QPair<const char *, Filter>> filters {
        { "greyscale", ImageFilters::greyscale },
        { "sepia", ImageFilters::sepia },
        { "old colour photo", ImageFilters::oldColorPhoto },
        { "cross-processing", ImageFilters::crossProcessing },
        { "auto levels", [](const QImage &i) { return ImageFilters::autoLevels(i); } },
    };
    for (const auto &[name, filter] : filters) {
        QTest::addRow("RGBX64 %s", name) << rgb << QImage::Format_RGBX64 << filter;
        if (qstrcmp(name, "greyscale") != 0) // grey's own greyscale is the picture itself
            QTest::addRow("Grayscale16 %s", name) << grey << QImage::Format_Grayscale16 << filter;
    }
}

// The 16-bit result of an 8-bit picture widened to 16 bits agrees with the 8-bit result at the
// high byte, and its low bytes are its own.
void TestImageFilters::deepKeepsLowBytes()
{
    QFETCH(QImage, eightBit);
    QFETCH(QImage::Format, deepFormat);
    QFETCH(Filter, filter);

    const QImage result = filter(eightBit.convertToFormat(deepFormat));

    const QList<quint16> values = deepValues(result);
    const QList<quint16> expected = deepValues(filter(eightBit).convertToFormat(result.format()));
    QCOMPARE(values.size(), expected.size());
    for (qsizetype i = 0; i < values.size(); ++i)
        QVERIFY2(qAbs(qRound(values[i] / 257.0) - expected[i] / 257) <= 1,
                 qPrintable(QStringLiteral("value %1: %2 against 8-bit %3")
                                .arg(i)
                                .arg(values[i])
                                .arg(expected[i] / 257)));
    QVERIFY2(widened(values) < values.size() / 2,
             qPrintable(QStringLiteral("%1 of %2 values are widened 8-bit ones")
                            .arg(widened(values))
                            .arg(values.size())));
}

void TestImageFilters::matchesImageMagick_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("name");
    QTest::addColumn<FilterOptions>("options");
    QTest::addColumn<QStringList>("magick"); // the same edit for ImageMagick

    const QString flip = QStringLiteral("org.quenta.flip"),
                  turn = QStringLiteral("org.quenta.rotate");
    const QString crop = QStringLiteral("org.quenta.crop");
    const QString cropKey = QStringLiteral("cropRectangle");
    for (const char *picture : { "rgb16", "rgba16", "grey16" }) {
        const QString file = QString::fromLatin1(picture);
        QTest::addRow("%s flip horizontal", picture)
            << file << flip << option("horizontal", true) << QStringList { "-flop" };
        QTest::addRow("%s flip vertical", picture)
            << file << flip << option("horizontal", false) << QStringList { "-flip" };
        for (int angle : { 90, 180, 270, -90 })
            QTest::addRow("%s rotate %d", picture, angle)
                << file << turn << option("angle", angle)
                << QStringList { "-rotate", QString::number(angle) };
        QTest::addRow("%s crop inside", picture)
            << file << crop << option(cropKey, QRect(5, 3, 20, 9))
            << QStringList { "-crop", "20x9+5+3", "+repage" };
        QTest::addRow("%s crop past the corner", picture)
            << file << crop << option(cropKey, QRect(20, 10, 30, 30))
            << QStringList { "-crop", "30x30+20+10", "+repage" };
    }
}

void TestImageFilters::matchesImageMagick()
{
    QFETCH(QString, picture);
    QFETCH(QString, name);
    QFETCH(FilterOptions, options);
    QFETCH(QStringList, magick);
    const QString convert = QStandardPaths::findExecutable(QStringLiteral("convert-im6.q16"));
    if (convert.isEmpty())
        QSKIP("ImageMagick Q16 (convert-im6.q16) is not installed.");
    const QString stem
        = m_files.filePath(QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-'));
    const QString inputPath = m_files.filePath(picture + QLatin1String(".png"));
    const QString expectedPath = stem + QLatin1String("-expected.png");
    const QString failure = run(convert,
                                QStringList { inputPath } + magick
                                    + QStringList { "-define", "png:bit-depth=16", expectedPath });
    QVERIFY2(failure.isEmpty(), qPrintable(failure));
    const QImage input = QImageReader(inputPath).read();
    const QImage expected = QImageReader(expectedPath).read();
    QCOMPARE(expected.format(), input.format()); // still 16 bits, and still grey or RGB(A)

    const QImage actual = ImageFilters::applyFilter(input, name, options);

    const QString difference = pixelDifference(actual, expected);
    if (!difference.isEmpty()) {
        const QString actualPath = stem + QLatin1String("-actual.png");
        actual.save(actualPath);
        m_files.setAutoRemove(false);
        QFAIL(qPrintable(QStringLiteral("%1; expected %2, actual %3")
                             .arg(difference, expectedPath, actualPath)));
    }
}

void TestImageFilters::bandsMatchOneThread_data()
{
    bandRows({ QImage::Format_RGB32, QImage::Format_ARGB32, QImage::Format_Grayscale8,
               QImage::Format_Grayscale16, QImage::Format_RGBA64, QImage::Format_RGB888 });
}

// The same picture whether the work is cut into bands for four threads or done by one.
void TestImageFilters::bandsMatchOneThread()
{
    QFETCH(QImage, input);
    QFETCH(QString, name);
    QFETCH(FilterOptions, options);

    QImage banded;
    {
        const PoolSize pool(4);
        banded = ImageFilters::applyFilter(input, name, options);
    }
    QImage alone;
    {
        const PoolSize pool(1);
        alone = ImageFilters::applyFilter(input, name, options);
    }

    QVERIFY(!banded.isNull());
    const QString difference = fullDifference(banded, alone);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void TestImageFilters::givenUpMatchesKept_data()
{
    bandRows({ QImage::Format_RGB32, QImage::Format_Grayscale8, QImage::Format_RGBX64,
               QImage::Format_ARGB32_Premultiplied });
}

// A picture given up gives what a kept one gives; the filters that can reuse its pixels do.
void TestImageFilters::givenUpMatchesKept()
{
    QFETCH(QImage, input);
    QFETCH(QString, name);
    QFETCH(FilterOptions, options);
    const QImage kept = ImageFilters::applyFilter(input, name, options);
    QImage given = input.copy();
    const uchar *pixels = given.constBits();
    const bool inWorkingFormat = given.format() == working(given);

    QString error = QStringLiteral("stale");
    const QImage result = ImageFilters::applyFilter(std::move(given), name, options, &error);

    QVERIFY(error.isEmpty());
    QVERIFY(given.isNull());
    const QString difference = fullDifference(result, kept);
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    const bool colourFromGrey = isGrey(input.format()) && name.startsWith(QLatin1String("com."))
        && name != QLatin1String("com.velmo.greyscale");
    const bool reusable = inWorkingFormat && !colourFromGrey
        && (name == QLatin1String("org.quenta.flip") || name.startsWith(QLatin1String("com."))
            || name == QLatin1String("org.quenta.auto.levels")
            || (name == QLatin1String("org.quenta.rotate")
                && options.value(QStringLiteral("angle")).toInt() % 180 == 0));
    QCOMPARE(result.constBits() == pixels, reusable);
}

// A picture given up while someone else still shares it is not written into, and one that fails
// the filter comes back as it was.
void TestImageFilters::givenUpSharedIsLeftAlone()
{
    const QImage input = patterned(1500, 1100);
    const QImage before = input.copy();
    QImage shared = input;

    const QImage flipped = ImageFilters::applyFilter(
        std::move(shared), QStringLiteral("org.quenta.flip"), option("horizontal", true));

    QCOMPARE(input, before);
    QCOMPARE(flipped, before.mirrored(true, false));

    QImage refused = input.copy();
    QString error;
    QVERIFY(ImageFilters::applyFilter(std::move(refused), QStringLiteral("org.quenta.crop"),
                                      option("cropRectangle", QRect(5000, 0, 10, 10)), &error)
                .isNull());
    QVERIFY(!error.isEmpty());
    QCOMPARE(refused, before);
}

QTEST_GUILESS_MAIN(TestImageFilters)
#include "tst_imagefilters.moc"
