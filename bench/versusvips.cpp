// lumora-bench-vips LUMORA_EDIT PICTURE.jpg WORKDIR: lumora-edit against libvips's command
// line (Debian's libvips-tools) on the same 12-megapixel JPEG: single edits, the lossless turn
// (also against jpegtran), the five-edit chain with libvips's intermediates in /dev/shm in its
// own .v format, the JPEG decoder alone (the floor of every decoded edit) and the cost per
// megapixel from 3 to 200 megapixels. Wall time and peak resident memory of every child
// (ru_maxrss from wait4), medians of interleaved runs.

#include "benchsupport.h"
#include "jpegcodec.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QStandardPaths>

#include <functional>

namespace {

constexpr int Runs = 5;

// One command line, or several run one after the other as one job (time summed, memory the
// largest).
using Job = QList<QStringList>;

struct Measured
{
    double seconds = 0;
    double kib = 0;
};

int failures = 0;

Measured runJob(const Job &job)
{
    Measured total;
    for (const QStringList &command : job) {
        const Bench::ChildRun run = Bench::runChild(command.first(), command.mid(1));
        if (run.exitCode != 0) {
            ++failures;
            Bench::note(QStringLiteral("vips: %1 failed").arg(command.join(QLatin1Char(' '))));
        }
        total.seconds += run.seconds;
        total.kib = std::max(total.kib, double(run.maxResidentKib));
    }
    return total;
}

// Medians of `runs` interleaved runs of each job, after one untimed run of each.
QList<Measured> sideBySide(const QList<Job> &jobs, int runs = Runs)
{
    for (const Job &job : jobs)
        runJob(job);
    QList<std::vector<double>> times(jobs.size()), memory(jobs.size());
    for (int run = 0; run < runs; ++run) {
        for (qsizetype k = 0; k < jobs.size(); ++k) {
            const qsizetype i = run % 2 ? jobs.size() - 1 - k : k;
            const Measured m = runJob(jobs[i]);
            times[i].push_back(m.seconds);
            memory[i].push_back(m.kib);
        }
    }
    QList<Measured> medians;
    for (qsizetype i = 0; i < jobs.size(); ++i)
        medians.append({ Bench::median(times[i]), Bench::median(memory[i]) });
    return medians;
}

void timeAndMemoryRows(const QString &what, const Measured &ours, const Measured &theirs,
                       double timeGoal, const QString &memoryGoalText, double memoryGoal)
{
    const double time = ours.seconds / theirs.seconds;
    const double memory = ours.kib / theirs.kib;
    Bench::row(what + QStringLiteral(": time"), Bench::duration(ours.seconds),
               Bench::duration(theirs.seconds), time,
               timeGoal > 0 ? QStringLiteral("≤ %1×").arg(timeGoal) : QStringLiteral("—"),
               timeGoal > 0 ? std::optional<bool>(time <= timeGoal) : std::nullopt);
    Bench::row(what + QStringLiteral(": peak memory"), Bench::memory(ours.kib),
               Bench::memory(theirs.kib), memory, memoryGoalText,
               memoryGoal > 0 ? std::optional<bool>(memory <= memoryGoal) : std::nullopt);
}

// Median seconds of `runs` calls of work, after one untimed call.
double inProcess(const std::function<void()> &work, int runs = 9)
{
    work();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const Bench::Clock::time_point start = Bench::Clock::now();
        work();
        times.push_back(Bench::secondsSince(start));
    }
    return Bench::median(times);
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The largest centred 16:9 rectangle of a picture, as the crop tool shapes it.
QRect centred169(const QSize &size)
{
    const int w = size.width();
    const int h = size.height();
    const bool widthLimits = qint64(w) * 9 <= qint64(h) * 16;
    const int cw = widthLimits ? w : h * 16 / 9;
    const int ch = widthLimits ? w * 9 / 16 : h;
    return QRect((w - cw) / 2, (h - ch) / 2, cw, ch);
}

QStringList vipsCrop(const QString &in, const QString &out, const QRect &r)
{
    return { QStringLiteral("vips"),
             QStringLiteral("crop"),
             in,
             out,
             QString::number(r.x()),
             QString::number(r.y()),
             QString::number(r.width()),
             QString::number(r.height()) };
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 4) {
        Bench::progress(QStringLiteral("usage: lumora-bench-vips LUMORA_EDIT PICTURE.jpg WORKDIR"));
        return 2;
    }
    const QString lumoraEdit = arguments[1];
    const QString picture = arguments[2];
    const QDir work(arguments[3]);
    if (QStandardPaths::findExecutable(QStringLiteral("vips")).isEmpty()) {
        Bench::note(QStringLiteral("vips not measured: libvips-tools is not installed"));
        return 1;
    }
    const QString shm = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                  : work.absolutePath();
    const QSize size = QImageReader(picture).size();
    const QByteArray jpeg = readAll(picture);
    JpegCodec::Info info;
    QString error;
    if (!JpegCodec::readInfo(jpeg, &info, &error)) {
        Bench::note(QStringLiteral("vips: cannot read %1: %2").arg(picture, error));
        return 1;
    }
    // The same quality out of both: ours keeps the input's own.
    const QString q = QStringLiteral("[Q=%1]").arg(info.quality);
    const auto ours = [&](const QStringList &edits, const QString &out = QString()) {
        return Job { QStringList { lumoraEdit, QStringLiteral("-o"),
                                   out.isEmpty() ? work.filePath(QStringLiteral("ours.jpg")) : out,
                                   picture }
                     + edits };
    };
    const QString vipsOut = work.filePath(QStringLiteral("vips.jpg")) + q;
    const QString sepiaMatrix = work.filePath(QStringLiteral("sepia.mat"));
    {
        QFile matrix(sepiaMatrix);
        if (matrix.open(QIODevice::WriteOnly))
            matrix.write("3 3\n0.393 0.769 0.189\n0.349 0.686 0.168\n0.272 0.534 0.131\n");
    }
    const QString mp = QStringLiteral("%1 MP").arg(qRound(size.width() * size.height() / 1e6));

    // The lossless turn: for this picture's sides (whole 16-pixel blocks across, not down)
    // flip-horizontal is one, rotate-right is not.
    Bench::progress(QStringLiteral("vips: the lossless turn"));
    const QList<Measured> turn = sideBySide({
        ours({ QStringLiteral("flip-horizontal") }),
        { { QStringLiteral("vips"), QStringLiteral("flip"), picture, vipsOut,
            QStringLiteral("horizontal") } },
        { { QStringLiteral("jpegtran"), QStringLiteral("-perfect"), QStringLiteral("-flip"),
            QStringLiteral("horizontal"), QStringLiteral("-outfile"),
            work.filePath(QStringLiteral("jpegtran.jpg")), picture } },
    });
    timeAndMemoryRows(
        QStringLiteral("Lossless turn, %1 JPEG: flip-horizontal vs vips flip").arg(mp), turn[0],
        turn[1], 0.3, QStringLiteral("≤ 1×"), 1);
    timeAndMemoryRows(
        QStringLiteral("Lossless turn, %1 JPEG: flip-horizontal vs jpegtran -perfect").arg(mp),
        turn[0], turn[2], 0, QStringLiteral("—"), 0);

    struct Single
    {
        QString edit;
        QStringList vips;
    };
    const QRect crop = centred169(size);
    const QList<Single> singles {
        { QStringLiteral("rotate-right"),
          { QStringLiteral("vips"), QStringLiteral("rot"), picture, vipsOut,
            QStringLiteral("d90") } },
        { QStringLiteral("crop=16:9"), vipsCrop(picture, vipsOut, crop) },
        { QStringLiteral("resize=50"),
          { QStringLiteral("vips"), QStringLiteral("resize"), picture, vipsOut,
            QStringLiteral("0.5") } },
        { QStringLiteral("effect=greyscale"),
          { QStringLiteral("vips"), QStringLiteral("colourspace"), picture, vipsOut,
            QStringLiteral("b-w") } },
        { QStringLiteral("effect=sepia"),
          { QStringLiteral("vips"), QStringLiteral("recomb"), picture, vipsOut, sepiaMatrix } },
        { QStringLiteral("--quality=%1 flip-horizontal").arg(info.quality),
          { QStringLiteral("vips"), QStringLiteral("flip"), picture, vipsOut,
            QStringLiteral("horizontal") } },
    };
    Measured vipsFlip;
    for (const Single &single : singles) {
        Bench::progress(QStringLiteral("vips: %1").arg(single.edit));
        const QStringList edit = single.edit.split(QLatin1Char(' '));
        const QList<Measured> m = sideBySide({ ours(edit), { single.vips } });
        timeAndMemoryRows(QStringLiteral("Decoded edit, %1 JPEG: %2 vs vips %3")
                              .arg(mp, single.edit, single.vips[1]),
                          m[0], m[1], 0.7, QStringLiteral("≤ 1.5×"), 1.5);
        vipsFlip = m[1];
    }

    // The floor: TurboJPEG alone, in this process, on the same file.
    Bench::progress(QStringLiteral("vips: the JPEG decoder alone"));
    QImage decoded;
    const double decode = inProcess([&] { decoded = JpegCodec::decode(jpeg, &error); });
    const double reduced = inProcess([&] { JpegCodec::decodeReduced(jpeg, 320, &error); });
    const double encode
        = inProcess([&] { JpegCodec::encode(decoded, info.quality, info.sampling, &error); }, 5);
    Bench::row(QStringLiteral("Floor: TurboJPEG decode alone (%1, in process) vs vips flip's "
                              "whole run")
                   .arg(mp),
               Bench::duration(decode), Bench::duration(vipsFlip.seconds),
               decode / vipsFlip.seconds, QStringLiteral("—"), std::nullopt);
    Bench::row(QStringLiteral("Floor: TurboJPEG decode + encode alone vs vips flip's whole run"),
               Bench::duration(decode + encode), Bench::duration(vipsFlip.seconds),
               (decode + encode) / vipsFlip.seconds, QStringLiteral("—"), std::nullopt);
    Bench::row(QStringLiteral("Floor: TurboJPEG decode at 1/8 scale (the turn's stand-in) vs the "
                              "whole decode"),
               Bench::duration(reduced), Bench::duration(decode), reduced / decode,
               QStringLiteral("—"), std::nullopt);

    // The chain: five edits, against the same five in libvips, each a command writing its
    // own .v intermediate to memory-backed /dev/shm.
    const QStringList chain { QStringLiteral("auto-fix"), QStringLiteral("rotate-right"),
                              QStringLiteral("crop=16:9"), QStringLiteral("resize=50"),
                              QStringLiteral("effect=sepia") };
    const auto vipsChain = [&](const QString &in, const QSize &inSize) {
        const QString a = shm + QStringLiteral("/lumora-bench-a.v");
        const QString b = shm + QStringLiteral("/lumora-bench-b.v");
        const QString c = shm + QStringLiteral("/lumora-bench-c.v");
        const QString d = shm + QStringLiteral("/lumora-bench-d.v");
        return Job {
            { QStringLiteral("vips"), QStringLiteral("scale"), in, a },
            { QStringLiteral("vips"), QStringLiteral("rot"), a, b, QStringLiteral("d90") },
            vipsCrop(b, c, centred169(inSize.transposed())),
            { QStringLiteral("vips"), QStringLiteral("resize"), c, d, QStringLiteral("0.5") },
            { QStringLiteral("vips"), QStringLiteral("recomb"), d, vipsOut, sepiaMatrix },
        };
    };
    Bench::progress(QStringLiteral("vips: the chain"));
    const QList<Measured> chained = sideBySide({ ours(chain), vipsChain(picture, size) });
    timeAndMemoryRows(QStringLiteral("Chain of 5 edits, %1 JPEG, vs libvips (scale, rot, crop, "
                                     "resize, recomb; .v in %2)")
                          .arg(mp, shm),
                      chained[0], chained[1], 0.5, QStringLiteral("—"), 0);
    Bench::row(
        QStringLiteral("Chain of 5 edits: peak memory vs the decoded picture (4 bytes a "
                       "pixel)"),
        Bench::memory(chained[0].kib), Bench::memory(size.width() * size.height() * 4.0 / 1024),
        chained[0].kib / (size.width() * size.height() * 4.0 / 1024), QStringLiteral("≤ 1.5×"),
        chained[0].kib <= 1.5 * size.width() * size.height() * 4.0 / 1024);

    // Cost per megapixel: one edit and the chain, at 3, 12, 48 and 200 megapixels, each
    // against 12.
    struct Scale
    {
        int megapixels;
        double factor;
        int runs;
    };
    const QList<Scale> scales { { 3, 0.5, 5 }, { 12, 1, 5 }, { 48, 2, 3 }, { 200, 4.08, 1 } };
    QList<double> sepiaCost, chainCost;
    for (const Scale &scale : scales) {
        QString file = picture;
        QSize fileSize = size;
        if (scale.factor != 1) {
            file = work.filePath(QStringLiteral("picture-%1mp.jpg").arg(scale.megapixels));
            if (!QFile::exists(file))
                runJob({ { QStringLiteral("vips"), QStringLiteral("resize"), picture, file + q,
                           QString::number(scale.factor) } });
            fileSize = QImageReader(file).size();
        }
        Bench::progress(QStringLiteral("vips: cost per megapixel at %1 MP").arg(scale.megapixels));
        const double megapixels = fileSize.width() * double(fileSize.height()) / 1e6;
        const auto run = [&](const QStringList &edits) {
            return Job { QStringList { lumoraEdit, QStringLiteral("-o"),
                                       work.filePath(QStringLiteral("ours-scaled.jpg")), file }
                         + edits };
        };
        const QList<Measured> m
            = sideBySide({ run({ QStringLiteral("effect=sepia") }), run(chain) }, scale.runs);
        sepiaCost.append(m[0].seconds / megapixels);
        chainCost.append(m[1].seconds / megapixels);
        if (scale.megapixels == 200)
            Bench::note(QStringLiteral("vips: at %1x%2 lumora-edit's peak memory is %3 for "
                                       "effect=sepia and %4 for the chain")
                            .arg(fileSize.width())
                            .arg(fileSize.height())
                            .arg(Bench::memory(m[0].kib), Bench::memory(m[1].kib)));
    }
    for (qsizetype i = 0; i < scales.size(); ++i) {
        const bool goal = scales[i].megapixels >= 12;
        const auto costRow = [&](const QString &what, const QList<double> &cost) {
            Bench::row(QStringLiteral("Cost per MP, %1 at %2 MP vs at 12 MP")
                           .arg(what)
                           .arg(scales[i].megapixels),
                       Bench::duration(cost[i]) + QStringLiteral("/MP"),
                       Bench::duration(cost[1]) + QStringLiteral("/MP"), cost[i] / cost[1],
                       goal ? QStringLiteral("≤ 1.5×") : QStringLiteral("—"),
                       goal ? std::optional<bool>(cost[i] / cost[1] <= 1.5) : std::nullopt);
        };
        costRow(QStringLiteral("effect=sepia"), sepiaCost);
        costRow(QStringLiteral("the chain"), chainCost);
    }

    Bench::note(QStringLiteral("vips: libvips %1 command line, Q=%2 (the input's own quality, "
                               "which lumora-edit keeps); medians of %3 interleaved runs after "
                               "one warm-up (cost per MP: 5, 5, 3 and 1 runs); auto-fix ≈ vips "
                               "scale (min-max stretch), sepia = vips recomb with the same "
                               "matrix")
                    .arg(QString::fromLocal8Bit(qgetenv("LUMORA_BENCH_VIPS_VERSION")))
                    .arg(info.quality)
                    .arg(Runs));
    return failures ? 1 : 0;
}
