// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-bench-pluginload: opening one of our plug-ins as the host does (dlopen, the
// verification record compared with the host's, qt_plugin_instance, qobject_cast,
// delete, dlclose) against Qt's own JPEG image-format plug-in through QPluginLoader
// and against an empty shared object. Every repetition really maps and unmaps the
// library: after each batch dlopen(RTLD_NOLOAD) must find none of them resident.

#include "benchsupport.h"
#include "lumoraeditplugin.h"
#include "lumorapluginframe.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QImageIOPlugin>
#include <QLibraryInfo>
#include <QPluginLoader>

#include <array>
#include <cstring>
#include <dlfcn.h>
#include <functional>
#include <utility>

namespace {

constexpr int Runs = 15;
constexpr int Batch = 20; // load-unload cycles timed together in one run

using VerificationFunction = const char *(*)();
using InstanceFunction = QObject *(*)();

// QLibrary's flags when no load hint is given: lazy binding, local symbols.
constexpr int OpenFlags = RTLD_LAZY | RTLD_LOCAL;

bool loadOurs(const QByteArray &path)
{
    void *handle = dlopen(path.constData(), OpenFlags);
    if (!handle)
        return false;
    bool ok = false;
    const auto verification = reinterpret_cast<VerificationFunction>(
        dlsym(handle, "qt_plugin_query_verification_data"));
    const auto instance = reinterpret_cast<InstanceFunction>(dlsym(handle, "qt_plugin_instance"));
    if (verification && instance) {
        const char *record = verification();
        if (record && std::strcmp(record, LumoraPluginFrame::verificationData) == 0) {
            QObject *object = instance();
            ok = qobject_cast<LumoraEditPlugin *>(object) != nullptr;
            delete object;
        }
    }
    return dlclose(handle) == 0 && ok;
}

bool loadQt(const QString &path)
{
    QPluginLoader loader(path);
    // QPluginLoader asks for PreventUnloadHint by default, which would keep the
    // library mapped after unload(); without it every cycle maps it afresh.
    loader.setLoadHints(QLibrary::LoadHints());
    if (!loader.load())
        return false;
    const bool ok = qobject_cast<QImageIOPlugin *>(loader.instance()) != nullptr;
    // Deletes the instance, then dlclose.
    return loader.unload() && ok;
}

bool loadEmpty(const QByteArray &path)
{
    void *handle = dlopen(path.constData(), OpenFlags);
    return handle && dlclose(handle) == 0;
}

bool resident(const QByteArray &path)
{
    void *handle = dlopen(path.constData(), RTLD_LAZY | RTLD_NOLOAD);
    if (!handle)
        return false;
    dlclose(handle);
    return true;
}

// One kind of load-unload cycle and what its runs measured.
struct Subject
{
    Subject(const QString &name, std::function<bool()> loadOnce, QList<QByteArray> mustUnload)
        : name(name)
        , loadOnce(std::move(loadOnce))
        , mustUnload(std::move(mustUnload))
    { }

    QString name;
    std::function<bool()> loadOnce;
    QList<QByteArray> mustUnload; // files that must not stay resident after a batch
    std::vector<double> perCycle; // seconds per cycle, one entry per batch
    int batches = 0;
    int staysResident = 0; // batches after which one of mustUnload was still mapped
    bool failed = false;
};

void runBatch(Subject &subject)
{
    const Bench::Clock::time_point start = Bench::Clock::now();
    for (int i = 0; i < Batch; ++i)
        subject.failed |= !subject.loadOnce();
    subject.perCycle.push_back(Bench::secondsSince(start) / Batch);
    ++subject.batches;
    for (const QByteArray &file : std::as_const(subject.mustUnload)) {
        if (resident(file)) {
            ++subject.staysResident;
            break;
        }
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QByteArray ours = QByteArrayLiteral(LUMORA_PLUGIN_DIR "/libtornel.so");
    const QString qtJpeg = QLibraryInfo::path(QLibraryInfo::PluginsPath)
        + QStringLiteral("/imageformats/libqjpeg.so");
    const QByteArray empty = QByteArrayLiteral(BENCH_EMPTY_LIBRARY);
    // libqjpeg's own dependency, which Qt's libraries do not load.
    const QByteArray jpegLibrary = QByteArrayLiteral("libjpeg.so.62");

    for (const QByteArray &file : { ours, QFile::encodeName(qtJpeg), empty }) {
        if (!QFileInfo::exists(QFile::decodeName(file))) {
            Bench::note(QStringLiteral("plug-in load not measured: %1 is missing")
                            .arg(QFile::decodeName(file)));
            return 1;
        }
    }
    Bench::progress(QStringLiteral("plug-in load: %1 runs of %2 cycles").arg(Runs).arg(Batch));

    const QByteArray qtJpegFile = QFile::encodeName(qtJpeg);
    Subject oursSubject(QStringLiteral("libtornel.so"), [&] { return loadOurs(ours); }, { ours });
    Subject qtSubject(QStringLiteral("libqjpeg.so"), [&] { return loadQt(qtJpeg); },
                      { qtJpegFile, jpegLibrary });
    Subject emptySubject(QStringLiteral("empty"), [&] { return loadEmpty(empty); }, { empty });
    // A second view of Qt's plug-in with libjpeg held open, so that only the plug-in itself
    // is mapped each cycle, as ours is (its liblumoracore is the host's), measured side by
    // side with ours again.
    Subject oursAgainSubject(QStringLiteral("libtornel.so (second view)"),
                             [&] { return loadOurs(ours); }, { ours });
    Subject qtPinnedSubject(QStringLiteral("libqjpeg.so with libjpeg resident"),
                            [&] { return loadQt(qtJpeg); }, { qtJpegFile });
    const std::array<Subject *, 5> all { &oursSubject, &qtSubject, &emptySubject, &oursAgainSubject,
                                         &qtPinnedSubject };

    const std::array<Subject *, 3> unpinned { &oursSubject, &qtSubject, &emptySubject };
    // Warm up: page cache, first-use paths of the dynamic loader and of Qt.
    for (Subject *subject : unpinned)
        subject->loadOnce();
    for (int run = 0; run < Runs; ++run) {
        // Rotate the order so that no subject always follows the same one.
        for (int i = 0; i < 3; ++i)
            runBatch(*unpinned[size_t((run + i) % 3)]);
    }

    void *pin = dlopen(jpegLibrary.constData(), RTLD_LAZY | RTLD_LOCAL);
    for (int run = 0; run < Runs; ++run) {
        runBatch(run % 2 ? oursAgainSubject : qtPinnedSubject);
        runBatch(run % 2 ? qtPinnedSubject : oursAgainSubject);
    }
    if (pin)
        dlclose(pin);

    for (const Subject *subject : all) {
        if (subject->failed) {
            Bench::note(QStringLiteral("plug-in load: loading %1 failed").arg(subject->name));
            return 1;
        }
    }

    const double oursMedian = Bench::median(oursSubject.perCycle);
    const double qtMedian = Bench::median(qtSubject.perCycle);
    const double emptyMedian = Bench::median(emptySubject.perCycle);
    const double oursAgainMedian = Bench::median(oursAgainSubject.perCycle);
    const double qtPinnedMedian = Bench::median(qtPinnedSubject.perCycle);
    Bench::row(QStringLiteral("Plug-in load: libtornel.so (dlopen … dlclose) vs Qt libqjpeg.so "
                              "(QPluginLoader load, instance, unload)"),
               Bench::duration(oursMedian), Bench::duration(qtMedian), oursMedian / qtMedian,
               QStringLiteral("≤ 0.5×"), oursMedian / qtMedian <= 0.5);
    Bench::row(QStringLiteral("Plug-in load: libtornel.so vs Qt libqjpeg.so with libjpeg.so.62 "
                              "held resident"),
               Bench::duration(oursAgainMedian), Bench::duration(qtPinnedMedian),
               oursAgainMedian / qtPinnedMedian, QStringLiteral("— (context)"), std::nullopt);
    Bench::row(QStringLiteral("Plug-in load: libtornel.so vs dlopen/dlclose of an empty shared "
                              "object"),
               Bench::duration(oursMedian), Bench::duration(emptyMedian), oursMedian / emptyMedian,
               QStringLiteral("— (floor)"), std::nullopt);

    Bench::note(QStringLiteral("plug-in load: median of %1 runs of %2 load-unload cycles each, "
                               "per cycle; subjects interleaved in every run; QPluginLoader's "
                               "default PreventUnloadHint cleared so that unload() unmaps")
                    .arg(Runs)
                    .arg(Batch));
    QStringList residency;
    for (const Subject *subject : all) {
        QStringList files;
        for (const QByteArray &file : subject->mustUnload)
            files << QFileInfo(QFile::decodeName(file)).fileName();
        const QString checked = files.join(QStringLiteral(" + "));
        residency << (subject->staysResident
                          ? QStringLiteral("%1 stayed resident after %2 of %3 batches")
                                .arg(checked)
                                .arg(subject->staysResident)
                                .arg(subject->batches)
                          : QStringLiteral("%1 gone after all %2 batches")
                                .arg(checked)
                                .arg(subject->batches));
    }
    Bench::note(QStringLiteral("plug-in load: dlopen(RTLD_NOLOAD) after each batch: ")
                + residency.join(QStringLiteral("; ")));
    return 0;
}
