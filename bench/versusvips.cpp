// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-bench-vips: lumora-edit against libvips's command line (Debian's libvips-tools) and
// jpegtran, whole processes, wall time and peak resident memory of every child (ru_maxrss
// from wait4), medians of interleaved runs after one untimed run of each.
//
//   lumora-bench-vips edits LUMORA_EDIT WORKDIR PIC420 TURN420 PIC444 TURN444
//     Every single edit of lumora-edit against the same edit in vips, on a 4:2:0 and a 4:4:4
//     JPEG of 12 megapixels (one row for both), the lossless turn against jpegtran on the
//     TURN pictures (sides of whole MCUs) and the five-edit chain against libvips's.
//   lumora-bench-vips cost LUMORA_EDIT WORKDIR PICTURE...
//     The cost per megapixel of effect=sepia on each PICTURE (the first is the reference),
//     and the peak memory of the largest against its decoded size.
//
// LUMORA_BENCH_RUNS sets the number of timed runs (default 5).

#include "benchsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include <functional>

namespace {

// One command line, or several run one after the other as one job (time summed, memory the
// largest).
using Job = QList<QStringList>;

struct Measured
{
    double seconds = 0;
    double kib = 0;
};

int failures = 0;

int runs()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("LUMORA_BENCH_RUNS", &ok);
    return ok && n > 0 ? n : 5;
}

Measured runJob(const Job &job)
{
    Measured total;
    for (const QStringList &command : job) {
        const Bench::ChildRun run = Bench::runChild(command.first(), command.mid(1));
        if (run.exitCode != 0) {
            ++failures;
            Bench::note(QStringLiteral("vips: `%1` failed").arg(command.join(QLatin1Char(' '))));
        }
        total.seconds += run.seconds;
        total.kib = std::max(total.kib, double(run.maxResidentKib));
    }
    return total;
}

// Medians of `count` interleaved runs of each job (the order reversed every other run),
// after one untimed run of each.
QList<Measured> sideBySide(const QList<Job> &jobs, int count)
{
    for (const Job &job : jobs)
        runJob(job);
    QList<std::vector<double>> times(jobs.size()), memory(jobs.size());
    for (int run = 0; run < count; ++run) {
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

QString measured(const Measured &m)
{
    return Bench::duration(m.seconds) + QStringLiteral(", ") + Bench::memory(m.kib);
}

// ImageMagick's estimate of a JPEG's quality, which lumora-edit keeps by default.
int jpegQuality(const QString &file)
{
    QProcess identify;
    identify.start(QStringLiteral("identify-im6.q16"),
                   { QStringLiteral("-format"), QStringLiteral("%Q"), file });
    identify.waitForFinished(60000);
    bool ok = false;
    const int quality = identify.readAllStandardOutput().trimmed().toInt(&ok);
    return ok ? quality : 90;
}

// One picture a row measures: the file, its label, where both tools write.
struct Input
{
    QString label; // "4:2:0"
    QString file;
    QString turnFile; // sides of whole MCUs
    QSize size;
    QString vipsOut; // with the input's quality
    QString oursOut;
};

QStringList vipsCrop(const QString &in, const QString &out, const QRect &r)
{
    return { QStringLiteral("vips"),
             QStringLiteral("extract_area"),
             in,
             out,
             QString::number(r.x()),
             QString::number(r.y()),
             QString::number(r.width()),
             QString::number(r.height()) };
}

QRect centred(const QSize &part, const QSize &whole)
{
    return QRect(QPoint((whole.width() - part.width()) / 2, (whole.height() - part.height()) / 2),
                 part);
}

// A 256x1 three-band lookup table as a binary PPM: per channel a smooth S-curve or ramp,
// the shape of cross-processing's curves, for vips maplut.
void writeCurves(const QString &path)
{
    QByteArray ppm("P6\n256 1\n255\n");
    for (int i = 0; i < 256; ++i) {
        const double x = i / 255.0;
        const double s = x * x * (3 - 2 * x);
        ppm.append(char(qRound(255 * (0.4 * x + 0.6 * s))));
        ppm.append(char(qRound(255 * (0.7 * x + 0.3 * s))));
        ppm.append(char(32 + qRound(192 * x)));
    }
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(ppm);
}

void writeMatrix(const QString &path, const QByteArray &matrix)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(matrix);
}

int edits(const QString &lumoraEdit, const QDir &work, const QList<Input> &inputs)
{
    const int count = runs();
    const QString sepia = work.filePath(QStringLiteral("sepia.mat"));
    writeMatrix(sepia, "3 3\n0.393 0.769 0.189\n0.349 0.686 0.168\n0.272 0.534 0.131\n");
    // Old colour photo: 40 % of the way to luma, then channel ramps that warm the picture.
    const QString oldColour = work.filePath(QStringLiteral("oldcolour.mat"));
    writeMatrix(oldColour, "3 3\n0.68 0.22 0.04\n0.10 0.62 0.03\n0.08 0.18 0.46\n");
    const QString curves = work.filePath(QStringLiteral("curves.ppm"));
    writeCurves(curves);

    const auto ours = [&](const Input &in, const QStringList &edits, const QString &file) {
        return Job { QStringList { lumoraEdit, QStringLiteral("-o"), in.oursOut, file } + edits };
    };
    const auto vips = [](const QString &op, const QString &in, const QString &out,
                         const QStringList &more = {}) {
        return Job { QStringList { QStringLiteral("vips"), op, in, out } + more };
    };

    // The vips command doing what an edit of lumora-edit does; `in` the input's size, `out`
    // what lumora-edit made of it (for a crop's rectangle).
    using VipsFor = std::function<Job(const Input &, const QString &out, const QSize &made)>;
    struct Single
    {
        QString edit; // lumora-edit's arguments, space-separated
        QString vipsText;
        VipsFor vipsJob;
    };
    const auto simple = [&](const QString &op, const QStringList &more = {}) {
        return VipsFor([=](const Input &in, const QString &out, const QSize &) {
            return vips(op, in.file, out, more);
        });
    };
    const VipsFor crop = [&](const Input &in, const QString &out, const QSize &made) {
        return Job { vipsCrop(in.file, out, centred(made, in.size)) };
    };
    const QRect free(400, 300, 3000, 2000);
    QList<Single> singles;
    const QList<std::pair<QString, Single>> oneShots {
        { QStringLiteral("flip-vertical"),
          { {},
            QStringLiteral("flip vertical"),
            simple(QStringLiteral("flip"), { QStringLiteral("vertical") }) } },
        { QStringLiteral("flip-horizontal"),
          { {},
            QStringLiteral("flip horizontal"),
            simple(QStringLiteral("flip"), { QStringLiteral("horizontal") }) } },
        { QStringLiteral("rotate-right"),
          { {},
            QStringLiteral("rot d90"),
            simple(QStringLiteral("rot"), { QStringLiteral("d90") }) } },
        { QStringLiteral("rotate-left"),
          { {},
            QStringLiteral("rot d270"),
            simple(QStringLiteral("rot"), { QStringLiteral("d270") }) } },
        { QStringLiteral("auto-fix"),
          { {}, QStringLiteral("scale"), simple(QStringLiteral("scale")) } },
    };
    for (const auto &[edit, single] : oneShots)
        singles.append({ edit, single.vipsText, single.vipsJob });
    for (const auto &[edit, single] : oneShots)
        singles.append(
            { QStringLiteral("--quality 90 ") + edit, single.vipsText + QStringLiteral(" Q=90"),
              [job = single.vipsJob](const Input &in, const QString &out, const QSize &made) {
                  QString forced = out;
                  forced.replace(QRegularExpression(QStringLiteral("\\[Q=\\d+")),
                                 QStringLiteral("[Q=90"));
                  return job(in, forced, made);
              } });
    singles.append({ QStringLiteral("crop=free@%1,%2,%3x%4")
                         .arg(free.x())
                         .arg(free.y())
                         .arg(free.width())
                         .arg(free.height()),
                     QStringLiteral("extract_area"),
                     [&, free](const Input &in, const QString &out, const QSize &) {
                         return Job { vipsCrop(in.file, out, free) };
                     } });
    for (const char *ratio : { "square", "4:3", "3:4", "3:2", "2:3", "16:9", "9:16", "original" })
        singles.append({ QStringLiteral("crop=") + QLatin1String(ratio),
                         QStringLiteral("extract_area (centred, lumora-edit's size)"), crop });
    for (int percent : { 12, 25, 50, 75, 100 }) {
        if (percent == 100)
            singles.append({ QStringLiteral("resize=100"), QStringLiteral("copy"),
                             simple(QStringLiteral("copy")) });
        else
            singles.append(
                { QStringLiteral("resize=%1").arg(percent),
                  QStringLiteral("resize %1").arg(percent / 100.0),
                  simple(QStringLiteral("resize"), { QString::number(percent / 100.0) }) });
    }
    singles.append({ QStringLiteral("effect=greyscale"), QStringLiteral("colourspace b-w"),
                     simple(QStringLiteral("colourspace"), { QStringLiteral("b-w") }) });
    singles.append({ QStringLiteral("effect=sepia"), QStringLiteral("recomb (sepia matrix)"),
                     simple(QStringLiteral("recomb"), { sepia }) });
    singles.append({ QStringLiteral("effect=old-color-photo"),
                     QStringLiteral("recomb (faded matrix)"),
                     simple(QStringLiteral("recomb"), { oldColour }) });
    singles.append({ QStringLiteral("effect=cross-processing"), QStringLiteral("maplut (3 curves)"),
                     simple(QStringLiteral("maplut"), { curves }) });

    // "yes", or "no" with what missed: "no (4:2:0 t+m, 4:4:4 m)".
    const auto verdict = [&inputs](const QList<bool> &timeMet, const QList<bool> &memoryMet) {
        QStringList missed;
        for (qsizetype i = 0; i < inputs.size(); ++i) {
            QStringList what;
            if (!timeMet[i])
                what << QStringLiteral("t");
            if (!memoryMet[i])
                what << QStringLiteral("m");
            if (!what.isEmpty())
                missed << inputs[i].label + QLatin1Char(' ') + what.join(QLatin1Char('+'));
        }
        return missed.isEmpty() ? QStringLiteral("yes")
                                : QStringLiteral("no (%1)").arg(missed.join(QStringLiteral(", ")));
    };
    // One row for every input: time and memory, each against its goal (0: none).
    const auto rowFor
        = [&](const QString &what, const QList<Measured> &m, double timeGoal, double memoryGoal) {
              QStringList ourCells, theirCells, ratios;
              QList<bool> timeMet, memoryMet;
              for (qsizetype i = 0; i < inputs.size(); ++i) {
                  const Measured &a = m[2 * i];
                  const Measured &b = m[2 * i + 1];
                  const double t = a.seconds / b.seconds;
                  const double mem = a.kib / b.kib;
                  ourCells << inputs[i].label + QLatin1Char(' ') + measured(a);
                  theirCells << inputs[i].label + QLatin1Char(' ') + measured(b);
                  ratios << QStringLiteral("%1 t %2, m %3")
                                .arg(inputs[i].label, Bench::ratio(t), Bench::ratio(mem));
                  timeMet << (timeGoal <= 0 || t <= timeGoal);
                  memoryMet << (memoryGoal <= 0 || mem <= memoryGoal);
              }
              QStringList goal;
              if (timeGoal > 0)
                  goal << QStringLiteral("t ≤ %1×").arg(timeGoal);
              if (memoryGoal > 0)
                  goal << QStringLiteral("m ≤ %1×").arg(memoryGoal, 0, 'f', 1);
              Bench::row({ what, ourCells.join(QStringLiteral("; ")),
                           theirCells.join(QStringLiteral("; ")), ratios.join(QStringLiteral("; ")),
                           goal.join(QStringLiteral(", ")), verdict(timeMet, memoryMet) });
          };

    for (const Single &single : singles) {
        Bench::progress(QStringLiteral("vips: %1").arg(single.edit));
        const QStringList edit = single.edit.split(QLatin1Char(' '));
        QList<Job> jobs;
        for (const Input &in : inputs) {
            // lumora-edit first, alone: its output's size places a crop for vips.
            const Job oursJob = ours(in, edit, in.file);
            runJob(oursJob);
            const QSize made = QImageReader(in.oursOut).size();
            jobs << oursJob << single.vipsJob(in, in.vipsOut, made);
        }
        rowFor(QStringLiteral("`%1` vs `vips %2`").arg(single.edit, single.vipsText),
               sideBySide(jobs, count), 0.6, 1.0);
    }

    Bench::progress(QStringLiteral("vips: the lossless turn"));
    {
        QList<Job> jobs;
        QStringList sizes;
        for (const Input &in : inputs) {
            const QSize size = QImageReader(in.turnFile).size();
            sizes << QStringLiteral("%1 %2x%3").arg(in.label).arg(size.width()).arg(size.height());
            jobs << ours(in, { QStringLiteral("rotate-right") }, in.turnFile)
                 << Job { { QStringLiteral("jpegtran"), QStringLiteral("-perfect"),
                            QStringLiteral("-copy"), QStringLiteral("all"),
                            QStringLiteral("-rotate"), QStringLiteral("90"),
                            QStringLiteral("-outfile"),
                            work.filePath(QStringLiteral("jpegtran.jpg")), in.turnFile } };
        }
        rowFor(QStringLiteral("Lossless turn: `rotate-right` vs `jpegtran -perfect -rotate 90` "
                              "(%1, whole MCUs)")
                   .arg(sizes.join(QStringLiteral(", "))),
               sideBySide(jobs, count), 1.15, 1.5);
    }

    // The chain: five edits, against the same five in libvips, each a command writing its own
    // .v intermediate to memory-backed /dev/shm.
    Bench::progress(QStringLiteral("vips: the chain"));
    {
        const QString shm = QDir(QStringLiteral("/dev/shm")).exists() ? QStringLiteral("/dev/shm")
                                                                      : work.absolutePath();
        const QStringList chain { QStringLiteral("auto-fix"), QStringLiteral("rotate-right"),
                                  QStringLiteral("crop=16:9"), QStringLiteral("resize=50"),
                                  QStringLiteral("effect=sepia") };
        QList<Job> jobs;
        for (const Input &in : inputs) {
            const Job oursJob = ours(in, chain, in.file);
            runJob(oursJob);
            // After the turn, crop=16:9 takes the largest centred 16:9 part, halved by resize.
            const QSize made = QImageReader(in.oursOut).size() * 2;
            const QString a = shm + QStringLiteral("/lumora-bench-a.v");
            const QString b = shm + QStringLiteral("/lumora-bench-b.v");
            const QString c = shm + QStringLiteral("/lumora-bench-c.v");
            const QString d = shm + QStringLiteral("/lumora-bench-d.v");
            jobs << oursJob
                 << Job { { QStringLiteral("vips"), QStringLiteral("scale"), in.file, a },
                          { QStringLiteral("vips"), QStringLiteral("rot"), a, b,
                            QStringLiteral("d90") },
                          vipsCrop(b, c, centred(made, in.size.transposed())),
                          { QStringLiteral("vips"), QStringLiteral("resize"), c, d,
                            QStringLiteral("0.5") },
                          { QStringLiteral("vips"), QStringLiteral("recomb"), d, in.vipsOut,
                            sepia } };
        }
        rowFor(QStringLiteral("Chain `%1` vs the same 5 vips commands (.v between them in %2)")
                   .arg(chain.join(QLatin1Char(' ')), shm),
               sideBySide(jobs, count), 0.3, 0);
        for (const char *name : { "a", "b", "c", "d" })
            QFile::remove(shm + QStringLiteral("/lumora-bench-%1.v").arg(QLatin1String(name)));
    }
    Bench::note(QStringLiteral("vips: libvips %1; medians of %2 interleaved runs after one "
                               "untimed run; t = time, m = peak memory (ru_maxrss); vips writes "
                               "at the input's quality (Q=%3), as lumora-edit keeps it; auto-fix "
                               "≈ vips scale (min-max stretch), old-color-photo ≈ recomb, "
                               "cross-processing ≈ maplut")
                    .arg(QString::fromLocal8Bit(qgetenv("LUMORA_BENCH_VIPS_VERSION")))
                    .arg(count)
                    .arg(jpegQuality(inputs.first().file)));
    return failures ? 1 : 0;
}

int cost(const QString &lumoraEdit, const QDir &work, const QStringList &pictures)
{
    // The largest pictures take long: fewer runs there.
    const int count = runs();
    QStringList cells;
    double reference = 0;
    double last = 0;
    Measured largest;
    QSize largestSize;
    for (const QString &picture : pictures) {
        const QSize size = QImageReader(picture).size();
        const double megapixels = size.width() * double(size.height()) / 1e6;
        const int n = megapixels > 120 ? 1 : megapixels > 30 ? std::min(count, 2) : count;
        Bench::progress(
            QStringLiteral("cost per megapixel at %1 MP, %2 runs").arg(qRound(megapixels)).arg(n));
        const Measured m = sideBySide({ { { lumoraEdit, QStringLiteral("-o"),
                                            work.filePath(QStringLiteral("ours-scaled.jpg")),
                                            picture, QStringLiteral("effect=sepia") } } },
                                      n)
                               .first();
        last = m.seconds / megapixels;
        if (reference == 0)
            reference = last;
        cells << QStringLiteral("%1 MP: %2/MP (%3 run%4)")
                     .arg(qRound(megapixels))
                     .arg(Bench::duration(last))
                     .arg(n)
                     .arg(n == 1 ? QString() : QStringLiteral("s"));
        largest = m;
        largestSize = size;
    }
    if (reference <= 0) {
        Bench::note(QStringLiteral("cost per MP: nothing measured"));
        return 1;
    }
    const double flat = last / reference;
    Bench::row({ QStringLiteral("Cost per MP of `effect=sepia`, largest vs first"),
                 cells.mid(1).join(QStringLiteral("; ")), cells.first(),
                 QStringLiteral("%1×").arg(flat, 0, 'f', 3), QStringLiteral("≤ 1.2×"),
                 flat <= 1.2 ? QStringLiteral("yes") : QStringLiteral("no") });
    const double decodedKib = largestSize.width() * double(largestSize.height()) * 4 / 1024;
    const double share = largest.kib / decodedKib;
    Bench::row({ QStringLiteral("Peak memory of `effect=sepia` at %1x%2 vs its decoded size "
                                "(w·h·4)")
                     .arg(largestSize.width())
                     .arg(largestSize.height()),
                 Bench::memory(largest.kib), Bench::memory(decodedKib), Bench::ratio(share),
                 QStringLiteral("< 0.3×"),
                 share < 0.3 ? QStringLiteral("yes") : QStringLiteral("no") });
    return failures ? 1 : 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    const QString usage = QStringLiteral(
        "usage: lumora-bench-vips edits LUMORA_EDIT WORKDIR PIC420 TURN420 PIC444 TURN444\n"
        "       lumora-bench-vips cost LUMORA_EDIT WORKDIR PICTURE...");
    if (arguments.size() < 5) {
        Bench::progress(usage);
        return 2;
    }
    const QString mode = arguments[1];
    const QString lumoraEdit = arguments[2];
    const QDir work(arguments[3]);
    if (mode == QLatin1String("cost"))
        return cost(lumoraEdit, work, arguments.mid(4));
    if (mode != QLatin1String("edits") || arguments.size() != 8) {
        Bench::progress(usage);
        return 2;
    }
    if (QStandardPaths::findExecutable(QStringLiteral("vips")).isEmpty()) {
        Bench::note(QStringLiteral("vips not measured: libvips-tools is not installed"));
        return 1;
    }
    QList<Input> inputs;
    for (int i = 0; i < 2; ++i) {
        Input in;
        in.label = i == 0 ? QStringLiteral("4:2:0") : QStringLiteral("4:4:4");
        in.file = arguments[4 + 2 * i];
        in.turnFile = arguments[5 + 2 * i];
        in.size = QImageReader(in.file).size();
        const QString tag = i == 0 ? QStringLiteral("420") : QStringLiteral("444");
        in.oursOut = work.filePath(QStringLiteral("ours-%1.jpg").arg(tag));
        // The input's quality and chroma sampling, as lumora-edit keeps them (vips would
        // otherwise write 4:4:4 from Q=90 up).
        in.vipsOut = work.filePath(QStringLiteral("vips-%1.jpg[Q=%2,subsample-mode=%3]")
                                       .arg(tag)
                                       .arg(jpegQuality(in.file))
                                       .arg(i == 0 ? QStringLiteral("on") : QStringLiteral("off")));
        if (!in.size.isValid()) {
            Bench::note(QStringLiteral("vips: cannot read %1").arg(in.file));
            return 1;
        }
        inputs << in;
    }
    return edits(lumoraEdit, work, inputs);
}
