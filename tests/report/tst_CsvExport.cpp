#include "report/CsvExport.h"
#include "report/MeasurementReport.h"
#include "tests/support/FailDevice.h"
#include "tests/support/MemoryRowSource.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QtTest>

#ifdef Q_OS_LINUX
#include <csignal>
#include <sys/resource.h>
#endif

namespace {

QByteArray cp1251(const QString& text)
{
    QStringEncoder encoder("windows-1251");
    return encoder.encode(text);
}

BuiltReport exportReport(MemoryRowSource& source,
                         const MeasurandTexts& measurand = {"Натяжение", "кгс"})
{
    ReportTemplate mainReport = measurementReportTemplate();
    return buildMeasurementReport(mainReport, ReportVariant::Export, source, measurand);
}

QByteArray csvBytes(const BuiltReport& report)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvExport csv;
    if (!csv.write(report, buffer))
        qWarning() << csv.error();
    return buffer.data();
}

// A built page with records at the given positions, to test the row and column rules alone.
BuiltReport pageWithRecords(const QList<std::tuple<QString, float, float>>& records)
{
    BuiltReport report;
    report.bands.push_back(ReportBand{});
    report.pages.emplace_back();
    for (const auto& [text, x, y] : records) {
        BuiltText t;
        t.text = text;
        t.x = x;
        t.y = y;
        report.pages.back().texts.push_back(t);
    }
    return report;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestCsvExport : public QObject
{
    Q_OBJECT
private slots:
    void smallProjectBytes();
    void everyResultOnItsOwnLineWhateverThePageBreaks_data();
    void everyResultOnItsOwnLineWhateverThePageBreaks();
    void quoting_data();
    void quoting();
    void measurandAndUnitInTheTitle();
    void rowsAndColumnsRoundHalfToEven();
    void recordsWithTheSameXKeepTheLaterFirst();
    void exportingTwiceGivesTheSameFile();
    void failingDeviceReportsItsError();
    void fileNameGetsTheCsvExtension_data();
    void fileNameGetsTheCsvExtension();
    void savingOverwritesAnExistingFile();
    void fileThatCannotBeCreated();
    void cancelledSaveKeepsTheEarlierFile();
    void failedWriteKeepsTheEarlierFile();
    void failedStreamedSaveKeepsTheEarlierFile_data();
    void failedStreamedSaveKeepsTheEarlierFile();
};

void TestCsvExport::smallProjectBytes()
{
    MemoryRowSource source;
    source.append({"01.03.2025", "08:00:00", qint64(1), "стержневая", qint64(12), "1000"});
    source.append({"01.03.2025", "08:05:10", qint64(2), "канатная", qint64(20), "9806"});
    source.append({"02.03.2025", "17:45:00", qint64(-3), "?", QVariant(), "?"});
    const QByteArray expected = cp1251(";ВОРН\r\n"
                                       ";Дата;Время;№;Тип;;Диаметр, мм;Натяжение, кгс\r\n"
                                       ";01.03.2025;08:00:00;;1;;стержневая;12;;;;;1000\r\n"
                                       ";01.03.2025;08:05:10;;2;;канатная;20;;;;;9806\r\n"
                                       ";02.03.2025;17:45:00;;-3;;?;0;;;;;?\r\n");
    const QByteArray bytes = csvBytes(exportReport(source));
    QCOMPARE(bytes, expected);
    QVERIFY(bytes.contains(char(0xB9))); // "№" in Windows-1251
}

void TestCsvExport::everyResultOnItsOwnLineWhateverThePageBreaks_data()
{
    QTest::addColumn<int>("rows");
    for (int rows : {1, 49, 50, 51, 103, 104, 120})
        QTest::addRow("%d", rows) << rows;
}

void TestCsvExport::everyResultOnItsOwnLineWhateverThePageBreaks()
{
    QFETCH(int, rows);
    MemoryRowSource source = MemoryRowSource::results(rows);
    const QByteArray bytes = csvBytes(exportReport(source));
    QVERIFY(bytes.endsWith("\r\n"));
    const QList<QByteArray> lines = bytes.chopped(1).split('\n');
    QCOMPARE(lines.size(), rows + 2);
    for (int i = 0; i < rows; ++i) {
        const QList<QByteArray> cells = lines[i + 2].chopped(1).split(';');
        QCOMPARE(cells.size(), 13);
        QCOMPARE(cells[4], QByteArray::number(i + 1));
    }
    for (const QByteArray& line : lines)
        QVERIFY(line.endsWith('\r'));
}

void TestCsvExport::quoting_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("written");
    QTest::newRow("semicolon") << "12;5"
                               << "\"12;5\"";
    QTest::newRow("semicolon and quote") << "a\";b"
                                         << "\"a\";b\"";
    QTest::newRow("quote alone") << "a\"b"
                                 << "a\"b";
    QTest::newRow("comma") << "1,5"
                           << "1,5";
}

void TestCsvExport::quoting()
{
    QFETCH(QString, text);
    QFETCH(QString, written);
    MemoryRowSource source;
    source.append({"01.03.2025", "08:00:00", qint64(1), "стержневая", qint64(12), text});
    const QStringList lines = CsvExport::pageLines(exportReport(source), 0);
    QCOMPARE(lines.last(), ";01.03.2025;08:00:00;;1;;стержневая;12;;;;;" + written);
}

void TestCsvExport::measurandAndUnitInTheTitle()
{
    MemoryRowSource source = MemoryRowSource::results(2);
    const BuiltReport stress = exportReport(source, {"Напряжение", "МПа"});
    QCOMPARE(CsvExport::pageLines(stress, 0).at(1),
             QString(";Дата;Время;№;Тип;;Диаметр, мм;Напряжение, МПа"));
}

void TestCsvExport::rowsAndColumnsRoundHalfToEven()
{
    const BuiltReport report = pageWithRecords({{"a", 288, 7},   // column 4.5 -> 4, row 0.5 -> 0
                                                {"b", 352, 21},  // column 5.5 -> 6, row 1.5 -> 2
                                                {"c", 96, 35},   // column 1.5 -> 2, row 2.5 -> 2
                                                {"d", 31, 49}}); // column 0.48 -> 0, row 3.5 -> 4
    QCOMPARE(CsvExport::pageLines(report, 0), (QStringList{";;;;a", ";;c;;;;b", "d"}));
}

void TestCsvExport::recordsWithTheSameXKeepTheLaterFirst()
{
    const BuiltReport report =
        pageWithRecords({{"first", 130, 40}, {"second", 130, 40}, {"x", 62, 40}});
    QCOMPARE(CsvExport::pageLines(report, 0), (QStringList{";x;secondfirst"}));
}

void TestCsvExport::exportingTwiceGivesTheSameFile()
{
    MemoryRowSource source = MemoryRowSource::results(70);
    ReportTemplate mainReport = measurementReportTemplate();
    const MeasurandTexts force{"Натяжение", "кгс"};
    const BuiltReport first =
        buildMeasurementReport(mainReport, ReportVariant::Export, source, force, {},
                               QDateTime(QDate(2026, 1, 1), QTime(1, 2, 3)));
    const BuiltReport second =
        buildMeasurementReport(mainReport, ReportVariant::Export, source, force, {},
                               QDateTime(QDate(2026, 5, 6), QTime(7, 8, 9)));
    QCOMPARE(csvBytes(first), csvBytes(second));
}

void TestCsvExport::failingDeviceReportsItsError()
{
    MemoryRowSource source = MemoryRowSource::results(120);
    FailDevice device(1000);
    device.open(QIODevice::WriteOnly);
    CsvExport csv;
    QVERIFY(!csv.write(exportReport(source), device));
    QVERIFY(!csv.cancelled());
    QCOMPARE(csv.error(), QString("No space left on device"));
}

void TestCsvExport::fileNameGetsTheCsvExtension_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<QString>("written");
    QTest::newRow("other extension") << "/home/u/отчёт.txt"
                                     << "/home/u/отчёт.csv";
    QTest::newRow("csv") << "/home/u/a.csv"
                         << "/home/u/a.csv";
    QTest::newRow("none") << "/home/u/a"
                          << "/home/u/a.csv";
    QTest::newRow("dot in folder") << "/home/u.v/a"
                                   << "/home/u.v/a.csv";
    QTest::newRow("two dots") << "/home/u/a.b.txt"
                              << "/home/u/a.b.csv";
    QTest::newRow("trailing dot") << "/home/u/a."
                                  << "/home/u/a.csv";
}

void TestCsvExport::fileNameGetsTheCsvExtension()
{
    QFETCH(QString, chosen);
    QFETCH(QString, written);
    QCOMPARE(csvFileName(chosen), written);
}

void TestCsvExport::savingOverwritesAnExistingFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("results.csv");
    writeFile(path, QByteArray(100000, 'x'));
    MemoryRowSource source = MemoryRowSource::results(5);
    const BuiltReport report = exportReport(source);
    QVERIFY(saveCsvFile(report, path));
    QCOMPARE(readFile(path), csvBytes(report));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"results.csv"});
}

void TestCsvExport::fileThatCannotBeCreated()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("missing/results.csv");
    MemoryRowSource source = MemoryRowSource::results(5);
    try {
        saveCsvFile(exportReport(source), path);
        QFAIL("saved into a missing folder");
    } catch (const ReportError& e) {
        const QString text = QString::fromUtf8(e.what());
        QVERIFY2(text.startsWith("Cannot create file \"" + path + "\". "), e.what());
        QVERIFY(text.size() > path.size() + 23); // the system's reason follows
    }
    QVERIFY(!QFile::exists(path));
}

void TestCsvExport::cancelledSaveKeepsTheEarlierFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("results.csv");
    writeFile(path, "earlier\r\n");
    MemoryRowSource source = MemoryRowSource::results(200);
    QList<int> pages;
    const bool saved = saveCsvFile(exportReport(source), path, [&pages](int page, int count) {
        pages += page;
        return count == 4 && page < 3;
    });
    QVERIFY(!saved);
    QCOMPARE(pages, (QList{1, 2, 3}));
    QCOMPARE(readFile(path), QByteArray("earlier\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"results.csv"});
}

void TestCsvExport::failedWriteKeepsTheEarlierFile()
{
#ifdef Q_OS_LINUX
    // A file size limit makes the kernel refuse writes half way, as a full disk would.
    QTemporaryDir dir;
    const QString path = dir.filePath("results.csv");
    writeFile(path, "earlier\r\n");
    MemoryRowSource source = MemoryRowSource::results(1000);
    const BuiltReport report = exportReport(source);

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = 4096;
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &limited);
    QString error;
    try {
        saveCsvFile(report, path);
    } catch (const ReportError& e) {
        error = QString::fromUtf8(e.what());
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    QVERIFY2(error.startsWith("Cannot write file \"" + path + "\". "), qPrintable(error));
    QCOMPARE(readFile(path), QByteArray("earlier\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"results.csv"});
#else
    QSKIP("needs a file size limit");
#endif
}

void TestCsvExport::failedStreamedSaveKeepsTheEarlierFile_data()
{
    QTest::addColumn<int>("sizeLimit");
    QTest::addColumn<int>("cancelAtPage");
    QTest::newRow("write refused half way") << 4096 << 0;
    QTest::newRow("cancelled on the third page") << 0 << 3;
}

// Pages written before the failure never reach the target.
void TestCsvExport::failedStreamedSaveKeepsTheEarlierFile()
{
#ifdef Q_OS_LINUX
    QFETCH(int, sizeLimit);
    QFETCH(int, cancelAtPage);
    QTemporaryDir dir;
    const QString path = dir.filePath("results.csv");
    writeFile(path, "earlier\r\n");
    MemoryRowSource source = MemoryRowSource::results(1000);
    ReportTemplate mainReport = measurementReportTemplate();

    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limited = saved;
    limited.rlim_cur = rlim_t(sizeLimit);
    auto previousHandler = std::signal(SIGXFSZ, SIG_IGN);
    if (sizeLimit > 0)
        setrlimit(RLIMIT_FSIZE, &limited);
    QString error;
    bool done = true;
    try {
        done = saveCsvFile(mainReport, source, {"Натяжение", "кгс"}, path,
                           [cancelAtPage](int page) { return page != cancelAtPage; });
    } catch (const ReportError& e) {
        error = QString::fromUtf8(e.what());
    }
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, previousHandler);

    if (sizeLimit > 0)
        QVERIFY2(error.startsWith("Cannot write file \"" + path + "\". "), qPrintable(error));
    else
        QVERIFY(!done && error.isEmpty());
    QCOMPARE(readFile(path), QByteArray("earlier\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"results.csv"});
#else
    QSKIP("needs a file size limit");
#endif
}

QTEST_MAIN(TestCsvExport)
#include "tst_CsvExport.moc"
