#include "common/OleDate.h"
#include "common/Windows1251.h"
#include "storage/ResultTexts.h"
#include "storage/TMainDataModule.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/SampleResults.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>
#include <optional>

using namespace StorageTest;

Q_DECLARE_METATYPE(std::optional<double>)

// The texts in which stored results are shown, and the data module's measurand selection.
class TestResultTexts : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { prepareEngine(); }

    void forceText_data()
    {
        QTest::addColumn<std::optional<double>>("f");
        QTest::addColumn<int>("diameter");
        QTest::addColumn<int>("measurand");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("text");
        using F = std::optional<double>;
        QTest::newRow("kgf") << F(1000) << 20 << 0 << 0 << "1000";
        QTest::newRow("N") << F(1000) << 20 << 0 << 1 << "9806";
        QTest::newRow("fraction truncated") << F(double(12.9f)) << 20 << 0 << 0 << "12";
        QTest::newRow("kgf/cm2 d20") << F(10000) << 20 << 1 << 0 << "3183";
        QTest::newRow("MPa d20") << F(10000) << 20 << 1 << 1 << "312";
        QTest::newRow("kgf/cm2 d12") << F(10000) << 12 << 1 << 0 << "8841";
        QTest::newRow("MPa d12") << F(10000) << 12 << 1 << 1 << "867";
        QTest::newRow("stress without diameter") << F(10000) << 0 << 1 << 0 << "?";
        QTest::newRow("stress, negative diameter squared") << F(10000) << -20 << 1 << 1 << "312";
        QTest::newRow("force ignores diameter") << F(10000) << 0 << 0 << 1 << "98066";
        QTest::newRow("zero") << F(0) << 20 << 0 << 0 << "0";
        QTest::newRow("negative kgf") << F(-1) << 20 << 0 << 0 << "?";
        QTest::newRow("negative N") << F(-1) << 20 << 0 << 1 << "?";
        QTest::newRow("negative stress") << F(-1) << 20 << 1 << 0 << "?";
        QTest::newRow("tiny negative") << F(-0.001) << 20 << 0 << 0 << "?";
        QTest::newRow("measurand 2") << F(1000) << 20 << 2 << 0 << "?";
        QTest::newRow("load unit 5") << F(1000) << 20 << 0 << 5 << "?";
        QTest::newRow("stress, load unit 5") << F(1000) << 20 << 1 << 5 << "?";
        QTest::newRow("null") << F() << 20 << 0 << 0 << "";
        QTest::newRow("not a number") << F(std::nan("")) << 20 << 0 << 0 << "?";
        QTest::newRow("large") << F(3.0e9) << 20 << 0 << 0 << "3000000000";
    }

    void forceText()
    {
        QFETCH(std::optional<double>, f);
        QFETCH(int, diameter);
        QFETCH(int, measurand);
        QFETCH(int, unit);
        QFETCH(QString, text);
        QCOMPARE(ResultTexts::forceText(f, diameter, measurand, unit), text);
    }

    void namesAndUnits_data()
    {
        QTest::addColumn<int>("measurand");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("unitText");
        QTest::newRow("force kgf") << 0 << 0 << "Натяжение"
                                   << "кгс";
        QTest::newRow("force N") << 0 << 1 << "Натяжение"
                                 << "Н";
        QTest::newRow("stress kgf") << 1 << 0 << "Напряжение"
                                    << "кгс/см2";
        QTest::newRow("stress N") << 1 << 1 << "Напряжение"
                                  << "МПа";
        QTest::newRow("force, unit 2") << 0 << 2 << "Натяжение"
                                       << "?";
        QTest::newRow("measurand 2") << 2 << 0 << "?"
                                     << "?";
        QTest::newRow("measurand -1") << -1 << 1 << "?"
                                      << "?";
    }

    void namesAndUnits()
    {
        QFETCH(int, measurand);
        QFETCH(int, unit);
        QFETCH(QString, name);
        QFETCH(QString, unitText);
        TMainDataModule module;
        module.SetMeasurand(measurand);
        module.SetLoadUnit(unit);
        QCOMPARE(module.GetMeasurandName(), name);
        QCOMPARE(module.GetMeasurandUnit(), unitText);
        QCOMPARE(module.dsetVORNF->displayLabel(), unitText);
    }

    void kindNames_data()
    {
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("name");
        QTest::newRow("0") << 0 << "стержневая";
        QTest::newRow("1") << 1 << "канатная";
        QTest::newRow("2") << 2 << "арматура 1";
        QTest::newRow("3") << 3 << "арматура 2";
        QTest::newRow("4") << 4 << "?";
        QTest::newRow("-1") << -1 << "?";
    }

    void kindNames()
    {
        QFETCH(int, code);
        QFETCH(QString, name);
        TMainDataModule module;
        QCOMPARE(module.GetReinfKindName(code), name);
    }

    void dateAndTimeTexts_data()
    {
        QTest::addColumn<double>("ole");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::newRow("morning") << OleDate::fromParts(2024, 3, 7, 8, 5, 9) << "07.03.2024"
                                 << "08:05:09";
        QTest::newRow("last second") << OleDate::fromParts(2255, 12, 31, 23, 59, 59) << "31.12.2255"
                                     << "23:59:59";
        QTest::newRow("leap day") << OleDate::fromParts(2000, 2, 29, 0, 0, 0) << "29.02.2000"
                                  << "00:00:00";
    }

    void dateAndTimeTexts()
    {
        QFETCH(double, ole);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QCOMPARE(ResultTexts::dateText(ole), date);
        QCOMPARE(ResultTexts::timeText(ole), time);
    }

    void codePageCheck_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("refused");
        QTest::newRow("ASCII") << "Bridge 3, pier 2"
                               << "";
        QTest::newRow("Cyrillic and its signs") << "Ёжик — «мост» № 5 €"
                                                << "";
        QTest::newRow("check mark") << "ok ✓"
                                    << "✓";
        QTest::newRow("CJK, repeated") << "日本 日"
                                       << "日本";
        QTest::newRow("emoji") << "мост 🌉"
                               << "🌉";
        QTest::newRow("Latin with accents") << "Café"
                                            << "é";
        QTest::newRow("Greek") << "λ = 5"
                               << "λ";
    }

    void codePageCheck()
    {
        QFETCH(QString, text);
        QFETCH(QString, refused);
        QCOMPARE(Windows1251::canHold(text), refused.isEmpty());
        QCOMPARE(Windows1251::foreignCharacters(text), refused);
        if (refused.isEmpty())
            QCOMPARE(Windows1251::decode(Windows1251::encode(text)), text);
        else
            QVERIFY(Windows1251::refusalMessage(text).contains(refused));
    }

    // The field texts of a stored row follow the selection; choosing the selected code again
    // redraws nothing but still sets the F column's title.
    void fieldTextsFollowTheSelection()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("texts.fdb");
        TMainDataModule module;
        QCOMPARE(module.dsetVORNF->displayLabel(), QString("F"));
        QVERIFY(module.CreateDatabase(path));
        QVERIFY(module.OpenDatabase(path));
        TMsrResult r = SampleResults::distinct(3);
        r.MsrDate = OleDate::fromParts(2024, 3, 7, 8, 5, 9);
        r.F = 10000;
        r.ReinfDiameter = 20;
        r.ReinfKindID = 1;
        QVERIFY(module.AddResult(r));
        QCOMPARE(module.dsetVORNMSR_DATE->displayText(), QString("07.03.2024"));
        QCOMPARE(module.dsetVORNMSR_TIME->displayText(), QString("08:05:09"));
        QCOMPARE(module.dsetVORNREINF_KIND_ID->displayText(), QString("канатная"));
        QCOMPARE(module.dsetVORNREINF_DIAMETER->displayText(), QString("20"));
        QCOMPARE(module.dsetVORNMSR_NUMBER->displayText(), QString("3"));
        QCOMPARE(module.dsetVORNF->displayText(), QString("10000"));
        QCOMPARE(module.dsetVORNF->text(), QString("10000"));

        QSignalSpy redraws(module.dsetVORN, &CachedDataSet::dataSetChanged);
        module.SetMeasurand(1);
        QCOMPARE(redraws.count(), 1);
        QCOMPARE(module.dsetVORNF->displayText(), QString("3183"));
        QCOMPARE(module.dsetVORNF->displayLabel(), QString("кгс/см2"));
        module.SetLoadUnit(1);
        QCOMPARE(module.dsetVORNF->displayText(), QString("312"));
        QCOMPARE(redraws.count(), 2);
        module.dsetVORNF->setDisplayLabel("stale");
        module.SetMeasurand(1);
        QCOMPARE(redraws.count(), 2);
        QCOMPARE(module.dsetVORNF->displayLabel(), QString("МПа"));
        QVERIFY(module.HasChanges());
    }
};

QTEST_GUILESS_MAIN(TestResultTexts)
#include "tst_ResultTexts.moc"
