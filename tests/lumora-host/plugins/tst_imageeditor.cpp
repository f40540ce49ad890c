// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The host's edit UI provider: real pixel work, the meaning of the flag, refusals.

#include "imageeditor.h"
#include "imagefilters.h"

#include <QRect>
#include <QTest>

namespace {

QImage picture()
{
    QImage image(7, 5, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(30 * x + 10, 40 * y + 5, (x * y * 17) % 256));
    return image;
}

using Options = QHash<QString, QVariant>;

} // namespace

class tst_ImageEditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void standInAnswersTheFullSize();
    void withoutHistoryEditsInPlace();
    void stackedEditsMatchTheOracle_data();
    void stackedEditsMatchTheOracle();
    void refusedRequestsLeaveThePicture_data();
    void refusedRequestsLeaveThePicture();
    void previewChoicesReplaceEachOther();
    void cancelledActivationDropsThePreview();
    void confirmedPreviewIsUndoable();
    void stackedEditAfterPreviewKeepsBoth();
    void withoutHistoryPreviewsStillCancel();
};

void tst_ImageEditor::stackedEditsMatchTheOracle_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<Options>("options");
    QTest::addColumn<QImage>("expected");
    const QImage p = picture();
    QTest::newRow("flip vertical")
        << "org.quenta.flip" << Options { { "horizontal", false } } << p.mirrored(false, true);
    QTest::newRow("flip horizontal")
        << "org.quenta.flip" << Options { { "horizontal", true } } << p.mirrored(true, false);
    QTest::newRow("rotate right") << "org.quenta.rotate" << Options { { "angle", 90 } }
                                  << p.transformed(QTransform().rotate(90));
    QTest::newRow("rotate left") << "org.quenta.rotate" << Options { { "angle", -90 } }
                                 << p.transformed(QTransform().rotate(-90));
    QTest::newRow("crop") << "org.quenta.crop" << Options { { "cropRectangle", QRect(1, 2, 4, 3) } }
                          << p.copy(1, 2, 4, 3);
}

void tst_ImageEditor::stackedEditsMatchTheOracle()
{
    QFETCH(QString, filter);
    QFETCH(Options, options);
    QFETCH(QImage, expected);
    ImageEditor editor(picture());
    editor.beginActivation();
    QVERIFY(editor.runEditFilter(filter, options, 0));
    editor.endActivation(true);
    QCOMPARE(editor.image().convertToFormat(QImage::Format_RGB32),
             expected.convertToFormat(QImage::Format_RGB32));
    QCOMPARE(editor.fullImageSize(), expected.size());
    QVERIFY(editor.canUndo());
    QVERIFY(editor.undo());
    QCOMPARE(editor.image(), picture());
    QVERIFY(editor.redo());
    QCOMPARE(editor.image().convertToFormat(QImage::Format_RGB32),
             expected.convertToFormat(QImage::Format_RGB32));
}

void tst_ImageEditor::refusedRequestsLeaveThePicture_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<Options>("options");
    QTest::newRow("unknown filter") << "org.quenta.sharpen" << Options();
    QTest::newRow("int for a bool") << "org.quenta.flip" << Options { { "horizontal", 1 } };
    QTest::newRow("string for an angle") << "org.quenta.rotate" << Options { { "angle", "90" } };
    QTest::newRow("size for a rectangle")
        << "org.quenta.crop" << Options { { "cropRectangle", QSize(2, 2) } };
    QTest::newRow("missing size") << "org.quenta.scale" << Options();
    QTest::newRow("crop outside") << "org.quenta.crop"
                                  << Options { { "cropRectangle", QRect(100, 100, 5, 5) } };
}

void tst_ImageEditor::refusedRequestsLeaveThePicture()
{
    QFETCH(QString, filter);
    QFETCH(Options, options);
    ImageEditor editor(picture());
    editor.beginActivation();
    QVERIFY(!editor.runEditFilter(filter, options, 0));
    QCOMPARE(editor.activationErrors().size(), 1);
    QVERIFY(!editor.activationErrors().first().isEmpty());
    editor.endActivation(true);
    QCOMPARE(editor.image(), picture());
    QVERIFY(!editor.canUndo());
}

void tst_ImageEditor::previewChoicesReplaceEachOther()
{
    ImageEditor editor(picture());
    editor.beginActivation();
    QVERIFY(editor.runEditFilter(QStringLiteral("com.velmo.sepia"), {}, 1));
    QVERIFY(editor.runEditFilter(QStringLiteral("com.velmo.greyscale"), {}, 1));
    editor.endActivation(true);
    // Greyscale of the original, not of the sepia picture.
    QCOMPARE(editor.image(), ImageFilters::greyscale(picture()));
    QVERIFY(editor.image() != ImageFilters::greyscale(ImageFilters::sepia(picture())));
}

void tst_ImageEditor::cancelledActivationDropsThePreview()
{
    ImageEditor editor(picture());
    editor.beginActivation();
    QVERIFY(editor.runEditFilter(QStringLiteral("com.velmo.sepia"), {}, 1));
    QVERIFY(editor.image() != picture());
    editor.endActivation(false);
    QCOMPARE(editor.image(), picture());
    QVERIFY(!editor.canUndo());
}

void tst_ImageEditor::confirmedPreviewIsUndoable()
{
    ImageEditor editor(picture());
    editor.beginActivation();
    QVERIFY(editor.runEditFilter(QStringLiteral("com.velmo.cross-processing"), {}, 1));
    editor.endActivation(true);
    // A later activation's choice starts from the confirmed picture.
    editor.beginActivation();
    QVERIFY(editor.runEditFilter(QStringLiteral("com.velmo.sepia"), {}, 1));
    editor.endActivation(true);
    QCOMPARE(editor.image(), ImageFilters::sepia(ImageFilters::crossProcessing(picture())));
    QVERIFY(editor.undo());
    QCOMPARE(editor.image(), ImageFilters::crossProcessing(picture()));
    QVERIFY(editor.undo());
    QCOMPARE(editor.image(), picture());
}

void tst_ImageEditor::stackedEditAfterPreviewKeepsBoth()
{
    ImageEditor editor(picture());
    editor.beginActivation();
    QVERIFY(editor.runEditFilter(QStringLiteral("com.velmo.sepia"), {}, 1));
    QVERIFY(editor.runEditFilter(QStringLiteral("org.quenta.flip"), { { "horizontal", true } }, 0));
    editor.endActivation(false);
    QCOMPARE(editor.image(), ImageFilters::sepia(picture()).mirrored(true, false));
}

void tst_ImageEditor::withoutHistoryPreviewsStillCancel()
{
    ImageEditor editor(picture(), ImageEditor::NoHistory);
    editor.beginActivation();
    QVERIFY(editor.runEditFilter(QStringLiteral("org.quenta.flip"), { { "horizontal", true } }, 0));
    editor.endActivation(true);
    QVERIFY(!editor.canUndo());
    QVERIFY(!editor.undo());
    QCOMPARE(editor.image(), picture().mirrored(true, false));

    // The picture before a preview choice is still held until the activation ends.
    editor.beginActivation();
    QVERIFY(editor.runEditFilter(QStringLiteral("com.velmo.sepia"), {}, 1));
    editor.endActivation(false);
    QCOMPARE(editor.image(), picture().mirrored(true, false));
    QVERIFY(!editor.canUndo());
}

// A reduced stand-in answers the size it stands for, with every edit's geometry; the
// filters work on the stand-in with their geometry scaled.
void tst_ImageEditor::standInAnswersTheFullSize()
{
    ImageEditor editor(picture(), ImageEditor::NoHistory);
    editor.setFullImageSize(QSize(700, 500));
    QCOMPARE(editor.fullImageSize(), QSize(700, 500));
    QCOMPARE(editor.previewImageSize(), QSize(700, 500));
    QVERIFY(editor.runEditFilter(QStringLiteral("org.quenta.rotate"), { { "angle", 90 } }, 0));
    QCOMPARE(editor.fullImageSize(), QSize(500, 700));
    QCOMPARE(editor.image().size(), QSize(5, 7));
    QVERIFY(editor.runEditFilter(QStringLiteral("org.quenta.auto.levels"), {}, 0));
    QCOMPARE(editor.fullImageSize(), QSize(500, 700));
    // 200 x 300 of 500 x 700 is 2 x 3 of the 5 x 7 stand-in.
    QVERIFY(editor.runEditFilter(QStringLiteral("org.quenta.crop"),
                                 { { "cropRectangle", QRect(100, 200, 200, 300) } }, 0));
    QCOMPARE(editor.fullImageSize(), QSize(200, 300));
    QCOMPARE(editor.image().size(), QSize(2, 3));
    QVERIFY(editor.runEditFilter(QStringLiteral("org.quenta.scale"),
                                 { { "sizeAfter", QSize(100, 150) } }, 0));
    QCOMPARE(editor.fullImageSize(), QSize(100, 150));
    QCOMPARE(editor.image().size(), QSize(1, 2));
    // Checked against the full geometry: inside the stand-in, outside the picture.
    QVERIFY(!editor.runEditFilter(QStringLiteral("org.quenta.crop"),
                                  { { "cropRectangle", QRect(120, 0, 5, 5) } }, 0));

    editor.setImage(picture());
    QCOMPARE(editor.fullImageSize(), QSize(7, 5));
}

// Without history a stacking edit reuses the picture's pixels where the filter can; what the
// editor handed out before stays as it was.
void tst_ImageEditor::withoutHistoryEditsInPlace()
{
    ImageEditor editor(picture(), ImageEditor::NoHistory);
    QVERIFY(editor.runEditFilter(QStringLiteral("com.velmo.sepia"), {}, 0));
    const uchar *pixels = editor.image().constBits();
    QVERIFY(editor.runEditFilter(QStringLiteral("org.quenta.flip"), { { "horizontal", true } }, 0));
    QCOMPARE(editor.image().constBits(), pixels);
    QCOMPARE(editor.image(), ImageFilters::sepia(picture()).mirrored(true, false));

    const QImage shown = editor.image();
    QVERIFY(editor.runEditFilter(QStringLiteral("org.quenta.flip"), { { "horizontal", true } }, 0));
    QCOMPARE(shown, ImageFilters::sepia(picture()).mirrored(true, false));
    QCOMPARE(editor.image(), ImageFilters::sepia(picture()));
}

QTEST_GUILESS_MAIN(tst_ImageEditor)
#include "tst_imageeditor.moc"
