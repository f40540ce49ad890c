// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-bench-filters PICTURE.jpg PICTURE.mpc CONVERT: the host's nine filters on the
// picture held in memory, each run through ImageFilters::applyFilter as the edit UI
// provider runs it, against a deep copy of the picture and against ImageMagick's nearest
// operation.
//
// The copy is measured twice. With the allocator as it comes, every result of this size
// is a fresh mapping and the first write to each page faults it in; on a virtual machine
// that alone can outweigh the copying many times over. With freed pictures reused, the
// copy is a plain memcpy, the memory-bandwidth floor, and the ratio shows the filters'
// own work. ImageMagick is timed as `CONVERT PICTURE.mpc OP null:` minus
// `CONVERT PICTURE.mpc null:`: its native pixel cache is memory-mapped, so neither run
// pays for decoding.

#include "benchsupport.h"
#include "imagefilters.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QThreadPool>

#include <limits>
#include <malloc.h>

namespace {

constexpr int Runs = 9; // ours and the copy, interleaved, each result on fresh pages
constexpr int ReusedRuns = 15; // the same with freed memory reused
constexpr int MagickRuns = 5; // ImageMagick with and without the operation, interleaved

struct Filter
{
    QString label;
    QString name;
    QHash<QString, QVariant> options;
    QSize resultSize;
    QStringList magick; // empty: no comparable ImageMagick operation
    QString magickLabel;
    double goal = 2; // against the copy: a pure copy in another order must come close to it
    bool inPlace = false; // writes into a picture given up (see ImageFilters::applyFilter)
};

QList<Filter> filterList(const QSize &size);

QList<Filter> filters(const QSize &size)
{
    QList<Filter> list = filterList(size);
    for (Filter &filter : list) {
        const bool copyInOrder = filter.name == QLatin1String("org.quenta.flip")
            || filter.name == QLatin1String("org.quenta.crop");
        filter.goal = copyInOrder ? 1.2 : 2;
        filter.inPlace = filter.name == QLatin1String("org.quenta.flip")
            || filter.name == QLatin1String("org.quenta.auto.levels")
            || filter.name.startsWith(QLatin1String("com.velmo."));
    }
    return list;
}

QList<Filter> filterList(const QSize &size)
{
    const int w = size.width();
    const int h = size.height();
    // The largest centred 16:9 rectangle, as the crop tool shapes it: the limiting side whole,
    // the other rounded down.
    const bool widthLimits = qint64(w) * 9 <= qint64(h) * 16;
    const int cropWidth = widthLimits ? w : h * 16 / 9;
    const int cropHeight = widthLimits ? w * 9 / 16 : h;
    const QRect crop((w - cropWidth) / 2, (h - cropHeight) / 2, cropWidth, cropHeight);
    const QSize half(w / 2, h / 2);
    const auto geometry = [](const QRect &r) {
        return QStringLiteral("%1x%2+%3+%4").arg(r.width()).arg(r.height()).arg(r.x()).arg(r.y());
    };
    return {
        { QStringLiteral("flip horizontal"),
          QStringLiteral("org.quenta.flip"),
          { { QStringLiteral("horizontal"), true } },
          size,
          { QStringLiteral("-flop") },
          QStringLiteral("-flop") },
        { QStringLiteral("flip vertical"),
          QStringLiteral("org.quenta.flip"),
          { { QStringLiteral("horizontal"), false } },
          size,
          { QStringLiteral("-flip") },
          QStringLiteral("-flip") },
        { QStringLiteral("rotate 90"),
          QStringLiteral("org.quenta.rotate"),
          { { QStringLiteral("angle"), 90 } },
          size.transposed(),
          { QStringLiteral("-rotate"), QStringLiteral("90") },
          QStringLiteral("-rotate 90") },
        { QStringLiteral("auto levels"),
          QStringLiteral("org.quenta.auto.levels"),
          {},
          size,
          { QStringLiteral("-auto-level") },
          QStringLiteral("-auto-level") },
        { QStringLiteral("crop 16:9"),
          QStringLiteral("org.quenta.crop"),
          { { QStringLiteral("cropRectangle"), crop } },
          crop.size(),
          { QStringLiteral("-crop"), geometry(crop), QStringLiteral("+repage") },
          QStringLiteral("-crop %1").arg(geometry(crop)) },
        { QStringLiteral("scale 50%"),
          QStringLiteral("org.quenta.scale"),
          { { QStringLiteral("sizeAfter"), half } },
          half,
          { QStringLiteral("-resize"), QStringLiteral("50%") },
          QStringLiteral("-resize 50%") },
        { QStringLiteral("greyscale"),
          QStringLiteral("com.velmo.greyscale"),
          {},
          size,
          { QStringLiteral("-colorspace"), QStringLiteral("Gray") },
          QStringLiteral("-colorspace Gray") },
        { QStringLiteral("sepia"),
          QStringLiteral("com.velmo.sepia"),
          {},
          size,
          { QStringLiteral("-sepia-tone"), QStringLiteral("80%") },
          QStringLiteral("-sepia-tone 80%") },
        // No direct ImageMagick operation: desaturate by 40 %, then the same per-channel
        // ramps from dark brown to cream.
        { QStringLiteral("old colour photo"),
          QStringLiteral("com.velmo.old-color-photo"),
          {},
          size,
          { QStringLiteral("-modulate"), QStringLiteral("100,60"), QStringLiteral("+level-colors"),
            QStringLiteral("rgb(32,24,16),rgb(240,228,208)") },
          QStringLiteral("-modulate 100,60 +level-colors (≈)") },
        // Nor here: sigmoidal contrast on red and green, a lifted, lowered ramp on blue.
        { QStringLiteral("cross processing"),
          QStringLiteral("com.velmo.cross-processing"),
          {},
          size,
          { QStringLiteral("-channel"), QStringLiteral("R"), QStringLiteral("-sigmoidal-contrast"),
            QStringLiteral("4,50%"), QStringLiteral("-channel"), QStringLiteral("G"),
            QStringLiteral("-sigmoidal-contrast"), QStringLiteral("2,50%"),
            QStringLiteral("-channel"), QStringLiteral("B"), QStringLiteral("+level"),
            QStringLiteral("12.5%,87.8%"), QStringLiteral("+channel") },
          QStringLiteral("-sigmoidal-contrast, +level per channel (≈)") },
    };
}

QString magickThreads(const QString &convert)
{
    QProcess process;
    process.start(convert, { QStringLiteral("-list"), QStringLiteral("resource") });
    if (!process.waitForFinished(30000))
        return QStringLiteral("?");
    const QRegularExpression thread(QStringLiteral("Thread:\\s*(\\S+)"));
    const QRegularExpressionMatch match
        = thread.match(QString::fromLocal8Bit(process.readAllStandardOutput()));
    return match.hasMatch() ? match.captured(1) : QStringLiteral("?");
}

struct Medians
{
    double ours = 0;
    double copy = 0;
};

// The global pool at a given size for as long as it lives.
class PoolSize
{
public:
    explicit PoolSize(int threads)
        : m_before(QThreadPool::globalInstance()->maxThreadCount())
    {
        if (threads > 0)
            QThreadPool::globalInstance()->setMaxThreadCount(threads);
    }
    ~PoolSize() { QThreadPool::globalInstance()->setMaxThreadCount(m_before); }
    PoolSize(const PoolSize &) = delete;
    PoolSize &operator=(const PoolSize &) = delete;

private:
    int m_before;
};

// The filter through applyFilter and a deep copy of the picture, `runs` single calls each,
// interleaved, after one untimed call each. threads: the pool's size (0: as it is); givenUp:
// the filter is handed a copy of the picture it may write into, made untimed, as the edit UI
// provider hands over its picture when it keeps no history.
Medians againstCopy(const QImage &picture, const Filter &filter, int runs, int *failures,
                    int threads = 0, bool givenUp = false)
{
    const PoolSize pool(threads);
    std::vector<double> ours;
    std::vector<double> copy;
    QString error;
    const auto runOurs = [&] {
        QImage mine = givenUp ? picture.copy() : QImage();
        const Bench::Clock::time_point start = Bench::Clock::now();
        const QImage result = givenUp
            ? ImageFilters::applyFilter(std::move(mine), filter.name, filter.options, &error)
            : ImageFilters::applyFilter(picture, filter.name, filter.options, &error);
        ours.push_back(Bench::secondsSince(start));
        // Checked, and freed, outside the timed part.
        if (result.size() != filter.resultSize) {
            ++*failures;
            Bench::note(QStringLiteral("filters: %1 gave %2x%3 (%4)")
                            .arg(filter.label)
                            .arg(result.width())
                            .arg(result.height())
                            .arg(error));
        }
    };
    const auto runCopy = [&] {
        const Bench::Clock::time_point start = Bench::Clock::now();
        const QImage result = picture.copy();
        copy.push_back(Bench::secondsSince(start));
        if (result.size() != picture.size())
            ++*failures;
    };
    runOurs();
    runCopy();
    ours.clear();
    copy.clear();
    for (int run = 0; run < runs; ++run) {
        if (run % 2) {
            runOurs();
            runCopy();
        } else {
            runCopy();
            runOurs();
        }
    }
    return { Bench::median(ours), Bench::median(copy) };
}

// ImageMagick's time for the filter's operation: `convert PICTURE.mpc OP null:` minus
// `convert PICTURE.mpc null:`, medians of interleaved runs.
double magickSeconds(const QString &convert, const QString &mpc, const Filter &filter,
                     int *failures)
{
    Bench::progress(QStringLiteral("filters: ImageMagick %1").arg(filter.magickLabel));
    std::vector<double> withOperation;
    std::vector<double> without;
    const QStringList operationArguments
        = QStringList { mpc } + filter.magick + QStringList { QStringLiteral("null:") };
    const QStringList bareArguments { mpc, QStringLiteral("null:") };
    const auto runMagick = [&](const QStringList &args, std::vector<double> *times) {
        const Bench::ChildRun child = Bench::runChild(convert, args);
        if (child.exitCode != 0) {
            ++*failures;
            Bench::note(
                QStringLiteral("filters: %1 %2 failed").arg(convert, args.join(QLatin1Char(' '))));
        }
        times->push_back(child.seconds);
    };
    runMagick(operationArguments, &withOperation);
    runMagick(bareArguments, &without);
    withOperation.clear();
    without.clear();
    for (int run = 0; run < MagickRuns; ++run) {
        runMagick(run % 2 ? operationArguments : bareArguments,
                  run % 2 ? &withOperation : &without);
        runMagick(run % 2 ? bareArguments : operationArguments,
                  run % 2 ? &without : &withOperation);
    }
    return Bench::median(withOperation) - Bench::median(without);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 4) {
        Bench::progress(QStringLiteral("usage: lumora-bench-filters PICTURE.jpg PICTURE.mpc "
                                       "CONVERT"));
        return 2;
    }
    const QString jpeg = arguments[1];
    const QString mpc = arguments[2];
    const QString convert = arguments[3];

    QImageReader reader(jpeg);
    const QImage picture = reader.read();
    if (picture.isNull()) {
        Bench::note(QStringLiteral("filters not measured: cannot read %1: %2")
                        .arg(jpeg, reader.errorString()));
        return 1;
    }
    Bench::progress(QStringLiteral("filters: %1x%2 picture, format %3, %4 runs each")
                        .arg(picture.width())
                        .arg(picture.height())
                        .arg(int(picture.format()))
                        .arg(Runs));

    const QList<Filter> list = filters(picture.size());
    const int threads = QThreadPool::globalInstance()->maxThreadCount();
    int failures = 0;
    struct Result
    {
        Medians fresh;
        Medians reused;
        Medians reusedAlone; // one thread
        Medians givenUp;
        double magick = 0;
    };
    std::vector<Result> results(size_t(list.size()));
    // First with the allocator as it comes: every picture this large is a new mapping, whose
    // pages are faulted in as the filter (or the copy) first writes them.
    for (qsizetype i = 0; i < list.size(); ++i) {
        results[size_t(i)].fresh = againstCopy(picture, list[i], Runs, &failures);
        if (!list[i].magick.isEmpty())
            results[size_t(i)].magick = magickSeconds(convert, mpc, list[i], &failures);
    }
    // Then with freed pictures kept in the heap and handed out again, as in a long-running
    // editor's steady state: what is left is the filters' own work against a plain memcpy.
    mallopt(M_MMAP_MAX, 0);
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    for (qsizetype i = 0; i < list.size(); ++i) {
        Result &result = results[size_t(i)];
        result.reused = againstCopy(picture, list[i], ReusedRuns, &failures);
        result.reusedAlone = againstCopy(picture, list[i], ReusedRuns, &failures, 1);
        if (list[i].inPlace)
            result.givenUp = againstCopy(picture, list[i], ReusedRuns, &failures, 0, true);
    }

    std::vector<double> faultCosts;
    for (qsizetype i = 0; i < list.size(); ++i) {
        const Filter &filter = list[i];
        const Result &result = results[size_t(i)];
        const auto copyRow = [&](const Medians &medians, const QString &how) {
            Bench::row(QStringLiteral("Filter %1 vs QImage::copy(), %2").arg(filter.label, how),
                       Bench::duration(medians.ours), Bench::duration(medians.copy),
                       medians.ours / medians.copy, QStringLiteral("≤ %1×").arg(filter.goal),
                       medians.ours / medians.copy <= filter.goal);
        };
        copyRow(result.fresh, QStringLiteral("fresh pages, %1 threads").arg(threads));
        copyRow(result.reused, QStringLiteral("memory reused, %1 threads").arg(threads));
        copyRow(result.reusedAlone, QStringLiteral("memory reused, 1 thread"));
        if (filter.inPlace)
            copyRow(result.givenUp,
                    QStringLiteral("picture given up (in place), %1 threads").arg(threads));
        if (!filter.magick.isEmpty()) {
            Bench::row(
                QStringLiteral("Filter %1 vs ImageMagick %2").arg(filter.label, filter.magickLabel),
                Bench::duration(result.fresh.ours), Bench::duration(result.magick),
                result.fresh.ours / result.magick, QStringLiteral("< 1×"),
                result.fresh.ours < result.magick);
        }
        faultCosts.push_back(result.fresh.copy - result.reused.copy);
    }

    Bench::note(QStringLiteral("filters: on the %1x%2 RGB32 picture in memory (decoded from a "
                               "photo-like JPEG); ours and the copy are medians of %3 single "
                               "calls each, interleaved, with every result on fresh pages (the "
                               "allocator as it comes), then of %4 with freed pictures reused "
                               "(glibc mallopt M_MMAP_MAX 0, no trimming); first touch of a "
                               "fresh 48 MB picture costs ≈ %5 here, which dominates the "
                               "fresh-page figures")
                    .arg(picture.width())
                    .arg(picture.height())
                    .arg(Runs)
                    .arg(ReusedRuns)
                    .arg(Bench::duration(Bench::median(faultCosts))));
    Bench::note(QStringLiteral("filters: ImageMagick (%1, Q16, %2 OpenMP threads as installed) is "
                               "median(`convert in.mpc OP null:`) − median(`convert in.mpc "
                               "null:`), %3 runs each, interleaved; (≈) marks a look-alike, not "
                               "the same operation")
                    .arg(convert, magickThreads(convert))
                    .arg(MagickRuns));
    return failures ? 1 : 0;
}
