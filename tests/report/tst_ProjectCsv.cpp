#include "report/CsvExport.h"
#include "report/DataModuleRowSource.h"
#include "report/MeasurementReport.h"
#include "storage/TMainDataModule.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/SampleResults.h"

#include <QBuffer>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

// The CSV of real project files, read through the data module as the export command does.
class TestProjectCsv : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void everyKindInEveryMode_data();
    void everyKindInEveryMode();
    void textsWiderThanTheirCellsStayOnTheirLines_data();
    void textsWiderThanTheirCellsStayOnTheirLines();
    void streamedExportGivesTheSameBytes_data();
    void streamedExportGivesTheSameBytes();

private:
    // Creates a project with the results, applies the SQL, and opens it again; the rows of one
    // test share the project of its first row.
    bool openProject(const QList<TMsrResult>& results, const QStringList& sql);
    QByteArray csv(int measurand, int unit);

    QTemporaryDir m_dir;
    std::unique_ptr<TMainDataModule> m_module;
    int m_serial = 0;
    QString m_projectOf;
};

void TestProjectCsv::initTestCase()
{
    StorageTest::prepareEngine();
}

bool TestProjectCsv::openProject(const QList<TMsrResult>& results, const QStringList& sql)
{
    const QString test = QString::fromLatin1(QTest::currentTestFunction());
    if (m_module && m_projectOf == test)
        return true;
    m_projectOf.clear();
    const QString path = m_dir.filePath(QStringLiteral("p%1.fdb").arg(++m_serial));
    m_module = std::make_unique<TMainDataModule>();
    if (!m_module->CreateDatabase(path) || !m_module->OpenDatabase(path))
        return false;
    for (const TMsrResult& r : results) {
        if (!m_module->AddResult(r))
            return false;
    }
    m_module->SaveChanges();
    for (const QString& statement : sql)
        m_module->ExecuteStatement(statement);
    m_module->CloseDatabase();
    if (!m_module->OpenDatabase(path))
        return false;
    m_projectOf = test;
    return true;
}

QByteArray TestProjectCsv::csv(int measurand, int unit)
{
    m_module->SetMeasurand(measurand);
    m_module->SetLoadUnit(unit);
    DataModuleRowSource rows(*m_module);
    ReportTemplate mainReport = measurementReportTemplate();
    const BuiltReport report =
        buildMeasurementReport(mainReport, ReportVariant::Export, rows,
                               {m_module->GetMeasurandName(), m_module->GetMeasurandUnit()});
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvExport().write(report, buffer);
    return buffer.data();
}

void TestProjectCsv::everyKindInEveryMode_data()
{
    QTest::addColumn<int>("measurand");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("f");
    // F of 1000, 2000, 1500, 2500, 500, 3000 kgf on bars of 10, 12, 14, 16, 20, 32 mm.
    QTest::newRow("force, kgf") << 0 << 0 << "Натяжение, кгс"
                                << QStringList{"1000", "2000", "1500", "2500", "500", "3000"};
    QTest::newRow("force, N") << 0 << 1 << "Натяжение, Н"
                              << QStringList{"9806", "19613", "14709", "24516", "4903", "29419"};
    QTest::newRow("stress, kgf/cm2") << 1 << 0 << "Напряжение, кгс/см2"
                                     << QStringList{"1273", "1768", "974", "1243", "159", "373"};
    QTest::newRow("stress, MPa") << 1 << 1 << "Напряжение, МПа"
                                 << QStringList{"124", "173", "95", "121", "15", "36"};
}

void TestProjectCsv::everyKindInEveryMode()
{
    QFETCH(int, measurand);
    QFETCH(int, unit);
    QFETCH(QString, title);
    QFETCH(QStringList, f);
    QVERIFY(
        openProject({SampleResults::chosen(1, 0, 10, 1000), SampleResults::chosen(2, 1, 12, 2000),
                     SampleResults::chosen(3, 2, 14, 1500), SampleResults::chosen(4, 3, 16, 2500),
                     SampleResults::chosen(5, 4, 20, 500), SampleResults::chosen(6, 3, 32, 3000)},
                    {"UPDATE MSR_RESULT_TABLE SET REINF_KIND_ID = NULL WHERE MSR_NUMBER = 6"}));

    // Title at column 1; titles at 1, 2, 3, 4, 6, 7; data at 1, 2, 4, 6, 7, 12. An empty kind
    // gives no record, so the diameter follows the number after three delimiters.
    const QString expected = ";ВОРН\r\n"
                             ";Дата;Время;№;Тип;;Диаметр, мм;" +
                             title +
                             "\r\n"
                             ";01.03.2025;08:00:01;;1;;стержневая;10;;;;;" +
                             f[0] +
                             "\r\n"
                             ";01.03.2025;08:00:02;;2;;канатная;12;;;;;" +
                             f[1] +
                             "\r\n"
                             ";01.03.2025;08:00:03;;3;;арматура 1;14;;;;;" +
                             f[2] +
                             "\r\n"
                             ";01.03.2025;08:00:04;;4;;арматура 2;16;;;;;" +
                             f[3] +
                             "\r\n"
                             ";01.03.2025;08:00:05;;5;;?;20;;;;;" +
                             f[4] +
                             "\r\n"
                             ";01.03.2025;08:00:06;;6;;;32;;;;;" +
                             f[5] + "\r\n";
    const QByteArray bytes = csv(measurand, unit);
    QCOMPARE(QString(QStringDecoder("windows-1251").decode(bytes)), expected);
    QCOMPARE(bytes, QByteArray(QStringEncoder("windows-1251").encode(expected)));
}

void TestProjectCsv::textsWiderThanTheirCellsStayOnTheirLines_data()
{
    QTest::addColumn<int>("measurand");
    QTest::addColumn<int>("unit");
    QTest::newRow("force, kgf") << 0 << 0;
    QTest::newRow("force, N") << 0 << 1;
    QTest::newRow("stress, kgf/cm2") << 1 << 0;
    QTest::newRow("stress, MPa") << 1 << 1;
}

void TestProjectCsv::textsWiderThanTheirCellsStayOnTheirLines()
{
    QFETCH(int, measurand);
    QFETCH(int, unit);
    QList<TMsrResult> results;
    for (int n = 1; n <= 13; ++n)
        results += SampleResults::chosen(n, n % 4, 1, 3.4e38f);
    // Numbers as wide as another program may write them.
    QVERIFY(openProject(results,
                        {"UPDATE MSR_RESULT_TABLE SET MSR_NUMBER = 2147483647 WHERE MSR_NUMBER = 3",
                         "UPDATE MSR_RESULT_TABLE SET MSR_NUMBER = -2147483648, REINF_DIAMETER = "
                         "-2147483648 WHERE MSR_NUMBER = 7"}));

    const QList<QByteArray> lines = csv(measurand, unit).split('\n');
    QCOMPARE(lines.size(), 13 + 2 + 1); // the last line end leaves an empty piece
    QCOMPARE(lines.last(), QByteArray());
    for (int i = 0; i < 13; ++i) {
        const QList<QByteArray> cells = lines[i + 2].chopped(1).split(';');
        QCOMPARE(cells.size(), 13);
        QCOMPARE(cells[2], QStringLiteral("08:00:%1").arg(i + 1, 2, 10, QChar(u'0')).toLatin1());
        QVERIFY2(!cells[4].isEmpty() && !cells[12].isEmpty(), lines[i + 2]);
    }
}

void TestProjectCsv::streamedExportGivesTheSameBytes_data()
{
    textsWiderThanTheirCellsStayOnTheirLines_data();
}

// Written page by page as the pages are laid out, to a device and to a file, the export is
// the export of the whole report, page breaks included.
void TestProjectCsv::streamedExportGivesTheSameBytes()
{
    QFETCH(int, measurand);
    QFETCH(int, unit);
    QList<TMsrResult> results;
    for (int n = 1; n <= 130; ++n)
        results += SampleResults::chosen(n, n % 5, 10 + n % 23, 97.25f * float(n));
    QVERIFY(openProject(results, {}));
    const QByteArray whole = csv(measurand, unit);
    DataModuleRowSource rows(*m_module);
    ReportTemplate mainReport = measurementReportTemplate();
    const MeasurandTexts texts{m_module->GetMeasurandName(), m_module->GetMeasurandUnit()};
    // The lines of the whole report through an encoder of its own.
    const BuiltReport report =
        buildMeasurementReport(mainReport, ReportVariant::Export, rows, texts);
    QString lines;
    for (int page = 0; page < int(report.pages.size()); ++page)
        lines += CsvExport::pageLines(report, page).join("\r\n") + "\r\n";
    QCOMPARE(whole, QByteArray(QStringEncoder("windows-1251").encode(lines)));

    QList<int> pages;
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvExport streamed;
    QVERIFY(streamed.writeStreamed(mainReport, rows, texts, buffer, [&pages](int page) {
        pages += page;
        return true;
    }));
    QCOMPARE(pages, (QList{1, 2, 3}));
    QCOMPARE(buffer.data(), whole);

    const QString path = m_dir.filePath(QStringLiteral("streamed.csv"));
    QVERIFY(saveCsvFile(mainReport, rows, texts, path));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), whole);
}

QTEST_MAIN(TestProjectCsv)
#include "tst_ProjectCsv.moc"
