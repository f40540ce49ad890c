// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-editor: the picture editor as a person uses it, a window hosting the edit
// plug-ins, driven by mouse, touch and keys.

#include "catalogue.h"
#include "editoricons.h"
#include "editorwindow.h"
#include "lumoraversion.h"
#include "mapplication.h"
#include "nativepath.h"
#include "pluginpaths.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

#include <cstring>
#include <optional>

namespace {

void nameApplication()
{
    QCoreApplication::setApplicationName(QStringLiteral("lumora-editor"));
    // Where QSettings keeps the recent files and the panel's state.
    QCoreApplication::setOrganizationName(QStringLiteral("lumora"));
    QCoreApplication::setApplicationVersion(QStringLiteral(LUMORA_VERSION));
}

// What the command line asks for.
struct Arguments
{
    QStringList pluginDirs;
    QString language; // "en" or "ar"
    QString picture; // empty: none
};

// Reads the command line; an exit status when the run ends here (help, version, a usage
// error). Needs an application object of any kind.
std::optional<int> parse(int argc, char **argv, Arguments *arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Edits a picture through the picture editor's edit plug-ins."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption pluginsOption(
        QStringLiteral("plugins"),
        QStringLiteral("Plug-in folder, replacing the default ones (default: %1).")
            .arg(PluginPaths::describeDefault()),
        QStringLiteral("DIR"));
    const QCommandLineOption localeOption(
        QStringLiteral("locale"),
        QStringLiteral("Language of the window (en, ar; default: from LC_ALL, LC_MESSAGES or "
                       "LANG)."),
        QStringLiteral("NAME"));
    parser.addOptions({ pluginsOption, localeOption });
    parser.addPositionalArgument(QStringLiteral("PICTURE"), QStringLiteral("Picture to open."),
                                 QStringLiteral("[PICTURE]"));
    // Arguments as the file system spells them, so that any file name can be opened.
    if (!parser.parse(NativePath::arguments(argc, argv))) {
        QTextStream(stderr) << "lumora-editor: " << parser.errorText() << Qt::endl;
        return 2;
    }
    if (parser.isSet(QStringLiteral("help")))
        parser.showHelp(0);
    if (parser.isSet(QStringLiteral("version")))
        parser.showVersion();

    arguments->language = parser.isSet(localeOption) ? parser.value(localeOption)
                                                     : Catalogue::languageFromEnvironment();
    if (arguments->language != QLatin1String("en") && arguments->language != QLatin1String("ar")) {
        QTextStream(stderr) << "lumora-editor: --locale is en or ar" << Qt::endl;
        return 2;
    }
    arguments->pluginDirs = PluginPaths::folders(parser.values(pluginsOption));
    arguments->picture = parser.positionalArguments().value(0);
    return std::nullopt;
}

// Whether the run only prints (help, version): then no window system is needed, and none
// is connected to. Qt's own options (-platform ...) are taken by the window's application
// object only, so any other run is parsed after it.
bool onlyPrints(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--") == 0)
            return false;
        for (const char *name : { "-h", "--help", "-?", "--help-all", "-v", "--version" }) {
            if (std::strcmp(argv[i], name) == 0)
                return true;
        }
    }
    return false;
}

} // namespace

int main(int argc, char **argv)
{
    Arguments arguments;
    if (onlyPrints(argc, argv)) {
        QCoreApplication app(argc, argv);
        nameApplication();
        return parse(argc, argv, &arguments).value_or(0);
    }

    MApplication app(argc, argv);
    nameApplication();
    // Window managers group and match windows by this class.
    MApplication::setDesktopFileName(QStringLiteral("lumora-editor"));
    if (const std::optional<int> exitCode = parse(argc, argv, &arguments))
        return *exitCode;

    EditorIcons::chooseTheme();
    EditorWindow::Options options;
    options.pluginDirs = arguments.pluginDirs;
    options.locale = arguments.language == QLatin1String("ar")
        ? QLocale(QLocale::Arabic, QLocale::Egypt)
        : QLocale(QLocale::English, QLocale::UnitedKingdom);
    options.uiMapPath = qEnvironmentVariable("LUMORA_EDITOR_UI_MAP");
    EditorWindow window(options);
    window.show();
    if (!arguments.picture.isEmpty())
        window.openPicture(arguments.picture);
    return app.exec();
}
