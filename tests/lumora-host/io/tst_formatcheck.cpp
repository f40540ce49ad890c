// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// FormatCheck driven directly over whole files ImageMagick writes (and reads back
// without a word) and the same files cut short, patched or replaced by garbage.

#include "formatcheck.h"
#include "processrun.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Convert = QStringLiteral("/usr/bin/convert-im6.q16");

// The fixtures: a name, the ImageMagick arguments that make it, the output's prefix.
const struct
{
    const char *name;
    const char *make;
    const char *prefix;
} fixtures[] = {
    // 37 pixels wide: rows padded to whole words, so that padding counts as data.
    { "plain.bmp", "-size 37x23 gradient:red-blue -type truecolor", "bmp3:" },
    { "os2.bmp", "-size 37x23 gradient:red-blue", "bmp2:" },
    // Few colours chosen without dithering: ImageMagick's default quantising takes seconds.
    { "rle8.bmp",
      "-size 37x23 gradient:red-blue -dither none -treedepth 4 -colors 16 -compress rle", "bmp3:" },
    { "single.gif", "-size 37x23 gradient:red-blue -dither none -treedepth 4 -colors 16", "" },
    { "animation.gif", "-delay 10 -size 37x23 xc:red xc:green xc:blue -dither none -colors 4", "" },
};

void putLe32(QByteArray *bytes, int at, quint32 value)
{
    for (int i = 0; i < 4; ++i)
        (*bytes)[at + i] = char(value >> (8 * i));
}

// `file` damaged as a row says: "cut N" drops N bytes at the end, "keep N" keeps the first
// N, "huge sides" declares a BMP of 2^31-1 x 2^31-1 pixels, "values N" keeps an XBM's
// first N array values and closes the array.
QByteArray damaged(const QByteArray &file, const QString &damage)
{
    const QStringList words = damage.split(QLatin1Char(' '));
    const int n = words.last().toInt();
    if (damage.startsWith(QLatin1String("cut")))
        return file.left(file.size() - n);
    if (damage.startsWith(QLatin1String("keep")))
        return file.left(n);
    if (damage == QLatin1String("huge sides")) {
        QByteArray patched = file;
        putLe32(&patched, 18, 0x7fffffff);
        putLe32(&patched, 22, 0x7fffffff);
        patched[28] = 32;
        return patched;
    }
    if (damage.startsWith(QLatin1String("values"))) {
        qsizetype at = file.indexOf('{');
        for (int i = 0; i < n; ++i)
            at = file.indexOf("0x", at) + 2;
        return file.left(at + 2) + "\n};\n";
    }
    return file;
}

} // namespace

class tst_FormatCheck : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void isComplete_data();
    void isComplete();
    void gifFrameCount_data();
    void gifFrameCount();
    void vectorKind_data();
    void vectorKind();

private:
    QByteArray fixture(const QString &name) const;
    QTemporaryDir m_dir;
};

void tst_FormatCheck::initTestCase()
{
    QStringList made;
    for (const auto &f : fixtures) {
        made << m_dir.filePath(f.name);
        const QStringList arguments = QString::fromLatin1(f.make).split(' ')
            << QString::fromLatin1(f.prefix) + made.last();
        QCOMPARE(runProcess(Convert, arguments).exitCode, 0);
    }
    // ImageMagick's XBM writer quantises slowly: Qt's writes it.
    QImage bits(37, 23, QImage::Format_Mono);
    for (int y = 0; y < bits.height(); ++y)
        for (int x = 0; x < bits.width(); ++x)
            bits.setPixel(x, y, (x / 3 + y) % 2);
    made << m_dir.filePath("picture.xbm");
    QVERIFY(bits.save(made.last(), "xbm"));
    // Sound fixtures: ImageMagick reads them back without a word.
    const ProcessRun check = runProcess(QStringLiteral("identify-im6.q16"), made);
    QVERIFY2(check.exitCode == 0 && check.err.isEmpty(), check.err.constData());
    QCOMPARE(fixture("rle8.bmp").at(30), '\x01'); // BI_RLE8, or the RLE rows test nothing
    QCOMPARE(fixture("os2.bmp").at(14), '\x0c'); // the OS/2 header
}

QByteArray tst_FormatCheck::fixture(const QString &name) const
{
    QFile file(m_dir.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void tst_FormatCheck::isComplete_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QString>("source"); // a fixture, or empty for `literal`
    QTest::addColumn<QByteArray>("literal");
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QString>("reason"); // empty: complete

    const QByteArray none;
    QTest::newRow("BMP whole") << QByteArray("bmp") << "plain.bmp" << none << ""
                               << "";
    QTest::newRow("BMP cut by one byte") << QByteArray("bmp") << "plain.bmp" << none << "cut 1"
                                         << "pixel data ends 1 bytes early";
    QTest::newRow("BMP cut by 100 bytes") << QByteArray("bmp") << "plain.bmp" << none << "cut 100"
                                          << "pixel data ends 100 bytes early";
    QTest::newRow("BMP header cut short") << QByteArray("bmp") << "plain.bmp" << none << "keep 30"
                                          << "header is cut short";
    QTest::newRow("BMP whose pixel data starts past its end")
        << QByteArray("bmp") << "rle8.bmp" << none << "keep 600"
        << "pixel data is missing";
    QTest::newRow("BMP sides no 64-bit number holds")
        << QByteArray("bmp") << "plain.bmp" << none << "huge sides"
        << "more pixel data than";
    QTest::newRow("OS/2 BMP whole") << QByteArray("bmp") << "os2.bmp" << none << ""
                                    << "";
    QTest::newRow("OS/2 BMP cut by 37 bytes") << QByteArray("bmp") << "os2.bmp" << none << "cut 37"
                                              << "pixel data ends 37 bytes early";
    QTest::newRow("RLE8 BMP whole") << QByteArray("bmp") << "rle8.bmp" << none << ""
                                    << "";
    QTest::newRow("RLE8 BMP without its end-of-bitmap code")
        << QByteArray("bmp") << "rle8.bmp" << none << "cut 2"
        << "RLE data ends";
    QTest::newRow("RLE8 BMP cut inside its runs")
        << QByteArray("bmp") << "rle8.bmp" << none << "cut 100"
        << "RLE data ends";
    QTest::newRow("BMP garbage") << QByteArray("bmp") << "" << QByteArray(16, '\0') << ""
                                 << "header is cut short";
    QTest::newRow("BMP empty") << QByteArray("bmp") << "" << none << ""
                               << "header is cut short";

    QTest::newRow("GIF whole") << QByteArray("gif") << "single.gif" << none << ""
                               << "";
    QTest::newRow("GIF missing only its trailer")
        << QByteArray("gif") << "single.gif" << none << "cut 1"
        << "";
    QTest::newRow("GIF cut inside its picture")
        << QByteArray("gif") << "single.gif" << none << "cut 60"
        << "ends inside a picture";
    QTest::newRow("GIF header only") << QByteArray("gif") << "single.gif" << none << "keep 13"
                                     << "ends inside a picture";
    QTest::newRow("GIF animation whole") << QByteArray("gif") << "animation.gif" << none << ""
                                         << "";
    QTest::newRow("GIF garbage") << QByteArray("gif") << "" << QByteArray("GIF89 but not really")
                                 << ""
                                 << "ends inside a picture";

    QTest::newRow("XBM whole") << QByteArray("xbm") << "picture.xbm" << none << ""
                               << "";
    QTest::newRow("XBM cut inside its array")
        << QByteArray("xbm") << "picture.xbm" << none << "keep 300"
        << "bit array has no end";
    QTest::newRow("XBM array closed after 10 of 115 values")
        << QByteArray("xbm") << "picture.xbm" << none << "values 10"
        << "bit array holds 10 of 115 bytes";
    QTest::newRow("XBM garbage") << QByteArray("xbm") << "" << QByteArray("static char x[] = {")
                                 << ""
                                 << "header is incomplete";

    QTest::newRow("format it does not know passes")
        << QByteArray("png") << "" << QByteArray("\x89PNG cut") << ""
        << "";
}

void tst_FormatCheck::isComplete()
{
    QFETCH(QByteArray, format);
    QFETCH(QString, source);
    QFETCH(QByteArray, literal);
    QFETCH(QString, damage);
    QFETCH(QString, reason);
    const QByteArray file = damaged(source.isEmpty() ? literal : fixture(source), damage);
    QString said = QStringLiteral("(untouched)");
    const bool complete = FormatCheck::isComplete(format, file, &said);
    QVERIFY2(complete == reason.isEmpty(), qPrintable(said));
    if (!complete)
        QVERIFY2(said.contains(reason), qPrintable(said));
}

void tst_FormatCheck::gifFrameCount_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("damage");
    QTest::addColumn<int>("frames"); // -1: as ImageMagick counts them

    QTest::newRow("single picture") << "single.gif"
                                    << "" << -1;
    QTest::newRow("animation of three") << "animation.gif"
                                        << "" << -1;
    QTest::newRow("animation without its trailer") << "animation.gif"
                                                   << "cut 1" << 3;
    QTest::newRow("animation cut inside a picture: cannot tell") << "animation.gif"
                                                                 << "cut 5" << 0;
    QTest::newRow("BMP is no GIF") << "plain.bmp"
                                   << "" << 0;
}

void tst_FormatCheck::gifFrameCount()
{
    QFETCH(QString, source);
    QFETCH(QString, damage);
    QFETCH(int, frames);
    if (frames < 0) {
        const ProcessRun identify = runProcess(QStringLiteral("identify-im6.q16"),
                                               { "-format", "%n\n", m_dir.filePath(source) });
        frames = identify.out.split('\n').value(0).toInt();
        QVERIFY(frames > 0);
    }
    QCOMPARE(FormatCheck::gifFrameCount(damaged(fixture(source), damage)), frames);
}

void tst_FormatCheck::vectorKind_data()
{
    QTest::addColumn<QByteArray>("format");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("kind");

    const QByteArray svg = "<?xml version=\"1.0\"?>\n<svg xmlns=\"http://www.w3.org/2000/svg\"/>";
    QTest::newRow("SVG no reader claims") << QByteArray() << svg << "SVG";
    QTest::newRow("SVG after a byte order mark and spaces")
        << QByteArray() << "\xef\xbb\xbf  \n" + svg << "SVG";
    QTest::newRow("SVG claimed by Qt's reader") << QByteArray("svg") << QByteArray("x") << "SVG";
    QTest::newRow("SVGZ claimed by Qt's reader") << QByteArray("svgz") << QByteArray("x") << "SVG";
    QTest::newRow("PDF header first") << QByteArray() << QByteArray("%PDF-1.7\n") << "PDF";
    QTest::newRow("PDF header within the first kilobyte")
        << QByteArray() << QByteArray(900, ' ') + "%PDF-1.4"
        << "PDF";
    QTest::newRow("PDF header past the first kilobyte")
        << QByteArray() << QByteArray(1100, ' ') + "%PDF-1.4"
        << "";
    QTest::newRow("PostScript") << QByteArray() << QByteArray("%!PS-Adobe-3.0\n") << "PostScript";
    QTest::newRow("binary EPS") << QByteArray() << QByteArray("\xc5\xd0\xd3\xc6\x20\x00")
                                << "PostScript";
    QTest::newRow("PNG with %PDF- in a comment stays a photo")
        << QByteArray("png") << QByteArray("\x89PNG\r\n\x1a\n tEXt %PDF-1.4") << "";
    QTest::newRow("JPEG with <svg> in a comment stays a photo")
        << QByteArray("jpeg") << QByteArray("<svg") << "";
    QTest::newRow("XML that is no SVG") << QByteArray() << QByteArray("<?xml?><html/>") << "";
    QTest::newRow("plain text") << QByteArray() << QByteArray("hello") << "";
}

void tst_FormatCheck::vectorKind()
{
    QFETCH(QByteArray, format);
    QFETCH(QByteArray, content);
    QFETCH(QString, kind);
    QCOMPARE(FormatCheck::vectorKind(format, content), kind);
}

QTEST_GUILESS_MAIN(tst_FormatCheck)
#include "tst_formatcheck.moc"
