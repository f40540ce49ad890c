// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-editor: the picture editor as a person uses it, a window hosting the edit
// plug-ins, driven by mouse, touch and keys.

#include "editoricons.h"
#include "editorwindow.h"
#include "lumoraversion.h"
#include "mapplication.h"
#include "nativepath.h"
#include "pluginpaths.h"

#include <QCommandLineParser>
#include <QTextStream>
#include <QTimer>

int main(int argc, char **argv)
{
    MApplication app(argc, argv);
    MApplication::setApplicationName(QStringLiteral("lumora-editor"));
    MApplication::setApplicationVersion(QStringLiteral(LUMORA_VERSION));
    // Window managers group and match windows by this class.
    MApplication::setDesktopFileName(QStringLiteral("lumora-editor"));

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
    const QCommandLineOption localeOption(QStringLiteral("locale"),
                                          QStringLiteral("Language of the window (en, ar)."),
                                          QStringLiteral("NAME"), QStringLiteral("en"));
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

    const QString language = parser.value(localeOption);
    if (language != QLatin1String("en") && language != QLatin1String("ar")) {
        QTextStream(stderr) << "lumora-editor: --locale is en or ar" << Qt::endl;
        return 2;
    }

    EditorIcons::chooseTheme();
    EditorWindow::Options options;
    options.pluginDirs = PluginPaths::folders(parser.values(pluginsOption));
    options.locale = language == QLatin1String("ar")
        ? QLocale(QLocale::Arabic, QLocale::Egypt)
        : QLocale(QLocale::English, QLocale::UnitedKingdom);
    options.uiMapPath = qEnvironmentVariable("LUMORA_EDITOR_UI_MAP");
    EditorWindow window(options);
    window.show();
    if (!parser.positionalArguments().isEmpty())
        window.openPicture(parser.positionalArguments().constFirst());
    return app.exec();
}
