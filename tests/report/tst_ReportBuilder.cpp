#include "report/MeasurementReport.h"
#include "report/ReportBuilder.h"
#include "tests/support/MemoryRowSource.h"

#include <QtTest>

Q_DECLARE_METATYPE(ReportVariant)

namespace {

const MeasurandTexts Force{QStringLiteral("Натяжение"), QStringLiteral("кгс")};
const QDateTime Moment(QDate(2026, 12, 9), QTime(14, 5, 7));

QStringList textsOf(const BuiltReport& report, int page, const QString& band)
{
    QStringList texts;
    for (const BuiltText& t : report.pages[page].texts) {
        if (report.bands[t.band].name == band)
            texts += t.text;
    }
    return texts;
}

int bandCount(const BuiltReport& report, int page, const QString& band)
{
    int n = 0;
    for (const BuiltBand& b : report.pages[page].bands)
        n += report.bands[b.band].name == band;
    return n;
}

ReportBuildContext forceContext()
{
    ReportBuildContext context;
    context.getValue = [](const QString& name, QVariant& value) {
        MainReportGetValue(name, value, Force.name, Force.unit);
    };
    return context;
}

BuiltReport build(int rows, ReportVariant variant,
                  ReportTemplate layout = measurementReportTemplate())
{
    MemoryRowSource source = MemoryRowSource::results(rows);
    return buildMeasurementReport(layout, variant, source, Force, {}, Moment);
}

} // namespace

class TestReportBuilder : public QObject
{
    Q_OBJECT
private slots:
    void pagination_data();
    void pagination();
    void headerAndRowTexts();
    void footerShowsOneMomentOnEveryPage();
    void printAfterExportShowsFooterAgain();
    void callbackAnswersOnlyExactNames_data();
    void callbackAnswersOnlyExactNames();
    void unansweredNameFailsTheBuild();
    void emptyFields();
    void longTextWrapsAndIsCutAtTheCell();
    void oversizedBandStillEnds();
    void progressTellsPagesAndCancels();
    void dateAndTimeTexts();
};

void TestReportBuilder::pagination_data()
{
    QTest::addColumn<ReportVariant>("variant");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QList<int>>("rowsPerPage");
    QTest::addColumn<QList<int>>("headersPerPage");
    QTest::addColumn<bool>("footer");

    QTest::newRow("report, 1") << ReportVariant::Print << 1 << QList{1} << QList{1} << true;
    QTest::newRow("report, 49") << ReportVariant::Print << 49 << QList{49} << QList{1} << true;
    QTest::newRow("report, 50") << ReportVariant::Print << 50 << QList{49, 1} << QList{1, 1}
                                << true;
    QTest::newRow("report, 99") << ReportVariant::Print << 99 << QList{49, 49, 1} << QList{1, 1, 1}
                                << true;
    QTest::newRow("export, 50") << ReportVariant::Export << 50 << QList{50} << QList{1} << false;
    QTest::newRow("export, 120") << ReportVariant::Export << 120 << QList{50, 53, 17}
                                 << QList{1, 0, 0} << false;
    QTest::newRow("report, none") << ReportVariant::Print << 0 << QList{0} << QList{0} << true;
}

void TestReportBuilder::pagination()
{
    QFETCH(ReportVariant, variant);
    QFETCH(int, rows);
    QFETCH(QList<int>, rowsPerPage);
    QFETCH(QList<int>, headersPerPage);
    QFETCH(bool, footer);

    const BuiltReport report = build(rows, variant);
    QCOMPARE(int(report.pages.size()), rowsPerPage.size());
    int number = 0;
    for (int p = 0; p < rowsPerPage.size(); ++p) {
        QCOMPARE(bandCount(report, p, "MasterData"), rowsPerPage[p]);
        QCOMPARE(bandCount(report, p, "MasterHeader"), headersPerPage[p]);
        QCOMPARE(bandCount(report, p, "PageFooter"), footer ? 1 : 0);
        const auto& bands = report.pages[p].bands;
        if (headersPerPage[p])
            QCOMPARE(bands.front().top, 0.0f);
        if (footer) {
            QCOMPARE(bands.back().top, float(ReportUnits::A4Height - 24));
            QVERIFY(textsOf(report, p, "PageFooter")
                        .contains(QStringLiteral("Страница %1").arg(p + 1)));
        }
        // Rows follow each other without gaps and in the order of the source.
        float expectedTop = headersPerPage[p] ? 56 : 0;
        for (const BuiltBand& b : bands) {
            if (report.bands[b.band].name != "MasterData")
                continue;
            QCOMPARE(b.top, expectedTop);
            expectedTop += 20;
        }
        const QStringList numbers =
            textsOf(report, p, "MasterData").filter(QRegularExpression("^\\d+$"));
        for (int r = 0; r < rowsPerPage[p]; ++r)
            QVERIFY(numbers.contains(QString::number(++number)));
    }
}

void TestReportBuilder::headerAndRowTexts()
{
    const BuiltReport report = build(1, ReportVariant::Print);
    QCOMPARE(textsOf(report, 0, "MasterHeader"),
             (QStringList{"ВОРН", "Дата", "Время", "№", "Тип", "Диаметр, мм", "Натяжение, кгс"}));
    QCOMPARE(textsOf(report, 0, "MasterData"),
             (QStringList{"01.03.2025", "08:00:00", "1", "стержневая", "10", "1000"}));
    for (const BuiltText& t : report.pages[0].texts) {
        const ReportCell& cell = report.cellOf(t);
        // The 14-point title is taller than its cell and loses only the bottom of its line.
        QVERIFY2(!t.clipped || cell.name == "Memo14", qPrintable(t.text));
        QVERIFY(t.y >= t.cellTop + 1 && t.y < t.cellTop + cell.height);
    }
}

void TestReportBuilder::footerShowsOneMomentOnEveryPage()
{
    MemoryRowSource source = MemoryRowSource::results(150);
    ReportTemplate layout = measurementReportTemplate();
    ReportBuildContext context = forceContext();
    context.locale = QLocale(QLocale::Russian, QLocale::Russia);
    context.moment = Moment;
    const BuiltReport report = buildReport(layout, source, context);
    QCOMPARE(int(report.pages.size()), 4);
    for (int p = 0; p < 4; ++p)
        QCOMPARE(textsOf(report, p, "PageFooter"),
                 (QStringList{"09.12.2026  14:05:07", QStringLiteral("Страница %1").arg(p + 1)}));
}

void TestReportBuilder::printAfterExportShowsFooterAgain()
{
    ReportTemplate mainReport = measurementReportTemplate();
    MemoryRowSource source = MemoryRowSource::results(60);
    const BuiltReport exported =
        buildMeasurementReport(mainReport, ReportVariant::Export, source, Force);
    QVERIFY(!mainReport.pageFooter.visible);
    QVERIFY(!mainReport.masterHeader.repeatHeader);
    QCOMPARE(int(exported.pages.size()), 2);

    const BuiltReport printed =
        buildMeasurementReport(mainReport, ReportVariant::Print, source, Force);
    QCOMPARE(int(printed.pages.size()), 2);
    for (int p = 0; p < 2; ++p) {
        QCOMPARE(bandCount(printed, p, "PageFooter"), 1);
        QCOMPARE(bandCount(printed, p, "MasterHeader"), 1);
    }
}

void TestReportBuilder::callbackAnswersOnlyExactNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("name") << "MeasurandName" << QVariant("Напряжение");
    QTest::newRow("unit") << "MeasurandUnit" << QVariant("МПа");
    QTest::newRow("lower case") << "measurandname" << QVariant();
    QTest::newRow("upper case") << "MEASURANDUNIT" << QVariant();
    QTest::newRow("date") << "DATE" << QVariant();
    QTest::newRow("field") << "MainDataModule.dsetVORN.\"F\"" << QVariant();
}

void TestReportBuilder::callbackAnswersOnlyExactNames()
{
    QFETCH(QString, name);
    QFETCH(QVariant, expected);
    QVariant value;
    MainReportGetValue(name, value, "Напряжение", "МПа");
    QCOMPARE(value, expected);
}

void TestReportBuilder::unansweredNameFailsTheBuild()
{
    ReportTemplate layout = measurementReportTemplate();
    layout.masterHeader.cells.back().text = "[measurandName]";
    MemoryRowSource source = MemoryRowSource::results(3);
    try {
        buildMeasurementReport(layout, ReportVariant::Print, source, Force);
        QFAIL("built with a name nobody answers");
    } catch (const ReportError& e) {
        QVERIFY2(QString::fromStdString(e.what()).contains("measurandName"), e.what());
    }
}

void TestReportBuilder::emptyFields()
{
    MemoryRowSource source;
    source.append(
        {QVariant(), QVariant(), QVariant(), QVariant(), QVariant(), QStringLiteral("?")});
    ReportTemplate layout = measurementReportTemplate();
    const BuiltReport report = buildMeasurementReport(layout, ReportVariant::Print, source, Force);
    QCOMPARE(textsOf(report, 0, "MasterData"), (QStringList{"0", "0", "?"}));
}

void TestReportBuilder::longTextWrapsAndIsCutAtTheCell()
{
    ReportTemplate layout = measurementReportTemplate();
    ReportCell& cell = layout.masterHeader.cells.back();
    cell.height = 40;
    cell.text = "один два три четыре пять шесть семь восемь девять десять одиннадцать двенадцать "
                "тринадцать четырнадцать пятнадцать шестнадцать семнадцать";
    MemoryRowSource source = MemoryRowSource::results(1);
    const BuiltReport report = buildReport(layout, source, {});
    std::vector<const BuiltText*> lines;
    for (const BuiltText& t : report.pages[0].texts) {
        if (report.cellOf(t).name == "MeasurandUnitMemo")
            lines.push_back(&t);
    }
    QCOMPARE(int(lines.size()), 2); // the third line would have its baseline below the cell
    QVERIFY(lines[0]->text.startsWith("один два"));
    QVERIFY(lines[1]->y - lines[0]->y >= 14);
    QVERIFY(lines[1]->baseline <= lines[1]->cellTop + 40);
    QVERIFY(!lines[0]->clipped);
}

void TestReportBuilder::oversizedBandStillEnds()
{
    ReportTemplate layout = measurementReportTemplate();
    layout.masterData.height = 2000;
    MemoryRowSource source = MemoryRowSource::results(3);
    const BuiltReport report = buildReport(layout, source, forceContext());
    QCOMPARE(int(report.pages.size()), 3);
}

void TestReportBuilder::progressTellsPagesAndCancels()
{
    MemoryRowSource source = MemoryRowSource::results(200);
    ReportTemplate layout = measurementReportTemplate();
    QList<int> pages;
    ReportBuildContext context = forceContext();
    context.progress = [&pages](int page) {
        pages += page;
        return true;
    };
    buildReport(layout, source, context);
    QCOMPARE(pages, (QList{1, 2, 3, 4, 5}));

    context.progress = [](int page) { return page < 3; };
    QVERIFY_THROWS_EXCEPTION(ReportCancelled, buildReport(layout, source, context));
}

void TestReportBuilder::dateAndTimeTexts()
{
    const QLocale ru(QLocale::Russian, QLocale::Russia);
    QCOMPARE(reportDateText(Moment, ru), QString("09.12.2026"));
    QCOMPARE(reportTimeText(Moment, ru), QString("14:05:07"));
    QVERIFY(!reportTimeText(Moment, QLocale::c()).contains(QRegularExpression("[A-Za-z]{3}")));
}

QTEST_MAIN(TestReportBuilder)
#include "tst_ReportBuilder.moc"
