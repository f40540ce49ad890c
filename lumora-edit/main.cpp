// lumora-edit: loads the picture editor's edit plug-ins and applies edits to a
// picture through them, exactly as the editor and its user would.

#include "batchrun.h"
#include "catalogue.h"
#include "displaytext.h"
#include "editdriver.h"
#include "editrequest.h"
#include "headless.h"
#include "imageeditor.h"
#include "lumoraeditplugin.h"
#include "mapplication.h"
#include "nativepath.h"
#include "picturefile.h"
#include "pluginloader.h"
#include "pluginpaths.h"
#include "toolbarrenderer.h"
#include "workerreport.h"

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

} // namespace

int main(int argc, char **argv)
{
    prepareHeadlessRun(); // a command-line program: no display is needed
    MApplication app(argc, argv);
    MApplication::setApplicationName(QStringLiteral("lumora-edit"));

    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral(
            "Applies edits to a picture through the picture editor's edit plug-ins.\n\nEdits:\n  ")
        + EditRequest::syntax().join(QStringLiteral("\n  ")));
    parser.addHelpOption();
    const QCommandLineOption pluginsOption(
        QStringLiteral("plugins"),
        QStringLiteral("Plug-in folder, replacing the default ones (default: %1).")
            .arg(PluginPaths::describeDefault()),
        QStringLiteral("DIR"));
    const QCommandLineOption listOption(QStringLiteral("list"),
                                        QStringLiteral("Print the editor menu: index, name, icon, "
                                                       "class, file (full path)."));
    const QCommandLineOption traceOption(QStringLiteral("trace"),
                                         QStringLiteral("Write every provider call and completion "
                                                        "as JSON lines to standard error."));
    const QCommandLineOption outputOption(
        QStringList { QStringLiteral("o"), QStringLiteral("output") },
        QStringLiteral("Output picture (default: INPUT-edited)."), QStringLiteral("OUT"));
    const QCommandLineOption inPlaceOption(
        QStringLiteral("in-place"), QStringLiteral("Allow the output to replace the input."));
    const QCommandLineOption toolbarsOption(
        QStringLiteral("toolbars"),
        QStringLiteral("Render every tool bar to PNG files in DIR, "
                       "both orientations, English and Arabic."),
        QStringLiteral("DIR"));
    const QCommandLineOption localeOption(
        QStringLiteral("locale"), QStringLiteral("Language of the plug-ins' texts (en, ar)."),
        QStringLiteral("NAME"), QStringLiteral("en"));
    const QCommandLineOption qualityOption(
        QStringLiteral("quality"),
        QStringLiteral("JPEG quality 1-100 (default: the input JPEG's own, or 92)."),
        QStringLiteral("N"));
    const QCommandLineOption stripOption(
        QStringLiteral("strip"), QStringLiteral("Write no metadata but the colour profile."));
    const QCommandLineOption stripLocationOption(QStringLiteral("strip-location"),
                                                 QStringLiteral("Leave out the GPS position."));
    const QCommandLineOption infoOption(
        QStringLiteral("info"),
        QStringLiteral("Print what the picture holds (format, depth, quality, metadata) "
                       "and edit nothing."));
    const QCommandLineOption outputDirOption(
        QStringLiteral("output-dir"),
        QStringLiteral("Edit every INPUT into DIR, as many at a time as there are cores: "
                       "INPUT... -- EDIT..."),
        QStringLiteral("DIR"));
    const QCommandLineOption overwriteOption(
        QStringLiteral("overwrite"),
        QStringLiteral("With --output-dir: replace outputs that exist already."));
    const QCommandLineOption jobsOption(
        QStringLiteral("jobs"),
        QStringLiteral("With --output-dir: pictures at a time (default: one per core)."),
        QStringLiteral("N"));
    const QCommandLineOption threadsOption(
        QStringLiteral("threads"),
        QStringLiteral("Threads for the pixel work of one picture (default: one per core)."),
        QStringLiteral("N"));
    // A picture's run under a batch sends its messages to this descriptor (WorkerReport).
    QCommandLineOption reportFdOption(QStringLiteral("report-fd"),
                                      QStringLiteral("Messages as records to FD."),
                                      QStringLiteral("FD"));
    reportFdOption.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOptions({ pluginsOption, listOption, traceOption, outputOption, inPlaceOption,
                        toolbarsOption, localeOption, qualityOption, stripOption,
                        stripLocationOption, infoOption, outputDirOption, overwriteOption,
                        jobsOption, threadsOption, reportFdOption });
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

    if (parser.isSet(reportFdOption)) {
        const std::optional<int> fd = number(parser.value(reportFdOption), 3, INT_MAX);
        if (!fd || ::fcntl(*fd, F_GETFD) < 0)
            return badNumber(parser, reportFdOption, QStringLiteral("an open file descriptor"));
        reportFd = *fd;
    }
    if (parser.isSet(threadsOption)) {
        // More threads than this only cost memory; far more fail to start at all.
        const int most = qMax(256, 4 * QThread::idealThreadCount());
        const std::optional<int> threads = number(parser.value(threadsOption), 1, most);
        if (!threads)
            return badNumber(parser, threadsOption,
                             QStringLiteral("a number from 1 to %1").arg(most));
        QThreadPool::globalInstance()->setMaxThreadCount(*threads);
    }
    const QString localeName = parser.value(localeOption);
    if (localeName != QLatin1String("en") && localeName != QLatin1String("ar"))
        return complain(QStringLiteral("unknown locale '%1' (en or ar)").arg(localeName),
                        UsageError);
    PictureSaveOptions saveOptions;
    saveOptions.software = QStringLiteral("lumora-edit ") + QStringLiteral(LUMORA_VERSION);
    saveOptions.strip = parser.isSet(stripOption);
    saveOptions.stripLocation = parser.isSet(stripLocationOption);
    if (parser.isSet(qualityOption)) {
        const std::optional<int> quality = number(parser.value(qualityOption), 1, 100);
        if (!quality)
            return badNumber(parser, qualityOption, QStringLiteral("a number from 1 to 100"));
        saveOptions.quality = *quality;
    }

    if (parser.isSet(outputDirOption)) {
        if (parser.isSet(outputOption) || parser.isSet(listOption) || parser.isSet(toolbarsOption)
            || parser.isSet(infoOption))
            return complain(QStringLiteral("--output-dir takes no -o, --list, --toolbars or "
                                           "--info"),
                            UsageError);
        BatchRun::Settings batch;
        batch.outputDir = parser.value(outputDirOption);
        batch.inputs = parser.positionalArguments();
        batch.edits = batchEdits;
        batch.passedOn
            = BatchRun::passOn(parser,
                               { pluginsOption, traceOption, inPlaceOption, localeOption,
                                 qualityOption, stripOption, stripLocationOption, threadsOption });
        batch.overwrite = parser.isSet(overwriteOption);
        batch.inPlace = parser.isSet(inPlaceOption);
        if (parser.isSet(jobsOption)) {
            const std::optional<int> jobs = number(parser.value(jobsOption), 0, INT_MAX);
            if (!jobs)
                return badNumber(parser, jobsOption,
                                 QStringLiteral("a number of pictures at a time (0: one per "
                                                "core)"));
            batch.jobs = *jobs;
        }
        BatchRun run(batch);
        QString error;
        if (!run.check(&error))
            return complain(error, UsageError);
        return run.run();
    }

    const QStringList positional = parser.positionalArguments();
    const QStringList pluginDirs = PluginPaths::folders(parser.values(pluginsOption));
    const QString input = positional.value(0);

    // Check everything asked for before touching any file.
    QList<EditRequest> edits;
    for (const QString &text : positional.mid(1)) {
        QString error;
        const std::optional<EditRequest> edit = EditRequest::parse(text, &error);
        if (!edit)
            return complain(error, UsageError);
        edits << *edit;
    }
    if (input.isEmpty() && !parser.isSet(listOption) && !parser.isSet(toolbarsOption))
        return complain(QStringLiteral("no picture given (see --help)"), UsageError);
    if (parser.isSet(infoOption)) {
        if (input.isEmpty() || !edits.isEmpty())
            return complain(QStringLiteral("--info takes one picture and no edit"), UsageError);
        PictureFile picture;
        QString error;
        if (!picture.open(input, &error))
            return complain(error);
        warn(picture.warnings());
        for (const QString &line : picture.describe())
            QTextStream(stdout) << DisplayText::escaped(line) << Qt::endl;
        return Success;
    }
    // With --toolbars alone the picture only gives the tool bars their sizes.
    const bool editing = !edits.isEmpty();
    if (!input.isEmpty() && !editing && !parser.isSet(toolbarsOption))
        return complain(QStringLiteral("no edit given for %1 (see --help)").arg(input), UsageError);
    QString outputNote;
    const QString output = parser.isSet(outputOption) ? parser.value(outputOption)
                                                      : defaultOutput(input, &outputNote);
    if (editing) {
        if (PictureFile::formatForFileName(output).isEmpty())
            return complain(
                QStringLiteral("cannot write %1: unsupported picture format (the "
                               "formats written are %2)")
                    .arg(NativePath::displayName(output), PictureFile::writableSuffixes()),
                UsageError);
        if (NativePath::sameFile(input, output) && !parser.isSet(inPlaceOption))
            return complain(QStringLiteral("output %1 would replace the input; add --in-place to "
                                           "allow it")
                                .arg(NativePath::displayName(output)),
                            UsageError);
        QString error;
        if (!SafeFile::checkTarget(output, saveOptions.links, &error))
            return complain(error);
    }

    // Only turns, written as JPEG at its own quality: the file's blocks can be turned, and
    // then the plug-ins need no more than a reduced stand-in to turn.
    std::optional<PictureTurn> onlyTurn;
    if (editing && saveOptions.quality == 0 && !parser.isSet(toolbarsOption)
        && PictureFile::formatForFileName(output) == "jpeg") {
        onlyTurn = PictureTurn();
        for (const EditRequest &edit : std::as_const(edits)) {
            if (edit.text == QLatin1String("flip-vertical"))
                onlyTurn = onlyTurn->then(PictureTurn::flip(false));
            else if (edit.text == QLatin1String("flip-horizontal"))
                onlyTurn = onlyTurn->then(PictureTurn::flip(true));
            else if (edit.text == QLatin1String("rotate-right"))
                onlyTurn = onlyTurn->then(PictureTurn::rotation(90));
            else if (edit.text == QLatin1String("rotate-left"))
                onlyTurn = onlyTurn->then(PictureTurn::rotation(-90));
            else
                onlyTurn.reset();
            if (!onlyTurn)
                break;
        }
    }
    PictureFile picture;
    if (!input.isEmpty()) {
        QString error;
        if (!picture.open(input, &error, onlyTurn))
            return complain(error);
        warn(picture.warnings());
    }

    const QLocale locale(localeName);
    if (parser.isSet(toolbarsOption)) {
        QString error;
        const QStringList files
            = ToolBarRenderer::render(pluginDirs, parser.value(toolbarsOption),
                                      input.isEmpty() ? QSize(4000, 3000) : picture.fullSize(),
                                      { QLocale(QLocale::English, QLocale::UnitedKingdom),
                                        QLocale(QLocale::Arabic, QLocale::Egypt) },
                                      &error);
        if (!error.isEmpty())
            return complain(error);
        for (const QString &file : files)
            QTextStream(stdout) << DisplayText::escaped(NativePath::displayName(file)) << Qt::endl;
    }

    Catalogue::install(locale);
    PluginLoader loader;
    for (const QString &pluginDir : pluginDirs) {
        if (!QFileInfo(pluginDir).isDir())
            return complain(QStringLiteral("plug-in folder %1 does not exist")
                                .arg(NativePath::displayName(pluginDir)));
    }
    loader.loadDirectories(pluginDirs);
    for (const QString &refusal : loader.refusals())
        complain(QStringLiteral("refused %1").arg(refusal));
    warn(loader.warnings());
    if (parser.isSet(listOption))
        printMenu(loader);
    if (!editing)
        return Success;

    QFile trace;
    std::optional<WorkerReport::TraceDevice> batchTrace;
    QIODevice *traceDevice = nullptr;
    if (parser.isSet(traceOption) && reportFd >= 0) {
        traceDevice = &batchTrace.emplace(reportFd);
    } else if (parser.isSet(traceOption)) {
        if (!trace.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
            return complain(QStringLiteral("cannot write the trace"));
        traceDevice = &trace;
    }
    // A command-line run never undoes: neither the decoded input nor earlier pictures are
    // kept, or a chain of edits would hold every intermediate picture until the end.
    ImageEditor editor(picture.takeImage(), ImageEditor::NoHistory);
    editor.setFullImageSize(picture.fullSize());
    EditDriver driver(loader, editor, traceDevice);
    for (const EditRequest &edit : std::as_const(edits)) {
        QString error;
        if (!driver.apply(edit, &error))
            return complain(error);
    }

    if (!outputNote.isEmpty())
        warn({ outputNote });
    saveOptions.turn = editor.turn();
    QString error;
    QStringList warnings;
    const bool saved = picture.save(editor.image(), output, saveOptions, &error, &warnings);
    warn(warnings);
    if (!saved)
        return complain(error);
    return Success;
}
