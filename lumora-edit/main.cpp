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
#include "foldertree.h"
#include "headless.h"
#include "imageeditor.h"
#include "lumoraeditplugin.h"
#include "lumoraversion.h"
#include "mapplication.h"
#include "nativepath.h"
#include "operation.h"
#include "picturefile.h"
#include "pictureinfo.h"
#include "pluginloader.h"
#include "pluginpaths.h"
#include "rowsource.h"
#include "standardstreams.h"
#include "toolbarrenderer.h"
#include "workerreport.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QCoreApplication>
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

// -q: errors alone; -v: what is done besides.
ProgressBar::Verbosity verbosity = ProgressBar::Verbosity::Normal;

// Standard input and output as pictures, where `-` names them.
StandardStreams &streams()
{
    static StandardStreams standard;
    return standard;
}

// Messages carry names and metadata: shown escaped (DisplayText), or sent as records.
int complain(const QString &message, int code = Failure)
{
    if (reportFd >= 0)
        WorkerReport::send(reportFd, WorkerReport::Error, streams().shown(message));
    else
        QTextStream(stderr) << "lumora-edit: " << DisplayText::escaped(streams().shown(message))
                            << Qt::endl;
    return code;
}

void warn(const QStringList &lines)
{
    if (verbosity == ProgressBar::Verbosity::Quiet)
        return;
    for (const QString &line : lines) {
        if (reportFd >= 0)
            WorkerReport::send(reportFd, WorkerReport::Warning, streams().shown(line));
        else
            QTextStream(stderr) << "lumora-edit: warning: "
                                << DisplayText::escaped(streams().shown(line)) << Qt::endl;
    }
}

// What a verbose run says it does; a batch's runs say nothing of the kind.
void tell(const QString &line)
{
    if (verbosity == ProgressBar::Verbosity::Verbose && reportFd < 0)
        QTextStream(stderr) << "lumora-edit: " << DisplayText::escaped(streams().shown(line))
                            << Qt::endl;
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
    QString input; // "-": standard input
    QStringList infoInputs; // --info: every picture asked about
    bool json = false;
    QList<EditRequest> edits;
    QStringList pluginDirs;
    bool list = false;
    bool trace = false;
    QString output; // empty with toStdout, until the format is known
    bool toStdout = false; // -o -
    QByteArray format; // --format: what standard output gets (PictureFile's name)
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
                                QStringLiteral("Output picture (default: INPUT-edited; - for "
                                               "standard output)."),
                                QStringLiteral("OUT") };
    QCommandLineOption format { QStringLiteral("format"),
                                QStringLiteral("With -o -: the format written (jpeg, png, tiff, "
                                               "webp, bmp, ppm; default: the input's)."),
                                QStringLiteral("FORMAT") };
    QCommandLineOption inPlace { QStringLiteral("in-place"),
                                 QStringLiteral("Allow the output to replace the input.") };
    QCommandLineOption toolbars { QStringLiteral("toolbars"),
                                  QStringLiteral("Render every tool bar to PNG files in DIR, both "
                                                 "orientations, English and Arabic."),
                                  QStringLiteral("DIR") };
    QCommandLineOption locale { QStringLiteral("locale"),
                                QStringLiteral("Language of the plug-ins' texts (en, ar; "
                                               "default: from LC_ALL, LC_MESSAGES or LANG)."),
                                QStringLiteral("NAME") };
    QCommandLineOption quality { QStringLiteral("quality"),
                                 QStringLiteral("JPEG quality 1-100 (default: the input JPEG's "
                                                "own, or 92)."),
                                 QStringLiteral("N") };
    QCommandLineOption strip { QStringLiteral("strip"),
                               QStringLiteral("Write no metadata but the colour profile.") };
    QCommandLineOption stripLocation { QStringLiteral("strip-location"),
                                       QStringLiteral("Leave out the GPS position.") };
    QCommandLineOption toSrgb { QStringLiteral("to-srgb"),
                                QStringLiteral("Convert the pixels and the colour profile to sRGB "
                                               "(a picture with no profile is taken as sRGB).") };
    QCommandLineOption info { QStringLiteral("info"),
                              QStringLiteral("Print what each picture holds (format, depth, "
                                             "quality, metadata) and edit nothing: "
                                             "--info INPUT...") };
    QCommandLineOption json { QStringLiteral("json"),
                              QStringLiteral("With --info: print a JSON array, one object per "
                                             "picture, as exiftool -j.") };
    QCommandLineOption outputDir { QStringLiteral("output-dir"),
                                   QStringLiteral("Edit every INPUT into DIR, as many at a time "
                                                  "as there are cores: INPUT... -- EDIT..."),
                                   QStringLiteral("DIR") };
    QCommandLineOption recursive { QStringList { QStringLiteral("r"), QStringLiteral("recursive") },
                                   QStringLiteral("With --output-dir: take the pictures in "
                                                  "folders and theirs, keeping the tree.") };
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
    QCommandLineOption quiet { QStringList { QStringLiteral("q"), QStringLiteral("quiet") },
                               QStringLiteral("Print errors only.") };
    QCommandLineOption verbose { QStringList { QStringLiteral("v"), QStringLiteral("verbose") },
                                 QStringLiteral("Say what is done, picture by picture.") };
    // Not Qt's own: that one also takes -v, which is --verbose here as elsewhere.
    QCommandLineOption version { QStringLiteral("version"),
                                 QStringLiteral("Print the version and stop.") };
    // A picture's run under a batch sends its messages to this descriptor (WorkerReport).
    QCommandLineOption reportFd { QStringLiteral("report-fd"),
                                  QStringLiteral("Messages as records to FD."),
                                  QStringLiteral("FD") };

    Options() { reportFd.setFlags(QCommandLineOption::HiddenFromHelp); }
    QList<QCommandLineOption> all() const
    {
        return { plugins,   list,  trace,         output, format,  inPlace, toolbars,  locale,
                 quality,   strip, stripLocation, toSrgb, info,    json,    outputDir, recursive,
                 overwrite, jobs,  threads,       quiet,  verbose, version, reportFd };
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
    if (parser.isSet(options.version)) {
        QTextStream(stdout) << QCoreApplication::applicationName() << ' '
                            << QCoreApplication::applicationVersion() << Qt::endl;
        return Success;
    }
    if (parser.isSet(options.quiet) && parser.isSet(options.verbose))
        return complain(QStringLiteral("-q and -v exclude each other"), UsageError);
    if (parser.isSet(options.quiet))
        verbosity = ProgressBar::Verbosity::Quiet;
    else if (parser.isSet(options.verbose))
        verbosity = ProgressBar::Verbosity::Verbose;

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
    settings->locale = parser.isSet(options.locale) ? parser.value(options.locale)
                                                    : Catalogue::languageFromEnvironment();
    if (settings->locale != QLatin1String("en") && settings->locale != QLatin1String("ar"))
        return complain(QStringLiteral("unknown locale '%1' (en or ar)").arg(settings->locale),
                        UsageError);
    settings->save.software = QStringLiteral("lumora-edit ") + QStringLiteral(LUMORA_VERSION);
    settings->save.strip = parser.isSet(options.strip);
    settings->save.stripLocation = parser.isSet(options.stripLocation);
    settings->save.toSrgb = parser.isSet(options.toSrgb);
    if (parser.isSet(options.quality)) {
        const std::optional<int> quality = number(parser.value(options.quality), 1, 100);
        if (!quality)
            return badNumber(parser, options.quality, QStringLiteral("a number from 1 to 100"));
        settings->save.quality = *quality;
    }

    if (parser.isSet(options.json) && !parser.isSet(options.info))
        return complain(QStringLiteral("--json goes with --info"), UsageError);
    if (parser.isSet(options.recursive) && !parser.isSet(options.outputDir))
        return complain(QStringLiteral("-r goes with --output-dir"), UsageError);
    if (parser.isSet(options.format) && parser.value(options.output) != QLatin1String("-"))
        return complain(QStringLiteral("--format goes with -o - (a file's suffix names its "
                                       "format)"),
                        UsageError);

    if (parser.isSet(options.outputDir)) {
        if (parser.isSet(options.output) || parser.isSet(options.list)
            || parser.isSet(options.toolbars) || parser.isSet(options.info))
            return complain(QStringLiteral("--output-dir takes no -o, --list, --toolbars or "
                                           "--info"),
                            UsageError);
        settings->mode = Settings::Batch;
        BatchRun::Settings &batch = settings->batch;
        batch.outputDir = parser.value(options.outputDir);
        batch.verbosity = verbosity;
        for (const QString &input : parser.positionalArguments()) {
            if (StandardStreams::isStream(input))
                return complain(QStringLiteral("--output-dir takes no standard input (-)"),
                                UsageError);
            const QList<FolderTree::Picture> pictures = parser.isSet(options.recursive)
                ? FolderTree::pictures(input)
                : QList<FolderTree::Picture> { { input, QString() } };
            for (const FolderTree::Picture &picture : pictures) {
                batch.inputs << picture.path;
                batch.subfolders << picture.subfolder;
            }
        }
        batch.edits = batchEdits;
        batch.passedOn = BatchRun::passOn(
            parser,
            { options.plugins, options.trace, options.inPlace, options.locale, options.quality,
              options.strip, options.stripLocation, options.toSrgb, options.threads });
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
    for (const QString &text : parser.isSet(options.info) ? QStringList() : positional.mid(1)) {
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
        if (parser.isSet(options.output))
            return complain(QStringLiteral("--info takes pictures, no -o"), UsageError);
        settings->infoInputs = positional;
        settings->json = parser.isSet(options.json);
        if (positional.count(QStringLiteral("-")) > 1)
            return complain(QStringLiteral("standard input (-) can be read once"), UsageError);
        settings->mode = Settings::Info;
        return std::nullopt;
    }
    // With --toolbars alone the picture only gives the tool bars their sizes; --to-srgb
    // is an edit of its own.
    if (settings->edits.isEmpty() && !settings->save.toSrgb) {
        if (!settings->input.isEmpty() && !toolbars)
            return complain(
                QStringLiteral("no edit given for %1 (see --help)").arg(settings->input),
                UsageError);
        settings->mode = Settings::MenuOnly;
        return std::nullopt;
    }
    if (parser.value(options.output) == QLatin1String("-")) {
        if (settings->list || toolbars)
            return complain(QStringLiteral("-o - takes no --list or --toolbars: standard output "
                                           "holds the picture alone"),
                            UsageError);
        settings->toStdout = true;
        if (parser.isSet(options.format)) {
            settings->format = PictureFile::formatForFileName(QStringLiteral("x.")
                                                              + parser.value(options.format));
            if (settings->format.isEmpty())
                return complain(
                    QStringLiteral("--format %1 is no format written (%2)")
                        .arg(parser.value(options.format), PictureFile::writableSuffixes()),
                    UsageError);
        }
        return std::nullopt;
    }
    if (StandardStreams::isStream(settings->input) && !parser.isSet(options.output))
        return complain(QStringLiteral("a picture from standard input needs -o (- for standard "
                                       "output)"),
                        UsageError);
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

// The name PictureFile reads for `input`: standard input stored, or the file itself.
QString readable(const QString &input, QString *error)
{
    return StandardStreams::isStream(input) ? streams().takeInput(error) : input;
}

// Every picture is described, a bad one among them failing alone, as exiftool does.
int printInfo(const Settings &settings)
{
    QList<PictureInfo::Entry> entries;
    bool failed = false;
    for (const QString &input : settings.infoInputs) {
        PictureInfo::Entry entry;
        entry.source = input;
        PictureFile picture;
        QString error;
        const QString path = readable(input, &error);
        if (!path.isEmpty() && picture.open(path, &error)) {
            warn(picture.warnings());
            entry.lines = picture.describe();
        } else {
            complain(error);
            entry.error = streams().shown(error);
            failed = true;
        }
        entries << entry;
    }
    QFile out;
    if (!out.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered)
        || out.write(settings.json ? PictureInfo::json(entries) : PictureInfo::text(entries)) < 0)
        return complain(QStringLiteral("cannot write standard output"));
    return failed ? Failure : Success;
}

// The turn the edits compose to when each is a one-shot turn (the table's presets) and the
// output a JPEG at the input's own quality; the plug-ins still make the edits.
std::optional<PictureTurn> expectedTurn(const Settings &settings, const QString &output)
{
    if (settings.save.quality != 0 || PictureFile::formatForFileName(output) != "jpeg")
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
    // Every message in the user's language, those of reading the input included; the
    // tool bars below are drawn in their own languages and this one restored after.
    Catalogue::install(QLocale(settings.locale));
    // Read but for the pixels: they are decoded as they are written, after the plug-ins
    // have said what to do with them.
    PictureFile picture;
    QString output = settings.output;
    if (!settings.input.isEmpty()) {
        QString error;
        const QString path = readable(settings.input, &error);
        if (path.isEmpty() || !picture.openDeferred(path, &error))
            return complain(error);
        warn(picture.warnings());
        if (settings.toStdout) {
            QByteArray format = settings.format.isEmpty() ? picture.format() : settings.format;
            if (PictureFile::formatForFileName(QStringLiteral("x.") + QString::fromLatin1(format))
                    .isEmpty()) {
                warn({ QStringLiteral("%1 pictures cannot be written: the result is a PNG "
                                      "picture")
                           .arg(QString::fromLatin1(format.toUpper())) });
                format = "png";
            }
            if (!streams().reserveOutput(&error))
                return complain(error);
            output = streams().outputPath(format, &error);
            if (output.isEmpty())
                return complain(error);
        }
        // One-shot turns written at the file's quality: the blocks are turned meanwhile.
        if (const std::optional<PictureTurn> turn = expectedTurn(settings, output))
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
        // A tool bar is the window's to show; here it would be left untouched, and the
        // picture written unedited.
        const LumoraEditPlugin *plugin = loader.plugin(edit.pluginClass);
        if (edit.kind == EditRequest::OneShot && plugin && plugin->containsUi())
            return complain(QStringLiteral("'%1': %2 has a tool bar and needs the window "
                                           "(lumora-editor)")
                                .arg(edit.text, edit.pluginClass),
                            UsageError);
    }
    for (const EditRequest &edit : settings.edits) {
        QString error;
        if (!driver.apply(edit, &error))
            return complain(error);
        tell(QStringLiteral("%1: %2 by %3")
                 .arg(NativePath::displayName(settings.input), edit.text, edit.pluginClass));
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
    const bool saved = picture.save(edited, small, output, saveOptions, &error, &warnings);
    warn(warnings);
    if (!saved)
        return complain(error);
    if (settings.toStdout && !streams().send(output, &error))
        return complain(error);
    tell(QStringLiteral("wrote %1").arg(NativePath::displayName(output)));
    return Success;
}

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("lumora-edit"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMORA_VERSION));
}

// Whether the run only prints its help or version (options before any "--").
bool onlyPrints(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray argument(argv[i]);
        if (argument == "--")
            return false;
        if (argument == "-h" || argument == "--help" || argument == "-?" || argument == "--help-all"
            || argument == "--version")
            return true;
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    Settings settings;
    // Help and version print under a plain application object: they reach no window
    // system, even where QT_QPA_PLATFORM names one that is not there.
    if (onlyPrints(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameApplication();
        return parse(argc, argv, &settings).value_or(Success);
    }
    prepareHeadlessRun(); // a command-line program: no display is needed
    MApplication app(argc, argv);
    nameApplication();

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
