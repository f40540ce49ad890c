// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-edit over many pictures at once (--output-dir), run as a user runs it: the
// outputs against single runs of the same edits, failures that stop no other picture,
// outputs never replaced unasked, a clean stop on a signal, the progress bar on a
// real pseudo-terminal.

#include <QBuffer>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileSystemWatcher>
#include <QImage>
#include <QJsonDocument>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray err;
};

Run lumoraEdit(const QStringList &arguments)
{
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.start(QStringLiteral(LUMORA_EDIT), arguments);
    Run run;
    if (!process.waitForFinished(300000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.err = process.readAllStandardError();
    return run;
}

// No symmetry, and noise that keeps a JPEG encoder busy: every turn is told apart
// and a large picture takes a while.
QImage pattern(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    quint32 noise = 12345;
    for (int y = 0; y < height; ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            noise = noise * 1103515245u + 12345u;
            const int n = int(noise >> 28);
            line[x] = qRgb((x * 7 + y) % 200 + 20 + n, (y * 5) % 180 + 30 + n, (x * y) % 150 + 50);
        }
    }
    return image;
}

struct TerminalRun
{
    int exitCode = -1;
    QByteArray screen; // all it wrote, as bytes
    bool interrupted = false; // Ctrl-C was typed
};

// Runs lumora-edit with standard input, output and error on a new pseudo-terminal,
// the arguments as bytes. Once `interruptAt` shows, types Ctrl-C.
TerminalRun onTerminal(QList<QByteArray> arguments, const QByteArray &interruptAt = QByteArray())
{
    arguments.prepend(QByteArrayLiteral(LUMORA_EDIT));
    std::vector<char *> argv;
    for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    TerminalRun run;
    int master = -1;
    struct winsize size = {};
    size.ws_col = 100;
    size.ws_row = 30;
    const pid_t pid = ::forkpty(&master, nullptr, nullptr, &size);
    if (pid < 0)
        return run;
    if (pid == 0) {
        // Bytes as written: no "\n" to "\r\n", so that every "\r" is the program's own.
        struct termios mode;
        if (::tcgetattr(STDOUT_FILENO, &mode) == 0) {
            mode.c_oflag &= ~tcflag_t(OPOST);
            ::tcsetattr(STDOUT_FILENO, TCSANOW, &mode);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    for (;;) {
        struct pollfd ready = { master, POLLIN, 0 };
        if (::poll(&ready, 1, 300000) <= 0)
            break; // a deadline, not a wait: the run hangs
        char buffer[4096];
        const ssize_t n = ::read(master, buffer, sizeof buffer);
        if (n <= 0)
            break; // EIO once the program has closed the terminal
        run.screen.append(buffer, n);
        if (!run.interrupted && !interruptAt.isEmpty() && run.screen.contains(interruptAt)) {
            // The terminal sends SIGINT to its foreground process group, as for a person.
            [[maybe_unused]] const ssize_t typed = ::write(master, "\x03", 1);
            run.interrupted = true;
        }
    }
    ::close(master);
    int status = 0;
    if (::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        run.exitCode = WEXITSTATUS(status);
    return run;
}

QStringList lines(const QByteArray &err)
{
    return QString::fromUtf8(err).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

const QStringList edits { QStringLiteral("rotate-right"), QStringLiteral("resize=50"),
                          QStringLiteral("effect=sepia") };

const QRegularExpression
    summary(QStringLiteral(R"(^(\d+) pictures? edited, (\d+) failed in \d+\.\d s \(\d+\.\d/s\)$)"));

} // namespace

class tst_Batch : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init();
    void outputsMatchSingleRuns();
    void damagedInputStopsNoOther();
    void existingOutputIsKeptUnlessOverwrite();
    void sameOutputNameEditsTheFirstOnly();
    void ownInputNeedsInPlace();
    void singlePictureSyntaxKeepsItsDashDash();
    void usageErrors_data();
    void usageErrors();
    void traceLinesStayWhole();
    void signalStopsCleanly_data();
    void signalStopsCleanly();
    void progressBarOnTerminal();
    void namesInAnyEncoding();

private:
    QScopedPointer<QTemporaryDir> m_dir;
    QString path(const QString &name) const { return m_dir->filePath(name); }
    // Writes `image` as `name` in the test folder; returns its path.
    QString picture(const QString &name, const QImage &image) const;
    // The output a single run of the edits makes of `input`, decoded.
    QImage singleRun(const QString &input, const QString &name) const;
    QString outputDir() const;
};

void tst_Batch::init()
{
    m_dir.reset(new QTemporaryDir);
    QVERIFY(m_dir->isValid());
}

QString tst_Batch::picture(const QString &name, const QImage &image) const
{
    const QString file = path(name);
    QDir().mkpath(QFileInfo(file).path());
    if (!image.save(file))
        qWarning("cannot write %s", qPrintable(file));
    return file;
}

QImage tst_Batch::singleRun(const QString &input, const QString &name) const
{
    QDir().mkpath(path(QStringLiteral("single")));
    const QString output = path(QStringLiteral("single/") + name);
    const Run run = lumoraEdit(QStringList { QStringLiteral("-o"), output, input } + edits);
    if (run.exitCode != 0)
        qWarning("single run of %s: %s", qPrintable(input), run.err.constData());
    return QImage(output);
}

QString tst_Batch::outputDir() const
{
    const QString dir = path(QStringLiteral("out"));
    QDir().mkpath(dir);
    return dir;
}

void tst_Batch::outputsMatchSingleRuns()
{
    // Sides that differ from each other and between pictures; three formats.
    const QStringList inputs { picture(QStringLiteral("in/wide.jpg"), pattern(64, 40)),
                               picture(QStringLiteral("in/tall.png"), pattern(30, 52)),
                               picture(QStringLiteral("in/small.bmp"), pattern(18, 12)),
                               picture(QStringLiteral("in/large.jpg"), pattern(301, 157)) };
    const QString dir = outputDir();
    const Run run = lumoraEdit(QStringList { QStringLiteral("--output-dir"), dir } + inputs
                               + QStringList { QStringLiteral("--") } + edits);
    QVERIFY2(run.exitCode == 0, run.err.constData());

    for (const QString &input : inputs) {
        const QString name = QFileInfo(input).fileName();
        const QImage batch(QDir(dir).filePath(name));
        const QImage single = singleRun(input, name);
        QVERIFY2(!single.isNull(), qPrintable(name));
        QCOMPARE(batch.size(), single.size());
        QVERIFY2(batch == single, qPrintable(name));
    }
    QCOMPARE(QDir(dir).entryList(QDir::Files | QDir::Hidden).size(), inputs.size());

    // Off a terminal: one line per picture, in any order, then the summary.
    QVERIFY(!run.err.contains('\r'));
    const QStringList got = lines(run.err);
    QCOMPARE(got.size(), inputs.size() + 1);
    for (const QString &input : inputs) {
        const QString line = QStringLiteral("done %1 -> %2")
                                 .arg(input, QDir(dir).filePath(QFileInfo(input).fileName()));
        QVERIFY2(got.contains(line), qPrintable(line + QLatin1Char('\n') + run.err));
    }
    const QRegularExpressionMatch last = summary.match(got.last());
    QVERIFY2(last.hasMatch(), qPrintable(got.last()));
    QCOMPARE(last.captured(1), QStringLiteral("4"));
    QCOMPARE(last.captured(2), QStringLiteral("0"));
}

void tst_Batch::damagedInputStopsNoOther()
{
    const QString good1 = picture(QStringLiteral("first.jpg"), pattern(50, 30));
    const QString good2 = picture(QStringLiteral("third.png"), pattern(20, 44));
    const QString whole = picture(QStringLiteral("whole.jpg"), pattern(80, 60));
    QFile file(whole);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const QString damaged = path(QStringLiteral("second.jpg"));
    QFile cut(damaged);
    QVERIFY(cut.open(QIODevice::WriteOnly));
    cut.write(bytes.left(bytes.size() / 2)); // cut short in the middle of its scans
    cut.close();

    const QString dir = outputDir();
    const Run run = lumoraEdit({ QStringLiteral("--output-dir"), dir, good1, damaged, good2,
                                 QStringLiteral("--"), QStringLiteral("flip-vertical"),
                                 QStringLiteral("effect=greyscale") });
    QCOMPARE(run.exitCode, 1);
    const QStringList got = lines(run.err);
    QVERIFY2(got.filter(QStringLiteral("lumora-edit: %1: ").arg(damaged)).size() == 1,
             run.err.constData());
    QVERIFY2(got.contains(QStringLiteral("done %1 -> %2/first.jpg").arg(good1, dir)),
             run.err.constData());
    QVERIFY2(got.contains(QStringLiteral("done %1 -> %2/third.png").arg(good2, dir)),
             run.err.constData());
    QVERIFY(!QFile::exists(QDir(dir).filePath(QStringLiteral("second.jpg"))));
    QVERIFY(!QImage(QDir(dir).filePath(QStringLiteral("first.jpg"))).isNull());
    QVERIFY(!QImage(QDir(dir).filePath(QStringLiteral("third.png"))).isNull());
    const QRegularExpressionMatch last = summary.match(got.last());
    QVERIFY2(last.hasMatch(), qPrintable(got.last()));
    QCOMPARE(last.captured(1), QStringLiteral("2"));
    QCOMPARE(last.captured(2), QStringLiteral("1"));
}

void tst_Batch::existingOutputIsKeptUnlessOverwrite()
{
    const QString kept = picture(QStringLiteral("in/kept.png"), pattern(40, 24));
    const QString other = picture(QStringLiteral("in/other.png"), pattern(24, 40));
    const QString dir = outputDir();
    const QString existing = QDir(dir).filePath(QStringLiteral("kept.png"));
    QFile file(existing);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("not to be lost");
    file.close();

    const QStringList arguments
        = QStringList { QStringLiteral("--output-dir"), dir, kept, other, QStringLiteral("--") }
        + edits;
    const Run refused = lumoraEdit(arguments);
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(
        lines(refused.err)
            .contains(QStringLiteral("lumora-edit: %1: %2 exists; add --overwrite to replace it")
                          .arg(kept, existing)),
        refused.err.constData());
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray("not to be lost"));
    file.close();
    QVERIFY(!QImage(QDir(dir).filePath(QStringLiteral("other.png"))).isNull());

    // Now both outputs exist; --overwrite replaces both.
    const Run replaced = lumoraEdit(QStringList { QStringLiteral("--overwrite") } + arguments);
    QVERIFY2(replaced.exitCode == 0, replaced.err.constData());
    QCOMPARE(QImage(existing), singleRun(kept, QStringLiteral("kept.png")));
}

void tst_Batch::sameOutputNameEditsTheFirstOnly()
{
    const QString first = picture(QStringLiteral("a/same.png"), pattern(30, 20));
    const QString second = picture(QStringLiteral("b/same.png"), pattern(20, 30));
    const QString dir = outputDir();
    const Run run = lumoraEdit(
        QStringList { QStringLiteral("--output-dir"), dir, first, second, QStringLiteral("--") }
        + edits);
    QCOMPARE(run.exitCode, 1);
    const QString output = QDir(dir).filePath(QStringLiteral("same.png"));
    QVERIFY2(
        lines(run.err).contains(QStringLiteral("lumora-edit: %1: %2 is already the output of %3")
                                    .arg(second, output, first)),
        run.err.constData());
    QCOMPARE(QImage(output), singleRun(first, QStringLiteral("same.png")));
}

void tst_Batch::ownInputNeedsInPlace()
{
    const QString input = picture(QStringLiteral("self.png"), pattern(36, 22));
    const QImage before(input);
    const QStringList arguments
        = QStringList { QStringLiteral("--output-dir"), m_dir->path(), input, QStringLiteral("--") }
        + edits;
    // --overwrite is for other files; the input itself takes --in-place.
    const Run refused = lumoraEdit(QStringList { QStringLiteral("--overwrite") } + arguments);
    QCOMPARE(refused.exitCode, 1);
    QVERIFY2(refused.err.contains("would replace the input; add --in-place"),
             refused.err.constData());
    QCOMPARE(QImage(input), before);

    const QImage expected = singleRun(input, QStringLiteral("self.png"));
    const Run inPlace = lumoraEdit(QStringList { QStringLiteral("--in-place") } + arguments);
    QVERIFY2(inPlace.exitCode == 0, inPlace.err.constData());
    QCOMPARE(QImage(input), expected);
}

void tst_Batch::singlePictureSyntaxKeepsItsDashDash()
{
    const QString input = picture(QStringLiteral("-dash.png"), pattern(26, 14));
    const QString output = path(QStringLiteral("dash-out.png"));
    const Run run = lumoraEdit({ QStringLiteral("-o"), output, QStringLiteral("--"), input,
                                 QStringLiteral("flip-horizontal") });
    QVERIFY2(run.exitCode == 0, run.err.constData());
    QCOMPARE(QImage(output), QImage(input).mirrored(true, false));
}

void tst_Batch::usageErrors_data()
{
    QTest::addColumn<QStringList>("arguments"); // @OUT@: the output folder, @IN@: a picture
    QTest::addColumn<QString>("message");
    QTest::newRow("output folder is a file")
        << QStringList { "--output-dir", "@IN@", "@IN@", "--", "flip-vertical" } << "is no folder";
    QTest::newRow("output folder missing")
        << QStringList { "--output-dir", "@OUT@/missing", "@IN@", "--", "flip-vertical" }
        << "is no folder";
    QTest::newRow("no inputs") << QStringList { "--output-dir", "@OUT@", "--", "flip-vertical" }
                               << "no picture given";
    QTest::newRow("no edits after the inputs")
        << QStringList { "--output-dir", "@OUT@", "@IN@", "flip-vertical" } << "no edit given";
    QTest::newRow("nothing after --")
        << QStringList { "--output-dir", "@OUT@", "@IN@", "--" } << "no edit given";
    QTest::newRow("-o with --output-dir") << QStringList {
        "--output-dir", "@OUT@", "-o", "@OUT@/x.png", "@IN@", "--", "flip-vertical"
    } << "takes no -o";
    QTest::newRow("unknown edit") << QStringList { "--output-dir", "@OUT@", "@IN@", "--",
                                                   "flip-diagonal" }
                                  << "flip-diagonal";
    QTest::newRow("bad jobs") << QStringList { "--jobs", "many", "--output-dir", "@OUT@",
                                               "@IN@",   "--",   "flip-vertical" }
                              << "--jobs";
}

void tst_Batch::usageErrors()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, message);
    const QString input = picture(QStringLiteral("input.png"), pattern(20, 12));
    const QString dir = outputDir();
    for (QString &argument : arguments)
        argument.replace(QLatin1String("@OUT@"), dir).replace(QLatin1String("@IN@"), input);
    const Run run = lumoraEdit(arguments);
    QCOMPARE(run.exitCode, 2);
    QVERIFY2(run.err.contains(message.toUtf8()), run.err.constData());
    QVERIFY(QDir(dir).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

void tst_Batch::traceLinesStayWhole()
{
    const QStringList inputs { picture(QStringLiteral("one.png"), pattern(40, 26)),
                               picture(QStringLiteral("two.png"), pattern(26, 40)) };
    const Run single = lumoraEdit(QStringList { QStringLiteral("--trace"), QStringLiteral("-o"),
                                                path(QStringLiteral("single.png")), inputs[0] }
                                  + edits);
    QCOMPARE(single.exitCode, 0);
    const qsizetype traced = lines(single.err).size();
    QVERIFY(traced > 0);

    const Run run = lumoraEdit(
        QStringList { QStringLiteral("--trace"), QStringLiteral("--output-dir"), outputDir() }
        + inputs + QStringList { QStringLiteral("--") } + edits);
    QVERIFY2(run.exitCode == 0, run.err.constData());
    qsizetype json = 0;
    for (const QString &line : lines(run.err)) {
        if (line.startsWith(QLatin1Char('{'))) {
            QJsonParseError error;
            QJsonDocument::fromJson(line.toUtf8(), &error);
            QVERIFY2(error.error == QJsonParseError::NoError, qPrintable(line));
            ++json;
        } else {
            QVERIFY2(line.startsWith(QLatin1String("done ")) || summary.match(line).hasMatch(),
                     qPrintable(line));
        }
    }
    QCOMPARE(json, 2 * traced);
}

void tst_Batch::signalStopsCleanly_data()
{
    QTest::addColumn<bool>("terminal"); // Ctrl-C typed on a terminal, or kill(2)
    QTest::addColumn<int>("signal");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("Ctrl-C on a terminal") << true << int(SIGINT) << 130;
    QTest::newRow("SIGINT to lumora-edit alone") << false << int(SIGINT) << 130;
    QTest::newRow("SIGTERM to lumora-edit alone") << false << int(SIGTERM) << 143;
}

void tst_Batch::signalStopsCleanly()
{
    QFETCH(bool, terminal);
    QFETCH(int, signal);
    QFETCH(int, exitCode);

    // Many pictures large enough to be caught in the middle of the batch.
    const int count = 16;
    const QString first = picture(QStringLiteral("in/p00.jpg"), pattern(2000, 1500));
    QStringList inputs { first };
    for (int i = 1; i < count; ++i) {
        inputs << path(QStringLiteral("in/p%1.jpg").arg(i, 2, 10, QLatin1Char('0')));
        QVERIFY(QFile::copy(first, inputs.last()));
    }
    const QString dir = outputDir();
    const QStringList arguments = QStringList { QStringLiteral("--output-dir"), dir } + inputs
        + QStringList { QStringLiteral("--") } + edits;
    QByteArray err;
    if (terminal) {
        // The first picture counted on the bar: stop.
        QList<QByteArray> bytes;
        for (const QString &argument : arguments)
            bytes << QFile::encodeName(argument);
        const TerminalRun run = onTerminal(bytes, QByteArrayLiteral("] 1/16 "));
        err = run.screen;
        QVERIFY2(run.interrupted, err.constData());
        QVERIFY2(run.exitCode == exitCode, err.constData());
    } else {
        QFileSystemWatcher watcher { QStringList { dir } };
        QProcess process;
        process.setStandardOutputFile(QProcess::nullDevice());
        QEventLoop loop;
        bool sent = false;
        // The first output in place (renamed from its hidden temporary file): stop.
        connect(&watcher, &QFileSystemWatcher::directoryChanged, &loop, [&] {
            if (!sent && !QDir(dir).entryList(QDir::Files).isEmpty()) {
                sent = true;
                ::kill(pid_t(process.processId()), signal);
            }
        });
        connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
        QTimer::singleShot(300000, &loop, &QEventLoop::quit); // a deadline, not a wait
        process.start(QStringLiteral(LUMORA_EDIT), arguments);
        QVERIFY(process.waitForStarted());
        loop.exec();
        QVERIFY2(sent, "no output appeared");
        QCOMPARE(process.state(), QProcess::NotRunning);
        err = process.readAllStandardError();
        QCOMPARE(process.exitStatus(), QProcess::NormalExit);
        QVERIFY2(process.exitCode() == exitCode, err.constData());
    }

    // The summary: the last line, or on the terminal what follows the bar's last "\r".
    const QString last
        = QString::fromUtf8(err)
              .split(QRegularExpression(QStringLiteral("[\r\n]")), Qt::SkipEmptyParts)
              .constLast();
    const QRegularExpression stopped(
        QStringLiteral(R"(^stopped after (\d+) of %1 pictures: (\d+) edited, 0 failed in )")
            .arg(count));
    const QRegularExpressionMatch match = stopped.match(last);
    QVERIFY2(match.hasMatch(), err.constData());
    const int finished = match.captured(1).toInt();
    QVERIFY2(finished >= 1 && finished < count, err.constData());
    QCOMPARE(match.captured(2).toInt(), finished);

    // What is there is whole; nothing half-written is.
    const QStringList outputs = QDir(dir).entryList(QDir::Files);
    QCOMPARE(outputs.size(), finished);
    const QImage expected = singleRun(first, QStringLiteral("p00.jpg"));
    QVERIFY(!expected.isNull());
    for (const QString &name : outputs)
        QVERIFY2(QImage(QDir(dir).filePath(name)) == expected, qPrintable(name));
    const QStringList temporaries
        = QDir(dir).entryList({ QStringLiteral(".lumora-*") }, QDir::Files | QDir::Hidden);
    QVERIFY2(temporaries.isEmpty(), qPrintable(temporaries.join(QLatin1Char(' '))));
}

void tst_Batch::progressBarOnTerminal()
{
    const QStringList inputs { picture(QStringLiteral("a.png"), pattern(40, 30)),
                               picture(QStringLiteral("b.png"), pattern(30, 40)),
                               picture(QStringLiteral("c.jpg"), pattern(50, 20)) };
    QList<QByteArray> arguments { "--output-dir", QFile::encodeName(outputDir()) };
    for (const QString &input : inputs)
        arguments << QFile::encodeName(input);
    arguments << "--";
    for (const QString &edit : edits)
        arguments << edit.toUtf8();
    const TerminalRun run = onTerminal(arguments);
    const QByteArray &screen = run.screen;
    QVERIFY2(run.exitCode == 0, screen.constData());

    // One line redrawn in place for each count, no line per picture.
    for (int done = 0; done <= inputs.size(); ++done) {
        QVERIFY2(QRegularExpression(QStringLiteral(R"(\r\[[#.]+\] %1/3 )").arg(done))
                     .match(QString::fromUtf8(screen))
                     .hasMatch(),
                 screen.constData());
    }
    QVERIFY2(!screen.contains("done "), screen.constData());
    QVERIFY2(screen.endsWith('\n'), screen.constData());
    const QString end = QString::fromUtf8(screen.mid(screen.lastIndexOf('\r') + 1)).chopped(1);
    const QRegularExpressionMatch last = summary.match(end);
    QVERIFY2(last.hasMatch(), screen.constData());
    QCOMPARE(last.captured(1), QStringLiteral("3"));
    QVERIFY2(!screen.mid(screen.lastIndexOf('\r')).contains('['), screen.constData());
}

void tst_Batch::namesInAnyEncoding()
{
    // A Latin-1 "café" from an old memory card: no UTF-8, passed on byte for byte.
    const QByteArray dir = QFile::encodeName(outputDir());
    const QByteArray input = QFile::encodeName(m_dir->path()) + "/caf\xe9.png";
    const QImage image = pattern(28, 18);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    QVERIFY(image.save(&png, "PNG"));
    const int fd = ::open(input.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    QVERIFY(fd >= 0);
    QCOMPARE(::write(fd, png.data().constData(), size_t(png.data().size())),
             ssize_t(png.data().size()));
    ::close(fd);

    const TerminalRun run = onTerminal({ "--output-dir", dir, input, "--", "flip-vertical" });
    QVERIFY2(run.exitCode == 0, run.screen.constData());
    QFile output;
    const int out = ::open((dir + "/caf\xe9.png").constData(), O_RDONLY);
    QVERIFY2(out >= 0, run.screen.constData());
    QVERIFY(output.open(out, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle));
    QCOMPARE(QImage::fromData(output.readAll()), image.mirrored(false, true));
}

QTEST_GUILESS_MAIN(tst_Batch)

#include "tst_batch.moc"
