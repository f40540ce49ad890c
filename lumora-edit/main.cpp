// lumora-edit: loads the picture editor's edit plug-ins and applies edits to a
// picture through them, exactly as the editor and its user would.

#include "catalogue.h"
#include "editdriver.h"
#include "editrequest.h"
#include "headless.h"
#include "imageeditor.h"
#include "lumoraeditplugin.h"
#include "mapplication.h"
#include "pluginloader.h"
#include "toolbarrenderer.h"

#include <QCommandLineParser>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QTextStream>

#include <cstdio>
#include <optional>

namespace {

enum ExitCode { Success = 0, Failure = 1, UsageError = 2 };

int complain(const QString &message, int code = Failure)
{
    QTextStream(stderr) << "lumora-edit: " << message << Qt::endl;
    return code;
}

// Warnings the image decoder gives while it reads; any means the file is damaged.
QStringList *decodeWarnings = nullptr;

void collectDecodeWarning(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (decodeWarnings && type == QtWarningMsg)
        decodeWarnings->append(message);
}

std::optional<QImage> readPicture(const QString &fileName, QString *error)
{
    if (!QFileInfo(fileName).isFile()) {
        *error = QStringLiteral("cannot read %1: no such file").arg(fileName);
        return std::nullopt;
    }
    QImageReader reader(fileName);
    reader.setAutoTransform(true); // as the camera held it (EXIF orientation)
    // Refuse what cannot be held in memory before decoding starts, from the header.
    const QSize size = reader.size();
    const qint64 maxPixels = qint64(QImageReader::allocationLimit()) * 1024 * 1024 / 4;
    if (size.isValid() && qint64(size.width()) * size.height() > maxPixels) {
        *error = QStringLiteral("cannot read %1: %2x%3 pixels is more than the %4 megapixels "
                                "an edit can hold")
                     .arg(fileName)
                     .arg(size.width())
                     .arg(size.height())
                     .arg(maxPixels / 1000000);
        return std::nullopt;
    }
    // A decoder that meets a damaged file (a JPEG cut short, say) warns and fills in
    // the rest; an edit of such a picture would silently lose the missing part.
    QStringList warnings;
    decodeWarnings = &warnings;
    const QtMessageHandler previous = qInstallMessageHandler(collectDecodeWarning);
    QImage image = reader.read();
    qInstallMessageHandler(previous);
    decodeWarnings = nullptr;
    if (image.isNull()) {
        *error = QStringLiteral("cannot read %1: %2").arg(fileName, reader.errorString());
        return std::nullopt;
    }
    if (!warnings.isEmpty()) {
        *error = QStringLiteral("cannot read %1: the picture is damaged (%2)")
                     .arg(fileName, warnings.first().trimmed());
        return std::nullopt;
    }
    return image;
}

QByteArray outputFormat(const QString &fileName)
{
    const QByteArray suffix = QFileInfo(fileName).suffix().toLower().toLatin1();
    return QImageWriter::supportedImageFormats().contains(suffix) ? suffix : QByteArray();
}

// Writes all or nothing: a temporary file renamed over the target once complete.
bool writePicture(const QImage &image, const QString &fileName, QString *error)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString());
        return false;
    }
    QImageWriter writer(&file, outputFormat(fileName));
    if (writer.format() == "jpg" || writer.format() == "jpeg")
        writer.setQuality(92);
    if (!writer.write(image)) {
        file.cancelWriting();
        *error = QStringLiteral("cannot write %1: %2").arg(fileName, writer.errorString());
        return false;
    }
    if (!file.commit()) {
        *error = QStringLiteral("cannot write %1: %2").arg(fileName, file.errorString());
        return false;
    }
    return true;
}

QString defaultOutput(const QString &input)
{
    const QFileInfo info(input);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral("-edited.")
                               + (info.suffix().isEmpty() ? QStringLiteral("png") : info.suffix()));
}

bool samePath(const QString &a, const QString &b)
{
    const QFileInfo fa(a), fb(b);
    if (fa.exists() && fb.exists())
        return fa.canonicalFilePath() == fb.canonicalFilePath();
    return fa.absoluteFilePath() == fb.absoluteFilePath();
}

void printMenu(const PluginLoader &loader)
{
    QTextStream out(stdout);
    for (const LoadedPlugin &loaded : loader.plugins()) {
        out << loaded.plugin->menuIndex() << '\t' << loaded.plugin->name() << '\t'
            << loaded.plugin->iconID() << '\t' << loaded.className << '\t' << loaded.fileName
            << Qt::endl;
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
        QStringLiteral("Plug-in folder (default: %1).").arg(QStringLiteral(LUMORA_PLUGIN_DIR)),
        QStringLiteral("DIR"), QStringLiteral(LUMORA_PLUGIN_DIR));
    const QCommandLineOption listOption(QStringLiteral("list"),
                                        QStringLiteral("Print the editor menu: index, name, icon, "
                                                       "class, file."));
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
    parser.addOptions({ pluginsOption, listOption, traceOption, outputOption, inPlaceOption,
                        toolbarsOption, localeOption });
    parser.addPositionalArgument(QStringLiteral("INPUT"), QStringLiteral("Picture to edit."));
    parser.addPositionalArgument(QStringLiteral("EDIT"), QStringLiteral("Edits, in order."),
                                 QStringLiteral("EDIT..."));
    if (!parser.parse(app.arguments()))
        return complain(parser.errorText(), UsageError);
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(Success);

    const QStringList positional = parser.positionalArguments();
    const QString pluginDir = parser.value(pluginsOption);
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
    // With --toolbars alone the picture only gives the tool bars their sizes.
    const bool editing = !edits.isEmpty();
    if (!input.isEmpty() && !editing && !parser.isSet(toolbarsOption))
        return complain(QStringLiteral("no edit given for %1 (see --help)").arg(input), UsageError);
    const QString output
        = parser.isSet(outputOption) ? parser.value(outputOption) : defaultOutput(input);
    if (editing) {
        if (outputFormat(output).isEmpty())
            return complain(
                QStringLiteral("cannot write %1: unsupported picture format").arg(output),
                UsageError);
        if (samePath(input, output) && !parser.isSet(inPlaceOption))
            return complain(QStringLiteral("output %1 would replace the input; add --in-place to "
                                           "allow it")
                                .arg(output),
                            UsageError);
    }

    std::optional<QImage> picture;
    if (!input.isEmpty()) {
        QString error;
        picture = readPicture(input, &error);
        if (!picture)
            return complain(error);
    }

    const QLocale locale(parser.value(localeOption));
    if (parser.isSet(toolbarsOption)) {
        QString error;
        const QStringList files = ToolBarRenderer::render(
            pluginDir, parser.value(toolbarsOption), picture ? picture->size() : QSize(4000, 3000),
            { QLocale(QLocale::English, QLocale::UnitedKingdom),
              QLocale(QLocale::Arabic, QLocale::Egypt) },
            &error);
        if (!error.isEmpty())
            return complain(error);
        for (const QString &file : files)
            QTextStream(stdout) << file << Qt::endl;
    }

    Catalogue::install(locale);
    PluginLoader loader;
    loader.loadDirectory(pluginDir);
    for (const QString &refusal : loader.refusals())
        complain(QStringLiteral("refused %1").arg(refusal));
    if (parser.isSet(listOption))
        printMenu(loader);
    if (!editing)
        return Success;

    QFile trace;
    if (parser.isSet(traceOption)
        && !trace.open(stderr, QIODevice::WriteOnly | QIODevice::Unbuffered))
        return complain(QStringLiteral("cannot write the trace"));
    // A command-line run never undoes: neither the decoded input nor earlier pictures are
    // kept, or a chain of edits would hold every intermediate picture until the end.
    ImageEditor editor(*picture, ImageEditor::NoHistory);
    picture.reset();
    EditDriver driver(loader, editor, trace.isOpen() ? &trace : nullptr);
    for (const EditRequest &edit : std::as_const(edits)) {
        QString error;
        if (!driver.apply(edit, &error))
            return complain(error);
    }

    QString error;
    if (!writePicture(editor.image(), output, &error))
        return complain(error);
    return Success;
}
