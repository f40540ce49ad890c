// SPDX-FileCopyrightText: 2026 The Lumora developers
// SPDX-License-Identifier: LGPL-2.1-or-later

// Percentages in the default locale's digits and sign.

#include "mlocale.h"

#include <QTest>

class TestMLocale : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void cleanup();
    void formatPercent_data();
    void formatPercent();
    void keepsTheLocaleOfItsConstruction();
};

void TestMLocale::cleanup()
{
    QLocale::setDefault(QLocale::c());
}

void TestMLocale::formatPercent_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("expected");

    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale arabic(QLocale::Arabic, QLocale::Egypt);
    const QString arabicPercent = arabic.percent();

    QTest::newRow("English 50") << english << 0.5 << 0 << "50%";
    QTest::newRow("English 100") << english << 1.0 << 0 << "100%";
    QTest::newRow("English 12") << english << 0.12 << 0 << "12%";
    QTest::newRow("English 12.5") << english << 0.125 << 1 << "12.5%";
    QTest::newRow("Arabic 50") << arabic << 0.5 << 0
                               << QString::fromUtf8("\u0665\u0660") + arabicPercent;
    QTest::newRow("Arabic 75") << arabic << 0.75 << 0
                               << QString::fromUtf8("\u0667\u0665") + arabicPercent;
}

void TestMLocale::formatPercent()
{
    QFETCH(QLocale, locale);
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, expected);

    QLocale::setDefault(locale);
    const MLocale formatter;
    QCOMPARE(formatter.formatPercent(value, decimals), expected);
}

void TestMLocale::keepsTheLocaleOfItsConstruction()
{
    QLocale::setDefault(QLocale(QLocale::Arabic, QLocale::Egypt));
    const MLocale arabic;
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));

    const QString text = arabic.formatPercent(0.25, 0);
    QVERIFY(!text.contains(QLatin1Char('2')));
    QVERIFY(text.contains(QChar(0x0662)));
    QCOMPARE(arabic.locale().language(), QLocale::Arabic);
    QCOMPARE(MLocale().formatNumber(1920), QStringLiteral("1,920"));
}

QTEST_MAIN(TestMLocale)
#include "tst_mlocale.moc"
