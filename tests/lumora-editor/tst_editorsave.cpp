// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Saving from the window as a person does it: Ctrl+S and its question, the unsaved-edits
// prompt's default, the copy's name, the JPEG quality; the original's bytes compared
// before and after, the written files read by ImageMagick.

#include "editedpicture.h"
#include "edithistory.h"
#include "editorwindow.h"
#include "savechoice.h"
#include "testpictures.h"

#include <QCheckBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// Wider than high: a turn shows in the written file's size.
constexpr QSize PictureSize(360, 240);

// The remembered choice as the settings file holds it: 0 none, 1 copy, 2 replace.
int rememberedChoice()
{
    return QSettings(QStringLiteral("lumora"), QStringLiteral("lumora-editor"))
        .value(QStringLiteral("save/choice"), 0)
        .toInt();
}

void setRememberedChoice(int choice)
{
    QSettings store(QStringLiteral("lumora"), QStringLiteral("lumora-editor"));
    if (choice == 0)
        store.remove(QStringLiteral("save/choice"));
    else
        store.setValue(QStringLiteral("save/choice"), choice);
}

// The question Save asks, once it is shown.
QDialog *saveQuestion(QWidget *window)
{
    auto *dialog = window->findChild<QDialog *>(QStringLiteral("saveChoice"));
    return dialog && dialog->isVisible() ? dialog : nullptr;
}

// A JPEG's quality as ImageMagick estimates it.
int magickQuality(const QString &file)
{
    const ProcessRun run = runProcess(QStringLiteral("identify-im6.q16"),
                                      { QStringLiteral("-format"), QStringLiteral("%Q"), file });
    return run.exitCode == 0 ? run.out.trimmed().toInt() : -1;
}

} // namespace

class tst_EditorSave : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void init();
    void cleanup();

    void copyNamesNeverExist_data();
    void copyNamesNeverExist();
    void saveAsksCopyOrReplace_data();
    void saveAsksCopyOrReplace();
    void promptDefaultNeverReplaces_data();
    void promptDefaultNeverReplaces();
    void saveAsSuggestsANewName();
    void jpegQualityOffered_data();
    void jpegQualityOffered();
    void cutShortJpegIsCalledDamaged_data();
    void cutShortJpegIsCalledDamaged();

private:
    QString path(const QString &name) const { return m_dir->filePath(name); }
    void open(const QString &file);

    QTemporaryDir m_settings;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<EditorWindow> m_window;
    QString m_picture;
};

void tst_EditorSave::initTestCase()
{
    // What is remembered goes to a folder of the test's own, never the user's.
    QVERIFY(m_settings.isValid());
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
}

void tst_EditorSave::init()
{
    setRememberedChoice(0);
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_picture = path(QStringLiteral("photo.jpg"));
    QVERIFY(photo(PictureSize.width(), PictureSize.height()).save(m_picture, "JPEG", 77));
    EditorWindow::Options options;
    options.pluginDirs = { QStringLiteral(LUMORA_PLUGIN_DIR) };
    options.coveredSize = QSize(4000, 4000);
    m_window = std::make_unique<EditorWindow>(options);
    m_window->resize(900, 640);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    open(m_picture);
}

void tst_EditorSave::cleanup()
{
    if (m_window)
        m_window->history()->markSaved(); // closing must not ask
    m_window.reset();
    m_dir.reset();
}

void tst_EditorSave::open(const QString &file)
{
    m_window->openPicture(file);
    QCOMPARE(m_window->picture().fullSize(), PictureSize);
}

void tst_EditorSave::copyNamesNeverExist_data()
{
    QTest::addColumn<QString>("original");
    QTest::addColumn<QStringList>("existing");
    QTest::addColumn<QString>("expected");

    QTest::newRow("beside it") << "photo.jpg" << QStringList() << "photo-edited.jpg";
    QTest::newRow("a copy there counts on")
        << "photo.jpg" << QStringList { "photo-edited.jpg" } << "photo-edited-2.jpg";
    QTest::newRow("two copies there")
        << "photo.jpg" << QStringList { "photo-edited.jpg", "photo-edited-2.jpg" }
        << "photo-edited-3.jpg";
    QTest::newRow("a gap is not filled from below")
        << "photo-edited-4.jpg" << QStringList { "photo-edited-4.jpg" } << "photo-edited-5.jpg";
    QTest::newRow("a copy of a copy is not edited twice")
        << "photo-edited.jpg" << QStringList { "photo-edited.jpg" } << "photo-edited-2.jpg";
    QTest::newRow("dots inside the name")
        << "my.holiday.png" << QStringList() << "my.holiday-edited.png";
    QTest::newRow("no suffix") << "scan" << QStringList { "scan" } << "scan-edited";
    QTest::newRow("a dangling link takes the name")
        << "photo.jpg" << QStringList { "link:photo-edited.jpg" } << "photo-edited-2.jpg";
    QTest::newRow("a folder takes the name")
        << "photo.jpg" << QStringList { "dir:photo-edited.jpg" } << "photo-edited-2.jpg";
}

void tst_EditorSave::copyNamesNeverExist()
{
    QFETCH(QString, original);
    QFETCH(QStringList, existing);
    QFETCH(QString, expected);
    QDir dir(m_dir->path());
    for (const QString &name : existing) {
        if (name.startsWith(QLatin1String("link:")))
            QVERIFY(QFile::link(path(QStringLiteral("nowhere")), path(name.mid(5))));
        else if (name.startsWith(QLatin1String("dir:")))
            QVERIFY(dir.mkdir(name.mid(4)));
        else
            QVERIFY(QFile(path(name)).open(QIODevice::WriteOnly));
    }
    QCOMPARE(SaveChoice::copyName(path(original)), path(expected));
}

void tst_EditorSave::saveAsksCopyOrReplace_data()
{
    QTest::addColumn<int>("remembered"); // SaveChoice, as the settings hold it
    QTest::addColumn<QString>("answer");
    QTest::addColumn<bool>("always");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<QString>("written"); // empty: nothing
    QTest::addColumn<int>("rememberedAfter");

    QTest::newRow("return makes a copy")
        << 0 << "return" << false << true << "photo-edited.jpg" << 0;
    QTest::newRow("copy button") << 0 << "saveCopy" << false << true << "photo-edited.jpg" << 0;
    QTest::newRow("replace button") << 0 << "replaceOriginal" << false << true << "photo.jpg" << 0;
    QTest::newRow("escape writes nothing") << 0 << "escape" << false << true << QString() << 0;
    QTest::newRow("copy always is remembered")
        << 0 << "saveCopy" << true << true << "photo-edited.jpg" << 1;
    QTest::newRow("replace always is remembered")
        << 0 << "replaceOriginal" << true << true << "photo.jpg" << 2;
    QTest::newRow("remembered copy asks nothing")
        << 1 << QString() << false << false << "photo-edited.jpg" << 1;
    QTest::newRow("remembered replace asks nothing")
        << 2 << QString() << false << false << "photo.jpg" << 2;
    QTest::newRow("an unknown setting asks")
        << 7 << "return" << false << true << "photo-edited.jpg" << 7;
}

void tst_EditorSave::saveAsksCopyOrReplace()
{
    QFETCH(int, remembered);
    QFETCH(QString, answer);
    QFETCH(bool, always);
    QFETCH(bool, asked);
    QFETCH(QString, written);
    QFETCH(int, rememberedAfter);
    setRememberedChoice(remembered);
    const QByteArray before = hashOf(m_picture);
    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier); // turned right

    QSignalSpy finished(m_window.get(), &EditorWindow::saveFinished);
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier);
    QDialog *question = saveQuestion(m_window.get());
    QCOMPARE(bool(question), asked);
    if (question) {
        // The default button is the copy's, whatever else is shown.
        auto *copy = question->findChild<QPushButton *>(QStringLiteral("saveCopy"));
        QVERIFY(copy && copy->isDefault());
        QVERIFY(
            !question->findChild<QPushButton *>(QStringLiteral("replaceOriginal"))->isDefault());
        question->findChild<QCheckBox *>(QStringLiteral("remember"))->setChecked(always);
        if (answer == QLatin1String("return"))
            QTest::keyClick(question, Qt::Key_Return);
        else if (answer == QLatin1String("escape"))
            QTest::keyClick(question, Qt::Key_Escape);
        else
            question->findChild<QPushButton *>(answer)->click();
    }
    if (written.isEmpty()) {
        QVERIFY(!m_window->isSaving());
        QVERIFY(finished.isEmpty());
        QVERIFY(m_window->isWindowModified());
    } else {
        QVERIFY(finished.count() == 1 || finished.wait(30000));
        QVERIFY2(finished.first().first().toBool(), qPrintable(m_window->message()));
        QCOMPARE(magickSize(path(written)), PictureSize.transposed());
    }
    const QStringList files = QDir(m_dir->path()).entryList(QDir::Files);
    if (written != QLatin1String("photo.jpg")) {
        QCOMPARE(hashOf(m_picture), before);
        QCOMPARE(files.size(), written.isEmpty() ? 1 : 2);
    } else {
        QCOMPARE(files, QStringList { written });
    }
    QCOMPARE(rememberedChoice(), rememberedAfter);
}

void tst_EditorSave::promptDefaultNeverReplaces_data()
{
    QTest::addColumn<int>("remembered");
    QTest::addColumn<QString>("written"); // what Return in the prompt writes; empty: nothing

    QTest::newRow("nothing remembered: a copy") << 0 << "photo-edited.jpg";
    QTest::newRow("copy remembered: a copy") << 1 << "photo-edited.jpg";
    QTest::newRow("replace remembered: Return cancels") << 2 << QString();
}

void tst_EditorSave::promptDefaultNeverReplaces()
{
    QFETCH(int, remembered);
    QFETCH(QString, written);
    setRememberedChoice(remembered);
    const QByteArray before = hashOf(m_picture);
    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::ControlModifier);

    QSignalSpy finished(m_window.get(), &EditorWindow::saveFinished);
    QVERIFY(!m_window->close());
    auto *prompt = m_window->findChild<QMessageBox *>(QStringLiteral("unsavedPrompt"));
    QVERIFY(prompt && prompt->isVisible());
    QTest::keyClick(prompt, Qt::Key_Return);
    if (written.isEmpty()) {
        QVERIFY(m_window->isVisible());
        QVERIFY(finished.isEmpty() && !m_window->isSaving());
    } else {
        QVERIFY(finished.count() == 1 || finished.wait(30000));
        QVERIFY(finished.first().first().toBool());
        QVERIFY(!m_window->isVisible()); // saved, then closed
        QCOMPARE(magickSize(path(written)), PictureSize.transposed());
    }
    QCOMPARE(hashOf(m_picture), before);
}

void tst_EditorSave::saveAsSuggestsANewName()
{
    QVERIFY(QFile(path(QStringLiteral("photo-edited.jpg"))).open(QIODevice::WriteOnly));
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    auto *dialog = m_window->findChild<QFileDialog *>(QStringLiteral("saveAsDialog"));
    QVERIFY(dialog && dialog->isVisible());
    auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    QVERIFY(name);
    QCOMPARE(name->text(), QStringLiteral("photo-edited-2.jpg"));
    dialog->reject();
}

void tst_EditorSave::jpegQualityOffered_data()
{
    QTest::addColumn<int>("quality"); // as set in the question; 0: left as offered
    QTest::addColumn<int>("expected"); // as ImageMagick estimates it

    QTest::newRow("the file's own by default") << 0 << 77;
    QTest::newRow("as chosen") << 55 << 55;
}

void tst_EditorSave::jpegQualityOffered()
{
    QFETCH(int, quality);
    QFETCH(int, expected);
    QTest::keyClick(m_window.get(), Qt::Key_L, Qt::ControlModifier);
    QSignalSpy finished(m_window.get(), &EditorWindow::saveFinished);
    QTest::keyClick(m_window.get(), Qt::Key_S, Qt::ControlModifier);
    QDialog *question = saveQuestion(m_window.get());
    QVERIFY(question);
    auto *box = question->findChild<QSpinBox *>(QStringLiteral("quality"));
    QVERIFY(box);
    QCOMPARE(box->value(), 0);
    // The file's own number is said.
    QVERIFY2(box->text().contains(QStringLiteral("77")), qPrintable(box->text()));
    if (quality)
        box->setValue(quality);
    QTest::keyClick(question, Qt::Key_Return);
    QVERIFY(finished.count() == 1 || finished.wait(30000));
    QVERIFY2(finished.first().first().toBool(), qPrintable(m_window->message()));
    QCOMPARE(magickQuality(path(QStringLiteral("photo-edited.jpg"))), expected);
}

void tst_EditorSave::cutShortJpegIsCalledDamaged_data()
{
    QTest::addColumn<double>("kept"); // of the file's bytes

    QTest::newRow("cut in its header") << 0.02;
    QTest::newRow("cut after a third") << 0.33;
    QTest::newRow("cut just before its end") << 0.97;
}

void tst_EditorSave::cutShortJpegIsCalledDamaged()
{
    QFETCH(double, kept);
    // A camera's photo as ImageMagick writes it: a large picture, so that a third of it
    // holds the whole header.
    const QString whole = path(QStringLiteral("whole.jpg"));
    QCOMPARE(runProcess(QStringLiteral("convert-im6.q16"),
                        { QStringLiteral("-size"), QStringLiteral("640x480"),
                          QStringLiteral("plasma:fractal"), QStringLiteral("-quality"),
                          QStringLiteral("90"), whole })
                 .exitCode,
             0);
    QFile in(whole);
    QVERIFY(in.open(QIODevice::ReadOnly));
    const QByteArray bytes = in.readAll();
    const QString cut = path(QStringLiteral("cut.jpg"));
    QFile out(cut);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(bytes.left(qsizetype(bytes.size() * kept)));
    out.close();

    m_window->openPicture(cut);
    const QString message = m_window->message();
    QVERIFY2(message.startsWith(QLatin1String("Cannot read")), qPrintable(message));
    QVERIFY2(message.contains(QLatin1String("cut.jpg"))
                 && message.contains(QLatin1String("damaged"))
                 && !message.contains(QLatin1String("memory")),
             qPrintable(message));
    QCOMPARE(m_window->picture().path(), m_picture); // the photo held before stays

    // The command line says the same.
    const ProcessRun run = runProcess(QStringLiteral(LUMORA_EDIT),
                                      { cut, QStringLiteral("rotate-right"), QStringLiteral("-o"),
                                        path(QStringLiteral("out.jpg")) });
    QVERIFY(run.exitCode != 0);
    QVERIFY2(run.err.contains("damaged") && !run.err.contains("memory"), run.err.constData());
}

QTEST_MAIN(tst_EditorSave)
#include "tst_editorsave.moc"
