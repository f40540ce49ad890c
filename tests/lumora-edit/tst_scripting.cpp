// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// lumora-edit as scripts use it, run as a shell runs it: standard input and output as
// pictures, --info over many files as text and JSON, quiet and verbose batches, folders
// taken recursively, the locale from the environment, the bash completion, and the
// refusals of what needs the window. Pictures are made by ImageMagick.

#include "lumoraversion.h"
#include "processrun.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString Convert = QStringLiteral("/usr/bin/convert-im6.q16");
const QString Compare = QStringLiteral("/usr/bin/compare-im6.q16");

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// One run with `input` (a file, or nothing) as standard input.
Run run(const QString &program, const QStringList &arguments, const QString &input = QString(),
        const QProcessEnvironment &environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    if (!input.isEmpty())
        process.setStandardInputFile(input);
    else
        process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    Run result;
    if (!process.waitForFinished(60000))
        return result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    return result;
}

Run lumoraEdit(const QStringList &arguments, const QString &input = QString())
{
    return run(QStringLiteral(LUMORA_EDIT), arguments, input);
}

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A picture by ImageMagick: wider than high, and no two corners alike, so that every
// turn shows.
QString makePicture(const QString &path)
{
    const ProcessRun made = runProcess(
        Convert,
        { QStringLiteral("-size"), QStringLiteral("48x32"), QStringLiteral("gradient:red-blue"),
          QStringLiteral("-fill"), QStringLiteral("yellow"), QStringLiteral("-draw"),
          QStringLiteral("rectangle 2,2 10,6"), path });
    return made.exitCode == 0 ? path : QString();
}

bool hasArabic(const QString &text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.script() == QChar::Script_Arabic; });
}

// The long options a --help text lists, and the edits in its "Edits:" part.
QStringList helpOptions(const QString &help)
{
    QStringList found;
    static const QRegularExpression option(QStringLiteral("^  (?:-(\\w), )?--([a-z-]+)"),
                                           QRegularExpression::MultilineOption);
    for (auto match = option.globalMatch(help); match.hasNext();) {
        const QRegularExpressionMatch one = match.next();
        if (!one.captured(1).isEmpty())
            found << QLatin1Char('-') + one.captured(1);
        found << QStringLiteral("--") + one.captured(2);
    }
    return found;
}

QStringList helpEdits(const QString &help)
{
    QStringList found;
    const QString part
        = help.section(QStringLiteral("Edits:\n"), 1).section(QStringLiteral("\n\n"), 0, 0);
    for (const QString &line : part.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QString name = line.trimmed().section(QLatin1Char(' '), 0, 0);
        // "crop=RATIO[@X,Y,WxH]" is completed as "crop=".
        found << (name.contains(QLatin1Char('=')) ? name.section(QLatin1Char('='), 0, 0) + '='
                                                  : name);
    }
    return found;
}

// The words a bash array of the completion script holds ("local options=...").
QStringList scriptWords(const QByteArray &script, const QByteArray &name)
{
    const qsizetype start = script.indexOf("local " + name + "=\"");
    if (start < 0)
        return {};
    const qsizetype from = start + name.size() + 8;
    const QByteArray words = script.mid(from, script.indexOf('"', from) - from);
    return QString::fromUtf8(words).simplified().split(QLatin1Char(' '));
}

} // namespace

class TestScripting : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        for (const QString &tool : { Convert, Compare })
            QVERIFY2(QFileInfo(tool).isExecutable(), qPrintable(tool + " is needed"));
        QVERIFY(m_dir.isValid());
        QVERIFY(!makePicture(m_dir.filePath(QStringLiteral("in.png"))).isEmpty());
        QVERIFY(!makePicture(m_dir.filePath(QStringLiteral("in.jpg"))).isEmpty());
    }

    // The same edit through the streams and through files gives the same bytes; metadata
    // is stripped, as its time stamp would differ between the runs.
    void streamsMatchFiles_data()
    {
        QTest::addColumn<QString>("input"); // fixture name
        QTest::addColumn<bool>("fromStdin");
        QTest::addColumn<bool>("toStdout");
        QTest::addColumn<QStringList>("format"); // --format for standard output
        QTest::addColumn<QString>("fileOutput"); // the output a file run writes
        QTest::addColumn<QStringList>("more"); // further arguments for both runs

        const QStringList none;
        const QStringList strip { QStringLiteral("--strip") };
        QTest::newRow("jpeg through both streams keeps its format")
            << "in.jpg" << true << true << none << "out.jpg" << strip;
        QTest::newRow("png through both streams keeps its format")
            << "in.png" << true << true << none << "out.png" << strip;
        QTest::newRow("png to jpeg on standard output by --format")
            << "in.png" << false << true
            << QStringList { QStringLiteral("--format"), QStringLiteral("jpeg") } << "out.jpg"
            << strip;
        QTest::newRow("verbose run writes the picture alone to standard output")
            << "in.png" << true << true << none << "out.bmp"
            << QStringList { QStringLiteral("-v"), QStringLiteral("--format=bmp") };
        QTest::newRow("standard input to a file")
            << "in.jpg" << true << false << none << "out.png" << strip;
    }

    void streamsMatchFiles()
    {
        QFETCH(QString, input);
        QFETCH(bool, fromStdin);
        QFETCH(bool, toStdout);
        QFETCH(QStringList, format);
        QFETCH(QString, fileOutput);
        QFETCH(QStringList, more);
        const QString in = m_dir.filePath(input);
        const QString expected = m_dir.filePath(QStringLiteral("file-") + fileOutput);
        const QString edit = QStringLiteral("rotate-right");
        QStringList fileMore = more;
        fileMore.removeIf([](const QString &a) { return a.startsWith(QLatin1String("--format")); });
        const Run byFile
            = lumoraEdit(QStringList { in, edit, QStringLiteral("-o"), expected } + fileMore);
        QVERIFY2(byFile.exitCode == 0, byFile.err.constData());

        const QString streamed = m_dir.filePath(QStringLiteral("stream-") + fileOutput);
        const Run byStream = lumoraEdit(QStringList { fromStdin ? QStringLiteral("-") : in, edit,
                                                      QStringLiteral("-o"),
                                                      toStdout ? QStringLiteral("-") : streamed }
                                            + format + more,
                                        fromStdin ? in : QString());
        QVERIFY2(byStream.exitCode == 0, byStream.err.constData());
        const QByteArray got = toStdout ? byStream.out : contents(streamed);
        if (!toStdout)
            QVERIFY2(byStream.out.isEmpty(), byStream.out.constData());
        if (got != contents(expected)) {
            QFile kept(streamed + QStringLiteral(".got"));
            QVERIFY(kept.open(QIODevice::WriteOnly) && kept.write(got) == got.size());
            QFAIL(qPrintable(QStringLiteral("%1 differs from %2").arg(kept.fileName(), expected)));
        }
        if (more.contains(QStringLiteral("-v")))
            QVERIFY2(byStream.err.contains("lumora-edit: wrote standard output"),
                     byStream.err.constData());
    }

    void streamRefusals_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("said");
        QTest::newRow("empty standard input names it")
            << QStringList { "-", "rotate-left", "-o", "-" } << QByteArray("standard input");
        QTest::newRow("standard input needs an output")
            << QStringList { "-", "rotate-left" } << QByteArray("needs -o");
        QTest::newRow("--format without standard output")
            << QStringList { "in.png", "--format", "png", "rotate-left", "-o", "x.png" }
            << QByteArray("--format goes with -o -");
        QTest::newRow("--format of no written format")
            << QStringList { "in.png", "--format", "gif", "rotate-left", "-o", "-" }
            << QByteArray("--format gif is no format written");
    }

    void streamRefusals()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, said);
        for (QString &argument : arguments) {
            if (argument.startsWith(QLatin1String("in.")))
                argument = m_dir.filePath(argument);
        }
        const Run refused = lumoraEdit(arguments);
        QVERIFY2(refused.exitCode == 1 || refused.exitCode == 2, refused.err.constData());
        QVERIFY2(refused.err.contains(said), refused.err.constData());
        QVERIFY2(refused.out.isEmpty(), refused.out.constData());
    }

    // Many files, one of them missing and one with a control character in its metadata.
    void infoManyAsJson()
    {
        const QString tagged = m_dir.filePath(QStringLiteral("tagged.jpg"));
        QVERIFY(QFile::copy(m_dir.filePath(QStringLiteral("in.jpg")), tagged));
        const ProcessRun exif
            = runProcess(QStringLiteral("exiftool"),
                         { QStringLiteral("-q"), QStringLiteral("-overwrite_original"),
                           QStringLiteral("-Artist=Ann\x1b[2J\"Lee\""), tagged });
        QCOMPARE(exif.exitCode, 0);
        const QString missing = m_dir.filePath(QStringLiteral("missing.png"));
        const QStringList files { m_dir.filePath(QStringLiteral("in.png")), missing, tagged };

        const Run text = lumoraEdit(QStringList { QStringLiteral("--info") } + files);
        QCOMPARE(text.exitCode, 1);
        QVERIFY2(text.err.startsWith("lumora-edit: cannot read " + missing.toUtf8()),
                 text.err.constData());
        const QString artist = QStringLiteral("Artist: Ann\\x1b[2J\"Lee\"");
        QVERIFY2(QString::fromUtf8(text.out).split('\n').contains(artist), text.out.constData());
        QCOMPARE(text.out.count("======== "), 3);

        const Run json = lumoraEdit(
            QStringList { QStringLiteral("--info"), QStringLiteral("--json") } + files);
        QCOMPARE(json.exitCode, 1);
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(json.out, &error);
        QVERIFY2(error.error == QJsonParseError::NoError,
                 qPrintable(error.errorString() + '\n' + json.out));
        QVERIFY(document.isArray());
        const QJsonArray objects = document.array();
        QCOMPARE(objects.size(), 3);
        for (qsizetype i = 0; i < files.size(); ++i) {
            QCOMPARE(objects.at(i)[QStringLiteral("SourceFile")].toString(), files.at(i));
        }
        QVERIFY(objects.at(1)[QStringLiteral("Error")].toString().contains("no such file"));
        QCOMPARE(objects.at(2)[QStringLiteral("Artist")].toString(), artist.mid(8));
        QCOMPARE(objects.at(0)[QStringLiteral("Format")].toString(), QStringLiteral("PNG"));
        // "SourceFile" first in every object, as exiftool writes it.
        QCOMPARE(json.out.count("{\n  \"SourceFile\": "), 3);
        // And a second parser agrees.
        QProcess tool;
        tool.start(QStringLiteral("python3"),
                   { QStringLiteral("-m"), QStringLiteral("json.tool") });
        tool.write(json.out);
        tool.closeWriteChannel();
        QVERIFY(tool.waitForFinished(30000));
        QCOMPARE(tool.exitCode(), 0);
    }

    void infoFromStandardInput()
    {
        const Run json = lumoraEdit(
            { QStringLiteral("--info"), QStringLiteral("--json"), QStringLiteral("-") },
            m_dir.filePath(QStringLiteral("in.jpg")));
        QVERIFY2(json.exitCode == 0, json.err.constData());
        const QJsonArray objects = QJsonDocument::fromJson(json.out).array();
        QCOMPARE(objects.size(), 1);
        QCOMPARE(objects.at(0)[QStringLiteral("SourceFile")].toString(), QStringLiteral("-"));
        QCOMPARE(objects.at(0)[QStringLiteral("Format")].toString(), QStringLiteral("JPEG"));
    }

    // A batch with one bad picture: its line names it, the others are edited; quiet
    // leaves that line alone.
    void batchLines_data()
    {
        QTest::addColumn<QString>("verbosity");
        QTest::addColumn<bool>("summary");
        QTest::newRow("default") << QString() << true;
        QTest::newRow("quiet says the failure alone") << QStringLiteral("-q") << false;
    }

    void batchLines()
    {
        QFETCH(QString, verbosity);
        QFETCH(bool, summary);
        QTemporaryDir out;
        QVERIFY(out.isValid());
        const QString bad = m_dir.filePath(QStringLiteral("bad.jpg"));
        QFile damaged(bad);
        QVERIFY(damaged.open(QIODevice::WriteOnly) && damaged.write("no picture") > 0);
        damaged.close();
        QStringList arguments { QStringLiteral("--output-dir"),           out.path(),
                                m_dir.filePath(QStringLiteral("in.png")), bad,
                                m_dir.filePath(QStringLiteral("in.jpg")), QStringLiteral("--"),
                                QStringLiteral("flip-vertical") };
        if (!verbosity.isEmpty())
            arguments.prepend(verbosity);
        const Run batch = lumoraEdit(arguments);
        QCOMPARE(batch.exitCode, 1);
        const QStringList lines = QString::fromUtf8(batch.err).split('\n', Qt::SkipEmptyParts);
        const QStringList failures = lines.filter(QStringLiteral("lumora-edit: %1: ").arg(bad));
        QVERIFY2(failures.size() == 1 && failures.constFirst().contains("no picture"),
                 batch.err.constData());
        QVERIFY(QFile::exists(out.filePath(QStringLiteral("in.png"))));
        QVERIFY(QFile::exists(out.filePath(QStringLiteral("in.jpg"))));
        if (summary)
            QVERIFY2(lines.constLast().startsWith("2 pictures edited, 1 failed"),
                     batch.err.constData());
        else
            QCOMPARE(lines, failures);
    }

    // -r: the tree under the folder given is kept under the output folder; hidden files and
    // files of no picture format are left alone. Pixels against ImageMagick's flip.
    void recursiveKeepsTree()
    {
        const QString tree = m_dir.filePath(QStringLiteral("tree"));
        QVERIFY(QDir().mkpath(tree + QStringLiteral("/2024/june")));
        QVERIFY(QDir().mkpath(tree + QStringLiteral("/.cache")));
        const QString png = m_dir.filePath(QStringLiteral("in.png"));
        QVERIFY(QFile::copy(png, tree + QStringLiteral("/top.png")));
        QVERIFY(QFile::copy(png, tree + QStringLiteral("/2024/june/deep.PNG")));
        QVERIFY(QFile::copy(png, tree + QStringLiteral("/.cache/hidden.png")));
        QFile notes(tree + QStringLiteral("/2024/notes.txt"));
        QVERIFY(notes.open(QIODevice::WriteOnly) && notes.write("text") > 0);
        notes.close();
        QTemporaryDir out;
        const Run batch
            = lumoraEdit({ QStringLiteral("-r"), QStringLiteral("--output-dir"), out.path(), tree,
                           QStringLiteral("--"), QStringLiteral("flip-vertical") });
        QVERIFY2(batch.exitCode == 0, batch.err.constData());
        QStringList written;
        QDirIterator walk(out.path(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (walk.hasNext())
            written << QDir(out.path()).relativeFilePath(walk.next());
        written.sort();
        QCOMPARE(written, QStringList({ "2024/june/deep.PNG", "top.png" }));

        const QString flipped = m_dir.filePath(QStringLiteral("flipped.png"));
        QCOMPARE(runProcess(Convert, { png, QStringLiteral("-flip"), flipped }).exitCode, 0);
        for (const QString &name : std::as_const(written)) {
            const ProcessRun compared
                = runProcess(Compare,
                             { QStringLiteral("-metric"), QStringLiteral("AE"), out.filePath(name),
                               flipped, QStringLiteral("null:") });
            QVERIFY2(compared.exitCode == 0, compared.err.constData());
        }
    }

    // The language of the plug-ins' texts as POSIX picks it: LC_ALL, LC_MESSAGES, LANG.
    void localeFromEnvironment_data()
    {
        QTest::addColumn<QStringList>("environment");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<bool>("arabic");
        QTest::newRow("LANG Arabic") << QStringList { "LANG=ar_EG.UTF-8" } << QStringList() << true;
        QTest::newRow("LC_ALL overrides LANG")
            << QStringList { "LANG=ar_EG.UTF-8", "LC_ALL=C.UTF-8" } << QStringList() << false;
        QTest::newRow("LC_MESSAGES before LANG")
            << QStringList { "LANG=en_GB.UTF-8", "LC_MESSAGES=ar_SA.UTF-8" } << QStringList()
            << true;
        QTest::newRow("empty LC_ALL counts as unset")
            << QStringList { "LC_ALL=", "LANG=ar_EG.UTF-8" } << QStringList() << true;
        QTest::newRow("--locale overrides the environment")
            << QStringList { "LC_ALL=ar_EG.UTF-8" } << QStringList { "--locale", "en" } << false;
        QTest::newRow("no locale is English") << QStringList() << QStringList() << false;
    }

    void localeFromEnvironment()
    {
        QFETCH(QStringList, environment);
        QFETCH(QStringList, arguments);
        QFETCH(bool, arabic);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : { "LC_ALL", "LC_MESSAGES", "LANG" })
            env.remove(QString::fromLatin1(name));
        for (const QString &setting : environment)
            env.insert(setting.section('=', 0, 0), setting.section('=', 1));
        const Run listed
            = run(QStringLiteral(LUMORA_EDIT), QStringList { QStringLiteral("--list") } + arguments,
                  QString(), env);
        QVERIFY2(listed.exitCode == 0, listed.err.constData());
        QCOMPARE(QString::fromUtf8(listed.out).count('\n'), 8);
        QCOMPARE(hasArabic(QString::fromUtf8(listed.out)), arabic);
    }

    // Reading the input fails in the user's language too, damage and system texts included.
    void readErrorsSpeakTheLanguage_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("language");
        QTest::newRow("missing, Arabic") << "missing.jpg"
                                         << "ar_EG.UTF-8";
        QTest::newRow("cut short, Arabic") << "cut.jpg"
                                           << "ar_EG.UTF-8";
        QTest::newRow("missing, English") << "missing.jpg"
                                          << "C.UTF-8";
        QTest::newRow("cut short, English") << "cut.jpg"
                                            << "C.UTF-8";
    }

    void readErrorsSpeakTheLanguage()
    {
        QFETCH(QString, input);
        QFETCH(QString, language);
        QFile whole(m_dir.filePath(QStringLiteral("in.jpg")));
        QVERIFY(whole.open(QIODevice::ReadOnly));
        QFile cut(m_dir.filePath(QStringLiteral("cut.jpg")));
        QVERIFY(cut.open(QIODevice::WriteOnly));
        cut.write(whole.read(whole.size() / 2));
        cut.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *name : { "LC_ALL", "LC_MESSAGES", "LANG" })
            env.remove(QString::fromLatin1(name));
        env.insert(QStringLiteral("LANG"), language);
        const Run failed
            = run(QStringLiteral(LUMORA_EDIT),
                  { m_dir.filePath(input), QStringLiteral("-o"),
                    m_dir.filePath(QStringLiteral("never.png")), QStringLiteral("flip-vertical") },
                  QString(), env);
        QCOMPARE(failed.exitCode, 1);
        const QString said = QString::fromUtf8(failed.err);
        QVERIFY2(hasArabic(said) == language.startsWith(QLatin1String("ar")),
                 failed.err.constData());
        QVERIFY(!QFile::exists(m_dir.filePath(QStringLiteral("never.png"))));
    }

    // --help and --version print without a display: no window system is reached.
    void printsWithoutDisplay_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QString>("option");
        QTest::addColumn<QString>("expected"); // how the output starts
        QTest::newRow("lumora-edit --version") << LUMORA_EDIT << "--version"
                                               << "lumora-edit " LUMORA_VERSION "\n";
        QTest::newRow("lumora-editor --version") << LUMORA_EDITOR << "--version"
                                                 << "lumora-editor " LUMORA_VERSION "\n";
        QTest::newRow("lumora-editor --help") << LUMORA_EDITOR << "--help"
                                              << "Usage: ";
    }

    void printsWithoutDisplay()
    {
        QFETCH(QString, program);
        QFETCH(QString, option);
        QFETCH(QString, expected);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        const Run printed = run(program, { option }, QString(), env);
        QVERIFY2(printed.exitCode == 0, printed.err.constData());
        QVERIFY2(printed.out.startsWith(expected.toUtf8()), printed.out.constData());
    }

    // A plug-in with a tool bar asked for by class: refused, nothing written.
    void pluginWithToolBarRefused_data()
    {
        QTest::addColumn<QString>("pluginClass");
        QTest::newRow("resize") << "EditResizePlugin";
        QTest::newRow("crop") << "EditCropPlugin";
        QTest::newRow("effects") << "EditVintageEffectsPlugin";
    }

    void pluginWithToolBarRefused()
    {
        QFETCH(QString, pluginClass);
        const QString output = m_dir.filePath(QStringLiteral("refused.png"));
        const Run refused
            = lumoraEdit({ m_dir.filePath(QStringLiteral("in.png")),
                           QStringLiteral("plugin=") + pluginClass, QStringLiteral("-o"), output });
        QCOMPARE(refused.exitCode, 2);
        QVERIFY2(refused.err.contains("needs the window"), refused.err.constData());
        QVERIFY(!QFile::exists(output));
    }

    void completionLoadsAndCompletes_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("option") << "lumora-edit --ver" << QStringList { "--version", "--verbose" };
        QTest::newRow("locale value") << "lumora-edit --locale " << QStringList { "en", "ar" };
        QTest::newRow("edit") << "lumora-edit in.png rotate-r" << QStringList { "rotate-right" };
        QTest::newRow("resize value split by bash")
            << "lumora-edit in.png resize=7" << QStringList { "75" };
    }

    void completionLoadsAndCompletes()
    {
        QFETCH(QString, line);
        QFETCH(QStringList, expected);
        // Words split as bash splits them for completion, at blanks and COMP_WORDBREAKS.
        const QString script
            = QStringLiteral("source %1 && complete -p lumora-edit >&2 && "
                             "COMP_LINE=\"$1\"; COMP_POINT=${#COMP_LINE}; "
                             "read -ra COMP_WORDS <<<\"${COMP_LINE//=/ = }\"; "
                             "[[ $COMP_LINE == *' ' ]] && COMP_WORDS+=(''); "
                             "COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); _lumora_edit; "
                             "printf '%s\\n' \"${COMPREPLY[@]}\"")
                  .arg(QStringLiteral(LUMORA_COMPLETION));
        const Run completed = run(QStringLiteral("bash"),
                                  { QStringLiteral("-c"), script, QStringLiteral("bash"), line });
        QVERIFY2(completed.exitCode == 0, completed.err.constData());
        QVERIFY2(completed.err.contains("complete -F _lumora_edit lumora-edit"),
                 completed.err.constData());
        QCOMPARE(QString::fromUtf8(completed.out).split('\n', Qt::SkipEmptyParts), expected);
    }

    // The script's static lists are the program's own options and edits.
    void completionMatchesHelp()
    {
        const Run help = lumoraEdit({ QStringLiteral("--help") });
        QCOMPARE(help.exitCode, 0);
        const QByteArray script = contents(QStringLiteral(LUMORA_COMPLETION));
        QStringList options = helpOptions(QString::fromUtf8(help.out));
        QStringList scripted = scriptWords(script, "options");
        options.removeAll(QStringLiteral("-h")); // Qt's short help, left to --help
        options.sort();
        scripted.sort();
        QCOMPARE(scripted, options);
        QStringList edits = helpEdits(QString::fromUtf8(help.out));
        QStringList scriptedEdits = scriptWords(script, "edits");
        edits.sort();
        scriptedEdits.sort();
        QCOMPARE(scriptedEdits, edits);
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TestScripting)
#include "tst_scripting.moc"
