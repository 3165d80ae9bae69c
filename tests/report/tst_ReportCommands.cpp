#include "report/CsvExport.h"
#include "report/DataModuleRowSource.h"
#include "report/ExportReportCommand.h"
#include "report/PrintReportCommand.h"
#include "report/ReportPreviewForm.h"
#include "report/ResultWorkbook.h"
#include "snapshot/ScreenPicture.h"
#include "storage/TMainDataModule.h"
#include "tests/storage/StorageTestSupport.h"
#include "tests/support/ModalAnswer.h"
#include "tests/support/SampleResults.h"

#include <QMessageBox>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

struct Shown
{
    bool preview = false;
    QStringList buttons;
    QList<QStringList> pageLines;
    QStringList footers;
    bool controlsEnabled = true;
    QPrintPreviewWidget::ZoomMode zoom = QPrintPreviewWidget::CustomZoom;
};

// Answers the preview: records what it shows and closes it.
ModalAnswer::Handler recordPreview(Shown& shown, TMainDataModule& module)
{
    return [&shown, &module](QWidget* w) {
        if (auto* form = qobject_cast<ReportPreviewForm*>(w)) {
            shown.preview = true;
            for (auto* b : form->findChildren<QToolButton*>())
                shown.buttons += b->objectName();
            shown.buttons.sort();
            const BuiltReport& report = form->report();
            for (int p = 0; p < int(report.pages.size()); ++p) {
                shown.pageLines += CsvExport::pageLines(report, p);
                for (const BuiltText& t : report.pages[p].texts) {
                    if (report.bands[t.band].name == "PageFooter")
                        shown.footers += t.text;
                }
            }
            shown.controlsEnabled = module.ControlsEnabled();
            shown.zoom = form->preview()->zoomMode();
        }
        w->close();
    };
}

} // namespace

class TestReportCommands : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void reportShowsEveryResultWithFooters();
    void exportFollowsMeasurandAndUnit_data();
    void exportFollowsMeasurandAndUnit();
    void reportAfterExportShowsTheFooterAgain();
    void failedBuildStillEndsTheUpdate();
    void writersKeepOffProjects_data();
    void writersKeepOffProjects();

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TMainDataModule> m_module;
    int m_serial = 0;
};

void TestReportCommands::initTestCase()
{
    StorageTest::prepareEngine();
}

void TestReportCommands::init()
{
    const QString path = m_dir.filePath(QStringLiteral("p%1.fdb").arg(++m_serial));
    {
        TMainDataModule creator;
        QVERIFY(creator.CreateDatabase(path));
    }
    m_module = std::make_unique<TMainDataModule>();
    QVERIFY(m_module->OpenDatabase(path));
    m_module->BeginUpdate();
    for (int n = 1; n <= 120; ++n)
        QVERIFY(m_module->AddResult(SampleResults::distinct(n)));
    m_module->SortResults();
    m_module->EndUpdate();
    m_module->dsetVORN->setRecNo(7);
}

void TestReportCommands::cleanup()
{
    m_module.reset();
}

void TestReportCommands::reportShowsEveryResultWithFooters()
{
    ReportTemplate MainReport = measurementReportTemplate();
    Shown shown;
    ModalAnswer answer(recordPreview(shown, *m_module));
    printReport(MainReport, *m_module, nullptr);

    QVERIFY(shown.preview);
    QCOMPARE(shown.buttons, (QStringList{"CloseButton", "PrintButton", "ZoomButton"}));
    QCOMPARE(shown.zoom, QPrintPreviewWidget::FitToWidth);
    QCOMPARE(shown.pageLines.size(), 3);
    QCOMPARE(shown.footers.size(), 6);
    QCOMPARE(shown.footers[0], shown.footers[2]);
    QCOMPARE(shown.footers[5], QString("Страница 3"));
    QVERIFY(!shown.controlsEnabled);
    QVERIFY(m_module->ControlsEnabled());
    QCOMPARE(m_module->dsetVORN->recNo(), 7);
}

void TestReportCommands::exportFollowsMeasurandAndUnit_data()
{
    QTest::addColumn<int>("measurand");
    QTest::addColumn<int>("unit");
    QTest::addColumn<QString>("title");
    QTest::newRow("force, kgf") << 0 << 0 << "Натяжение, кгс";
    QTest::newRow("stress, MPa") << 1 << 1 << "Напряжение, МПа";
    QTest::newRow("unknown unit") << 0 << 5 << "Натяжение, ?";
}

void TestReportCommands::exportFollowsMeasurandAndUnit()
{
    QFETCH(int, measurand);
    QFETCH(int, unit);
    QFETCH(QString, title);
    m_module->SetMeasurand(measurand);
    m_module->SetLoadUnit(unit);
    QStringList fTexts, dates;
    for (m_module->dsetVORN->first(); !m_module->dsetVORN->eof(); m_module->dsetVORN->next()) {
        fTexts += m_module->dsetVORNF->displayText();
        dates += m_module->dsetVORNMSR_DATE->displayText();
    }
    m_module->dsetVORN->setRecNo(7);

    ReportTemplate MainReport = measurementReportTemplate();
    Shown shown;
    ModalAnswer answer(recordPreview(shown, *m_module));
    exportReport(MainReport, *m_module, nullptr);

    QVERIFY(shown.preview);
    QCOMPARE(shown.buttons, (QStringList{"CloseButton", "SaveButton", "ZoomButton"}));
    QVERIFY(shown.footers.isEmpty());
    QStringList lines;
    for (const QStringList& page : shown.pageLines)
        lines += page;
    QCOMPARE(lines.size(), 122);
    QCOMPARE(lines[1], ";Дата;Время;№;Тип;;Диаметр, мм;" + title);
    for (int i = 0; i < 120; ++i) {
        const QStringList cells = lines[i + 2].split(';');
        QCOMPARE(cells.size(), 13);
        QCOMPARE(cells[1], dates[i]);
        QCOMPARE(cells[12], fTexts[i]);
    }
    QVERIFY(m_module->ControlsEnabled());
    QCOMPARE(m_module->dsetVORN->recNo(), 7);
}

void TestReportCommands::reportAfterExportShowsTheFooterAgain()
{
    ReportTemplate MainReport = measurementReportTemplate();
    Shown exported;
    {
        ModalAnswer answer(recordPreview(exported, *m_module));
        exportReport(MainReport, *m_module, nullptr);
    }
    Shown printed;
    {
        ModalAnswer answer(recordPreview(printed, *m_module));
        printReport(MainReport, *m_module, nullptr);
    }
    QVERIFY(exported.footers.isEmpty());
    QCOMPARE(printed.footers.size(), 6);
    for (const QStringList& page : printed.pageLines)
        QCOMPARE(page.at(1), QString(";Дата;Время;№;Тип;;Диаметр, мм;Натяжение, кгс"));
}

void TestReportCommands::failedBuildStillEndsTheUpdate()
{
    ReportTemplate MainReport = measurementReportTemplate();
    MainReport.masterData.cells.front().text = "[MainDataModule.dsetVORN.\"NO_SUCH_FIELD\"]";
    ModalAnswer answer(ModalAnswer::pressButton(QMessageBox::Ok));
    printReport(MainReport, *m_module, nullptr);
    QVERIFY(answer.appeared());
    QVERIFY2(answer.text().contains("NO_SUCH_FIELD"), qPrintable(answer.text()));
    QVERIFY(m_module->ControlsEnabled());
    QCOMPARE(m_module->UpdateCount, 0);
}

// The writers behind the window's save dialogs: the CSV, the workbook and the screen picture.
void TestReportCommands::writersKeepOffProjects_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("target");
    for (const char* writer : {"CSV", "workbook", "picture"})
        for (const char* target : {"the open project", "a link to it", "a plain file"})
            QTest::addRow("%s over %s", writer, target) << writer << target;
}

void TestReportCommands::writersKeepOffProjects()
{
    QFETCH(QString, writer);
    QFETCH(QString, target);
    const QString project = m_module->MainDatabase->dbName();
    QString output = project;
    if (target == "a link to it") {
        output = m_dir.filePath(QStringLiteral("link%1.csv").arg(m_serial));
        QVERIFY(QFile::link(project, output));
    } else if (target == "a plain file") {
        output = m_dir.filePath(QStringLiteral("plain%1.txt").arg(m_serial));
        QFile plain(output);
        QVERIFY(plain.open(QIODevice::WriteOnly));
        plain.write("notes\n");
    }
    const QByteArray before = StorageTest::fileBytes(output);
    QString error;
    try {
        if (writer == "CSV") {
            ReportTemplate mainReport = measurementReportTemplate();
            DataModuleRowSource rows(*m_module);
            saveCsvFile(buildMeasurementReport(mainReport, ReportVariant::Export, rows,
                                               {QStringLiteral("Натяжение"), QStringLiteral("кгс")}),
                        output);
        } else if (writer == "workbook") {
            saveResultWorkbook(*m_module, project, output);
        } else {
            saveBmpFile(QImage(8, 8, QImage::Format_RGB32), output);
        }
    } catch (const std::exception& e) {
        error = QString::fromUtf8(e.what());
    }
    if (target == "a plain file") {
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QVERIFY(StorageTest::fileBytes(output) != before);
        return;
    }
    QCOMPARE(error, QStringLiteral("Файл «%1» — проект; он не будет перезаписан.")
                        .arg(QDir::toNativeSeparators(output)));
    QCOMPARE(StorageTest::fileBytes(output), before);
}

QTEST_MAIN(TestReportCommands)
#include "tst_ReportCommands.moc"
