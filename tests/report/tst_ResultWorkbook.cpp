// SPDX-License-Identifier: GPL-3.0-or-later
// The workbook read back from its zip: every cell against the values put into a real project.
#include "common/OleDate.h"
#include "report/ReportBuilder.h"
#include "report/ResultWorkbook.h"
#include "storage/Field.h"
#include "storage/ResultDataSet.h"
#include "storage/TMainDataModule.h"
#include "tests/storage/StorageTestSupport.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <QtTest>

#include <cmath>
#include <csignal>
#include <optional>
#include <sys/resource.h>

namespace {

using Cells = QMap<QString, QString>; // "B2" -> value as written in the XML (strings resolved)

QByteArray zipEntry(const QString& zip, const QString& entry)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), zip, entry});
    if (!unzip.waitForFinished(10000) || unzip.exitCode() != 0)
        return {};
    return unzip.readAllStandardOutput();
}

QStringList sharedStrings(const QString& zip)
{
    QStringList strings;
    QXmlStreamReader xml(zipEntry(zip, QStringLiteral("xl/sharedStrings.xml")));
    while (xml.readNextStartElement() || !xml.atEnd()) {
        if (xml.isStartElement() && xml.name() == u"t")
            strings << xml.readElementText();
        else
            xml.readNext();
    }
    return strings;
}

Cells sheetCells(const QString& zip, int sheet)
{
    const QStringList strings = sharedStrings(zip);
    Cells cells;
    QXmlStreamReader xml(zipEntry(zip, QStringLiteral("xl/worksheets/sheet%1.xml").arg(sheet)));
    QString ref;
    QString type;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"c") {
            ref = xml.attributes().value(QStringLiteral("r")).toString();
            type = xml.attributes().value(QStringLiteral("t")).toString();
        } else if (xml.name() == u"v") {
            const QString v = xml.readElementText();
            cells[ref] = type == u"s" ? strings.value(v.toInt()) : v;
        } else if (xml.name() == u"t" && type == u"inlineStr") {
            cells[ref] = xml.readElementText();
        }
    }
    return cells;
}

struct Sample
{
    double date;
    std::optional<int> kind;
    std::optional<int> diameter;
    std::optional<float> f;
    QString comment;
};

const QList<Sample> samples = {
    {OleDate::fromParts(2024, 3, 1, 8, 15, 30), 0, 20, 10000.0f, QStringLiteral("мост №1")},
    {OleDate::fromParts(2024, 3, 2, 9, 0, 0), 1, 12, 1000.0f, {}},
    {OleDate::fromParts(2024, 3, 3, 10, 0, 0), 2, 0, 12.9f, {}},
    {OleDate::fromParts(2024, 3, 4, 11, 0, 0), 3, std::nullopt, 500.0f, {}},
    {OleDate::fromParts(2024, 3, 5, 12, 0, 0), 4, 16, std::nullopt, {}},
    {OleDate::fromParts(2024, 3, 6, 13, 0, 0), std::nullopt, 16, std::nanf(""), {}},
};

std::optional<double> shownForce(const Sample& s, int measurand, int unit)
{
    if (!s.f || std::isnan(*s.f))
        return std::nullopt;
    const double f = *s.f;
    const double area = 0.78539816339744830963 * s.diameter.value_or(0) * s.diameter.value_or(0);
    if (measurand == 0)
        return unit == 0 ? f : 9.80665 * f;
    if (area <= 0)
        return std::nullopt;
    return unit == 0 ? f / (0.01 * area) : 9.80665 * f / area;
}

const QStringList kindNames = {"стержневая", "канатная", "арматура 1", "арматура 2", "?"};

QString cellRef(int column, int row)
{
    return QChar(u'A' + column) + QString::number(row);
}

} // namespace

class TestResultWorkbook : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        StorageTest::prepareEngine();
        QVERIFY(m_dir.isValid());
        m_project = m_dir.filePath(QStringLiteral("проект.fdb"));
        TMainDataModule dm;
        QVERIFY(dm.CreateDatabase(m_project));
        QVERIFY(dm.OpenDatabase(m_project));
        for (int i = 0; i < samples.size(); ++i) {
            const Sample& s = samples[i];
            TMsrResult r;
            r.MsrDate = s.date;
            r.MsrNumber = uint32_t(100 + i);
            r.ReinfKindID = s.kind.value_or(0);
            r.ReinfDiameter = s.diameter.value_or(0);
            r.ForceEstimate = 7 + i;
            r.Base = 300 + i;
            r.F = s.f.value_or(0);
            r.P = 0.5f * float(i);
            r.S = 1.25f;
            QVERIFY(dm.AddResult(r));
            dm.dsetVORN->edit();
            if (!s.kind)
                dm.dsetVORNREINF_KIND_ID->clear();
            if (!s.diameter)
                dm.dsetVORNREINF_DIAMETER->clear();
            if (!s.f)
                dm.dsetVORNF->clear();
            if (!s.comment.isEmpty())
                dm.dsetVORNMSR_COMMENT->setAsString(s.comment);
            dm.dsetVORN->post();
        }
        dm.DescriptionDataSet->edit();
        dm.DescriptionDataSetPROJECT_DESC->setAsString(QStringLiteral("Путепровод, пролёт 2"));
        dm.DescriptionDataSet->post();
        dm.SaveChanges();
        dm.CloseDatabase();
    }

    void everyCellHoldsTheProjectsValue_data()
    {
        QTest::addColumn<int>("measurand");
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("title");
        QTest::newRow("force kgf") << 0 << 0 << "Натяжение, кгс";
        QTest::newRow("force N") << 0 << 1 << "Натяжение, Н";
        QTest::newRow("stress kgf/cm2") << 1 << 0 << "Напряжение, кгс/см2";
        QTest::newRow("stress MPa") << 1 << 1 << "Напряжение, МПа";
    }

    void everyCellHoldsTheProjectsValue()
    {
        QFETCH(int, measurand);
        QFETCH(int, unit);
        QFETCH(QString, title);
        const QString path = m_dir.filePath(QStringLiteral("results.xlsx"));
        TMainDataModule dm;
        QVERIFY(dm.OpenDatabase(m_project));
        dm.SetMeasurand(measurand);
        dm.SetLoadUnit(unit);
        QVERIFY(saveResultWorkbook(dm, m_project, path));

        const Cells cells = sheetCells(path, 1);
        const QStringList header = {"Дата",        "Время",         "№",        "Тип",
                                    "Диаметр, мм", "Оценка усилия", "База, мм", title,
                                    "F, кгс",      "P, кгс",        "Δ, мм",    "Комментарий"};
        for (int c = 0; c < header.size(); ++c)
            QCOMPARE(cells.value(cellRef(c, 1)), header[c]);
        for (int i = 0; i < samples.size(); ++i) {
            const Sample& s = samples[i];
            const int row = i + 2;
            auto number = [&](int column) { return cells.value(cellRef(column, row)).toDouble(); };
            QCOMPARE(number(0), std::floor(s.date));
            QCOMPARE(qRound(number(1) * 86400), qRound((s.date - std::floor(s.date)) * 86400));
            QCOMPARE(number(2), 100.0 + i);
            QCOMPARE(cells.value(cellRef(3, row)), s.kind ? kindNames[*s.kind] : QString());
            QCOMPARE(cells.value(cellRef(4, row)),
                     s.diameter ? QString::number(*s.diameter) : QString());
            QCOMPARE(number(5), 7.0 + i);
            QCOMPARE(number(6), 300.0 + i);
            const std::optional<double> shown = shownForce(s, measurand, unit);
            QCOMPARE(cells.contains(cellRef(7, row)), shown.has_value());
            if (shown)
                QVERIFY2(std::fabs(number(7) - *shown) <= 1e-9 * std::fabs(*shown),
                         qPrintable(cells.value(cellRef(7, row))));
            QCOMPARE(cells.contains(cellRef(8, row)), s.f && !std::isnan(*s.f));
            if (s.f && !std::isnan(*s.f))
                QCOMPARE(number(8), double(*s.f));
            QCOMPARE(number(9), 0.5 * i);
            QCOMPARE(number(10), 1.25);
            QCOMPARE(cells.value(cellRef(11, row)), s.comment);
        }
        QVERIFY(!cells.contains(cellRef(0, samples.size() + 2)));

        const Cells summary = sheetCells(path, 2);
        // Each sample is a group of its own: the total follows the header and six groups.
        QCOMPARE(summary.value("A8"), QStringLiteral("Всего"));
        QCOMPARE(summary.value("C8").toInt(), int(samples.size()));
        const Cells description = sheetCells(path, 3);
        QCOMPARE(description.value("B1"), QStringLiteral("Путепровод, пролёт 2"));
        QCOMPARE(description.value("B2"), QDir::toNativeSeparators(m_project));
    }

    void summaryGivesTheStatisticsOfEachGroup()
    {
        const QString path = m_dir.filePath(QStringLiteral("summary.xlsx"));
        TMainDataModule dm;
        QVERIFY(dm.OpenDatabase(m_project));
        dm.SetMeasurand(0);
        dm.SetLoadUnit(0);
        QVERIFY(saveResultWorkbook(dm, m_project, path));
        const Cells summary = sheetCells(path, 2);
        // Groups sort by kind (null first), then diameter; the null kind has one NaN F.
        QCOMPARE(summary.value("A2"), QString());
        QCOMPARE(summary.value("C2").toInt(), 1);
        QVERIFY(!summary.contains("D2"));
        QCOMPARE(summary.value("A3"), QStringLiteral("стержневая"));
        QCOMPARE(summary.value("D3").toDouble(), 10000.0);
        // Total over the four numbers 10000, 1000, 12.9 and 500.
        const double values[] = {10000.0, 1000.0, double(12.9f), 500.0};
        double mean = 0;
        for (double v : values)
            mean += v / 4;
        double squares = 0;
        for (double v : values)
            squares += (v - mean) * (v - mean);
        QCOMPARE(summary.value("D8").toDouble(), double(12.9f));
        QVERIFY(std::fabs(summary.value("E8").toDouble() - mean) < 1e-9 * mean);
        QCOMPARE(summary.value("F8").toDouble(), 10000.0);
        QVERIFY(std::fabs(summary.value("G8").toDouble() - std::sqrt(squares / 3)) < 1e-6);
    }

    void failedWriteKeepsTheEarlierFile()
    {
        const QString path = m_dir.filePath(QStringLiteral("kept.xlsx"));
        {
            QFile earlier(path);
            QVERIFY(earlier.open(QIODevice::WriteOnly));
            earlier.write("earlier");
        }
        TMainDataModule dm;
        QVERIFY(dm.OpenDatabase(m_project));
        rlimit saved{};
        getrlimit(RLIMIT_FSIZE, &saved);
        rlimit limited = saved;
        limited.rlim_cur = 1024;
        auto previous = std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limited);
        QString error;
        try {
            saveResultWorkbook(dm, m_project, path);
        } catch (const ReportError& e) {
            error = QString::fromUtf8(e.what());
        }
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, previous);
        QVERIFY2(error.startsWith("Cannot write file \"" + path + "\". "), qPrintable(error));
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("earlier"));
        QVERIFY(dm.ControlsEnabled());
    }

    void fileNameGetsTheWorkbookExtension_data()
    {
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("expected");
        QTest::newRow("none") << "/tmp/a"
                              << "/tmp/a.xlsx";
        QTest::newRow("csv") << "/tmp/a.csv"
                             << "/tmp/a.xlsx";
        QTest::newRow("kept") << "/tmp/a.xlsx"
                              << "/tmp/a.xlsx";
        QTest::newRow("dotted folder") << "/tmp/v.1/a"
                                       << "/tmp/v.1/a.xlsx";
    }

    void fileNameGetsTheWorkbookExtension()
    {
        QFETCH(QString, chosen);
        QFETCH(QString, expected);
        QCOMPARE(workbookFileName(chosen), expected);
    }

private:
    QTemporaryDir m_dir;
    QString m_project;
};

QTEST_GUILESS_MAIN(TestResultWorkbook)
#include "tst_ResultWorkbook.moc"
