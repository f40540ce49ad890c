// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-bench-window: the editor window, offscreen, as a person feels it: opening a picture
// until the view painted it, a tap until its repaint, memory over undo and redo, and how long
// the event loop stands still during a save. Every call on the window goes through
// WindowDriver.
//
//   lumora-bench-window run WORKDIR PIC24 PIC12 PIC50 PIC200
//     Runs each measurement below in a process of its own (peak memory is per process) and
//     prints the table rows and notes.
//   lumora-bench-window open PICTURE          exits as soon as the view painted the picture
//   lumora-bench-window tap PICTURE RUNS      prints "value flip S" and "value sepia S"
//   lumora-bench-window undo PICTURE STEPS    prints "value hwm KIB", "value decoded KIB", ...
//   lumora-bench-window save PICTURE OUT      prints "value gap S"
// A step that fails is a "note:" line and exit status 1; the run goes on without its row.

#include "benchsupport.h"
#include "mapplication.h"
#include "windowdriver.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QEventLoop>
#include <QFile>
#include <QHash>
#include <QImageReader>
#include <QProcess>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdio>
#include <unistd.h>

namespace {

const QSize WindowSize(1024, 768);
constexpr int TimeoutMs = 300000;

void value(const char *name, double number)
{
    std::printf("value %s %.6f\n", name, number);
    std::fflush(stdout);
}

int failed(const QString &what)
{
    Bench::note(QStringLiteral("window: %1").arg(what));
    return 1;
}

// The end of the first paint of the view after the picture shown was replaced.
class RepaintClock : public QObject
{
public:
    explicit RepaintClock(WindowDriver &driver)
    {
        driver.viewport()->installEventFilter(this);
        driver.onPictureChanged([this] { m_changed = true; });
    }

    // From now on, waits for a new change.
    void arm()
    {
        m_changed = false;
        m_done = false;
    }

    // Seconds from `start` until that paint was over; negative when none came in time.
    double wait(Bench::Clock::time_point start)
    {
        if (!m_done) {
            QEventLoop loop;
            m_loop = &loop;
            QTimer::singleShot(TimeoutMs, &loop, &QEventLoop::quit);
            loop.exec();
            m_loop = nullptr;
        }
        return m_done ? std::chrono::duration<double>(m_end - start).count() : -1;
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_changed && !m_done && !m_pending) {
            // The paint runs right after this filter and is flushed in the same pass; the
            // zero timer fires once both are over.
            m_pending = true;
            QTimer::singleShot(0, this, [this] {
                m_end = Bench::Clock::now();
                m_pending = false;
                m_done = true;
                if (m_loop)
                    m_loop->quit();
            });
        }
        return false;
    }

private:
    bool m_changed = false;
    bool m_done = false;
    bool m_pending = false;
    Bench::Clock::time_point m_end;
    QEventLoop *m_loop = nullptr;
};

// Lets what a step left queued (repaints, deferred deletions) run before the next one.
void settle()
{
    QTest::qWait(100);
}

int openMode(const QString &picture)
{
    WindowDriver driver(WindowSize);
    QString error;
    if (!driver.isReady(&error))
        return failed(error);
    RepaintClock clock(driver);
    clock.arm();
    const Bench::Clock::time_point start = Bench::Clock::now();
    if (!driver.open(picture, &error))
        return failed(error);
    const double seconds = clock.wait(start);
    if (seconds < 0)
        return failed(
            QStringLiteral("%1 was not painted within %2 s").arg(picture).arg(TimeoutMs / 1000));
    value("painted", seconds);
    // The time asked for ends with the paint: no teardown.
    std::fflush(stdout);
    _exit(0);
}

int tapMode(const QString &picture, int runs)
{
    WindowDriver driver(WindowSize);
    QString error;
    if (!driver.isReady(&error) || !driver.open(picture, &error))
        return failed(error);
    RepaintClock clock(driver);
    settle();
    const auto timedTap = [&](const QString &target, double *seconds) {
        settle();
        clock.arm();
        const Bench::Clock::time_point start = Bench::Clock::now();
        if (!driver.tap(target, &error))
            return false;
        *seconds = clock.wait(start);
        if (*seconds < 0)
            error = QStringLiteral("no repaint after %1 within %2 s")
                        .arg(target)
                        .arg(TimeoutMs / 1000);
        return *seconds >= 0;
    };
    std::vector<double> flips, effects;
    for (int i = 0; i < runs; ++i) {
        double seconds = 0;
        if (!timedTap(QStringLiteral("entry:EditFlipHorizontalPlugin"), &seconds))
            return failed(error);
        flips.push_back(seconds);
    }
    value("flip", Bench::median(flips));
    if (!driver.tap(QStringLiteral("entry:EditVintageEffectsPlugin"), &error))
        return failed(error);
    for (int i = 0; i < runs; ++i) {
        double seconds = 0;
        if (!timedTap(QLatin1String(i % 2 ? "toolbar:BlackAndWhiteButton" : "toolbar:SepiaButton"),
                      &seconds))
            return failed(error);
        effects.push_back(seconds);
    }
    value("sepia", Bench::median(effects));
    driver.tap(QStringLiteral("cancel"), &error);
    return 0;
}

int undoMode(const QString &picture, int steps)
{
    WindowDriver driver(WindowSize);
    QString error;
    if (!driver.isReady(&error) || !driver.open(picture, &error))
        return failed(error);
    const QSize size = driver.pictureSize();
    settle();
    // Flips and turns (exact inverses) between effects (which change every pixel).
    const QList<QStringList> cycle {
        { QStringLiteral("entry:EditFlipHorizontalPlugin") },
        { QStringLiteral("entry:EditVintageEffectsPlugin"), QStringLiteral("toolbar:SepiaButton"),
          QStringLiteral("confirm") },
        { QStringLiteral("entry:EditRotateClockwisePlugin") },
        { QStringLiteral("entry:EditVintageEffectsPlugin"),
          QStringLiteral("toolbar:BlackAndWhiteButton"), QStringLiteral("confirm") },
    };
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < steps; ++i) {
        for (const QString &target : cycle[i % cycle.size()]) {
            if (!driver.tap(target, &error))
                return failed(QStringLiteral("edit %1 of %2: %3").arg(i + 1).arg(steps).arg(error));
            QCoreApplication::processEvents();
        }
    }
    const double editing = timer.restart() / 1000.0;
    // A step counts when the picture shown changed: a disabled button still takes a tap.
    int changes = 0;
    driver.onPictureChanged([&changes] { ++changes; });
    const auto step = [&](const QString &target) {
        const int before = changes;
        if (!driver.tap(target, &error))
            return false;
        QCoreApplication::processEvents();
        return changes > before;
    };
    int undone = 0;
    int redone = 0;
    while (undone < steps && step(QStringLiteral("undo")))
        ++undone;
    while (redone < undone && step(QStringLiteral("redo")))
        ++redone;
    settle();
    value("hwm", Bench::peakResidentKib());
    value("decoded", size.width() * double(size.height()) * 4 / 1024);
    value("undone", undone);
    value("redone", redone);
    value("editing", editing);
    value("stepping", timer.elapsed() / 1000.0);
    driver.discardEdits();
    return 0;
}

int saveMode(const QString &picture, const QString &out)
{
    WindowDriver driver(WindowSize);
    QString error;
    if (!driver.isReady(&error) || !driver.open(picture, &error))
        return failed(error);
    // A decoded edit: the save must encode, not turn the file losslessly.
    if (!driver.tap(QStringLiteral("entry:EditAutoFixPlugin"), &error))
        return failed(error);
    settle();
    QFile::remove(out);

    QEventLoop loop;
    QTimer ticker;
    ticker.setTimerType(Qt::PreciseTimer);
    ticker.setInterval(10);
    Bench::Clock::time_point last = Bench::Clock::now();
    Bench::Clock::time_point savedAt;
    double gap = 0;
    bool started = false;
    bool saved = false;
    QObject::connect(&ticker, &QTimer::timeout, &loop, [&] {
        const Bench::Clock::time_point now = Bench::Clock::now();
        gap = std::max(gap, std::chrono::duration<double>(now - last).count());
        last = now;
        // The output appears whole when the save is over (written beside it, then renamed).
        if (started && !saved && QFile::exists(out)) {
            saved = true;
            savedAt = now;
        }
        if (saved && std::chrono::duration<double>(now - savedAt).count() > 0.2)
            loop.quit();
    });
    QTimer::singleShot(200, &loop, [&] {
        started = true;
        if (!driver.startSave(out, &error))
            loop.quit();
    });
    QTimer::singleShot(TimeoutMs, &loop, &QEventLoop::quit);
    ticker.start();
    loop.exec();
    if (!saved)
        return failed(error.isEmpty() ? QStringLiteral("the save did not end") : error);
    value("gap", gap);
    driver.discardEdits();
    return 0;
}

// A child measurement: its "value" lines; its notes passed on.
QHash<QString, double> measure(const QStringList &arguments, bool *ok)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    QHash<QString, double> values;
    const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
    for (const QByteArray &line : lines) {
        const QList<QByteArray> words = line.split(' ');
        if (words.size() == 3 && words[0] == "value")
            values.insert(QString::fromLatin1(words[1]), words[2].toDouble());
        else if (line.startsWith("note: "))
            std::printf("%s\n", line.constData());
    }
    *ok = child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0;
    if (!*ok)
        Bench::note(QStringLiteral("window: `lumora-bench-window %1` failed (status %2)")
                        .arg(arguments.join(QLatin1Char(' ')))
                        .arg(child.exitCode()));
    std::fflush(stdout);
    return values;
}

QString megapixels(const QString &file)
{
    const QSize size = QImageReader(file).size();
    return QStringLiteral("%1 MP").arg(qRound(size.width() * double(size.height()) / 1e6));
}

int runMode(const QDir &work, const QString &pic24, const QString &pic12, const QString &pic50,
            const QString &pic200)
{
    int failures = 0;
    bool ok = false;

    // Open: the whole process against vipsthumbnail's, interleaved.
    {
        Bench::progress(QStringLiteral("window: open %1").arg(pic24));
        const QString self = QCoreApplication::applicationFilePath();
        const QStringList ours { QStringLiteral("open"), pic24 };
        const QStringList thumbnail { QStringLiteral("--size"), QStringLiteral("1024x768"),
                                      QStringLiteral("-o"),
                                      work.absoluteFilePath(QStringLiteral("thumbnail.jpg")),
                                      pic24 };
        const int runs = 5;
        std::vector<double> oursTimes, theirTimes;
        for (int run = -1; run < runs; ++run) {
            const Bench::ChildRun a = Bench::runChild(self, ours);
            const Bench::ChildRun b = Bench::runChild(QStringLiteral("vipsthumbnail"), thumbnail);
            if (a.exitCode != 0 || b.exitCode != 0) {
                measure(ours, &ok); // for its note
                Bench::note(QStringLiteral("window: open: status %1, vipsthumbnail status %2")
                                .arg(a.exitCode)
                                .arg(b.exitCode));
                ++failures;
                break;
            }
            if (run >= 0) {
                oursTimes.push_back(a.seconds);
                theirTimes.push_back(b.seconds);
            }
        }
        if (oursTimes.size() == size_t(runs)) {
            const double r = Bench::median(oursTimes) / Bench::median(theirTimes);
            Bench::row(QStringLiteral("Window: open a %1 JPEG until the view painted it, whole "
                                      "process, vs `vipsthumbnail --size 1024x768` (%2 runs)")
                           .arg(megapixels(pic24))
                           .arg(runs),
                       Bench::duration(Bench::median(oursTimes)),
                       Bench::duration(Bench::median(theirTimes)), r, QStringLiteral("≤ 2×"),
                       r <= 2);
        }
    }

    // A tap to its repaint.
    {
        QStringList cells;
        double worst = 0;
        bool all = true;
        for (const QString &picture : { pic12, pic50, pic200 }) {
            const bool huge = QImageReader(picture).size().width() > 12000;
            const QString runs = huge ? QStringLiteral("3") : QStringLiteral("5");
            Bench::progress(QStringLiteral("window: taps on %1").arg(picture));
            const QHash<QString, double> v = measure({ QStringLiteral("tap"), picture, runs }, &ok);
            if (!ok || !v.contains(QStringLiteral("sepia"))) {
                all = false;
                ++failures;
                continue;
            }
            cells << QStringLiteral("%1: flip %2, sepia %3 (%4 taps)")
                         .arg(megapixels(picture), Bench::duration(v[QStringLiteral("flip")]),
                              Bench::duration(v[QStringLiteral("sepia")]), runs);
            worst = std::max({ worst, v[QStringLiteral("flip")], v[QStringLiteral("sepia")] });
        }
        if (!cells.isEmpty())
            Bench::row({ QStringLiteral("Window: a tap (flip-horizontal entry; Sepia / Black "
                                        "and white button) to its repaint, median"),
                         cells.join(QStringLiteral("; ")), QStringLiteral("50 ms"),
                         Bench::ratio(worst / 0.05) + QStringLiteral(" (slowest)"),
                         QStringLiteral("≤ 50 ms"),
                         all && worst <= 0.05 ? QStringLiteral("yes") : QStringLiteral("no") });
    }

    // Undo and redo.
    {
        Bench::progress(QStringLiteral("window: 50 undo and redo steps on %1").arg(pic50));
        const QHash<QString, double> v
            = measure({ QStringLiteral("undo"), pic50, QStringLiteral("50") }, &ok);
        if (ok && v.value(QStringLiteral("decoded")) > 0) {
            const double r = v[QStringLiteral("hwm")] / v[QStringLiteral("decoded")];
            Bench::row(QStringLiteral("Window: 50 edits, then %1 undo and %2 redo steps, on a %3 "
                                      "photo: peak memory (VmHWM) vs the decoded picture (w·h·4)")
                           .arg(v[QStringLiteral("undone")])
                           .arg(v[QStringLiteral("redone")])
                           .arg(megapixels(pic50)),
                       Bench::memory(v[QStringLiteral("hwm")]),
                       Bench::memory(v[QStringLiteral("decoded")]), r, QStringLiteral("≤ 1.5×"),
                       r <= 1.5);
            if (v[QStringLiteral("undone")] < 50)
                Bench::note(QStringLiteral("window: only %1 of 50 steps could be undone (the "
                                           "history dropped the others)")
                                .arg(v[QStringLiteral("undone")]));
            Bench::note(QStringLiteral("window: the 50 edits took %1, the undo and redo steps %2")
                            .arg(Bench::duration(v[QStringLiteral("editing")]),
                                 Bench::duration(v[QStringLiteral("stepping")])));
        } else {
            ++failures;
        }
    }

    // The event loop during a save.
    {
        Bench::progress(QStringLiteral("window: save of %1").arg(pic24));
        const QHash<QString, double> v = measure(
            { QStringLiteral("save"), pic24, work.absoluteFilePath(QStringLiteral("saved.jpg")) },
            &ok);
        if (ok && v.contains(QStringLiteral("gap"))) {
            const double gap = v[QStringLiteral("gap")];
            Bench::row(QStringLiteral("Window: longest gap of a 10 ms timer during a save of a "
                                      "%1 JPEG after auto-fix")
                           .arg(megapixels(pic24)),
                       Bench::duration(gap), QStringLiteral("100 ms"), gap / 0.1,
                       QStringLiteral("≤ 100 ms"), gap <= 0.1);
        } else {
            ++failures;
        }
    }
    return failures ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    // Never on the person's screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (mode == QLatin1String("run") && argc == 7) {
        QCoreApplication app(argc, argv);
        const QStringList a = app.arguments();
        return runMode(QDir(a[2]), a[3], a[4], a[5], a[6]);
    }
    MApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (mode == QLatin1String("open") && a.size() == 3)
        return openMode(a[2]);
    if (mode == QLatin1String("tap") && a.size() == 4)
        return tapMode(a[2], std::max(1, a[3].toInt()));
    if (mode == QLatin1String("undo") && a.size() == 4)
        return undoMode(a[2], std::max(1, a[3].toInt()));
    if (mode == QLatin1String("save") && a.size() == 4)
        return saveMode(a[2], a[3]);
    Bench::progress(
        QStringLiteral("usage: lumora-bench-window run WORKDIR PIC24 PIC12 PIC50 PIC200\n"
                       "       lumora-bench-window open|tap|undo|save ..."));
    return 2;
}
