#include "report/MeasurementReport.h"
#include "report/ReportRenderer.h"
#include "tests/support/MemoryRowSource.h"

#include <QPdfWriter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

QString run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForFinished(30000) || process.exitCode() != 0)
        return {};
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

class TestReportPdf : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void pdfHoldsTheTextsAndPages_data();
    void pdfHoldsTheTextsAndPages();

private:
    QTemporaryDir m_dir;
};

void TestReportPdf::initTestCase()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty() ||
        QStandardPaths::findExecutable("pdfinfo").isEmpty())
        QSKIP("poppler-utils is not installed");
}

void TestReportPdf::pdfHoldsTheTextsAndPages_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("pages");
    QTest::newRow("one result") << 1 << 1 << 1;
    QTest::newRow("fifty results") << 50 << 1 << 2;
    QTest::newRow("two copies") << 50 << 2 << 4;
}

void TestReportPdf::pdfHoldsTheTextsAndPages()
{
    QFETCH(int, rows);
    QFETCH(int, copies);
    QFETCH(int, pages);

    MemoryRowSource source = MemoryRowSource::results(rows);
    ReportTemplate mainReport = measurementReportTemplate();
    const BuiltReport report =
        buildMeasurementReport(mainReport, ReportVariant::Print, source, {"Напряжение", "кгс/см2"});
    const QString path = m_dir.filePath(QStringLiteral("report-%1-%2.pdf").arg(rows).arg(copies));
    {
        QPdfWriter pdf(path);
        pdf.setResolution(600);
        pdf.setPageLayout(ReportRenderer::pageLayout(report));
        ReportPrintJob job;
        job.copies = copies;
        QVERIFY(ReportRenderer::render(report, pdf, job));
    }

    const QString info = run("pdfinfo", {path});
    QVERIFY2(info.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\\n").arg(pages))),
             qPrintable(info));
    QVERIFY2(info.contains(QRegularExpression("Page size:.*\\(A4\\)")), qPrintable(info));

    const QString text = run("pdftotext", {"-layout", path, "-"});
    for (const char* expected : {"ВОРН", "Дата", "Время", "№", "Тип", "Диаметр, мм",
                                 "Напряжение, кгс/см2", "стержневая", "01.03.2025", "08:00:00"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    for (int page = 1; page <= pages / copies; ++page)
        QCOMPARE(text.count(QStringLiteral("Страница %1").arg(page)), copies);
    QCOMPARE(text.count(QStringLiteral("ВОРН")), pages);

    const QString fonts = run("pdffonts", {path});
    QVERIFY2(fonts.contains("LiberationSerif") && fonts.contains("LiberationSans"),
             qPrintable(fonts));
}

QTEST_MAIN(TestReportPdf)
#include "tst_ReportPdf.moc"
