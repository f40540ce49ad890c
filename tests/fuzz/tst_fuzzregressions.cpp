// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Every fuzz target's seeds and saved crash inputs (fuzz/regressions/<target>/), each run
// through the target's entry point by its replay program, in whatever build this is: in
// the sanitizer build an input that reads out of bounds or hits undefined behaviour again
// fails here, in the plain one an input that crashes.

#include "processrun.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTest>

namespace {

struct Target
{
    QString name;
    QString replay;
    QStringList seedFolders;
    QString regressionFolder;
};

// fuzz/fuzzers.tsv of this build tree: one target a line, tab-separated.
QList<Target> targets()
{
    QFile manifest(QStringLiteral(LUMORA_FUZZ_MANIFEST));
    if (!manifest.open(QIODevice::ReadOnly))
        return {};
    QList<Target> out;
    for (const QByteArray &line : manifest.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < 5)
            continue;
        out.append({ QString::fromUtf8(fields[0]), QString::fromUtf8(fields[2]),
                     QString::fromUtf8(fields[3]).split(QLatin1Char(';'), Qt::SkipEmptyParts),
                     QString::fromUtf8(fields[4]) });
    }
    return out;
}

QFileInfoList inputs(const QString &folder)
{
    return QDir(folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
}

} // namespace

class FuzzRegressions : public QObject
{
    Q_OBJECT

private slots:
    void everyTargetHasSeeds_data();
    void everyTargetHasSeeds();
    void inputPasses_data();
    void inputPasses();
};

void FuzzRegressions::everyTargetHasSeeds_data()
{
    QTest::addColumn<QString>("replay");
    QTest::addColumn<QStringList>("seedFolders");
    const QList<Target> all = targets();
    QVERIFY2(!all.isEmpty(), "no fuzz targets listed in " LUMORA_FUZZ_MANIFEST);
    for (const Target &target : all)
        QTest::newRow(qPrintable(target.name)) << target.replay << target.seedFolders;
}

// A target without seeds starts from nothing in CI and replays nothing here.
void FuzzRegressions::everyTargetHasSeeds()
{
    QFETCH(QString, replay);
    QFETCH(QStringList, seedFolders);
    QVERIFY2(QFileInfo(replay).isExecutable(), qPrintable(replay));
    QVERIFY(!seedFolders.isEmpty());
    for (const QString &folder : seedFolders)
        QVERIFY2(!inputs(folder).isEmpty(), qPrintable(folder + QStringLiteral(" is empty")));
}

void FuzzRegressions::inputPasses_data()
{
    QTest::addColumn<QString>("replay");
    QTest::addColumn<QString>("input");
    for (const Target &target : targets()) {
        const auto add = [&](const QString &kind, const QString &folder) {
            for (const QFileInfo &file : inputs(folder)) {
                const QString row = target.name + QLatin1Char(' ') + kind + QStringLiteral(": ")
                    + file.fileName();
                QTest::newRow(qPrintable(row)) << target.replay << file.filePath();
            }
        };
        for (const QString &folder : target.seedFolders)
            add(QStringLiteral("seed"), folder);
        // Named after what they guard, as found by the fuzzer.
        add(QStringLiteral("regression"), target.regressionFolder);
    }
}

void FuzzRegressions::inputPasses()
{
    QFETCH(QString, replay);
    QFETCH(QString, input);
    const ProcessRun run = runProcess(replay, { input });
    const QByteArray said = run.out + run.err;
    QVERIFY2(run.exitCode == 0,
             qPrintable(QStringLiteral("%1 %2 failed (exit %3):\n%4")
                            .arg(replay, input)
                            .arg(run.exitCode)
                            .arg(QString::fromLocal8Bit(said.right(4000)))));
    // The sanitizers abort on what they find, but say it first; a report without an abort
    // (a recoverable check) fails too.
    QVERIFY2(!said.contains("runtime error") && !said.contains("Sanitizer"),
             qPrintable(QString::fromLocal8Bit(said.right(4000))));
    QVERIFY2(run.out.contains("replay: 1 inputs passed"), run.out.constData());
}

QTEST_GUILESS_MAIN(FuzzRegressions)
#include "tst_fuzzregressions.moc"
