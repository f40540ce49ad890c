// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-edit: loads the picture editor's edit plug-ins and applies edits to a
// picture through them, exactly as the editor and its user would.

#include "batchrun.h"
#include "catalogue.h"
#include "displaytext.h"
#include "editdriver.h"
#include "editrender.h"
#include "editrequest.h"
#include "headless.h"
#include "imageeditor.h"
#include "lumoraeditplugin.h"
#include "lumoraversion.h"
#include "mapplication.h"
#include "nativepath.h"
#include "operation.h"
#include "picturefile.h"
#include "pluginloader.h"
#include "pluginpaths.h"
#include "rowsource.h"
#include "toolbarrenderer.h"
#include "workerreport.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QThread>
#include <QThreadPool>

#include <climits>
#include <fcntl.h>
#include <optional>

namespace {

enum ExitCode { Success = 0, Failure = 1, UsageError = 2 };

// The longest side of the reduced render the EXIF thumbnail (160 pixels) is made from.
constexpr int ThumbnailSource = 320;

// Under a batch (--report-fd), where messages go as records (WorkerReport); -1 alone.
int reportFd = -1;

// Messages carry names and metadata: shown escaped (DisplayText), or sent as records.
int complain(const QString &message, int code = Failure)
{
    if (reportFd >= 0)
        WorkerReport::send(reportFd, WorkerReport::Error, message);
    else
        QTextStream(stderr) << "lumora-edit: " << DisplayText::escaped(message) << Qt::endl;
    return code;
}

void warn(const QStringList &lines)
{
    for (const QString &line : lines) {
        if (reportFd >= 0)
            WorkerReport::send(reportFd, WorkerReport::Warning, line);
        else
            QTextStream(stderr) << "lumora-edit: warning: " << DisplayText::escaped(line)
                                << Qt::endl;
    }
}

// A whole number from `low` to `high` as an option's value: digits only, no sign,
// space or overflow.
std::optional<int> number(const QString &text, int low, int high)
{
    if (text.isEmpty() || text.size() > 10)
        return std::nullopt;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    }
    const qlonglong value = text.toLongLong();
    if (value < low || value > high)
        return std::nullopt;
    return int(value);
}

int badNumber(const QCommandLineParser &parser, const QCommandLineOption &option,
              const QString &range)
{
    complain(QStringLiteral("--%1 takes %2, not '%3'")
                 .arg(option.names().constLast(), range, parser.value(option)));
    QTextStream(stderr) << DisplayText::escaped(parser.helpText().section(QLatin1Char('\n'), 0, 0))
                        << Qt::endl;
    return UsageError;
}

// The default output beside the input; a format not written (GIF, XPM, ...) becomes PNG.
QString defaultOutput(const QString &input, QString *note)
{
    const QFileInfo info(input);
    QString suffix = info.suffix();
    if (PictureFile::formatForFileName(input).isEmpty()) {
        if (!suffix.isEmpty())
            *note = QStringLiteral("%1 pictures cannot be written: the result is a PNG file")
                        .arg(suffix.toUpper());
        suffix = QStringLiteral("png");
    }
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("-edited.") + suffix);
}

void printMenu(const PluginLoader &loader)
{
    QTextStream out(stdout);
    for (const LoadedPlugin &loaded : loader.plugins()) {
        out << loaded.plugin->menuIndex() << '\t' << DisplayText::escaped(loaded.plugin->name())
            << '\t' << DisplayText::escaped(loaded.plugin->iconID()) << '\t'
            << DisplayText::escaped(loaded.className) << '\t'
            << DisplayText::escaped(NativePath::displayName(loaded.fileName)) << Qt::endl;
    }
}

// What the command line asks for, checked and parsed.
struct Settings
{
    enum Mode { Edit, Info, Batch, MenuOnly };
    Mode mode = Edit;
    QString input;
    QList<EditRequest> edits;
    QStringList pluginDirs;
    bool list = false;
    bool trace = false;
    QString output;
    QString outputNote; // why the default output is not in the input's format
    bool inPlace = false;
    QString toolbarsDir;
    QString locale;
    PictureSaveOptions save;
    BatchRun::Settings batch;
};

// The options, in the order --help lists them.
struct Options
{
    QCommandLineOption plugins { QStringLiteral("plugins"),
                                 QStringLiteral("Plug-in folder, replacing the default ones "
                                                "(default: %1).")
                                     .arg(PluginPaths::describeDefault()),
                                 QStringLiteral("DIR") };
    QCommandLineOption list { QStringLiteral("list"),
                              QStringLiteral("Print the editor menu: index, name, icon, class, "
                                             "file (full path).") };
    QCommandLineOption trace { QStringLiteral("trace"),
                               QStringLiteral("Write every provider call and completion as JSON "
                                              "lines to standard error.") };
    QCommandLineOption output { QStringList { QStringLiteral("o"), QStringLiteral("output") },
                                QStringLiteral("Output picture (default: INPUT-edited)."),
                                QStringLiteral("OUT") };
    QCommandLineOption inPlace { QStringLiteral("in-place"),
                                 QStringLiteral("Allow the output to replace the input.") };
    QCommandLineOption toolbars { QStringLiteral("toolbars"),
                                  QStringLiteral("Render every tool bar to PNG files in DIR, both "
                                                 "orientations, English and Arabic."),
                                  QStringLiteral("DIR") };
    QCommandLineOption locale { QStringLiteral("locale"),
                                QStringLiteral("Language of the plug-ins' texts (en, ar)."),
                                QStringLiteral("NAME"), QStringLiteral("en") };
    QCommandLineOption quality { QStringLiteral("quality"),
                                 QStringLiteral("JPEG quality 1-100 (default: the input JPEG's "
                                                "own, or 92)."),
                                 QStringLiteral("N") };
    QCommandLineOption strip { QStringLiteral("strip"),
                               QStringLiteral("Write no metadata but the colour profile.") };
    QCommandLineOption stripLocation { QStringLiteral("strip-location"),
                                       QStringLiteral("Leave out the GPS position.") };
    QCommandLineOption info { QStringLiteral("info"),
                              QStringLiteral("Print what the picture holds (format, depth, "
                                             "quality, metadata) and edit nothing.") };
    QCommandLineOption outputDir { QStringLiteral("output-dir"),
                                   QStringLiteral("Edit every INPUT into DIR, as many at a time "
                                                  "as there are cores: INPUT... -- EDIT..."),
                                   QStringLiteral("DIR") };
    QCommandLineOption overwrite { QStringLiteral("overwrite"),
                                   QStringLiteral("With --output-dir: replace outputs that exist "
                                                  "already.") };
    QCommandLineOption jobs { QStringLiteral("jobs"),
                              QStringLiteral("With --output-dir: pictures at a time (default: one "
                                             "per core)."),
                              QStringLiteral("N") };
    QCommandLineOption threads { QStringLiteral("threads"),
                                 QStringLiteral("Threads for the pixel work of one picture "
                                                "(default: one per core)."),
                                 QStringLiteral("N") };
    // A picture's run under a batch sends its messages to this descriptor (WorkerReport).
    QCommandLineOption reportFd { QStringLiteral("report-fd"),
                                  QStringLiteral("Messages as records to FD."),
                                  QStringLiteral("FD") };

    Options() { reportFd.setFlags(QCommandLineOption::HiddenFromHelp); }
    QList<QCommandLineOption> all() const
    {
        return { plugins, list,          trace, output,    inPlace,   toolbars, locale,  quality,
                 strip,   stripLocation, info,  outputDir, overwrite, jobs,     threads, reportFd };
    }
};

// Reads the command line into *settings; an exit code when the run ends here (help, a
// usage error).
std::optional<int> parse(int argc, char **argv, Settings *settings)
{
    const Options options;
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Applies edits to a picture through the picture editor's edit plug-ins.\n\nEdits:\n  ")
        + EditRequest::syntax().join(QStringLiteral("\n  ")));
    parser.addHelpOption();
    parser.addVersionOption();
    parser.addOptions(options.all());
    parser.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("Picture to edit."));
    parser.addPositionalArgument(QStringLiteral("EDIT"), QStringLiteral("Edits, in order."),
                                 QStringLiteral("EDIT..."));
    // Not app.arguments(): Qt would lose the bytes of a file name that is no UTF-8.
    QStringList arguments = NativePath::arguments(argc, argv);
    QStringList batchEdits; // with --output-dir, the edits after "--"
    BatchRun::takeEdits(&arguments, &batchEdits);
    if (!parser.parse(arguments))
        return complain(parser.errorText(), UsageError);
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Success);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    if (parser.isSet(options.reportFd)) {
        const std::optional<int> fd = number(parser.value(options.reportFd), 3, INT_MAX);
        if (!fd || ::fcntl(*fd, F_GETFD) < 0)
            return badNumber(parser, options.reportFd, QStringLiteral("an open file descriptor"));
        reportFd = *fd;
    }
    if (parser.isSet(options.threads)) {
        // More threads than this only cost memory; far more fail to start at all.
        const int most = qMax(256, 4 * QThread::idealThreadCount());
        const std::optional<int> threads = number(parser.value(options.threads), 1, most);
        if (!threads)
            return badNumber(parser, options.threads,
                             QStringLiteral("a number from 1 to %1").arg(most));
        QThreadPool::globalInstance()->setMaxThreadCount(*threads);
    }
    settings->locale = parser.value(options.locale);
    if (settings->locale != QLatin1String("en") && settings->locale != QLatin1String("ar"))
        return complain(QStringLiteral("unknown locale '%1' (en or ar)").arg(settings->locale),
                        UsageError);
    settings->save.software = QStringLiteral("lumora-edit ") + QStringLiteral(LUMORA_VERSION);
    settings->save.strip = parser.isSet(options.strip);
    settings->save.stripLocation = parser.isSet(options.stripLocation);
    if (parser.isSet(options.quality)) {
        const std::optional<int> quality = number(parser.value(options.quality), 1, 100);
        if (!quality)
            return badNumber(parser, options.quality, QStringLiteral("a number from 1 to 100"));
        settings->save.quality = *quality;
    }

    if (parser.isSet(options.outputDir)) {
        if (parser.isSet(options.output) || parser.isSet(options.list)
            || parser.isSet(options.toolbars) || parser.isSet(options.info))
            return complain(QStringLiteral("--output-dir takes no -o, --list, --toolbars or "
                                           "--info"),
                            UsageError);
        settings->mode = Settings::Batch;
        BatchRun::Settings &batch = settings->batch;
        batch.outputDir = parser.value(options.outputDir);
        batch.inputs = parser.positionalArguments();
        batch.edits = batchEdits;
        batch.passedOn = BatchRun::passOn(parser,
                                          { options.plugins, options.trace, options.inPlace,
                                            options.locale, options.quality, options.strip,
                                            options.stripLocation, options.threads });
        batch.overwrite = parser.isSet(options.overwrite);
        batch.inPlace = parser.isSet(options.inPlace);
        if (parser.isSet(options.jobs)) {
            const std::optional<int> jobs = number(parser.value(options.jobs), 0, INT_MAX);
            if (!jobs)
                return badNumber(parser, options.jobs,
                                 QStringLiteral("a number of pictures at a time (0: one per "
                                                "core)"));
            batch.jobs = *jobs;
        }
        return std::nullopt;
    }

    const QStringList positional = parser.positionalArguments();
    settings->pluginDirs = PluginPaths::folders(parser.values(options.plugins));
    settings->input = positional.value(0);
    settings->list = parser.isSet(options.list);
    settings->trace = parser.isSet(options.trace);
    settings->inPlace = parser.isSet(options.inPlace);
    settings->toolbarsDir = parser.value(options.toolbars);

    // Check everything asked for before touching any file.
    for (const QString &text : positional.mid(1)) {
        QString error;
        const std::optional<EditRequest> edit = EditRequest::parse(text, &error);
        if (!edit)
            return complain(error, UsageError);
        settings->edits << *edit;
    }
    const bool toolbars = parser.isSet(options.toolbars);
    if (settings->input.isEmpty() && !settings->list && !toolbars)
        return complain(QStringLiteral("no picture given (see --help)"), UsageError);
    if (parser.isSet(options.info)) {
        if (settings->input.isEmpty() || !settings->edits.isEmpty())
            return complain(QStringLiteral("--info takes one picture and no edit"), UsageError);
        settings->mode = Settings::Info;
        return std::nullopt;
    }
    // With --toolbars alone the picture only gives the tool bars their sizes.
    if (settings->edits.isEmpty()) {
        if (!settings->input.isEmpty() && !toolbars)
            return complain(
                QStringLiteral("no edit given for %1 (see --help)").arg(settings->input),
                UsageError);
        settings->mode = Settings::MenuOnly;
        return std::nullopt;
    }
    settings->output = parser.isSet(options.output)
        ? parser.value(options.output)
        : defaultOutput(settings->input, &settings->outputNote);
    if (PictureFile::formatForFileName(settings->output).isEmpty())
        return complain(
            QStringLiteral("cannot write %1: unsupported picture format (the "
                           "formats written are %2)")
                .arg(NativePath::displayName(settings->output), PictureFile::writableSuffixes()),
            UsageError);
    if (NativePath::sameFile(settings->input, settings->output) && !settings->inPlace)
        return complain(QStringLiteral("output %1 would replace the input; add --in-place to "
                                       "allow it")
                            .arg(NativePath::displayName(settings->output)),
                        UsageError);
    QString error;
    if (!SafeFile::checkTarget(settings->output, settings->save.links, &error))
        return complain(error);
    return std::nullopt;
}

int printInfo(const Settings &settings)
{
    PictureFile picture;
    QString error;
    if (!picture.open(settings.input, &error))
        return complain(error);
    warn(picture.warnings());
    for (const QString &line : picture.describe())
        QTextStream(stdout) << DisplayText::escaped(line) << Qt::endl;
    return Success;
}

// The turn the edits compose to when each is a one-shot turn (the table's presets) and the
// output a JPEG at the input's own quality; the plug-ins still make the edits.
std::optional<PictureTurn> expectedTurn(const Settings &settings)
{
    if (settings.save.quality != 0 || PictureFile::formatForFileName(settings.output) != "jpeg")
        return std::nullopt;
    PictureTurn turn;
    for (const EditRequest &edit : settings.edits) {
        std::optional<PictureTurn> step;
        for (const auto &[operation, preset] : Operations::presets()) {
            if (preset.editName == edit.text)
                step = operation->turn(preset.options);
        }
        if (!step)
            return std::nullopt;
        turn = turn.then(*step);
    }
    return turn;
}

int run(const Settings &settings)
{
    // Read but for the pixels: they are decoded as they are written, after the plug-ins
    // have said what to do with them.
    PictureFile picture;
    if (!settings.input.isEmpty()) {
        QString error;
        if (!picture.openDeferred(settings.input, &error))
            return complain(error);
        warn(picture.warnings());
        // One-shot turns written at the file's quality: the blocks are turned meanwhile.
        if (const std::optional<PictureTurn> turn = expectedTurn(settings))
            picture.expectTurn(*turn);
    }

    if (!settings.toolbarsDir.isEmpty()) {
        QString error;
        const QStringList files = ToolBarRenderer::render(
            settings.pluginDirs, settings.toolbarsDir,
            settings.input.isEmpty() ? QSize(4000, 3000) : picture.fullSize(),
            { QLocale(QLocale::English, QLocale::UnitedKingdom),
              QLocale(QLocale::Arabic, QLocale::Egypt) },
            &error);
        if (!error.isEmpty())
            return complain(error);
        for (const QString &file : files)
            QTextStream(stdout) << DisplayText::escaped(NativePath::displayName(file)) << Qt::endl;
    }

    Catalogue::install(QLocale(settings.locale));
    PluginLoader loader;
    for (const QString &pluginDir : settings.pluginDirs) {
        if (!QFileInfo(pluginDir).isDir())
            return complain(QStringLiteral("plug-in folder %1 does not exist")
                                .arg(NativePath::displayName(pluginDir)));
    }
    loader.loadDirectories(settings.pluginDirs);
    for (const QString &refusal : loader.refusals())
        complain(QStringLiteral("refused %1").arg(refusal));
    warn(loader.warnings());
    if (settings.list)
        printMenu(loader);
    if (settings.mode == Settings::MenuOnly)
        return Success;

    QFile trace;
    std::optional<WorkerReport::TraceDevice> batchTrace;
    QIODevice *traceDevice = nullptr;
    if (settings.trace && reportFd >= 0) {
        traceDevice = &batchTrace.emplace(reportFd);
    } else if (settings.trace) {
        if (!trace.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
            return complain(QStringLiteral("cannot write the trace"));
        traceDevice = &trace;
    }
    // The plug-ins are driven on the picture's geometry alone: the edits are recorded,
    // and their pixels made once, when the picture is written.
    ImageEditor editor(QImage(), ImageEditor::NoHistory);
    editor.setFullImageSize(picture.fullSize());
    EditDriver driver(loader, editor, traceDevice);
    for (const EditRequest &edit : settings.edits) {
        QString error;
        if (!driver.apply(edit, &error))
            return complain(error);
    }

    if (!settings.outputNote.isEmpty())
        warn({ settings.outputNote });
    PictureSaveOptions saveOptions = settings.save;
    saveOptions.turn = editor.turn();
    const QList<EditStep> steps = editor.edits().steps();
    QString error;
    // The EXIF thumbnail is made from a small render of the same edits.
    QImage small = picture.reduced(ThumbnailSource, &error);
    if (!small.isNull())
        small = EditRender::reduced(std::move(small), picture.fullSize(), steps, &error);
    if (small.isNull())
        return complain(error);
    std::unique_ptr<RowSource> rows = picture.rows(&error);
    if (!rows)
        return complain(error);
    StreamedRender::Settings render;
    render.threads = QThreadPool::globalInstance()->maxThreadCount() > 1;
    StreamedRender edited(std::move(rows), steps, render);
    QStringList warnings;
    const bool saved = picture.save(edited, small, settings.output, saveOptions, &error, &warnings);
    warn(warnings);
    if (!saved)
        return complain(error);
    return Success;
}

} // namespace

int main(int argc, char **argv)
{
    prepareHeadlessRun(); // a command-line program: no display is needed
    MApplication app(argc, argv);
    MApplication::setApplicationName(QStringLiteral("lumora-edit"));
    MApplication::setApplicationVersion(QStringLiteral(LUMORA_VERSION));

    Settings settings;
    if (const std::optional<int> exitCode = parse(argc, argv, &settings))
        return *exitCode;
    switch (settings.mode) {
    case Settings::Info:
        return printInfo(settings);
    case Settings::Batch: {
        BatchRun batch(settings.batch);
        QString error;
        if (!batch.check(&error))
            return complain(error, UsageError);
        return batch.run();
    }
    case Settings::Edit:
    case Settings::MenuOnly:
        break;
    }
    return run(settings);
}
