// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Colour management through lumora-edit: CMYK JPEGs turned into sRGB through their own
// or the standard CMYK profile, and --to-srgb, each against ImageMagick's conversion with
// the same profiles, the written profile read by exiftool.

#include "displayp3.h"
#include "processrun.h"
#include "testpictures.h"

#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Debian's libgs-common: the CMYK profile photos are made with, and taken where a CMYK
// JPEG names none.
const char standardCmyk[] = "/usr/share/color/icc/ghostscript/default_cmyk.icc";
// Debian's icc-profiles-free: the sRGB the CMYK fixtures are made from.
const char freeSrgb[] = "/usr/share/color/icc/sRGB.icc";

ProcessRun tool(const QString &program, const QStringList &arguments)
{
    return runProcess(program, arguments);
}

QString convert(const QStringList &arguments)
{
    const ProcessRun run = tool(QStringLiteral("convert-im6.q16"), arguments);
    return run.exitCode == 0 ? QString() : QString::fromUtf8(run.err);
}

// What exiftool reads of the written profile and depth, the profile itself in base64.
QJsonObject exif(const QString &file)
{
    const ProcessRun run
        = tool(QStringLiteral("exiftool"),
               { QStringLiteral("-json"), QStringLiteral("-G1"), QStringLiteral("-b"),
                 QStringLiteral("-ICC_Profile"), QStringLiteral("-ProfileDescription"),
                 QStringLiteral("-BitDepth"), file });
    return QJsonDocument::fromJson(run.out).array().at(0).toObject();
}

// The largest difference of any channel of any pixel, in steps of 8 bits (a 16-bit
// picture is compared at 16 bits and the result scaled); -1 for pictures of other sizes.
double largestDifference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size() || a.isNull())
        return -1;
    const QImage x = a.convertToFormat(QImage::Format_RGBA64);
    const QImage y = b.convertToFormat(QImage::Format_RGBA64);
    int largest = 0;
    for (int row = 0; row < x.height(); ++row) {
        const quint16 *p = reinterpret_cast<const quint16 *>(x.constScanLine(row));
        const quint16 *q = reinterpret_cast<const quint16 *>(y.constScanLine(row));
        for (int i = 0; i < x.width() * 4; ++i)
            largest = qMax(largest, qAbs(int(p[i]) - int(q[i])));
    }
    return largest / 257.0;
}

// A 16-bit photo whose low bytes are not the high ones repeated, so that a loss of depth
// shows.
QImage deepPhoto(int width, int height)
{
    QImage image(width, height, QImage::Format_RGBX64);
    for (int y = 0; y < height; ++y) {
        quint16 *line = reinterpret_cast<quint16 *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            line[4 * x] = quint16(x * 65535 / width + y * 3);
            line[4 * x + 1] = quint16(y * 65535 / height + x * 5);
            line[4 * x + 2] = quint16((x + y) * 401 % 65536);
            line[4 * x + 3] = 0xffff;
        }
    }
    return image;
}

} // namespace

class tst_Colour : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void convertedAsImageMagickDoes_data();
    void convertedAsImageMagickDoes();

private:
    QString make(const QString &kind);
    QString path(const QString &name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

void tst_Colour::initTestCase()
{
    QVERIFY2(QFile::exists(QString::fromLatin1(standardCmyk)),
             "Debian's libgs-common holds the CMYK profile");
    QVERIFY2(QFile::exists(QString::fromLatin1(freeSrgb)),
             "Debian's icc-profiles-free holds the sRGB profile");
    QFile p3(path(QStringLiteral("p3.icc")));
    QVERIFY(p3.open(QIODevice::WriteOnly) && p3.write(displayP3Profile()) > 0);
}

// The input pictures, made by ImageMagick from pictures without a profile: a CMYK JPEG
// converted from sRGB through the standard CMYK profile, with it or with none left in
// (Adobe's inverted inks, as libjpeg and ImageMagick write CMYK); Display P3 pictures
// with the profile assigned; and one with no profile at all.
QString tst_Colour::make(const QString &kind)
{
    // Qt writes no colour chunks: the plain picture has no colour space at all.
    const QString base = path(kind + QStringLiteral("-base.png"));
    const bool deep = kind.startsWith(QLatin1String("p3-16"));
    const bool saved = deep ? deepPhoto(157, 96).save(base) : photo(157, 96).save(base);
    if (!saved)
        return QString();
    const QString cmyk = QString::fromLatin1(standardCmyk);
    const QString p3 = path(QStringLiteral("p3.icc"));
    QString input = path(kind
                         + (kind.startsWith(QLatin1String("cmyk")) || kind == "p3-jpeg"
                                ? QStringLiteral(".jpg")
                                : QStringLiteral(".png")));
    QStringList arguments { base };
    if (kind == QLatin1String("cmyk-own"))
        arguments << "-profile" << freeSrgb << "-profile" << cmyk << "-quality"
                  << "95";
    else if (kind == QLatin1String("cmyk-none"))
        arguments << "-profile" << freeSrgb << "-profile" << cmyk << "+profile"
                  << "*"
                  << "-quality"
                  << "95";
    else if (kind != QLatin1String("plain"))
        arguments << "-profile" << p3 << "-quality"
                  << "95";
    arguments << input;
    if (kind == QLatin1String("plain"))
        return base;
    const QString failure = convert(arguments);
    return failure.isEmpty() ? input : QString();
}

void tst_Colour::convertedAsImageMagickDoes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QStringList>("options");
    // What ImageMagick is given after the input, "SRGB" standing for the profile written.
    QTest::addColumn<QStringList>("oracle");
    QTest::addColumn<QString>("description"); // exiftool's ProfileDescription; empty: none
    QTest::addColumn<int>("depth"); // bits per channel written
    QTest::addColumn<QString>("warning"); // a part of standard error; empty: none
    const QStringList none;
    // An edit, where --to-srgb (an edit of its own) is not given, and its oracle.
    const QStringList flip { QStringLiteral("flip-vertical") };
    const QStringList toSrgb { QStringLiteral("--to-srgb") };
    const QStringList flipped { QStringLiteral("-flip") };
    const QString srgb = QStringLiteral("sRGB built-in");
    QTest::newRow("CMYK through its own profile")
        << "cmyk-own" << flip << QStringList { "-flip", "-profile", "SRGB" } << srgb << 8 << "";
    QTest::newRow("CMYK without a profile through the standard one")
        << "cmyk-none" << flip
        << QStringList { "-flip", "-profile", standardCmyk, "-profile", "SRGB" } << srgb << 8
        << "through the standard one (Artifex CMYK SWOP Profile)";
    QTest::newRow("CMYK made sRGB for the web")
        << "cmyk-own" << toSrgb << QStringList { "-profile", "SRGB" } << srgb << 8 << "";
    QTest::newRow("16-bit Display P3 made sRGB stays 16-bit")
        << "p3-16" << toSrgb << QStringList { "-profile", "SRGB" } << srgb << 16 << "";
    QTest::newRow("Display P3 JPEG made sRGB")
        << "p3-jpeg" << toSrgb << QStringList { "-profile", "SRGB" } << srgb << 8 << "";
    QTest::newRow("Display P3 kept without --to-srgb")
        << "p3-16" << flip << flipped << "Display P3" << 16 << "";
    QTest::newRow("no profile is sRGB and left alone")
        << "plain" << toSrgb << none << "" << 8 << "";
}

void tst_Colour::convertedAsImageMagickDoes()
{
    QFETCH(QString, kind);
    QFETCH(QStringList, options);
    QFETCH(QStringList, oracle);
    QFETCH(QString, description);
    QFETCH(int, depth);
    QFETCH(QString, warning);
    const QString input = make(kind);
    QVERIFY2(!input.isEmpty(), "ImageMagick makes the input");
    const QString tag = QString::fromLatin1(QTest::currentDataTag()).replace(' ', '-');
    const QString output = path(tag + QStringLiteral("-actual.png"));
    QStringList arguments { QStringLiteral("-o"), output };
    for (const QString &option : options) {
        if (option.startsWith(QLatin1Char('-')))
            arguments << option;
    }
    arguments << input;
    for (const QString &edit : options) {
        if (!edit.startsWith(QLatin1Char('-')))
            arguments << edit;
    }
    const ProcessRun run = tool(QStringLiteral(LUMORA_EDIT), arguments);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    if (warning.isEmpty())
        QVERIFY2(!run.err.contains("colour"), run.err.constData());
    else
        QVERIFY2(QString::fromUtf8(run.err).contains(warning), run.err.constData());

    const QJsonObject written = exif(output);
    QCOMPARE(written.value("ICC_Profile:ProfileDescription").toString(), description);
    QCOMPARE(written.value("PNG:BitDepth").toInt(), depth);

    // ImageMagick converts the input with the same profiles, the sRGB one as written.
    const QString srgb = path(tag + QStringLiteral("-written.icc"));
    if (oracle.contains(QStringLiteral("SRGB"))) {
        const QString base64 = written.value("ICC_Profile:ICC_Profile").toString();
        QVERIFY2(base64.startsWith(QLatin1String("base64:")), "exiftool reads the profile");
        QFile file(srgb);
        QVERIFY(file.open(QIODevice::WriteOnly)
                && file.write(QByteArray::fromBase64(base64.mid(7).toLatin1())) > 128);
    }
    oracle.replaceInStrings(QStringLiteral("SRGB"), srgb);
    const QString expected = path(tag + QStringLiteral("-expected.png"));
    QCOMPARE(convert(QStringList { input } + oracle + QStringList { expected }), QString());
    // Little CMS is given 8 or 16 bits where ImageMagick hands it floating point: a step
    // of rounding either way, and the tables' interpolation of CMYK another.
    const double tolerance = kind.startsWith(QLatin1String("cmyk")) ? 2.0 : 1.0;
    const double difference = largestDifference(QImage(output), QImage(expected));
    QVERIFY2(difference >= 0 && difference <= tolerance,
             qPrintable(QStringLiteral("%1 steps apart (at most %2): %3 against %4")
                            .arg(difference)
                            .arg(tolerance)
                            .arg(output, expected)));
}

QTEST_GUILESS_MAIN(tst_Colour)
#include "tst_colour.moc"
