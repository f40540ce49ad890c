// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-bench-endtoend LUMORA_EDIT CONVERT PICTURE.jpg WORKDIR: lumora-edit, all eight
// plug-ins loaded, applying five edits to a 12-megapixel JPEG and writing a JPEG,
// against the same chain in one ImageMagick command; wall time and the peak resident
// memory of each child (ru_maxrss from wait4).

#include "benchsupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QImageReader>
#include <QProcess>

namespace {

constexpr int Runs = 5;

QString sizeOf(const QString &file)
{
    const QSize size = QImageReader(file).size();
    return QStringLiteral("%1x%2").arg(size.width()).arg(size.height());
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() != 5) {
        Bench::progress(QStringLiteral("usage: lumora-bench-endtoend LUMORA_EDIT CONVERT "
                                       "PICTURE.jpg WORKDIR"));
        return 2;
    }
    const QString lumoraEdit = arguments[1];
    const QString convert = arguments[2];
    const QString picture = arguments[3];
    const QDir work(arguments[4]);
    const QString oursOut = work.filePath(QStringLiteral("lumora-edit-out.jpg"));
    const QString magickOut = work.filePath(QStringLiteral("imagemagick-out.jpg"));

    // Every plug-in must load, or the run would not be the one described.
    QProcess list;
    list.start(lumoraEdit, { QStringLiteral("--list") });
    list.waitForFinished(60000);
    const int loaded = QString::fromLocal8Bit(list.readAllStandardOutput())
                           .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                           .size();
    if (loaded != 8)
        Bench::note(QStringLiteral("end to end: lumora-edit --list shows %1 plug-ins, not 8: %2")
                        .arg(loaded)
                        .arg(QString::fromLocal8Bit(list.readAllStandardError()).trimmed()));

    const QSize input = QImageReader(picture).size();
    // After rotating right the picture stands; the crop tool's largest centred 16:9 part
    // takes the limiting side whole and rounds the other down.
    const int rotatedWidth = input.height();
    const int rotatedHeight = input.width();
    const bool widthLimits = qint64(rotatedWidth) * 9 <= qint64(rotatedHeight) * 16;
    const int cropWidth = widthLimits ? rotatedWidth : rotatedHeight * 16 / 9;
    const int cropHeight = widthLimits ? rotatedWidth * 9 / 16 : rotatedHeight;

    const QStringList edits { QStringLiteral("auto-fix"), QStringLiteral("rotate-right"),
                              QStringLiteral("crop=16:9"), QStringLiteral("resize=50"),
                              QStringLiteral("effect=sepia") };
    const QStringList oursArguments
        = QStringList { QStringLiteral("-o"), oursOut, picture } + edits;
    const QStringList magickArguments { picture,
                                        QStringLiteral("-auto-level"),
                                        QStringLiteral("-rotate"),
                                        QStringLiteral("90"),
                                        QStringLiteral("-gravity"),
                                        QStringLiteral("center"),
                                        QStringLiteral("-crop"),
                                        QStringLiteral("%1x%2+0+0").arg(cropWidth).arg(cropHeight),
                                        QStringLiteral("+repage"),
                                        QStringLiteral("-resize"),
                                        QStringLiteral("50%"),
                                        QStringLiteral("-sepia-tone"),
                                        QStringLiteral("80%"),
                                        QStringLiteral("-quality"),
                                        QStringLiteral("92"),
                                        magickOut };

    Bench::progress(QStringLiteral("end to end: %1 runs each").arg(Runs));
    std::vector<double> oursTime, magickTime, oursMemory, magickMemory;
    int failures = 0;
    const auto runOurs = [&] {
        const Bench::ChildRun run = Bench::runChild(lumoraEdit, oursArguments);
        failures += run.exitCode != 0;
        oursTime.push_back(run.seconds);
        oursMemory.push_back(double(run.maxResidentKib));
    };
    const auto runMagick = [&] {
        const Bench::ChildRun run = Bench::runChild(convert, magickArguments);
        failures += run.exitCode != 0;
        magickTime.push_back(run.seconds);
        magickMemory.push_back(double(run.maxResidentKib));
    };
    // One warm-up each: page cache, font cache.
    runOurs();
    runMagick();
    oursTime.clear();
    magickTime.clear();
    oursMemory.clear();
    magickMemory.clear();
    for (int run = 0; run < Runs; ++run) {
        if (run % 2) {
            runOurs();
            runMagick();
        } else {
            runMagick();
            runOurs();
        }
    }
    if (failures) {
        Bench::note(QStringLiteral("end to end: %1 runs failed").arg(failures));
        return 1;
    }

    const double oursMedian = Bench::median(oursTime);
    const double magickMedian = Bench::median(magickTime);
    Bench::row(QStringLiteral("End to end: lumora-edit, 8 plug-ins, 5 edits on a 12 MP JPEG vs "
                              "one ImageMagick convert"),
               Bench::duration(oursMedian), Bench::duration(magickMedian),
               oursMedian / magickMedian, QStringLiteral("≤ 0.5×"),
               oursMedian / magickMedian <= 0.5);
    const double oursPeak = Bench::median(oursMemory);
    const double magickPeak = Bench::median(magickMemory);
    Bench::row(QStringLiteral("Memory: peak resident (ru_maxrss) of that lumora-edit run vs "
                              "ImageMagick's"),
               Bench::memory(oursPeak), Bench::memory(magickPeak), oursPeak / magickPeak,
               QStringLiteral("— (none set)"), std::nullopt);
    Bench::note(
        QStringLiteral("end to end: median of %1 runs each, interleaved, after one warm-up; "
                       "edits: %2; ImageMagick: convert %3; outputs %4 (ours) and %5 "
                       "(ImageMagick), JPEG quality 92 both")
            .arg(Runs)
            .arg(edits.join(QLatin1Char(' ')),
                 magickArguments.mid(1, magickArguments.size() - 2).join(QLatin1Char(' ')),
                 sizeOf(oursOut), sizeOf(magickOut)));
    return 0;
}
