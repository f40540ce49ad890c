// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// SafeFile driven directly, checked against the file system (stat, find, getfattr,
// getfacl) under real faults: a file-size limit, another user, signals during a write.

#include "forkedchild.h"
#include "nativepath.h"
#include "processrun.h"
#include "safefile.h"

#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>

namespace {

QByteArray native(const QString &name)
{
    return NativePath::toNative(name);
}

QByteArray readAll(const QByteArray &path)
{
    QByteArray bytes;
    const int fd = ::open(path.constData(), O_RDONLY);
    char buffer[65536];
    ssize_t got;
    while (fd >= 0 && (got = ::read(fd, buffer, sizeof buffer)) > 0)
        bytes.append(buffer, got);
    if (fd >= 0)
        ::close(fd);
    return bytes;
}

void writeRaw(const QByteArray &path, const QByteArray &bytes, mode_t mode = 0644)
{
    const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    if (fd >= 0) {
        QVERIFY(::write(fd, bytes.constData(), size_t(bytes.size())) == bytes.size());
        ::close(fd);
    }
}

// The folder's entries as find(1) lists them, raw bytes, sorted.
QByteArrayList listing(const QString &folder)
{
    const ProcessRun run = runProcess(
        QStringLiteral("find"), { folder, "-mindepth", "1", "-maxdepth", "1", "-printf", "%f\\0" });
    QByteArrayList names = run.out.split('\0');
    names.removeAll(QByteArray());
    std::sort(names.begin(), names.end());
    return names;
}

QString statOf(const QString &format, const QString &path)
{
    return QString::fromUtf8(runProcess(QStringLiteral("stat"), { "-c", format, path }).out)
        .trimmed();
}

mode_t currentUmask()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Makes what a row names in `dir` and returns the name to write.
QString prepare(const QString &dir, const QString &kind)
{
    const QByteArray d = native(dir);
    const QByteArray file = d + "/file.jpg";
    if (kind != QLatin1String("new") && kind != QLatin1String("missing folder"))
        writeRaw(file, "old bytes");
    if (kind == QLatin1String("new"))
        return dir + "/new.jpg";
    if (kind == QLatin1String("folder")) {
        ::mkdir(d + "/folder", 0755);
        return dir + "/folder";
    }
    if (kind == QLatin1String("fifo")) {
        ::mkfifo(d + "/fifo", 0644);
        return dir + "/fifo";
    }
    if (kind == QLatin1String("socket")) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, d + "/socket", sizeof address.sun_path);
        ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address);
        ::close(fd);
        return dir + "/socket";
    }
    const auto link = [&](const QByteArray &target) {
        ::symlink(target.constData(), d + "/link.jpg");
        return dir + "/link.jpg";
    };
    if (kind == QLatin1String("link to a device"))
        return link("/dev/null");
    if (kind == QLatin1String("link to a fifo")) {
        ::mkfifo(d + "/fifo", 0644);
        return link("fifo");
    }
    if (kind == QLatin1String("link"))
        return link("file.jpg");
    if (kind == QLatin1String("dangling link"))
        return link("gone.jpg");
    if (kind == QLatin1String("link into a missing folder"))
        return link("nowhere/gone.jpg");
    if (kind == QLatin1String("link loop")) {
        ::symlink("loop.jpg", d + "/link.jpg");
        ::symlink("link.jpg", d + "/loop.jpg");
        return dir + "/link.jpg";
    }
    if (kind == QLatin1String("missing folder"))
        return dir + "/nowhere/new.jpg";
    if (kind == QLatin1String("file as folder"))
        return dir + "/file.jpg/new.jpg";
    if (kind == QLatin1String("foreign link in a sticky folder")) {
        ::mkdir(d + "/shared", 01777);
        ::chmod(d + "/shared", 01777);
        ::symlink("../file.jpg", d + "/shared/link.jpg");
        ::lchown(d + "/shared/link.jpg", 65534, 65534);
        return dir + "/shared/link.jpg";
    }
    if (kind == QLatin1String("own link in a sticky folder")) {
        ::mkdir(d + "/shared", 01777);
        ::chmod(d + "/shared", 01777);
        ::symlink("../file.jpg", d + "/shared/link.jpg");
        return dir + "/shared/link.jpg";
    }
    if (kind == QLatin1String("255-byte name"))
        return dir + '/' + QString(251, QLatin1Char('n')) + ".jpg";
    if (kind == QLatin1String("non-UTF-8 name"))
        return dir + '/' + NativePath::fromNative("caf\xe9 \xff.jpg");
    if (kind == QLatin1String("read-only file")) {
        ::chmod(file, 0444);
        return dir + "/file.jpg";
    }
    if (kind == QLatin1String("file of another user, 0640")) {
        ::chown(file, 65534, 65534);
        ::chmod(file, 0640);
        return dir + "/file.jpg";
    }
    return kind == QLatin1String("file") ? dir + "/file.jpg" : QString();
}

// Bytes no two writes share: a torn file shows as two values, a short one by its size.
QByteArray payload(int round, qsizetype size)
{
    return QByteArray(size, char('A' + round % 26));
}

} // namespace

class tst_SafeFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void checkTarget_data();
    void checkTarget();
    void write_data();
    void write();
    void keepsAttributesAndAcl();
    void fileSizeLimit_data();
    void fileSizeLimit();
    void otherUser_data();
    void otherUser();
    void signalDuringWrite_data();
    void signalDuringWrite();
    void removeTemporaries();
};

void tst_SafeFile::checkTarget_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<bool>("refuseLinks");
    QTest::addColumn<QString>("refusal"); // empty: accepted

    QTest::newRow("new file") << "new" << false << "";
    QTest::newRow("existing file") << "file" << false << "";
    QTest::newRow("folder refused") << "folder" << false << "is a folder, not a file";
    QTest::newRow("FIFO refused") << "fifo" << false << "is a FIFO, not a file";
    QTest::newRow("socket refused") << "socket" << false << "is a socket, not a file";
    QTest::newRow("link to a device refused") << "link to a device" << false << "is a device";
    QTest::newRow("link to a FIFO refused") << "link to a fifo" << false << "is a FIFO";
    QTest::newRow("link followed") << "link" << false << "";
    QTest::newRow("link refused by policy") << "link" << true << "is a symbolic link";
    QTest::newRow("dangling link names a new file") << "dangling link" << false << "";
    QTest::newRow("dangling link into a missing folder")
        << "link into a missing folder" << false << "No such file or directory";
    QTest::newRow("link loop") << "link loop" << false << "Too many levels of symbolic links";
    QTest::newRow("missing folder") << "missing folder" << false << "No such file or directory";
    QTest::newRow("file as folder") << "file as folder" << false << "Not a directory";
    QTest::newRow("no name") << "" << false << "without a name";
    QTest::newRow("another user's link in a sticky folder")
        << "foreign link in a sticky folder" << false << "shared folder that another user owns";
    QTest::newRow("own link in a sticky folder") << "own link in a sticky folder" << false << "";
}

void tst_SafeFile::checkTarget()
{
    QFETCH(QString, kind);
    QFETCH(bool, refuseLinks);
    QFETCH(QString, refusal);
    if (kind.startsWith("foreign") && ::geteuid() != 0)
        QSKIP("only root can give a link to another user");
    QTemporaryDir dir;
    const QString path = prepare(dir.path(), kind);
    const QByteArrayList before = listing(dir.path());

    QString error;
    const bool ok = SafeFile::checkTarget(
        path, refuseLinks ? SafeFile::RefuseLinks : SafeFile::FollowLinks, &error);
    QCOMPARE(ok, refusal.isEmpty());
    QVERIFY2(error.contains(refusal), qPrintable(error));
    QCOMPARE(listing(dir.path()), before); // nothing written
    const bool made = kind != QLatin1String("new") && kind != QLatin1String("missing folder");
    QCOMPARE(readAll(native(dir.path() + "/file.jpg")),
             made ? QByteArray("old bytes") : QByteArray());
}

void tst_SafeFile::write_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("written"); // the file that must hold the bytes, in the folder
    QTest::addColumn<QString>("mode"); // stat %a:%u of it afterwards; "me": this user

    const QString created = QString::number(0666 & ~currentUmask(), 8) + ":me";
    QTest::newRow("new file: 0666 less the umask") << "new"
                                                   << "new.jpg" << created;
    QTest::newRow("replaced file keeps mode") << "file"
                                              << "file.jpg"
                                              << "644:me";
    QTest::newRow("another user's 0640 file keeps owner and mode") << "file of another user, 0640"
                                                                   << "file.jpg"
                                                                   << "640:65534";
    QTest::newRow("root replaces a 0444 file, which stays 0444") << "read-only file"
                                                                 << "file.jpg"
                                                                 << "444:me";
    QTest::newRow("link: its target written") << "link"
                                              << "file.jpg"
                                              << "644:me";
    QTest::newRow("dangling link: its target made") << "dangling link"
                                                    << "gone.jpg" << created;
    QTest::newRow("255-byte name")
        << "255-byte name" << QString(251, QLatin1Char('n')) + ".jpg" << created;
    QTest::newRow("non-UTF-8 name")
        << "non-UTF-8 name" << NativePath::fromNative("caf\xe9 \xff.jpg") << created;
}

void tst_SafeFile::write()
{
    QFETCH(QString, kind);
    QFETCH(QString, written);
    QFETCH(QString, mode);
    if ((mode.endsWith(":65534") || kind == "read-only file") && ::geteuid() != 0)
        QSKIP("only root can give a file to another user or write a 0444 file");
    mode.replace(":me", ":" + QString::number(::geteuid()));
    QTemporaryDir dir;
    const QString path = prepare(dir.path(), kind);
    // QTemporaryDir cannot name a file whose name is no UTF-8 to remove it.
    const auto removeWritten = qScopeGuard([&] { ::unlink(native(dir.path() + '/' + written)); });
    QByteArrayList expected = listing(dir.path());
    if (!expected.contains(native(written))) {
        expected.append(native(written));
        std::sort(expected.begin(), expected.end());
    }
    struct stat old = {};
    const bool replaces = ::stat(native(dir.path() + '/' + written), &old) == 0;
    char linkBefore[256] = {};
    ::readlink(native(path), linkBefore, sizeof linkBefore - 1);

    const QByteArray data = payload(1, 100000);
    QString error;
    QVERIFY2(SafeFile::write(path, data, SafeFile::FollowLinks, &error), qPrintable(error));
    QVERIFY(readAll(native(dir.path() + '/' + written)) == data);
    QCOMPARE(listing(dir.path()), expected); // no temporary file left, nothing else made
    if (!written.contains(QChar(0xdce9))) // stat(1) cannot be given the raw bytes
        QCOMPARE(statOf("%a:%u", dir.path() + '/' + written), mode);
    char linkAfter[256] = {};
    ::readlink(native(path), linkAfter, sizeof linkAfter - 1);
    QCOMPARE(QByteArray(linkAfter), QByteArray(linkBefore)); // a link stays that link
    struct stat now = {};
    ::stat(native(dir.path() + '/' + written), &now);
    if (replaces) // renamed over, not rewritten in place
        QVERIFY(now.st_ino != old.st_ino);
}

void tst_SafeFile::keepsAttributesAndAcl()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("tagged.jpg");
    writeRaw(native(path), "old");
    QCOMPARE(runProcess("setfattr", { "-n", "user.lumora.tag", "-v", "kept", path }).exitCode, 0);
    QCOMPARE(runProcess("setfacl", { "-m", "u:nobody:rw", path }).exitCode, 0);

    QString error;
    QStringList warnings;
    QVERIFY2(SafeFile::write(path, "new", SafeFile::FollowLinks, &error, &warnings),
             qPrintable(error));
    QVERIFY2(warnings.isEmpty(), qPrintable(warnings.join('\n')));
    QCOMPARE(readAll(native(path)), QByteArray("new"));
    const ProcessRun tag
        = runProcess("getfattr", { "--only-values", "-n", "user.lumora.tag", path });
    QCOMPARE(tag.out, QByteArray("kept"));
    QVERIFY2(runProcess("getfacl", { "-c", path }).out.contains("user:nobody:rw-"),
             "the ACL entry was lost");
}

void tst_SafeFile::fileSizeLimit_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<int>("limit");
    QTest::addColumn<bool>("fits");

    QTest::newRow("limit hit: existing file kept whole") << true << 4096 << false;
    QTest::newRow("limit hit: no new file appears") << false << 4096 << false;
    QTest::newRow("data within the limit is written") << true << 1 << true; // MiB
}

void tst_SafeFile::fileSizeLimit()
{
    QFETCH(bool, exists);
    QFETCH(int, limit);
    QFETCH(bool, fits);
    QTemporaryDir dir;
    const QString path = dir.filePath("out.jpg");
    if (exists)
        writeRaw(native(path), "old bytes");
    const QByteArrayList before = listing(dir.path());
    const QByteArray data = payload(2, 65536);

    const ChildEnd end = runInChild([&] {
        if (!limitFileSize(fits ? rlim_t(limit) << 20 : rlim_t(limit)))
            return QByteArray("no limit");
        QString error;
        return SafeFile::write(path, data, SafeFile::FollowLinks, &error) ? QByteArray("ok")
                                                                          : error.toUtf8();
    });
    QCOMPARE(end.signal, 0); // SIGXFSZ did not end it
    if (fits) {
        QCOMPARE(end.output, QByteArray("ok"));
        QVERIFY(readAll(native(path)) == data);
        return;
    }
    QCOMPARE(end.output, "cannot write " + native(path) + ": File too large");
    QCOMPARE(readAll(native(path)), exists ? QByteArray("old bytes") : QByteArray());
    QCOMPARE(listing(dir.path()), before);
}

void tst_SafeFile::otherUser_data()
{
    QTest::addColumn<int>("fileMode");
    QTest::addColumn<int>("folderMode");
    QTest::addColumn<QString>("refusal");

    QTest::newRow("0444 file refused though its folder is open") << 0444 << 0777 << "read-only";
    QTest::newRow("0666 file in a 0555 folder") << 0666 << 0555 << "Permission denied";
    QTest::newRow("0666 file in a 0777 folder is written") << 0666 << 0777 << "";
}

void tst_SafeFile::otherUser()
{
    QFETCH(int, fileMode);
    QFETCH(int, folderMode);
    QFETCH(QString, refusal);
    QTemporaryDir dir;
    QVERIFY(::chmod(native(dir.path()), 0755) == 0);
    const QByteArray folder = native(dir.filePath("photos"));
    QVERIFY(::mkdir(folder, 0755) == 0);
    writeRaw(folder + "/out.jpg", "old bytes");
    ::chmod(folder + "/out.jpg", mode_t(fileMode));
    ::chmod(folder, mode_t(folderMode));
    const QString path = NativePath::fromNative(folder + "/out.jpg");

    const ChildEnd end = runInChild([&] {
        // Root becomes nobody; any other user is already one the modes apply to.
        if (::geteuid() == 0 && !becomeNobody())
            return QByteArray("still root");
        QString checkError, error;
        const bool checked = SafeFile::checkTarget(path, SafeFile::FollowLinks, &checkError);
        if (!SafeFile::write(path, "new bytes", SafeFile::FollowLinks, &error))
            return QByteArray(checked ? "checked, " : "refused, ") + error.toUtf8();
        return QByteArray("ok");
    });
    ::chmod(folder, 0755);
    if (refusal.isEmpty()) {
        QCOMPARE(end.output, QByteArray("ok"));
        QCOMPARE(readAll(folder + "/out.jpg"), QByteArray("new bytes"));
        return;
    }
    QVERIFY2(end.output.contains(refusal.toUtf8()), end.output.constData());
    // The file its user may not write is refused before any work; the folder's refusal
    // shows only when the new file is made.
    QCOMPARE(end.output.startsWith("refused"), fileMode == 0444);
    QCOMPARE(readAll(folder + "/out.jpg"), QByteArray("old bytes"));
    QCOMPARE(listing(QString::fromUtf8(folder)), QByteArrayList { "out.jpg" });
}

void tst_SafeFile::signalDuringWrite_data()
{
    QTest::addColumn<int>("signal");

    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGHUP") << int(SIGHUP);
    QTest::newRow("SIGQUIT") << int(SIGQUIT);
    QTest::newRow("SIGKILL: removeTemporaries cleans up") << int(SIGKILL);
}

void tst_SafeFile::signalDuringWrite()
{
    QFETCH(int, signal);
    QTemporaryDir dir;
    const QString path = dir.filePath("out.jpg");
    const qsizetype size = 4 << 20;
    int ready[2];
    QVERIFY(::pipe(ready) == 0);
    const pid_t pid = ::fork();
    if (pid == 0) {
        // Writes for ever, each round other bytes; says when the first is complete.
        const rlimit noCore { 0, 0 };
        ::setrlimit(RLIMIT_CORE, &noCore);
        ::close(ready[0]);
        for (int round = 0;; ++round) {
            QString error;
            if (!SafeFile::write(path, payload(round, size), SafeFile::FollowLinks, &error))
                ::_exit(3);
            if (round == 0 && ::write(ready[1], "r", 1) != 1)
                ::_exit(4);
        }
    }
    ::close(ready[1]);
    char byte = 0;
    const bool started = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    ::kill(pid, signal); // most likely inside a write: that is where the child spends its time
    siginfo_t info = {};
    ::waitid(P_PID, id_t(pid), &info, WEXITED | WNOWAIT);
    const int removed = signal == SIGKILL ? SafeFile::removeTemporaries(dir.path(), pid) : 0;
    ::waitpid(pid, nullptr, 0);
    QVERIFY(started);
    QVERIFY2(info.si_code == CLD_KILLED || info.si_code == CLD_DUMPED,
             qPrintable(QString("child ended with code %1").arg(info.si_code)));
    QCOMPARE(info.si_status, signal); // the handler let the signal end the program
    QVERIFY(removed >= 0);

    const QByteArray result = readAll(native(path));
    QCOMPARE(result.size(), size);
    QCOMPARE(result.count(result.at(0)), size); // one write's bytes, not two
    QCOMPARE(listing(dir.path()), QByteArrayList { "out.jpg" });
}

void tst_SafeFile::removeTemporaries()
{
    QTemporaryDir dir;
    const QByteArray d = native(dir.path());
    writeRaw(d + "/.lumora-42-a1b2c3", "left");
    writeRaw(d + "/.lumora-42-zz", "left");
    writeRaw(d + "/.lumora-421-a1b2c3", "another writer's"); // pid 421, not 42
    writeRaw(d + "/lumora-42-x", "no dot");
    writeRaw(d + "/photo.jpg", "kept");
    ::symlink("photo.jpg", d + "/.lumora-42-link");
    ::mkdir(d + "/.lumora-42-folder", 0755);
    ::mkfifo(d + "/.lumora-42-fifo", 0644);

    QCOMPARE(SafeFile::removeTemporaries(dir.path(), 42), 2);
    const QByteArrayList expected { ".lumora-42-fifo",    ".lumora-42-folder", ".lumora-42-link",
                                    ".lumora-421-a1b2c3", "lumora-42-x",       "photo.jpg" };
    QCOMPARE(listing(dir.path()), expected);
    QCOMPARE(readAll(d + "/photo.jpg"), QByteArray("kept"));
    QCOMPARE(SafeFile::removeTemporaries(dir.filePath("nowhere"), 42), 0);

    // Another user's file is not this user's to remove.
    if (::geteuid() != 0)
        return;
    QVERIFY(::chmod(d, 0777) == 0);
    writeRaw(d + "/.lumora-42-root", "root's");
    const ChildEnd end = runInChild([&] {
        return becomeNobody() ? QByteArray::number(SafeFile::removeTemporaries(dir.path(), 42))
                              : QByteArray("still root");
    });
    QCOMPARE(end.output, QByteArray("0"));
    QVERIFY(listing(dir.path()).contains(".lumora-42-root"));
}

QTEST_GUILESS_MAIN(tst_SafeFile)
#include "tst_safefile.moc"
