// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// The edit list: the flag-1 rule, undo, redo and revert along it, and its JSON lines read
// back as they were written, also from a trace.

#include "editlist.h"

#include <QRect>
#include <QTest>

namespace {

EditStep step(const char *filter, int flag = 0, QHash<QString, QVariant> options = {})
{
    return { QStringLiteral("EditTestPlugin"), QLatin1String(filter), options, flag };
}

QStringList filters(const QList<EditStep> &steps)
{
    QStringList out;
    for (const EditStep &s : steps)
        out << s.filter;
    return out;
}

} // namespace

class tst_EditList : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void activations_data();
    void activations();
    void undoRedoRevert();
    void newEditDropsTheUndone();
    void jsonRoundTrip();
    void jsonIsTheTrace();
    void jsonRefusals_data();
    void jsonRefusals();
};

// Each row: requests of one activation ("s" sepia, "g" greyscale, "f" flip; a trailing 1
// makes it a preview), then whether it is confirmed, and the steps left.
void tst_EditList::activations_data()
{
    QTest::addColumn<QStringList>("requests");
    QTest::addColumn<bool>("confirmed");
    QTest::addColumn<QStringList>("left");
    QTest::newRow("previews replace each other")
        << QStringList { "s1", "g1" } << true << QStringList { "g" };
    QTest::newRow("cancel drops the preview") << QStringList { "s1" } << false << QStringList {};
    QTest::newRow("a stacked edit keeps the preview before it")
        << QStringList { "s1", "f0" } << false << QStringList { "s", "f" };
    QTest::newRow("a preview after a stacked edit stacks once")
        << QStringList { "s1", "f0", "g1", "s1" } << true << QStringList { "s", "f", "s" };
    QTest::newRow("cancel keeps stacked edits")
        << QStringList { "f0", "f0" } << false << QStringList { "f", "f" };
}

void tst_EditList::activations()
{
    QFETCH(QStringList, requests);
    QFETCH(bool, confirmed);
    QFETCH(QStringList, left);
    const QHash<QChar, const char *> names { { 's', "sepia" }, { 'g', "grey" }, { 'f', "flip" } };
    EditList list;
    list.beginActivation(QStringLiteral("Effects"));
    for (const QString &request : requests)
        list.add(step(names.value(request.at(0)), request.at(1).digitValue()));
    list.endActivation(confirmed);
    QStringList expected;
    for (const QString &l : left)
        expected << QLatin1String(names.value(l.at(0)));
    QCOMPARE(filters(list.steps()), expected);
    // An activation that leaves nothing is no edit: nothing to undo.
    QCOMPARE(list.count(), left.isEmpty() ? 0 : 1);
    QCOMPARE(list.canUndo(), !left.isEmpty());
}

void tst_EditList::undoRedoRevert()
{
    EditList list;
    for (const char *name : { "a", "b", "c" }) {
        list.beginActivation(QLatin1String(name));
        list.add(step(name));
        list.endActivation(true);
    }
    list.add(step("d")); // a lone request is an edit of its own
    QCOMPARE(list.count(), 4);
    QVERIFY(list.undo());
    QCOMPARE(filters(list.steps()), (QStringList { "a", "b", "c" }));
    QVERIFY(list.canRedo());
    QVERIFY(list.revert());
    QVERIFY(list.steps().isEmpty());
    QVERIFY(!list.undo());
    QVERIFY(!list.revert());
    QCOMPARE(list.count(), 4);
    for (int i = 0; i < 4; ++i)
        QVERIFY(list.redo());
    QVERIFY(!list.redo());
    QCOMPARE(filters(list.steps()), (QStringList { "a", "b", "c", "d" }));
    QCOMPARE(list.text(1), QStringLiteral("b"));
    QCOMPARE(filters(list.stepsBefore(2)), (QStringList { "a", "b" }));

    // Undo in the middle of an activation ends it first, kept.
    list.beginActivation();
    list.add(step("e", 1));
    QVERIFY(!list.canRedo());
    QVERIFY(list.undo());
    QCOMPARE(filters(list.steps()), (QStringList { "a", "b", "c", "d" }));
    QVERIFY(list.redo());
    QCOMPARE(filters(list.steps()).last(), QStringLiteral("e"));
}

void tst_EditList::newEditDropsTheUndone()
{
    EditList list;
    list.add(step("a"));
    list.add(step("b"));
    QVERIFY(list.undo());
    list.beginActivation();
    list.add(step("c"));
    list.endActivation(true);
    QCOMPARE(list.count(), 2);
    QVERIFY(!list.canRedo());
    QCOMPARE(filters(list.steps()), (QStringList { "a", "c" }));
}

void tst_EditList::jsonRoundTrip()
{
    EditList list;
    list.beginActivation();
    list.add({ QStringLiteral("EditCropPlugin"),
               QStringLiteral("org.quenta.crop"),
               { { QStringLiteral("cropRectangle"), QRect(-3, 4, 500, 600) } },
               0 });
    list.endActivation(true);
    list.beginActivation();
    list.add({ QStringLiteral("EditResizePlugin"),
               QStringLiteral("org.quenta.scale"),
               { { QStringLiteral("sizeAfter"), QSize(2000, 1500) } },
               0 });
    list.add({ QStringLiteral("EditFlipPlugin"),
               QStringLiteral("org.quenta.flip"),
               { { QStringLiteral("horizontal"), true } },
               0 });
    list.add(
        { QStringLiteral("EditRotate \"quoted\"\n"),
          QStringLiteral("org.quenta.rotate"),
          { { QStringLiteral("angle"), -90 }, { QStringLiteral("note"), QStringLiteral("é") } },
          1 });
    list.endActivation(true);
    list.add(step("sepia"));
    QVERIFY(list.undo()); // undone edits are not written

    const QByteArray json = list.toJson();
    QCOMPARE(json.count('\n'), 6); // four requests and two completions
    QString error;
    const std::optional<EditList> read = EditList::fromJson(json, &error);
    QVERIFY2(read, qPrintable(error));
    QCOMPARE(read->steps(), list.steps());
    QCOMPARE(read->count(), 2);
    QCOMPARE(read->toJson(), json);
}

void tst_EditList::jsonIsTheTrace()
{
    // What --trace writes of an effects activation: each tap a preview, then completion.
    const QByteArray trace
        = "{\"event\":\"runEditFilter\",\"plugin\":\"EditVintageEffectsPlugin\","
          "\"filter\":\"com.velmo.sepia\",\"options\":{},\"flag\":1}\n"
          "{\"event\":\"runEditFilter\",\"plugin\":\"EditVintageEffectsPlugin\","
          "\"filter\":\"com.velmo.greyscale\",\"options\":{},\"flag\":1}\n"
          "{\"event\":\"editOperationPerformed\",\"plugin\":\"EditVintageEffectsPlugin\"}\n"
          "\n"
          "{\"event\":\"runEditFilter\",\"plugin\":\"EditRotateClockwisePlugin\","
          "\"filter\":\"org.quenta.rotate\",\"options\":{\"angle\":{\"type\":\"int\","
          "\"value\":90}},\"flag\":0}\n";
    QString error;
    const std::optional<EditList> list = EditList::fromJson(trace, &error);
    QVERIFY2(list, qPrintable(error));
    QCOMPARE(filters(list->steps()), (QStringList { "com.velmo.greyscale", "org.quenta.rotate" }));
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->steps().at(1).options.value(QStringLiteral("angle")), QVariant(90));
    QCOMPARE(list->steps().at(1).toJson() + '\n', trace.mid(trace.lastIndexOf("{\"event")));
}

void tst_EditList::jsonRefusals_data()
{
    QTest::addColumn<QByteArray>("line");
    QTest::newRow("not JSON") << QByteArray("{\"event\":");
    QTest::newRow("another event") << QByteArray("{\"event\":\"activate\"}");
    QTest::newRow("flag 2") << QByteArray(
        "{\"event\":\"runEditFilter\",\"filter\":\"f\",\"options\":{},\"flag\":2}");
    QTest::newRow("unknown type") << QByteArray(
        "{\"event\":\"runEditFilter\",\"filter\":\"f\",\"options\":{\"k\":"
        "{\"type\":\"QPoint\",\"value\":[1,2]}},\"flag\":0}");
    QTest::newRow("fraction for an int")
        << QByteArray("{\"event\":\"runEditFilter\",\"filter\":\"f\",\"options\":{\"k\":"
                      "{\"type\":\"int\",\"value\":1.5}},\"flag\":0}");
    QTest::newRow("short rectangle")
        << QByteArray("{\"event\":\"runEditFilter\",\"filter\":\"f\",\"options\":{\"k\":"
                      "{\"type\":\"QRect\",\"value\":[1,2,3]}},\"flag\":0}");
}

void tst_EditList::jsonRefusals()
{
    QFETCH(QByteArray, line);
    QString error;
    QVERIFY(!EditList::fromJson("\n" + line + "\n", &error));
    QVERIFY2(error.startsWith(QStringLiteral("line 2: ")), qPrintable(error));
}

QTEST_GUILESS_MAIN(tst_EditList)
#include "tst_editlist.moc"
