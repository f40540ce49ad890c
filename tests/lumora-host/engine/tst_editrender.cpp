// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The three renderers of an edit list against the filters applied one after another:
// streamed in bands of any height, with and without threads, bit for bit; reduced within
// a PSNR bound of the full render scaled down.

#include "editrender.h"
#include "imagefilters.h"
#include "imagerows.h"
#include "operation.h"

#include <QColorSpace>
#include <QRandomGenerator>
#include <QRect>
#include <QTest>

#include <cmath>

namespace {

using Options = QHash<QString, QVariant>;

// A picture of every format with detail in every channel and, where it has one, alpha.
QImage picture(QImage::Format format, const QSize &size)
{
    QImage rgba(size, QImage::Format_RGBA64);
    for (int y = 0; y < size.height(); ++y) {
        for (int x = 0; x < size.width(); ++x) {
            rgba.setPixelColor(x, y,
                               QColor::fromRgba64(quint16(x * 65535 / size.width()),
                                                  quint16(y * 65535 / size.height()),
                                                  quint16((x * y * 977) % 65536),
                                                  quint16(65535 - (x + y) * 300 % 30000)));
        }
    }
    QImage out = rgba.convertToFormat(format);
    out.setColorSpace(QColorSpace::SRgb);
    out.setDotsPerMeterX(3780);
    out.setDotsPerMeterY(2835);
    return out;
}

// A source that fails after its first band, as a damaged file does.
class FailingRows : public ImageRows
{
public:
    using ImageRows::ImageRows;
    QImage next(int rows) override { return m_calls++ == 0 ? ImageRows::next(rows) : QImage(); }
    QString error() const override { return QStringLiteral("the data is damaged"); }

private:
    int m_calls = 0;
};

QImage gathered(RowSource &source, int rows, QString *error)
{
    QImage out(source.size(), source.format());
    int y = 0;
    for (QImage band = source.next(rows); !band.isNull(); band = source.next(rows)) {
        if (band.format() != out.format() || band.width() != out.width()
            || y + band.height() > out.height())
            return QImage();
        // What the picture carries besides pixels, which QImage compares too.
        out.setColorSpace(band.colorSpace());
        out.setDotsPerMeterX(band.dotsPerMeterX());
        out.setDotsPerMeterY(band.dotsPerMeterY());
        for (int row = 0; row < band.height(); ++row, ++y)
            std::memcpy(out.scanLine(y), band.constScanLine(row), size_t(out.bytesPerLine()));
    }
    *error = source.error();
    return y == out.height() ? out : QImage();
}

QImage eager(QImage image, const QList<EditStep> &steps)
{
    for (const EditStep &step : steps)
        image = ImageFilters::applyFilter(image, step.filter, step.options);
    return image;
}

QImage streamed(const QImage &source, const QList<EditStep> &steps, int bandRows, bool threads,
                QString *error)
{
    StreamedRender::Settings settings;
    settings.bandRows = bandRows;
    settings.threads = threads;
    StreamedRender render(std::make_unique<ImageRows>(source), steps, settings);
    return gathered(render, bandRows, error);
}

EditStep step(const char *filter, const Options &options = {})
{
    return { QString(), QLatin1String(filter), options, 0 };
}

// A random list the host could be asked for on a picture of `size`: every operation, each
// option of its range.
QList<EditStep> randomList(QRandomGenerator &random, QSize size)
{
    QList<EditStep> steps;
    const int count = random.bounded(1, 6);
    for (int i = 0; i < count; ++i) {
        switch (random.bounded(9)) {
        case 0:
            steps << step("org.quenta.flip", { { "horizontal", random.bounded(2) == 1 } });
            break;
        case 1: {
            const int angle = (random.bounded(9) - 4) * 90;
            steps << step("org.quenta.rotate", { { "angle", angle } });
            if (angle / 90 % 2)
                size.transpose();
            break;
        }
        case 2:
            steps << step("org.quenta.auto.levels");
            break;
        case 3: {
            // Anywhere that keeps a pixel, also past the edges.
            const int x = random.bounded(-3, size.width());
            const int y = random.bounded(-3, size.height());
            const QRect rectangle(x, y, random.bounded(std::max(1, -x + 1), size.width() + 5),
                                  random.bounded(std::max(1, -y + 1), size.height() + 5));
            steps << step("org.quenta.crop", { { "cropRectangle", rectangle } });
            size = rectangle.intersected(QRect(QPoint(0, 0), size)).size();
            break;
        }
        case 4:
            size = QSize(random.bounded(1, 60), random.bounded(1, 60));
            steps << step("org.quenta.scale", { { "sizeAfter", size } });
            break;
        default: {
            const char *effects[] = { "com.velmo.greyscale", "com.velmo.sepia",
                                      "com.velmo.old-color-photo", "com.velmo.cross-processing" };
            steps << step(effects[random.bounded(4)]);
        }
        }
    }
    return steps;
}

double psnr(const QImage &a, const QImage &b)
{
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            for (int shift : { 0, 8, 16 }) {
                const int d = int((p[col] >> shift) & 0xff) - int((q[col] >> shift) & 0xff);
                sum += d * d;
            }
        }
    }
    const double mse = sum / (3.0 * x.width() * x.height());
    return mse == 0 ? 99 : 10 * std::log10(255.0 * 255.0 / mse);
}

const QList<QImage::Format> formats { QImage::Format_Grayscale8, QImage::Format_Grayscale16,
                                      QImage::Format_RGB32,      QImage::Format_ARGB32,
                                      QImage::Format_RGBX64,     QImage::Format_RGBA64,
                                      QImage::Format_RGB888,     QImage::Format_Indexed8 };

} // namespace

Q_DECLARE_METATYPE(QList<EditStep>)

class tst_EditRender : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void streamedEqualsTheFilters_data();
    void streamedEqualsTheFilters();
    void randomListsAgree();
    void reducedIsTheFullScaledDown_data();
    void reducedIsTheFullScaledDown();
    void failingSourceFailsTheRender();
    void cancelStopsTheRender();
    void geometryAndTurns();
};

void tst_EditRender::streamedEqualsTheFilters_data()
{
    QTest::addColumn<QImage>("source");
    QTest::addColumn<QList<EditStep>>("steps");
    const QList<std::pair<const char *, QList<EditStep>>> lists {
        { "flip horizontal", { step("org.quenta.flip", { { "horizontal", true } }) } },
        { "flip vertical", { step("org.quenta.flip", { { "horizontal", false } }) } },
        { "rotate right", { step("org.quenta.rotate", { { "angle", 90 } }) } },
        { "rotate left", { step("org.quenta.rotate", { { "angle", -90 } }) } },
        { "rotate half", { step("org.quenta.rotate", { { "angle", 180 } }) } },
        { "auto levels", { step("org.quenta.auto.levels") } },
        { "crop", { step("org.quenta.crop", { { "cropRectangle", QRect(5, 7, 20, 9) } }) } },
        { "crop past the edges",
          { step("org.quenta.crop", { { "cropRectangle", QRect(-4, 30, 100, 100) } }) } },
        { "scale", { step("org.quenta.scale", { { "sizeAfter", QSize(17, 41) } }) } },
        { "greyscale", { step("com.velmo.greyscale") } },
        { "sepia", { step("com.velmo.sepia") } },
        { "old colour photo", { step("com.velmo.old-color-photo") } },
        { "cross-processing", { step("com.velmo.cross-processing") } },
    };
    for (const QImage::Format format : formats) {
        const QImage source = picture(format, QSize(37, 43));
        for (const auto &[name, steps] : lists) {
            QTest::addRow("%s, format %d", name, int(format)) << source << steps;
        }
    }
}

void tst_EditRender::streamedEqualsTheFilters()
{
    QFETCH(QImage, source);
    QFETCH(QList<EditStep>, steps);
    const QImage expected = eager(source, steps);
    QString error;
    QCOMPARE(EditRender::whole(source, steps, &error), expected);
    QCOMPARE(EditRender::reduced(source, source.size(), steps, &error), expected);
    for (const int rows : { 1, 5, source.height() }) {
        for (const bool threads : { false, true }) {
            const QImage made = streamed(source, steps, rows, threads, &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QCOMPARE(made.format(), expected.format());
            QCOMPARE(made, expected);
        }
    }
}

void tst_EditRender::randomListsAgree()
{
    QRandomGenerator random(20261209);
    for (int i = 0; i < 300; ++i) {
        const QImage source = picture(formats.at(random.bounded(formats.size())),
                                      QSize(random.bounded(1, 40), random.bounded(1, 40)));
        const QList<EditStep> steps = randomList(random, source.size());
        const QImage expected = eager(source, steps);
        QVERIFY(!expected.isNull());
        QCOMPARE(Operations::outputSize(steps, source.size()), expected.size());
        QString error;
        const int rows = random.bounded(1, 12);
        const QImage made = streamed(source, steps, rows, random.bounded(2) == 1, &error);
        QVERIFY2(made == expected,
                 qPrintable(QStringLiteral("list %1, %2 rows a band").arg(i).arg(rows)));
    }
}

void tst_EditRender::reducedIsTheFullScaledDown_data()
{
    QTest::addColumn<QList<EditStep>>("steps");
    QTest::newRow("nothing") << QList<EditStep>();
    QTest::newRow("crop and sepia")
        << QList<EditStep> { step("org.quenta.crop",
                                  { { "cropRectangle", QRect(101, 57, 800, 603) } }),
                             step("com.velmo.sepia") };
    QTest::newRow("rotate and scale")
        << QList<EditStep> { step("org.quenta.rotate", { { "angle", 90 } }),
                             step("org.quenta.scale", { { "sizeAfter", QSize(450, 600) } }) };
    QTest::newRow("auto levels and crop")
        << QList<EditStep> { step("org.quenta.auto.levels"),
                             step("org.quenta.crop",
                                  { { "cropRectangle", QRect(0, 0, 333, 777) } }),
                             step("com.velmo.cross-processing") };
}

void tst_EditRender::reducedIsTheFullScaledDown()
{
    QFETCH(QList<EditStep>, steps);
    const QImage full = picture(QImage::Format_RGB32, QSize(1200, 900));
    const QImage reducedCopy
        = full.scaled(300, 225, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QString error;
    const QImage whole = EditRender::whole(full, steps, &error);
    const QImage reduced = EditRender::reduced(reducedCopy, full.size(), steps, &error);
    QVERIFY2(!reduced.isNull(), qPrintable(error));
    // The same part of the picture at a quarter of the size, give or take a pixel.
    QVERIFY(qAbs(reduced.width() * 4 - whole.width()) <= 4);
    QVERIFY(qAbs(reduced.height() * 4 - whole.height()) <= 4);
    const QImage scaledDown
        = whole.scaled(reduced.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    const double quality = psnr(scaledDown, reduced);
    QVERIFY2(quality > 25, qPrintable(QString::number(quality)));
}

void tst_EditRender::failingSourceFailsTheRender()
{
    const QImage source = picture(QImage::Format_RGB32, QSize(20, 30));
    for (const bool threads : { false, true }) {
        for (const auto &steps : { QList<EditStep> { step("com.velmo.sepia") },
                                   QList<EditStep> { step("org.quenta.auto.levels") } }) {
            StreamedRender::Settings settings;
            settings.bandRows = 4;
            settings.threads = threads;
            StreamedRender render(std::make_unique<FailingRows>(source), steps, settings);
            QString error;
            QVERIFY(gathered(render, 4, &error).isNull());
            QCOMPARE(render.error(), QStringLiteral("the data is damaged"));
        }
    }
}

void tst_EditRender::cancelStopsTheRender()
{
    const QImage source = picture(QImage::Format_RGB32, QSize(20, 300));
    std::atomic_bool cancel { false };
    QList<double> progress;
    StreamedRender::Settings settings;
    settings.bandRows = 10;
    settings.cancel = &cancel;
    settings.progress = [&](double done) { progress << done; };
    StreamedRender render(std::make_unique<ImageRows>(source), { step("com.velmo.sepia") },
                          settings);
    QVERIFY(!render.next(10).isNull());
    QVERIFY(!render.next(10).isNull());
    cancel = true;
    QVERIFY(render.next(10).isNull());
    QCOMPARE(render.error(), QStringLiteral("the render was cancelled"));
    QCOMPARE(progress.size(), 2);
    QVERIFY(progress.at(0) > 0 && progress.at(1) > progress.at(0) && progress.at(1) < 1);
}

void tst_EditRender::geometryAndTurns()
{
    const QList<EditStep> turns { step("org.quenta.rotate", { { "angle", 90 } }),
                                  step("org.quenta.flip", { { "horizontal", true } }) };
    QCOMPARE(Operations::turn(turns),
             std::optional<PictureTurn>(PictureTurn(PictureTurn::Transpose)));
    QCOMPARE(Operations::outputSize(turns, QSize(40, 30)), QSize(30, 40));
    QVERIFY(!Operations::turn(turns + QList<EditStep> { step("com.velmo.sepia") }));
    QCOMPARE(Operations::turn({}), std::optional<PictureTurn>(PictureTurn()));
    // A request that fails makes no size.
    QVERIFY(!Operations::outputSize(
                 { step("org.quenta.crop", { { "cropRectangle", QRect(50, 0, 5, 5) } }) },
                 QSize(40, 30))
                 .isValid());
    QCOMPARE(Operations::check(QStringLiteral("org.quenta.sharpen"), QSize(4, 4), {}),
             QStringLiteral("The image filter \"org.quenta.sharpen\" is unknown."));
    // The one-shot edits are the table's presets, with the turns the plug-ins make.
    QStringList names;
    for (const auto &[operation, preset] : Operations::presets())
        names << preset.editName;
    QCOMPARE(names,
             (QStringList { "flip-vertical", "flip-horizontal", "rotate-right", "rotate-left",
                            "auto-fix" }));
}

QTEST_GUILESS_MAIN(tst_EditRender)
#include "tst_editrender.moc"
