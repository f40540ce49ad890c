// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// PictureFile driven directly: what open() refuses, what save() keeps (checked with
// exiftool, ImageMagick and jpegtran), saves that fail all or nothing under a real
// file-size limit, and what changedOnDisk() sees of changes made on disk.

#include "forkedchild.h"
#include "nativepath.h"
#include "picturefile.h"
#include "processrun.h"

#include <QColorSpace>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QtEndian>

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

const QString Convert = QStringLiteral("/usr/bin/convert-im6.q16");

QString run(const QString &program, const QStringList &arguments)
{
    const ProcessRun done = runProcess(program, arguments);
    return done.exitCode == 0 ? QString() : program + ": " + QString::fromUtf8(done.err);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

// exiftool's reading of `path`: numbers as numbers, the profile as "base64:...".
QJsonObject tags(const QString &path)
{
    const ProcessRun read = runProcess(QStringLiteral("exiftool"),
                                       { "-j", "-n", "-b", "-Artist", "-Make", "-GPSLatitude",
                                         "-Title", "-Orientation", "-ICC_Profile", path });
    return QJsonDocument::fromJson(read.out).array().at(0).toObject();
}

QString identify(const QString &format, const QString &path)
{
    return QString::fromUtf8(
        runProcess(QStringLiteral("identify-im6.q16"), { "-format", format, path }).out);
}

// Pixels that differ by more than `fuzz`, as ImageMagick counts them: "0" when none.
QString differingPixels(const QString &a, const QString &b, const QString &fuzz = "0")
{
    const ProcessRun compare = runProcess(QStringLiteral("compare-im6.q16"),
                                          { "-metric", "AE", "-fuzz", fuzz, a, b, "null:" });
    return QString::fromUtf8(compare.err).trimmed();
}

// A PNG chunk with its CRC-32 (bitwise: a dozen chunks are made).
QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    quint32 crc = 0xffffffff;
    for (const char byte : type + data) {
        crc ^= uchar(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320 & (0u - (crc & 1)));
    }
    QByteArray chunk;
    QDataStream out(&chunk, QIODevice::WriteOnly);
    out << quint32(data.size());
    chunk += type + data;
    out.device()->seek(chunk.size());
    out << ~crc;
    return chunk;
}

// `png` (one IDAT) made an animated PNG of two frames: the acTL and fcTL chunks, and its
// picture again as the second frame.
QByteArray animatedPng(const QByteArray &png)
{
    const qsizetype idat = png.indexOf("IDAT") - 4;
    const quint32 length = qFromBigEndian<quint32>(png.constData() + idat);
    const QByteArray idatChunk = png.mid(idat, 12 + length);
    const auto frameControl = [&](quint32 sequence) {
        QByteArray data;
        QDataStream out(&data, QIODevice::WriteOnly);
        out << sequence << qFromBigEndian<quint32>(png.constData() + 16)
            << qFromBigEndian<quint32>(png.constData() + 20) << quint32(0) << quint32(0)
            << quint16(1) << quint16(10) << quint8(0) << quint8(0);
        return pngChunk("fcTL", data);
    };
    QByteArray frames = pngChunk("acTL", QByteArray("\0\0\0\2\0\0\0\0", 8)) + frameControl(0)
        + idatChunk + frameControl(1)
        + pngChunk("fdAT", QByteArray("\0\0\0\2", 4) + idatChunk.mid(8, length));
    return png.left(idat) + frames + png.mid(idat + idatChunk.size());
}

void setOldTime(const QString &path)
{
    const timespec times[2] = { { 1577836800, 0 }, { 1577836800, 0 } }; // 2020-01-01
    QVERIFY(::utimensat(AT_FDCWD, QFile::encodeName(path).constData(), times, 0) == 0);
}

} // namespace

class tst_PictureFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void openRefuses_data();
    void openRefuses();
    void opens();
    void saveKeeps_data();
    void saveKeeps();
    void profileFollowsColourModel_data();
    void profileFollowsColourModel();
    void saveAllOrNothing_data();
    void saveAllOrNothing();
    void changedOnDisk_data();
    void changedOnDisk();
    void savedOver();
    void turnsLosslessly();
    void namesThatAreNoUtf8();
    void formatForFileName_data();
    void formatForFileName();

private:
    QString fixture(const QString &name) const { return m_dir.filePath(name); }
    QTemporaryDir m_dir;
    QByteArray m_profile; // Display P3: no default a writer could fall back to
};

void tst_PictureFile::initTestCase()
{
    m_profile = QColorSpace(QColorSpace::DisplayP3).iccProfile();
    writeAll(fixture("p3.icc"), m_profile);
    // Stored 160x96 with orientation 6 (turn clockwise): upright 96x160. A white patch in
    // one corner tells every turn and flip apart.
    QCOMPARE(run(Convert,
                 { "-size", "160x96", "gradient:red-blue", "-fill", "white", "-draw",
                   "rectangle 8,6 40,30", "-quality", "85", fixture("photo.jpg") }),
             QString());
    QCOMPARE(run("exiftool",
                 { "-q", "-overwrite_original", "-Artist=Lumora", "-Make=TestCam",
                   "-GPSLatitude=48.5", "-GPSLatitudeRef=N", "-XMP-dc:Title=Kept",
                   "-Orientation#=6", "-ICC_Profile<=" + fixture("p3.icc"), fixture("photo.jpg") }),
             QString());
    // 16 bits whose low bytes matter (written at 8 bits it differs from itself), and
    // noisy, so that half the file cuts into the pixel data.
    QCOMPARE(
        run(Convert,
            { "-size", "64x48", "-seed", "7", "plasma:", "-depth", "16", fixture("deep.png") }),
        QString());
    QCOMPARE(run("exiftool",
                 { "-q", "-overwrite_original", "-ICC_Profile<=" + fixture("p3.icc"),
                   fixture("deep.png") }),
             QString());
    QCOMPARE(run(Convert, { fixture("deep.png"), "-depth", "8", fixture("deep8.png") }), QString());
    QVERIFY(differingPixels(fixture("deep.png"), fixture("deep8.png")) != "0");
    QCOMPARE(run(Convert,
                 { "-delay", "10", "-size", "30x20", "xc:red", "xc:green", "xc:blue", "-dither",
                   "none", "-colors", "4", fixture("animation.gif") }),
             QString());
    QCOMPARE(run(Convert,
                 { "-size", "1600x1200", "gradient:red-blue", "-quality", "90", "-sampling-factor",
                   "2x2", fixture("large.jpg") }),
             QString());
}

void tst_PictureFile::openRefuses_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reason");

    QTest::newRow("missing file") << "missing"
                                  << "no such file";
    QTest::newRow("folder") << "folder"
                            << "it is a folder, not a picture file";
    QTest::newRow("FIFO, read without hanging") << "fifo"
                                                << "it is a FIFO, not a picture file";
    QTest::newRow("device") << "device"
                            << "it is a device, not a picture file";
    QTest::newRow("socket") << "socket"
                            << "it is a socket, not a picture file";
    QTest::newRow("empty file") << "empty"
                                << "the file is empty";
    QTest::newRow("JPEG cut in half") << "jpeg half"
                                      << "damaged";
    QTest::newRow("JPEG cut before its frame header") << "jpeg head"
                                                      << "damaged";
    QTest::newRow("PNG cut in half") << "png half"
                                     << "damaged";
    QTest::newRow("GIF animation") << "animation"
                                   << "an animation of 3 frames";
    QTest::newRow("animated PNG") << "apng"
                                  << "an animation of 2 frames";
    QTest::newRow("animated WebP") << "webp"
                                   << "an animation of 2 frames";
    QTest::newRow("JPEG too large for this machine's memory") << "huge"
                                                              << "of memory available";
    QTest::newRow("text") << "text"
                          << "no picture in a format this program reads";
    QTest::newRow("SVG drawing") << "svg"
                                 << "it is a vector drawing (SVG)";
}

void tst_PictureFile::openRefuses()
{
    QFETCH(QString, kind);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    QString path = dir.filePath("input");
    const QByteArray jpeg = readAll(fixture("photo.jpg")), png = readAll(fixture("deep.png"));
    if (kind == "folder")
        QVERIFY(QDir().mkdir(path));
    else if (kind == "fifo")
        QVERIFY(::mkfifo(QFile::encodeName(path).constData(), 0644) == 0);
    else if (kind == "socket") {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
        QVERIFY(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0);
        ::close(fd);
    } else if (kind == "device")
        path = QStringLiteral("/dev/null");
    else if (kind == "empty")
        writeAll(path, QByteArray());
    else if (kind == "jpeg half")
        writeAll(path, jpeg.left(jpeg.size() / 2));
    else if (kind == "jpeg head")
        writeAll(path, jpeg.left(jpeg.indexOf("\xff\xc0")));
    else if (kind == "png half")
        writeAll(path, png.left(png.size() / 2));
    else if (kind == "animation")
        path = fixture("animation.gif");
    else if (kind == "apng") {
        writeAll(path, animatedPng(png));
        // A sound animation as other readers see it: ImageMagick reads its CRCs without a
        // word, exiftool counts its frames.
        const ProcessRun read = runProcess(Convert, { path, "null:" });
        QVERIFY2(read.exitCode == 0 && read.err.isEmpty(), read.err.constData());
        QCOMPARE(runProcess("exiftool", { "-s3", "-AnimationFrames", path }).out, "2\n");
    } else if (kind == "webp")
        QCOMPARE(
            run(Convert, { "-delay", "10", "-size", "8x6", "xc:red", "xc:blue", "webp:" + path }),
            QString());
    else if (kind == "text")
        writeAll(path, "just some words\n");
    else if (kind == "svg")
        writeAll(path, "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"4\" height=\"4\"/>");
    else if (kind == "huge") {
        // The frame header declares 65500 x 65500 pixels: 34 GB to edit.
        QFile meminfo(QStringLiteral("/proc/meminfo"));
        QVERIFY(meminfo.open(QIODevice::ReadOnly));
        const QByteArray info = meminfo.readAll();
        const qsizetype at = info.indexOf("MemAvailable:") + 13;
        if (info.mid(at, info.indexOf('\n', at) - at).trimmed().split(' ').value(0).toDouble()
                * 1024
            > 65500.0 * 65500 * 8)
            QSKIP("this machine has the memory to edit 65500 x 65500 pixels");
        QByteArray patched = jpeg;
        const qsizetype frame = patched.indexOf("\xff\xc0");
        QVERIFY(frame > 0);
        patched.replace(frame + 5, 4, QByteArray("\xff\xdc\xff\xdc", 4));
        writeAll(path, patched);
    }

    PictureFile file;
    QString error;
    QVERIFY(!file.open(path, &error));
    QVERIFY2(error.startsWith("cannot read " + path + ": "), qPrintable(error));
    QVERIFY2(error.contains(reason), qPrintable(error));
    QVERIFY(!error.contains('\n'));
    QVERIFY(file.image().isNull());
    QVERIFY(file.path().isEmpty());
    QVERIFY(!file.changedOnDisk());
}

void tst_PictureFile::opens()
{
    PictureFile file;
    QString error;
    QVERIFY2(file.open(fixture("photo.jpg"), &error), qPrintable(error));
    QCOMPARE(file.format(), QByteArray("jpeg"));
    QCOMPARE(identify("%wx%h", fixture("photo.jpg")), QString("160x96"));
    QCOMPARE(file.image().size(), QSize(96, 160)); // turned upright
    QCOMPARE(file.fullSize(), QSize(96, 160));
    QCOMPARE(file.iccProfile(), m_profile);
    const QString quality = identify("%Q", fixture("photo.jpg"));
    QVERIFY2(file.describe().contains("JPEG: quality " + quality + ", 4:2:0"),
             qPrintable(file.describe().join('\n')));
    // Turned the way ImageMagick turns it, not the other way.
    const QString ours = m_dir.filePath("ours.png"), upright = m_dir.filePath("upright.png");
    QVERIFY(file.image().save(ours));
    QCOMPARE(run(Convert, { fixture("photo.jpg"), "-auto-orient", upright }), QString());
    QCOMPARE(differingPixels(ours, upright, "2%"), QString("0"));
    QCOMPARE(file.takeImage().size(), QSize(96, 160));
    QVERIFY(file.image().isNull());

    QVERIFY2(file.open(fixture("deep.png"), &error), qPrintable(error));
    QCOMPARE(file.format(), QByteArray("png"));
    QCOMPARE(file.image().depth(), 64);
    QVERIFY(file.describe().contains("Pixels: 64x48, colour, 16 bits per channel"));
}

void tst_PictureFile::saveKeeps_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("output");
    QTest::addColumn<bool>("strip");
    QTest::addColumn<bool>("stripLocation");
    QTest::addColumn<QStringList>("expected"); // Tag=value as exiftool -n reads it; Tag= absent
    QTest::addColumn<QString>("depth"); // as ImageMagick reads it
    QTest::addColumn<QString>("warning");

    const QStringList all { "Artist=Lumora", "Make=TestCam", "GPSLatitude=48.5", "Title=Kept",
                            "ICC_Profile=p3" };
    QTest::newRow("JPEG to JPEG keeps metadata and profile, upright")
        << "photo.jpg"
        << "out.jpg" << false << false << all + QStringList("Orientation=1") << "8"
        << "";
    QTest::newRow("JPEG to PNG keeps them") << "photo.jpg"
                                            << "out.png" << false << false << all << "8"
                                            << "";
    QTest::newRow("JPEG to TIFF keeps them") << "photo.jpg"
                                             << "out.tif" << false << false << all << "8"
                                             << "";
    QTest::newRow("location stripped, nothing else")
        << "photo.jpg"
        << "out.jpg" << false << true
        << QStringList { "Artist=Lumora", "GPSLatitude=", "Title=Kept", "ICC_Profile=p3" } << "8"
        << "";
    QTest::newRow("stripped but for the profile")
        << "photo.jpg"
        << "out.jpg" << true << false
        << QStringList { "Artist=", "Make=", "GPSLatitude=", "Title=", "ICC_Profile=p3" } << "8"
        << "";
    QTest::newRow("16-bit PNG to PNG keeps depth, pixels and profile")
        << "deep.png"
        << "out.png" << false << false << QStringList("ICC_Profile=p3") << "16"
        << "";
    QTest::newRow("16-bit PNG to TIFF keeps depth and pixels")
        << "deep.png"
        << "out.tiff" << false << false << QStringList("ICC_Profile=p3") << "16"
        << "";
    QTest::newRow("16-bit PNG to JPEG is 8 bits, said")
        << "deep.png"
        << "out.jpeg" << false << false << QStringList("ICC_Profile=p3") << "8"
        << "JPEG holds 8 bits per channel";
    QTest::newRow("BMP holds no metadata, said")
        << "photo.jpg"
        << "out.bmp" << false << false << QStringList("Artist=") << "8"
        << "BMP files hold no metadata";
}

void tst_PictureFile::saveKeeps()
{
    QFETCH(QString, source);
    QFETCH(QString, output);
    QFETCH(bool, strip);
    QFETCH(bool, stripLocation);
    QFETCH(QStringList, expected);
    QFETCH(QString, depth);
    QFETCH(QString, warning);
    QTemporaryDir dir;
    const QString out = dir.filePath(output);
    PictureFile file;
    QString error;
    QVERIFY2(file.open(fixture(source), &error), qPrintable(error));
    PictureSaveOptions options;
    options.strip = strip;
    options.stripLocation = stripLocation;
    QStringList warnings;
    QVERIFY2(file.save(file.image(), out, options, &error, &warnings), qPrintable(error));
    QVERIFY2(warnings.join('\n').contains(warning), qPrintable(warnings.join('\n')));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
             QStringList(output));

    const QJsonObject read = tags(out);
    for (const QString &line : expected) {
        const QString tag = line.section('=', 0, 0), value = line.section('=', 1);
        QString actual = read.value(tag).toVariant().toString();
        if (tag == "ICC_Profile")
            actual = QByteArray::fromBase64(actual.mid(7).toLatin1()) == m_profile ? "p3" : actual;
        QVERIFY2(actual == value, qPrintable(tag + " is \"" + actual + "\", not \"" + value + '"'));
    }
    QCOMPARE(identify("%wx%h %z", out),
             QString("%1x%2 %3").arg(file.image().width()).arg(file.image().height()).arg(depth));
    if (depth == "16") // every 16-bit value as it was
        QCOMPARE(differingPixels(fixture(source), out), QString("0"));
}

void tst_PictureFile::profileFollowsColourModel_data()
{
    QTest::addColumn<bool>("toRgb");
    QTest::addColumn<QString>("warning");

    QTest::newRow("grey pixels keep the grey profile") << false << "";
    QTest::newRow("RGB pixels drop the grey profile, said")
        << true << "dropped the grey colour profile: the picture is written in RGB";
}

void tst_PictureFile::profileFollowsColourModel()
{
    QFETCH(bool, toRgb);
    QFETCH(QString, warning);
    // Ghostscript's grey profile (libgs-common, among the packages scripts/test.sh installs).
    const QString grey = QStringLiteral("/usr/share/color/icc/ghostscript/sgray.icc");
    QTemporaryDir dir;
    const QString in = dir.filePath("grey.jpg"), out = dir.filePath("out.png");
    QCOMPARE(run(Convert, { "-size", "40x30", "gradient:", "-colorspace", "gray", in }), QString());
    QCOMPARE(run("exiftool", { "-q", "-overwrite_original", "-ICC_Profile<=" + grey, in }),
             QString());
    PictureFile file;
    QString error;
    QVERIFY2(file.open(in, &error), qPrintable(error));
    QCOMPARE(file.iccProfile(), readAll(grey));
    const QImage picture
        = toRgb ? file.image().convertToFormat(QImage::Format_RGB32) : file.image();
    QStringList warnings;
    QVERIFY2(file.save(picture, out, PictureSaveOptions(), &error, &warnings), qPrintable(error));
    QCOMPARE(warnings.join('\n'), warning);
    const QString written = tags(out).value("ICC_Profile").toString();
    QCOMPARE(QByteArray::fromBase64(written.mid(7).toLatin1()),
             toRgb ? QByteArray() : readAll(grey));
}

void tst_PictureFile::saveAllOrNothing_data()
{
    QTest::addColumn<QString>("output");
    QTest::addColumn<int>("limit"); // bytes a file may have; 0: none
    QTest::addColumn<QString>("reason"); // empty: written

    QTest::newRow("file-size limit keeps the old file") << "out.jpg" << 512 << "File too large";
    QTest::newRow("file-size limit makes no new file") << "new.png" << 512 << "File too large";
    QTest::newRow("within the limit, written") << "out.jpg" << (1 << 20) << "";
    QTest::newRow("format it cannot write") << "out.gif" << 0 << "unsupported picture format";
    QTest::newRow("no suffix") << "out" << 0 << "unsupported picture format";
    QTest::newRow("FIFO target") << "fifo.jpg" << 0 << "it is a FIFO, not a file";
}

void tst_PictureFile::saveAllOrNothing()
{
    QFETCH(QString, output);
    QFETCH(int, limit);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    const QString out = dir.filePath(output);
    writeAll(dir.filePath("out.jpg"), "old bytes");
    QVERIFY(::mkfifo(QFile::encodeName(dir.filePath("fifo.jpg")).constData(), 0644) == 0);
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden);
    PictureFile file;
    QString error;
    QVERIFY2(file.open(fixture("photo.jpg"), &error), qPrintable(error));

    const ChildEnd end = runInChild([&] {
        if (limit > 0 && !limitFileSize(rlim_t(limit)))
            return QByteArray("no limit");
        QString failure;
        return file.save(file.image(), out, PictureSaveOptions(), &failure) ? QByteArray("ok")
                                                                            : failure.toUtf8();
    });
    QCOMPARE(end.signal, 0);
    if (reason.isEmpty()) {
        QCOMPARE(end.output, QByteArray("ok"));
        QCOMPARE(identify("%wx%h", out), QString("96x160"));
        return;
    }
    QVERIFY2(end.output.startsWith("cannot write " + out.toUtf8()), end.output.constData());
    QVERIFY2(end.output.contains(reason.toUtf8()), end.output.constData());
    QCOMPARE(readAll(dir.filePath("out.jpg")), QByteArray("old bytes"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden), before);
    struct stat fifo;
    QVERIFY(::stat(QFile::encodeName(dir.filePath("fifo.jpg")).constData(), &fifo) == 0);
    QVERIFY(S_ISFIFO(fifo.st_mode)); // not replaced
}

void tst_PictureFile::changedOnDisk_data()
{
    QTest::addColumn<QString>("change");
    QTest::addColumn<bool>("changed");

    QTest::newRow("untouched") << "none" << false;
    QTest::newRow("only its mode changed") << "chmod" << false;
    QTest::newRow("rewritten in place with the same bytes") << "rewrite" << true;
    QTest::newRow("modification time set") << "touch" << true;
    QTest::newRow("appended to") << "append" << true;
    QTest::newRow("replaced by a copy of itself") << "replace" << true;
    QTest::newRow("removed") << "remove" << true;
}

void tst_PictureFile::changedOnDisk()
{
    QFETCH(QString, change);
    QFETCH(bool, changed);
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.jpg"), copy = dir.filePath("copy.jpg");
    const QByteArray bytes = readAll(fixture("photo.jpg"));
    writeAll(path, bytes);
    writeAll(copy, bytes);
    setOldTime(path); // so that a rewrite within the clock's tick still shows
    setOldTime(copy);
    PictureFile file;
    QVERIFY(!file.changedOnDisk()); // before open()
    QString error;
    QVERIFY2(file.open(path, &error), qPrintable(error));

    if (change == "chmod")
        QCOMPARE(run("chmod", { "600", path }), QString());
    else if (change == "rewrite")
        writeAll(path, bytes);
    else if (change == "touch")
        QCOMPARE(run("touch", { "-m", "-d", "2021-06-01", path }), QString());
    else if (change == "append")
        QCOMPARE(run("sh", { "-c", "printf x >> \"$0\"", path }), QString());
    else if (change == "replace")
        QCOMPARE(run("mv", { copy, path }), QString());
    else if (change == "remove")
        QCOMPARE(run("rm", { path }), QString());
    QCOMPARE(file.changedOnDisk(), changed);
    QCOMPARE(file.image().size(), QSize(96, 160)); // what open() read stays
}

void tst_PictureFile::savedOver()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("photo.jpg"), other = dir.filePath("other.png");
    QVERIFY(QFile::copy(fixture("photo.jpg"), path));
    PictureFile file;
    QString error;
    QVERIFY2(file.open(path, &error), qPrintable(error));
    QVERIFY(file.save(file.image(), path, PictureSaveOptions(), &error));
    QVERIFY(file.changedOnDisk()); // a new file now: it is not the one read
    file.savedOver();
    QVERIFY(!file.changedOnDisk());

    // Another program ruins the file: a save works from the bytes open() read.
    writeAll(path, "ruined");
    QVERIFY(file.changedOnDisk());
    QVERIFY2(file.save(file.image(), other, PictureSaveOptions(), &error), qPrintable(error));
    QCOMPARE(tags(other).value("Artist").toString(), QString("Lumora"));
    QCOMPARE(identify("%wx%h", other), QString("96x160"));
}

void tst_PictureFile::turnsLosslessly()
{
    QTemporaryDir dir;
    const QString out = dir.filePath("turned.jpg"), oracle = dir.filePath("jpegtran.jpg");
    const PictureTurn turn(PictureTurn::Rotate90);
    PictureFile file;
    QString error;
    QVERIFY2(file.open(fixture("large.jpg"), &error, turn), qPrintable(error));
    QCOMPARE(file.fullSize(), QSize(1600, 1200));
    const int longest = qMax(file.image().width(), file.image().height());
    QVERIFY2(longest >= 320 && longest < 1600, qPrintable(QString::number(longest)));

    QVERIFY(!file.save(file.image(), out, PictureSaveOptions(), &error));
    QVERIFY2(error.contains("read reduced"), qPrintable(error));
    QVERIFY(!QFile::exists(out));

    PictureSaveOptions options;
    options.turn = turn;
    QVERIFY2(file.save(turn.apply(file.image()), out, options, &error), qPrintable(error));
    QCOMPARE(
        run("jpegtran", { "-rotate", "90", "-perfect", "-outfile", oracle, fixture("large.jpg") }),
        QString());
    QCOMPARE(identify("%wx%h", out), QString("1200x1600"));
    QCOMPARE(differingPixels(out, oracle), QString("0")); // the same blocks, not re-encoded
}

void tst_PictureFile::namesThatAreNoUtf8()
{
    // Latin-1 names from an old memory card: Qt's own decoding could no longer name them.
    QTemporaryDir dir;
    const QByteArray folder = QFile::encodeName(dir.path()) + '/';
    const QByteArray inName = "caf\xe9.jpg", outName = "caf\xe9 \xff.png";
    QVERIFY(QFile::copy(fixture("photo.jpg"), dir.filePath("plain.jpg")));
    QVERIFY(::rename(folder + "plain.jpg", folder + inName) == 0);
    // QTemporaryDir could not name them to remove them.
    const auto remove = qScopeGuard([&] {
        ::unlink(folder + inName);
        ::unlink(folder + outName);
    });
    const QString in = NativePath::fromNative(folder + inName);
    PictureFile file;
    QString error;
    QVERIFY2(file.open(in, &error), qPrintable(error));
    QVERIFY(!file.changedOnDisk()); // found again under its own bytes
    QVERIFY2(file.save(file.image(), NativePath::fromNative(folder + outName), PictureSaveOptions(),
                       &error),
             qPrintable(error));

    // The folder as find(1) lists it: exactly these bytes, nothing else.
    const ProcessRun listed
        = runProcess("find", { dir.path(), "-mindepth", "1", "-printf", "%f\\0" });
    QByteArrayList names = listed.out.split('\0');
    names.removeAll(QByteArray());
    std::sort(names.begin(), names.end());
    QCOMPARE(names, QByteArrayList({ outName, inName })); // sorted: ' ' before '.'
    QFile written(QFile::decodeName(folder) + "written.png");
    QVERIFY(::rename(folder + outName, folder + "written.png") == 0);
    QCOMPARE(identify("%wx%h", written.fileName()), QString("96x160"));
}

void tst_PictureFile::formatForFileName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("format");

    const QStringList jpeg { "a.jpg", "A.JPG", "x.jpeg", "x.JpEg", "x.jpe", "x.JFIF" };
    for (const QString &name : jpeg)
        QTest::newRow(qPrintable(name)) << name << QByteArray("jpeg");
    QTest::newRow("png") << "dir/p.PNG" << QByteArray("png");
    QTest::newRow("tif") << "t.tif" << QByteArray("tiff");
    QTest::newRow("TIFF") << "t.TIFF" << QByteArray("tiff");
    QTest::newRow("webp") << "w.webp" << QByteArray("webp");
    QTest::newRow("bmp") << "b.bmp" << QByteArray("bmp");
    QTest::newRow("ppm") << "p.ppm" << QByteArray("ppm");
    QTest::newRow("GIF, which Qt cannot write whole") << "g.gif" << QByteArray();
    QTest::newRow("PGM loses colour") << "g.pgm" << QByteArray();
    QTest::newRow("XPM") << "x.xpm" << QByteArray();
    QTest::newRow("last suffix counts") << "photo.jpg.txt" << QByteArray();
    QTest::newRow("dot in a folder only") << "album.jpg/photo" << QByteArray();
    QTest::newRow("no suffix") << "photo" << QByteArray();
    QTest::newRow("trailing dot") << "photo." << QByteArray();
    QTest::newRow("non-UTF-8 stem") << "caf" + QString(QChar(0xdce9)) + ".png" << QByteArray("png");
}

void tst_PictureFile::formatForFileName()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, format);
    QCOMPARE(PictureFile::formatForFileName(name), format);
    if (!format.isEmpty()) // Qt has a writer for it
        QVERIFY(QImageWriter::supportedImageFormats().contains(format));
    const QString usual = name.section('.', -1).toLower();
    if (!format.isEmpty() && format != "jpeg" && usual != "tiff")
        QVERIFY(PictureFile::writableSuffixes().split(", ").contains(usual));
}

QTEST_GUILESS_MAIN(tst_PictureFile)
#include "tst_picturefile.moc"
