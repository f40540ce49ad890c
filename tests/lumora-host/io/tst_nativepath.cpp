// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// NativePath driven directly: names of any bytes decoded and given back unchanged,
// checked against the file system (names find(1) lists, files stat(2) finds) and
// against hand-written decodings.

#include "displaytext.h"
#include "nativepath.h"
#include "processrun.h"

#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// Kept bytes as NativePath holds them: U+DC80..U+DCFF.
QString kept(uchar byte)
{
    return QString(QChar(char16_t(0xdc00 + byte)));
}

bool create(const QByteArray &name)
{
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    return fd >= 0 && ::close(fd) == 0;
}

} // namespace

class tst_NativePath : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void roundTrip_data();
    void roundTrip();
    void arguments();
    void displayName_data();
    void displayName();
    void sameFile_data();
    void sameFile();
};

void tst_NativePath::roundTrip_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("decoded");

    QTest::newRow("ASCII") << QByteArray("photo.jpg") << QStringLiteral("photo.jpg");
    QTest::newRow("UTF-8 café") << QByteArray("caf\xc3\xa9.jpg") << QString::fromUtf8("café.jpg");
    QTest::newRow("Latin-1 café from an old card")
        << QByteArray("caf\xe9.jpg") << "caf" + kept(0xe9) + ".jpg";
    QTest::newRow("lone continuation byte") << QByteArray("\x80x") << kept(0x80) + "x";
    QTest::newRow("overlong slash is no slash")
        << QByteArray("a\xc0\xaf") << "a" + kept(0xc0) + kept(0xaf);
    QTest::newRow("encoded surrogate")
        << QByteArray("\xed\xa0\x80") << kept(0xed) + kept(0xa0) + kept(0x80);
    QTest::newRow("past U+10FFFF")
        << QByteArray("\xf4\x90\x80\x80") << kept(0xf4) + kept(0x90) + kept(0x80) + kept(0x80);
    QTest::newRow("sequence cut at the end")
        << QByteArray("x\xe2\x82") << "x" + kept(0xe2) + kept(0x82);
    QTest::newRow("byte order mark first")
        << QByteArray("\xef\xbb\xbfname") << QString(QChar(0xfeff)) + "name";
    QTest::newRow("emoji, a surrogate pair")
        << QByteArray("\xf0\x9f\x93\xb7") << QString::fromUcs4(U"\U0001F4F7");
    // U+10080 is held as D800 DC80: its low half must not be taken for the byte 0x80.
    QTest::newRow("pair whose low half looks kept, then a kept byte")
        << QByteArray("\xf0\x90\x82\x80\x80") << QString::fromUcs4(U"\U00010080") + kept(0x80);
    QTest::newRow("every high byte") <<
        [] {
            QByteArray all;
            for (int b = 0x80; b <= 0xff; ++b)
                all.append(char(b));
            return all;
        }()
                                     << [] {
                                            QString all;
                                            for (int b = 0x80; b <= 0xff; ++b)
                                                all += kept(uchar(b));
                                            return all;
                                        }();
}

void tst_NativePath::roundTrip()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, decoded);
    QCOMPARE(NativePath::fromNative(bytes), decoded);
    QCOMPARE(NativePath::toNative(decoded), bytes);

    // The file system's view: a file made under the name given back is the one find(1)
    // lists with exactly the original bytes.
    QTemporaryDir dir;
    const QByteArray name = NativePath::toNative(dir.path() + '/' + decoded);
    QVERIFY(create(name));
    const ProcessRun run
        = runProcess(QStringLiteral("find"),
                     { dir.path(), "-mindepth", "1", "-maxdepth", "1", "-printf", "%f\\0" });
    QCOMPARE(run.out, bytes + '\0');
    ::unlink(name.constData()); // QTemporaryDir could not name it
}

void tst_NativePath::arguments()
{
    QByteArray program("lumora-edit"), input("caf\xe9.jpg"), empty, output("\xff\xfe.png");
    char *argv[] = { program.data(), input.data(), empty.data(), output.data(), nullptr };
    const QStringList decoded = NativePath::arguments(4, argv);
    const QStringList expected { "lumora-edit", "caf" + kept(0xe9) + ".jpg", QString(),
                                 kept(0xff) + kept(0xfe) + ".png" };
    QCOMPARE(decoded, expected);
    QCOMPARE(NativePath::toNative(decoded.at(1)), input);
    QCOMPARE(NativePath::toNative(decoded.at(3)), output);
    QVERIFY(NativePath::arguments(0, argv).isEmpty());
}

void tst_NativePath::displayName_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<QString>("shownA"); // as DisplayText::escaped prints it

    QTest::newRow("Latin-1 and UTF-8 café differ")
        << QByteArray("caf\xe9") << QByteArray("caf\xc3\xa9") << QStringLiteral("caf\\xe9");
    QTest::newRow("names one high byte apart")
        << QByteArray("a\xe8") << QByteArray("a\xe9") << QStringLiteral("a\\xe8");
    QTest::newRow("a kept byte and a real U+FFFD")
        << QByteArray("\xff") << QByteArray("\xef\xbf\xbd") << QStringLiteral("\\xff");
}

void tst_NativePath::displayName()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(QString, shownA);
    const QString nameA = NativePath::displayName(NativePath::fromNative(a));
    const QString nameB = NativePath::displayName(NativePath::fromNative(b));
    QVERIFY(nameA != nameB);
    QVERIFY(!nameA.contains(QChar(0xfffd)));
    QCOMPARE(DisplayText::escaped(nameA), shownA);
    QVERIFY(DisplayText::escaped(nameA) != DisplayText::escaped(nameB));
}

void tst_NativePath::sameFile_data()
{
    QTest::addColumn<QByteArray>("a");
    QTest::addColumn<QByteArray>("b");
    QTest::addColumn<bool>("same");

    QTest::newRow("itself") << QByteArray("photo.jpg") << QByteArray("photo.jpg") << true;
    QTest::newRow("spelt with ./ and ..")
        << QByteArray("photo.jpg") << QByteArray("./sub/../photo.jpg") << true;
    QTest::newRow("link to it") << QByteArray("link.jpg") << QByteArray("photo.jpg") << true;
    QTest::newRow("link to a link") << QByteArray("link2.jpg") << QByteArray("photo.jpg") << true;
    QTest::newRow("hard link") << QByteArray("hard.jpg") << QByteArray("photo.jpg") << true;
    QTest::newRow("copy with the same bytes")
        << QByteArray("copy.jpg") << QByteArray("photo.jpg") << false;
    QTest::newRow("dangling link and its missing target")
        << QByteArray("dangling.jpg") << QByteArray("gone.jpg") << false;
    QTest::newRow("missing file and itself")
        << QByteArray("gone.jpg") << QByteArray("gone.jpg") << false;
    QTest::newRow("non-UTF-8 name and a link to it")
        << QByteArray("caf\xe9.jpg") << QByteArray("latin.jpg") << true;
    QTest::newRow("non-UTF-8 name and its UTF-8 twin")
        << QByteArray("caf\xe9.jpg") << QByteArray("caf\xc3\xa9.jpg") << false;
}

void tst_NativePath::sameFile()
{
    QFETCH(QByteArray, a);
    QFETCH(QByteArray, b);
    QFETCH(bool, same);
    QTemporaryDir dir;
    const QByteArray d = NativePath::toNative(dir.path()) + '/';
    QVERIFY(::mkdir(d + "sub", 0755) == 0);
    for (const char *name : { "photo.jpg", "copy.jpg", "caf\xe9.jpg", "caf\xc3\xa9.jpg" })
        QVERIFY(create(d + name));
    QVERIFY(::symlink("photo.jpg", d + "link.jpg") == 0);
    QVERIFY(::symlink("link.jpg", d + "link2.jpg") == 0);
    QVERIFY(::link(d + "photo.jpg", d + "hard.jpg") == 0);
    QVERIFY(::symlink("gone.jpg", d + "dangling.jpg") == 0);
    QVERIFY(::symlink("caf\xe9.jpg", d + "latin.jpg") == 0);

    // The kernel's own answer: one device and inode through every link.
    struct stat sa, sb;
    const bool kernel = ::stat(d + a, &sa) == 0 && ::stat(d + b, &sb) == 0 && sa.st_dev == sb.st_dev
        && sa.st_ino == sb.st_ino;
    QCOMPARE(kernel, same);
    QCOMPARE(NativePath::sameFile(NativePath::fromNative(d + a), NativePath::fromNative(d + b)),
             same);
    ::unlink(d + "caf\xe9.jpg");
}

QTEST_GUILESS_MAIN(tst_NativePath)
#include "tst_nativepath.moc"
