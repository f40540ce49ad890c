// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-edit's outputs that never destroy and its output that cannot act on a
// terminal, run as a user runs it: a read-only file as a user who may not write it, a
// name as long as the file system allows, outputs that are inputs of the same batch, a
// worker killed outright, low open-file and process limits, out-of-range numbers, and
// hostile file names and metadata (written with exiftool) shown escaped.

#include "processrun.h"
#include "testpictures.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace {

const QString Program = QStringLiteral(LUMORA_EDIT);
const uid_t Nobody = 65534;

ino_t inodeOf(const QString &fileName)
{
    struct stat info;
    return ::stat(QFile::encodeName(fileName).constData(), &info) == 0 ? info.st_ino : 0;
}

QImage rgb32(const QImage &image)
{
    return image.convertToFormat(QImage::Format_RGB32);
}

// The picture ImageMagick makes of `input` flipped top to bottom: the oracle of
// "flip-vertical".
// "flip-vertical", as 32-bit RGB to compare with the output decoded as rgb32().
QImage flippedByImageMagick(const QString &input, const QString &output)
{
    const ProcessRun run
        = runProcess(QStringLiteral("/usr/bin/convert-im6.q16"), { input, "-flip", output });
    return run.exitCode == 0 ? rgb32(QImage(output)) : QImage();
}

// Empty when the picture in `file` is `expected`; else where both are (the expected one
// in the folder above) and the first pixel that differs.
QString differs(const QString &file, const QImage &expected)
{
    // Pixels only: QImage's == also compares the colour space the PNG files declare.
    const QImage actual = rgb32(QImage(file));
    QString pixel;
    for (int y = 0; pixel.isEmpty() && y < qMin(actual.height(), expected.height()); ++y) {
        for (int x = 0; pixel.isEmpty() && x < qMin(actual.width(), expected.width()); ++x) {
            if (actual.pixel(x, y) != expected.pixel(x, y))
                pixel = QStringLiteral(" first at %1,%2: %3 for %4")
                            .arg(x)
                            .arg(y)
                            .arg(actual.pixel(x, y), 8, 16)
                            .arg(expected.pixel(x, y), 8, 16);
        }
    }
    if (!expected.isNull() && actual.size() == expected.size() && pixel.isEmpty())
        return QString();
    const QString kept = QFileInfo(file).absolutePath() + QStringLiteral("/../expected.png");
    expected.save(kept);
    return QStringLiteral("%1 (%2x%3) differs from %4 (%5x%6)%7")
        .arg(file)
        .arg(actual.width())
        .arg(actual.height())
        .arg(kept)
        .arg(expected.width())
        .arg(expected.height())
        .arg(pixel);
}

QStringList lines(const QByteArray &bytes)
{
    return QString::fromUtf8(bytes).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// No byte that a terminal acts on: C0 but line feed, DEL, C1 (as UTF-8), the
// bidirectional controls.
QString terminalControls(const QByteArray &bytes)
{
    static const QRegularExpression controls(QStringLiteral(
        "[\\x{0}-\\x{9}\\x{b}-\\x{1f}\\x{7f}-\\x{9f}\\x{61c}\\x{200e}\\x{200f}\\x{202a}-\\x{202e}"
        "\\x{2066}-\\x{2069}]"));
    const QRegularExpressionMatch match = controls.match(QString::fromUtf8(bytes));
    return match.hasMatch() ? QStringLiteral("U+%1 in: %2")
                                  .arg(match.captured().at(0).unicode(), 4, 16, QLatin1Char('0'))
                                  .arg(QString::fromUtf8(bytes.toPercentEncoding(" /:.-=")))
                            : QString();
}

// Runs a program with its arguments as bytes (QProcess would take them as UTF-8), with
// what it wrote on standard error.
ProcessRun runBytes(QList<QByteArray> arguments)
{
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    ProcessRun run;
    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC) != 0)
        return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pipe[1], STDERR_FILENO);
    pid_t pid = -1;
    const int failed = ::posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipe[1]);
    if (failed == 0) {
        char buffer[4096];
        for (ssize_t n; (n = ::read(pipe[0], buffer, sizeof buffer)) != 0;) {
            if (n > 0)
                run.err.append(buffer, n);
            else if (errno != EINTR)
                break;
        }
    }
    ::close(pipe[0]);
    int status = 0;
    if (failed == 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

const QString Osc52 = QStringLiteral("\x1b]52;c;aGFja2Vk\a");

} // namespace

class tst_OutputSafety : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void readOnlyTarget_data();
    void readOnlyTarget();
    void longestName_data();
    void longestName();
    void outputIsAnotherInput_data();
    void outputIsAnotherInput();
    void killedWorkerLeavesNothing_data();
    void killedWorkerLeavesNothing();
    void systemLimits_data();
    void systemLimits();
    void numbers_data();
    void numbers();
    void hostileMetadataEscaped_data();
    void hostileMetadataEscaped();
    void hostileNamesInBatch_data();
    void hostileNamesInBatch();
    void hostileNameInSingleRun();
    void namesShownOneWay_data();
    void namesShownOneWay();
    void replacedFileKeepsAttributes_data();
    void replacedFileKeepsAttributes();
    void linkInSharedFolder_data();
    void linkInSharedFolder();

private:
    QScopedPointer<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
    QString picture(const QString &name, const QImage &image) const
    {
        const QString file = path(name);
        QDir().mkpath(QFileInfo(file).path());
        return image.save(file) ? file : QString();
    }
};

void tst_OutputSafety::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

void tst_OutputSafety::readOnlyTarget_data()
{
    QTest::addColumn<bool>("asNobody"); // else as the test's own user
    QTest::addColumn<QStringList>("arguments"); // IN: the picture, TARGET: the 0444 file
    QTest::newRow("-o onto a read-only file is refused")
        << true << QStringList { "-o", "TARGET", "IN", "flip-vertical" };
    QTest::newRow("--in-place on a read-only input is refused")
        << true << QStringList { "--in-place", "-o", "TARGET", "TARGET", "flip-vertical" };
    QTest::newRow("--overwrite in a batch onto a read-only file is refused")
        << true
        << QStringList { "--overwrite", "--output-dir", "DIR", "IN", "--", "flip-vertical" };
    QTest::newRow("root replaces a read-only file as cp does")
        << false << QStringList { "-o", "TARGET", "IN", "flip-vertical" };
}

void tst_OutputSafety::readOnlyTarget()
{
    QFETCH(bool, asNobody);
    QFETCH(QStringList, arguments);
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (setpriv.isEmpty())
        QSKIP("setpriv is needed to run as another user");
    if (::geteuid() != 0)
        QSKIP("only root can run the program as a user who may not write the file");
    // A folder of nobody's own, which it may write: only the file's mode stands in the way.
    const QString dir = path(QStringLiteral("nobody"));
    QVERIFY(QDir().mkpath(dir + QStringLiteral("/in")));
    const QString input = dir + QStringLiteral("/in/picture.png");
    QVERIFY(pattern(21, 13).save(input));
    const QString target = dir + QStringLiteral("/picture.png");
    QVERIFY(pattern(13, 21).save(target));
    const uid_t owner = asNobody ? Nobody : ::geteuid();
    for (const QString &file : { m_dir->path(), dir, dir + QStringLiteral("/in"), input, target })
        QCOMPARE(::chown(QFile::encodeName(file).constData(), owner, owner), 0);
    QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755), 0);
    QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0444), 0);
    for (QString &argument : arguments)
        argument = argument == QLatin1String("IN") ? input
            : argument == QLatin1String("TARGET")  ? target
            : argument == QLatin1String("DIR")     ? dir
                                                   : argument;
    QStringList user;
    if (asNobody)
        user = { QStringLiteral("--reuid=%1").arg(Nobody), QStringLiteral("--regid=%1").arg(Nobody),
                 QStringLiteral("--clear-groups") };

    // The oracle: whether cp may replace the file for this user.
    const ProcessRun cp
        = runProcess(setpriv, user + QStringList { QStringLiteral("cp"), input, target });
    const QByteArray before = hashOf(target);
    const ino_t inode = inodeOf(target);
    QCOMPARE(::chmod(QFile::encodeName(target).constData(), 0444), 0);
    if (!asNobody)
        QVERIFY(pattern(13, 21).save(target)); // cp replaced it: the picture as before
    const QByteArray original = hashOf(target);

    const ProcessRun run = runProcess(setpriv, user + QStringList { Program } + arguments);
    if (asNobody) {
        QVERIFY2(cp.exitCode != 0, "cp could replace the file: it is not read-only for nobody");
        QCOMPARE(before, original);
        QVERIFY2(run.exitCode == 1, run.err.constData());
        QVERIFY2(run.err.contains(
                     QStringLiteral("cannot write %1: it is read-only").arg(target).toUtf8()),
                 run.err.constData());
        QCOMPARE(hashOf(target), original);
        QCOMPARE(inodeOf(target), inode);
    } else {
        QVERIFY2(cp.exitCode == 0, cp.err.constData());
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QString difference
            = differs(target, flippedByImageMagick(input, path(QStringLiteral("oracle.png"))));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
    const QStringList left = QDir(dir).entryList(QDir::Files | QDir::Hidden);
    QCOMPARE(left, QStringList { QStringLiteral("picture.png") });
}

void tst_OutputSafety::longestName_data()
{
    QTest::addColumn<bool>("batch");
    QTest::addColumn<QByteArray>("name"); // 255 bytes, the file system's limit
    const QByteArray ascii = QByteArray(251, 'n') + ".png";
    QByteArray accented;
    while (accented.size() < 250)
        accented += "\xc3\xa9"; // é, two bytes each
    accented += ".png";
    QTest::newRow("-o with a 255-byte name") << false << ascii;
    QTest::newRow("-o with a 254-byte accented name") << false << accented;
    QTest::newRow("batch output of a 255-byte input name") << true << ascii;
}

void tst_OutputSafety::longestName()
{
    QFETCH(bool, batch);
    QFETCH(QByteArray, name);
    QVERIFY(name.size() >= 254 && name.size() <= 255);
    const QString fileName = QFile::decodeName(name);
    const QString input
        = picture(batch ? QStringLiteral("in/") + fileName : QStringLiteral("in/picture.png"),
                  pattern(17, 11));
    QVERIFY(!input.isEmpty());
    const QString dir = path(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(dir));
    const QString output = QDir(dir).filePath(fileName);
    const ProcessRun run = batch
        ? runProcess(Program, { "--output-dir", dir, input, "--", "flip-vertical" })
        : runProcess(Program, { "-o", output, input, "flip-vertical" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QString difference
        = differs(output, flippedByImageMagick(input, path(QStringLiteral("oracle.png"))));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList { fileName });
}

void tst_OutputSafety::outputIsAnotherInput_data()
{
    // Files made in the test folder: "name" a picture, "name>target" a link. Names of the
    // inputs, then of the files that must keep their bytes.
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<QStringList>("inputs");
    QTest::addColumn<QString>("refused"); // the input refused up front
    QTest::addColumn<QString>("message"); // with OUT and OTHER for the two files it names
    QTest::addColumn<QStringList>("kept");
    QTest::newRow("a GIF's PNG output is the PNG input")
        << QStringList { "d/a.gif", "d/a.png" } << QStringList { "--overwrite" }
        << QStringList { "d/a.gif", "d/a.png" } << "d/a.gif"
        << "output OUT would replace OTHER, another input of this batch"
        << QStringList { "d/a.png" };
    QTest::newRow("an input from elsewhere has an input's name in the output folder")
        << QStringList { "other/b.jpg", "d/b.jpg" } << QStringList {}
        << QStringList { "other/b.jpg", "d/b.jpg" } << "other/b.jpg"
        << "output OUT would replace OTHER, another input of this batch"
        << QStringList { "d/b.jpg" };
    QTest::newRow("the output is a link to an input")
        << QStringList { "src/c.png", "d/real.png", "d/c.png>real.png" }
        << QStringList { "--overwrite" } << QStringList { "d/real.png", "src/c.png" } << "src/c.png"
        << "output OUT would replace OTHER, another input of this batch"
        << QStringList { "d/real.png" };
    QTest::newRow("two outputs are one file through a link")
        << QStringList { "p/e.png", "q/f.png", "d/e.png", "d/f.png>e.png" }
        << QStringList { "--overwrite" } << QStringList { "p/e.png", "q/f.png" } << "q/f.png"
        << "OUT is already the output of OTHER" << QStringList {};
    QTest::newRow("an in-place output is another input listed under its real name")
        << QStringList { "x/a.png", "d/b.png>../x/a.png" } << QStringList { "--in-place" }
        << QStringList { "d/b.png", "x/a.png" } << "d/b.png"
        << "output OUT would replace OTHER, another input of this batch"
        << QStringList { "x/a.png" };
    QTest::newRow("two outputs are one file through a dangling link")
        << QStringList { "x/g.png", "y/h.png", "d/h.png>g.png" } << QStringList { "--overwrite" }
        << QStringList { "x/g.png", "y/h.png" } << "y/h.png"
        << "OUT is already the output of OTHER" << QStringList {};
}

void tst_OutputSafety::outputIsAnotherInput()
{
    QFETCH(QStringList, files);
    QFETCH(QStringList, options);
    QFETCH(QStringList, inputs);
    QFETCH(QString, refused);
    QFETCH(QString, message);
    QFETCH(QStringList, kept);
    int size = 10;
    for (const QString &file : files) {
        const QStringList link = file.split(QLatin1Char('>'));
        QDir().mkpath(QFileInfo(path(link[0])).path());
        if (link.size() == 2) {
            QVERIFY(QFile::link(link[1], path(link[0])));
        } else if (file.endsWith(QLatin1String(".gif"))) {
            // Qt writes no GIF: ImageMagick does.
            QVERIFY(pattern(size, size + 3).save(path(QStringLiteral("gif.png"))));
            QCOMPARE(runProcess(QStringLiteral("/usr/bin/convert-im6.q16"),
                                { path(QStringLiteral("gif.png")), path(file) })
                         .exitCode,
                     0);
        } else {
            QVERIFY(!picture(file, pattern(size, size + 3)).isEmpty());
        }
        ++size;
    }
    QMap<QString, QByteArray> before;
    for (const QString &file : kept)
        before.insert(file, hashOf(path(file)));
    QStringList arguments = options + QStringList { "--output-dir", path(QStringLiteral("d")) };
    for (const QString &input : inputs)
        arguments << path(input);
    const ProcessRun run
        = runProcess(Program, arguments + QStringList { QStringLiteral("--"), "flip-vertical" });
    QVERIFY2(run.exitCode == 1, run.err.constData());

    // Named both files: the output and the other input (or the other output's input).
    const QString output = path(
        QStringLiteral("d/") + QFileInfo(refused).completeBaseName()
        + (refused.endsWith(QLatin1String(".gif")) ? ".png" : "." + QFileInfo(refused).suffix()));
    QString other;
    for (const QString &input : inputs) {
        if (input != refused)
            other = path(input);
    }
    const QString line
        = QStringLiteral("lumora-edit: %1: %2")
              .arg(path(refused), QString(message).replace("OUT", output).replace("OTHER", other));
    QVERIFY2(lines(run.err).contains(line), qPrintable(line + QLatin1Char('\n') + run.err));
    for (auto it = before.cbegin(); it != before.cend(); ++it)
        QVERIFY2(hashOf(path(it.key())) == it.value(), qPrintable(it.key()));
}

void tst_OutputSafety::killedWorkerLeavesNothing_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGKILL, as from the OOM killer") << int(SIGKILL);
    QTest::newRow("SIGSEGV, as from a crash in a decoder") << int(SIGSEGV);
}

void tst_OutputSafety::killedWorkerLeavesNothing()
{
    QFETCH(int, signal);
    // Pictures large enough that a worker is caught writing; one at a time, so that the
    // one writing is the batch's only child.
    const QString first = picture(QStringLiteral("in/p0.bmp"), pattern(2400, 1600));
    QVERIFY(!first.isEmpty());
    QStringList inputs { first };
    for (int i = 1; i < 3; ++i) {
        inputs << path(QStringLiteral("in/p%1.bmp").arg(i));
        QVERIFY(QFile::copy(first, inputs.last()));
    }
    const QString dir = path(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(dir));

    // A file opened for writing in the output folder, named or not (O_TMPFILE shows as
    // "#inode"), tells that a worker writes.
    const int watch = ::inotify_init1(IN_CLOEXEC);
    QVERIFY(watch >= 0);
    QVERIFY(::inotify_add_watch(watch, QFile::encodeName(dir).constData(),
                                IN_CREATE | IN_OPEN | IN_MODIFY)
            >= 0);
    QProcess batch;
    // In a sanitizer build, AddressSanitizer would catch the SIGSEGV and turn it into an
    // exit status; the worker is to die by the signal, as a plain build's does.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("ASAN_OPTIONS"),
                       environment.value(QStringLiteral("ASAN_OPTIONS"))
                           + QStringLiteral(":handle_segv=0"));
    batch.setProcessEnvironment(environment);
    // No core file of the crashed worker in the test's folder: prlimit execs the batch,
    // which keeps its pid.
    batch.start(QStringLiteral("prlimit"),
                QStringList { "--core=0:0", Program, "--jobs", "1", "--output-dir", dir } + inputs
                    + QStringList { QStringLiteral("--"), "flip-vertical" });
    QVERIFY(batch.waitForStarted());
    pid_t killed = 0;
    while (killed == 0) {
        pollfd ready { watch, POLLIN, 0 };
        QVERIFY2(::poll(&ready, 1, 300000) == 1, "no worker wrote");
        char events[4096];
        if (::read(watch, events, sizeof events) <= 0)
            continue;
        // The writer is the batch's only child: killed in the middle of its write.
        QFile children(QStringLiteral("/proc/%1/task/%1/children").arg(batch.processId()));
        QVERIFY(children.open(QIODevice::ReadOnly));
        const QList<QByteArray> pids = children.readAll().simplified().split(' ');
        QCOMPARE(pids.size(), 1);
        killed = pids.first().toInt();
        QVERIFY(killed > 0);
        QCOMPARE(::kill(killed, signal), 0);
    }
    ::close(watch);
    QVERIFY(batch.waitForFinished(300000));
    const QByteArray err = batch.readAllStandardError();
    QVERIFY2(batch.exitCode() == 1, err.constData());
    QVERIFY2(err.contains(QStringLiteral(": its run ended by signal %1 (").arg(signal).toUtf8()),
             err.constData());
    QVERIFY2(err.contains("2 pictures edited, 1 failed"), err.constData());

    // Whole outputs of the two others, and nothing else: no temporary file of the dead one.
    const QStringList left = QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System);
    QCOMPARE(left.size(), 2);
    const QImage expected = flippedByImageMagick(first, path(QStringLiteral("oracle.png")));
    for (const QString &name : left) {
        const QString difference = differs(QDir(dir).filePath(name), expected);
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    }
}

void tst_OutputSafety::systemLimits_data()
{
    QTest::addColumn<QString>("limit"); // as prlimit takes it
    QTest::addColumn<bool>("asNobody"); // a process limit holds for users but root
    QTest::addColumn<QString>("jobs");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("note"); // the first line, or none
    QTest::newRow("--jobs 10000 under 64 open files is capped")
        << "--nofile=64:64" << false << "10000" << 60
        << "lumora-edit: --jobs 10000 is more than this machine runs at once: ";
    // Three processes (threads count too) for the user: most runs cannot start at once
    // and wait for one to end.
    QTest::newRow("runs that cannot start under a process limit wait")
        << "--nproc=3:3" << true << "8" << 12 << QString();
}

void tst_OutputSafety::systemLimits()
{
    QFETCH(QString, limit);
    QFETCH(bool, asNobody);
    QFETCH(QString, jobs);
    QFETCH(int, count);
    QFETCH(QString, note);
    const QString prlimit = QStandardPaths::findExecutable(QStringLiteral("prlimit"));
    if (prlimit.isEmpty())
        QSKIP("prlimit (util-linux) is needed to lower the limit");
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (asNobody && (setpriv.isEmpty() || ::geteuid() != 0))
        QSKIP("root and setpriv are needed to run as a user the process limit holds for");
    QStringList inputs;
    for (int i = 0; i < count; ++i)
        inputs << picture(QStringLiteral("in/p%1.png").arg(i), pattern(8 + i % 5, 6 + i % 3));
    const QString dir = path(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(dir));
    QStringList command { prlimit, limit, Program, "--jobs", jobs, "--output-dir", dir };
    if (asNobody) {
        for (const QString &file : { m_dir->path(), dir })
            QCOMPARE(::chown(QFile::encodeName(file).constData(), Nobody, Nobody), 0);
        QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755), 0);
        command = QStringList { QStringLiteral("--reuid=%1").arg(Nobody),
                                QStringLiteral("--regid=%1").arg(Nobody),
                                QStringLiteral("--clear-groups") }
            + command;
    }
    const ProcessRun run
        = runProcess(asNobody ? setpriv : command.takeFirst(),
                     command + inputs + QStringList { QStringLiteral("--"), "flip-vertical" });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    const QStringList got = lines(run.err);
    if (!note.isEmpty())
        QVERIFY2(got.first().startsWith(note), run.err.constData());
    QCOMPARE(got.filter(QRegularExpression(QStringLiteral("^done "))).size(), count);
    QCOMPARE(got.size(), count + 1 + (note.isEmpty() ? 0 : 1));
    QVERIFY2(got.last().startsWith(QStringLiteral("%1 pictures edited, 0 failed").arg(count)),
             run.err.constData());
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), count);
    const QString oracle = path(QStringLiteral("oracle.png"));
    const QString difference = differs(QDir(dir).filePath(QStringLiteral("p7.png")),
                                       flippedByImageMagick(inputs.at(7), oracle));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void tst_OutputSafety::numbers_data()
{
    QTest::addColumn<QStringList>("options");
    QTest::addColumn<bool>("batch");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("message");
    const auto row = [](const char *name, const QStringList &options, bool batch, int code,
                        const QString &message) {
        QTest::newRow(name) << options << batch << code << message;
    };
    const QString threads = QStringLiteral("--threads takes a number from 1 to ");
    row("threads past what a process starts", { "--threads", "65536" }, false, 2, threads);
    row("threads at the largest int", { "--threads", "2147483647" }, false, 2, threads);
    row("threads overflowing an int", { "--threads", "99999999999999999999" }, false, 2, threads);
    row("threads negative", { "--threads", "-4" }, false, 2, threads);
    row("threads zero", { "--threads", "0" }, false, 2, threads);
    row("threads garbage", { "--threads", "four" }, false, 2, threads);
    row("threads with a space", { "--threads", " 4" }, false, 2, threads);
    row("threads within range", { "--threads", "3" }, false, 0, QString());
    const QString quality = QStringLiteral("--quality takes a number from 1 to 100");
    row("quality past 100", { "--quality", "101" }, false, 2, quality);
    row("quality with a sign", { "--quality", "+90" }, false, 2, quality);
    row("quality in exponent form", { "--quality", "1e2" }, false, 2, quality);
    const QString jobs = QStringLiteral("--jobs takes a number of pictures at a time");
    row("jobs negative", { "--jobs", "-1" }, true, 2, jobs);
    row("jobs overflowing an int", { "--jobs", "4294967297" }, true, 2, jobs);
    row("jobs garbage", { "--jobs", "2x" }, true, 2, jobs);
    row("jobs within range", { "--jobs", "2" }, true, 0, QString());
}

void tst_OutputSafety::numbers()
{
    QFETCH(QStringList, options);
    QFETCH(bool, batch);
    QFETCH(int, exitCode);
    QFETCH(QString, message);
    const QString input = picture(QStringLiteral("in/p.jpg"), pattern(19, 9));
    const QString dir = path(QStringLiteral("out"));
    QVERIFY(QDir().mkpath(dir));
    const ProcessRun run = runProcess(
        Program,
        options
            + (batch
                   ? QStringList { "--output-dir", dir, input, "--", "flip-vertical" }
                   : QStringList { "-o", dir + QStringLiteral("/p.jpg"), input, "flip-vertical" }));
    QVERIFY2(run.exitCode == exitCode, run.err.constData());
    if (exitCode == 0) {
        QVERIFY(!QImage(dir + QStringLiteral("/p.jpg")).isNull());
        return;
    }
    const QStringList got = lines(run.err);
    QCOMPARE(got.size(), 2);
    QVERIFY2(got.first().startsWith(QStringLiteral("lumora-edit: ") + message),
             run.err.constData());
    QVERIFY2(got.first().endsWith(QStringLiteral(", not '%1'").arg(options.last())),
             run.err.constData());
    QVERIFY2(got.last().startsWith(QLatin1String("Usage: ")), run.err.constData());
    QVERIFY(QDir(dir).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void tst_OutputSafety::hostileMetadataEscaped_data()
{
    QTest::addColumn<QString>("tag"); // as exiftool names it
    QTest::addColumn<QString>("value");
    QTest::addColumn<QString>("shown"); // the line --info prints
    QTest::newRow("OSC 52 writes the clipboard")
        << "Model" << Osc52 << "Camera: \\x1b]52;c;aGFja2Vk\\x07";
    QTest::newRow("CSI clears the screen") << "Artist"
                                           << "\x1b[2J\x1b[Hme"
                                           << "Artist: \\x1b[2J\\x1b[Hme";
    QTest::newRow("OSC sets the title, ended by ST in C1")
        << "Copyright" << QStringLiteral("\u009d0;owned\u009c (c) me")
        << "Copyright: \\u009d0;owned\\u009c (c) me";
    QTest::newRow("right-to-left override turns the line")
        << "Software" << QStringLiteral("gpj.\u202eexe \u2066x\u2069 \u200f\u061c")
        << "Software: gpj.\\u202eexe \\u2066x\\u2069 \\u200f\\u061c";
    QTest::newRow("a new line passes for another field")
        << "Artist" << QStringLiteral("me\nGPS: 1.0, 2.0\rDEL\x7f")
        << "Artist: me\\nGPS: 1.0, 2.0\\rDEL\\x7f";
    QTest::newRow("a backslash stays unambiguous")
        << "Artist" << QStringLiteral("C:\\x1b") << "Artist: C:\\\\x1b";
    QTest::newRow("Arabic and emoji stay as they are")
        << "Artist" << QStringLiteral("مصور 📷") << QStringLiteral("Artist: مصور 📷");
}

void tst_OutputSafety::hostileMetadataEscaped()
{
    QFETCH(QString, tag);
    QFETCH(QString, value);
    QFETCH(QString, shown);
    const QString exiftool = QStandardPaths::findExecutable(QStringLiteral("exiftool"));
    if (exiftool.isEmpty())
        QSKIP("exiftool is needed to write the metadata");
    const QString photo = picture(QStringLiteral("photo.jpg"), pattern(24, 16));
    const ProcessRun written = runProcess(exiftool,
                                          { "-q", "-overwrite_original", "-charset", "exif=utf8",
                                            QStringLiteral("-%1=%2").arg(tag, value), photo });
    QVERIFY2(written.exitCode == 0, written.err.constData());
    // The oracle holds the value byte for byte: what --info is to show, escaped.
    const ProcessRun read = runProcess(
        exiftool, { "-b", "-charset", "exif=utf8", QStringLiteral("-%1").arg(tag), photo });
    QCOMPARE(QString::fromUtf8(read.out), value);

    const ProcessRun info = runProcess(Program, { "--info", photo });
    QVERIFY2(info.exitCode == 0, info.err.constData());
    const QString controls = terminalControls(info.out + info.err);
    QVERIFY2(controls.isEmpty(), qPrintable(controls));
    QVERIFY2(lines(info.out).contains(shown),
             qPrintable(shown + QStringLiteral("\nnot in:\n") + QString::fromUtf8(info.out)));
}

void tst_OutputSafety::hostileNamesInBatch_data()
{
    QTest::addColumn<QByteArray>("name"); // of the input, as bytes
    QTest::addColumn<QString>("shown"); // as a batch line shows it
    QTest::newRow("a new line forges a done line")
        << QByteArray("a\ndone x.png -> y.png\n.png") << "a\\ndone x.png -> y.png\\n.png";
    QTest::newRow("a new line forges a trace line")
        << QByteArray("b\n{\"plugin\":\"x\"}\n.png") << "b\\n{\"plugin\":\"x\"}\\n.png";
    QTest::newRow("ESC clears the screen") << QByteArray("c\x1b[2J.png") << "c\\x1b[2J.png";
    QTest::newRow("a carriage return hides the start") << QByteArray("d\rok.png") << "d\\rok.png";
    QTest::newRow("right-to-left override")
        << QByteArray("e\xe2\x80\xaegnp.png") << "e\\u202egnp.png";
    QTest::newRow("a byte that is no UTF-8 with a bell")
        << QByteArray("f\xe9\x07.png") << "f\\xe9\\x07.png";
    QTest::newRow("a line separator breaks the line")
        << QByteArray("g\xe2\x80\xa8h.png") << "g\\u2028h.png";
    QTest::newRow("a zero-width space hides in a name")
        << QByteArray("i\xe2\x80\x8bj.png") << "i\\u200bj.png";
}

void tst_OutputSafety::hostileNamesInBatch()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, shown);
    const QByteArray base = QFile::encodeName(m_dir->path());
    QVERIFY(QDir().mkpath(path(QStringLiteral("in"))));
    QVERIFY(QDir().mkpath(path(QStringLiteral("out"))));
    const QImage image = pattern(15, 10);
    QVERIFY(image.save(path(QStringLiteral("in.png"))));
    QFile source(path(QStringLiteral("in.png")));
    QVERIFY(source.open(QIODevice::ReadOnly));
    const QByteArray bytes = source.readAll();
    // The hostile picture, a damaged one with a hostile name, and a plain one.
    const QByteArray hostile = base + "/in/" + name;
    const QByteArray damaged = base + "/in/bad" + name;
    for (const auto &[file, contents] :
         { std::pair { hostile, bytes }, std::pair { damaged, bytes.left(40) } }) {
        const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        QVERIFY(fd >= 0);
        QCOMPARE(::write(fd, contents.constData(), size_t(contents.size())),
                 ssize_t(contents.size()));
        ::close(fd);
    }
    const QString plain = picture(QStringLiteral("in/plain.png"), image);
    // QTemporaryDir removes by QString, which cannot name a byte that is no UTF-8.
    const auto removeHostile = qScopeGuard([=] {
        for (const QByteArray &file : { hostile, damaged, QFile::encodeName(path("out/")) + name })
            ::unlink(file.constData());
    });

    const QByteArray out = QFile::encodeName(path(QStringLiteral("out")));
    const ProcessRun run
        = runBytes({ QFile::encodeName(Program), "--trace", "--output-dir", out, hostile, damaged,
                     QFile::encodeName(plain), "--", "flip-vertical" });
    QVERIFY2(run.exitCode == 1, run.err.constData());
    const QString controls = terminalControls(run.err);
    QVERIFY2(controls.isEmpty(), qPrintable(controls));

    // Every line whole: the batch's own (one per picture and the summary) or a trace line
    // of the two pictures edited, as many as a single run of the plain one traces.
    const ProcessRun single = runProcess(
        Program, { "--trace", "-o", path(QStringLiteral("single.png")), plain, "flip-vertical" });
    QCOMPARE(single.exitCode, 0);
    const qsizetype traced = lines(single.err).size();
    QVERIFY(traced > 0);
    const QString dir = path(QStringLiteral("out"));
    const QString in = path(QStringLiteral("in/"));
    QStringList ours;
    qsizetype json = 0;
    for (const QString &line : lines(run.err)) {
        if (line.startsWith(QLatin1Char('{'))) {
            QJsonParseError error;
            QJsonDocument::fromJson(line.toUtf8(), &error);
            QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(line));
            ++json;
        } else {
            ours << line;
        }
    }
    QCOMPARE(json, 2 * traced);
    // What the decoder wrote of the damaged picture comes as lines of that picture, before
    // the one that says it failed.
    const QString failed = QStringLiteral("lumora-edit: %1bad%2: ").arg(in, shown);
    qsizetype failure = -1;
    for (qsizetype i = 0; i < ours.size(); ++i) {
        if (ours.at(i).startsWith(failed))
            failure = i;
    }
    QVERIFY2(failure >= 0, qPrintable(failed + QLatin1Char('\n') + run.err));
    for (qsizetype i = failure; i-- > 0;) {
        if (ours.at(i).startsWith(failed))
            ours.removeAt(i);
    }
    QCOMPARE(ours.size(), 4);
    const QString done = QStringLiteral("done %1%2 -> %3/%2").arg(in, shown, dir);
    QVERIFY2(ours.contains(done), qPrintable(done + QLatin1Char('\n') + run.err));
    QVERIFY2(ours.contains(QStringLiteral("done %1plain.png -> %2/plain.png").arg(in, dir)),
             run.err.constData());
    QVERIFY2(ours.filter(failed).size() == 1 && ours.filter(failed).first().startsWith(failed),
             qPrintable(failed + QLatin1Char('\n') + run.err));
    QVERIFY2(ours.last().startsWith(QLatin1String("2 pictures edited, 1 failed")),
             run.err.constData());

    // The output has the hostile name, byte for byte, and the picture flipped.
    QFile output;
    const int fd = ::open((out + '/' + name).constData(), O_RDONLY);
    QVERIFY(fd >= 0);
    QVERIFY(output.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    // A copy under a plain name, for the comparison.
    QFile copy(path(QStringLiteral("hostile-output.png")));
    QVERIFY(copy.open(QIODevice::WriteOnly));
    QVERIFY(copy.write(output.readAll()) > 0);
    copy.close();
    const QString difference = differs(
        copy.fileName(),
        flippedByImageMagick(path(QStringLiteral("in.png")), path(QStringLiteral("o.png"))));
    QVERIFY2(difference.isEmpty(), qPrintable(difference));
}

void tst_OutputSafety::hostileNameInSingleRun()
{
    const QString input = picture(QStringLiteral("p.png"), pattern(12, 7));
    const QString output = path(QStringLiteral("no\x1b]0;title\a\nfolder/\u202eout.png"));
    const ProcessRun run = runProcess(Program, { "-o", output, input, "flip-vertical" });
    QCOMPARE(run.exitCode, 1);
    const QString controls = terminalControls(run.err);
    QVERIFY2(controls.isEmpty(), qPrintable(controls));
    QCOMPARE(lines(run.err).size(), 1);
    QVERIFY2(run.err.contains("no\\x1b]0;title\\x07\\nfolder/\\u202eout.png"), run.err.constData());
}

void tst_OutputSafety::namesShownOneWay_data()
{
    QTest::addColumn<QByteArray>("name"); // of a picture, as bytes
    QTest::addColumn<QString>("shown"); // in the single run's message
    QTest::newRow("a byte that is no UTF-8 shows as in batch lines")
        << QByteArray("caf\xe9.png") << "caf\\xe9.png";
    QTest::newRow("names one byte apart do not look the same")
        << QByteArray("caf\xe8.png") << "caf\\xe8.png";
    QTest::newRow("a paragraph separator is escaped")
        << QByteArray("k\xe2\x80\xa9l.png") << "k\\u2029l.png";
    QTest::newRow("a word joiner is escaped")
        << QByteArray("m\xe2\x81\xa0n.png") << "m\\u2060n.png";
    QTest::newRow("a byte order mark in a name is kept and escaped")
        << QByteArray("o\xef\xbb\xbfp.png") << "o\\ufeffp.png";
}

void tst_OutputSafety::namesShownOneWay()
{
    QFETCH(QByteArray, name);
    QFETCH(QString, shown);
    const QByteArray file = QFile::encodeName(m_dir->path()) + '/' + name;
    QVERIFY(pattern(9, 5).save(path(QStringLiteral("plain.png"))));
    // A second name for the file: QFile cannot name a byte that is no UTF-8.
    QCOMPARE(
        ::link(QFile::encodeName(path(QStringLiteral("plain.png"))).constData(), file.constData()),
        0);
    const auto remove = qScopeGuard([=] { ::unlink(file.constData()); });
    // Its own output without --in-place: refused, a usage error naming it.
    const ProcessRun run
        = runBytes({ QFile::encodeName(Program), "-o", file, file, "flip-vertical" });
    QCOMPARE(run.exitCode, 2);
    const QString message = QString::fromUtf8(run.err);
    QVERIFY2(message.contains(shown), qPrintable(shown + QLatin1Char('\n') + message));
    QVERIFY2(!message.contains(QChar::ReplacementCharacter), run.err.constData());
}

void tst_OutputSafety::replacedFileKeepsAttributes_data()
{
    QTest::addColumn<QString>("tool"); // sets the attribute on the file named last
    QTest::addColumn<QStringList>("set");
    QTest::addColumn<QString>("reader"); // prints them, the oracle
    QTest::addColumn<QStringList>("read");
    QTest::addColumn<bool>("inPlace"); // else -o onto an existing file
    QTest::addColumn<QString>("lost"); // the attribute the run cannot keep and says so
    QTest::newRow("a user tag survives an in-place edit")
        << "setfattr" << QStringList { "-n", "user.xdg.tags", "-v", "holiday" } << "getfattr"
        << QStringList { "-d", "-m", "^user\\." } << true << QString();
    QTest::newRow("an ACL granting a colleague write survives -o onto the file")
        << "setfacl" << QStringList { "-m", "u:65534:rw" } << "getfacl" << QStringList { "-c" }
        << false << QString();
    // Only root may give a file capabilities: a user replacing the file cannot keep them.
    QTest::newRow("an attribute the user may not set is said, not dropped silently")
        << "setfattr"
        << QStringList { "-n", "security.capability", "-v",
                         "0x0100000200040000000000000000000000000000" }
        << "getfattr" << QStringList { "-d", "-m", "^security\\.capability" } << true
        << "security.capability";
}

void tst_OutputSafety::replacedFileKeepsAttributes()
{
    QFETCH(QString, tool);
    QFETCH(QStringList, set);
    QFETCH(QString, reader);
    QFETCH(QStringList, read);
    QFETCH(bool, inPlace);
    QFETCH(QString, lost);
    const QString setter = QStandardPaths::findExecutable(tool);
    const QString getter = QStandardPaths::findExecutable(reader);
    if (setter.isEmpty() || getter.isEmpty())
        QSKIP("setfattr/getfattr (attr) and setfacl/getfacl (acl) are needed");
    const QString setpriv = QStandardPaths::findExecutable(QStringLiteral("setpriv"));
    if (!lost.isEmpty() && (::geteuid() != 0 || setpriv.isEmpty()))
        QSKIP("only root can set the attribute and run the program as a user who cannot");
    // On the disk under the build tree: tmpfs may hold no user attributes.
    QTemporaryDir dir(QDir::currentPath() + QStringLiteral("/attributes-XXXXXX"));
    QVERIFY(dir.isValid());
    const QString input = dir.filePath(QStringLiteral("in.png"));
    QVERIFY(pattern(19, 12).save(input));
    const QString target = inPlace ? input : dir.filePath(QStringLiteral("target.png"));
    if (!inPlace)
        QVERIFY(pattern(12, 19).save(target));
    QStringList user;
    if (!lost.isEmpty()) {
        // nobody's own file in a folder it may write: only the attribute is beyond it.
        for (const QString &file : { dir.path(), target })
            QCOMPARE(::chown(QFile::encodeName(file).constData(), Nobody, Nobody), 0);
        user = { setpriv, QStringLiteral("--reuid=%1").arg(Nobody),
                 QStringLiteral("--regid=%1").arg(Nobody), QStringLiteral("--clear-groups") };
    }
    const ProcessRun marked = runProcess(setter, set + QStringList { target });
    if (marked.exitCode != 0)
        QSKIP(qPrintable(QStringLiteral("this file system holds no such attribute: ")
                         + QString::fromUtf8(marked.err)));
    const ProcessRun before = runProcess(getter, read + QStringList { target });
    QCOMPARE(before.exitCode, 0);
    QVERIFY(!before.out.trimmed().isEmpty());
    const ino_t inode = inodeOf(target);

    const QStringList command = user + QStringList { Program }
        + (inPlace ? QStringList { "--in-place" } : QStringList {})
        + QStringList { "-o", target, input, "flip-vertical" };
    const ProcessRun run = runProcess(command.first(), command.mid(1));
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QVERIFY(inodeOf(target) != inode); // replaced, not written over
    const ProcessRun after = runProcess(getter, read + QStringList { target });
    QCOMPARE(after.exitCode, 0);
    if (lost.isEmpty()) {
        QVERIFY2(run.err.isEmpty(), run.err.constData());
        QCOMPARE(after.out, before.out);
    } else {
        QVERIFY2(after.out.trimmed().isEmpty(), after.out.constData());
        const QString warning = QStringLiteral("lumora-edit: warning: %1 lost its extended "
                                               "attribute %2: ")
                                    .arg(target, lost);
        QVERIFY2(lines(run.err).size() == 1 && lines(run.err).first().startsWith(warning),
                 qPrintable(warning + QLatin1Char('\n') + run.err));
    }
}

void tst_OutputSafety::linkInSharedFolder_data()
{
    QTest::addColumn<uid_t>("folderOwner");
    QTest::addColumn<uid_t>("linkOwner");
    QTest::addColumn<bool>("followed");
    QTest::newRow("another user's link in a sticky shared folder is refused")
        << uid_t(0) << Nobody << false;
    QTest::newRow("the folder owner's link in a sticky shared folder is followed")
        << Nobody << Nobody << true;
    QTest::newRow("the user's own link in a sticky shared folder is followed")
        << Nobody << uid_t(0) << true;
}

void tst_OutputSafety::linkInSharedFolder()
{
    QFETCH(uid_t, folderOwner);
    QFETCH(uid_t, linkOwner);
    QFETCH(bool, followed);
    if (::geteuid() != 0)
        QSKIP("only root can give a link and a folder to another user");
    const QString shared = path(QStringLiteral("shared"));
    QVERIFY(QDir().mkpath(shared));
    QCOMPARE(::chmod(QFile::encodeName(m_dir->path()).constData(), 0755), 0);
    QCOMPARE(::chown(QFile::encodeName(shared).constData(), folderOwner, folderOwner), 0);
    QCOMPARE(::chmod(QFile::encodeName(shared).constData(), 01777), 0);
    const QString target = picture(QStringLiteral("shared/target.png"), pattern(14, 9));
    QVERIFY(!target.isEmpty());
    const QString link = shared + QStringLiteral("/link.png");
    QVERIFY(QFile::link(QStringLiteral("target.png"), link));
    QCOMPARE(::lchown(QFile::encodeName(link).constData(), linkOwner, linkOwner), 0);
    const QString input = picture(QStringLiteral("in.png"), pattern(9, 14));
    const QByteArray before = hashOf(target);

    const ProcessRun run = runProcess(Program, { "-o", link, input, "flip-vertical" });
    if (followed) {
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QString difference
            = differs(target, flippedByImageMagick(input, path(QStringLiteral("oracle.png"))));
        QVERIFY2(difference.isEmpty(), qPrintable(difference));
    } else {
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("a link in a shared folder that another user owns"),
                 run.err.constData());
        QCOMPARE(hashOf(target), before);
    }
    QVERIFY(QFileInfo(link).isSymLink());
}

QTEST_GUILESS_MAIN(tst_OutputSafety)

#include "tst_outputsafety.moc"
