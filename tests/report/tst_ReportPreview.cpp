#include "CsvExport.h"
#include "MeasurementReport.h"
#include "MemoryRowSource.h"
#include "ModalAnswer.h"
#include "ReportPreviewCommand.h"
#include "ReportPreviewForm.h"
#include "ReportPrinting.h"
#include "ReportProgressDialog.h"

#include <QBuffer>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

Q_DECLARE_METATYPE(ReportVariant)

namespace {

BuiltReport buildReport(int rows, ReportVariant variant)
{
    MemoryRowSource source = MemoryRowSource::results(rows);
    ReportTemplate mainReport = measurementReportTemplate();
    return buildMeasurementReport(mainReport, variant, source, {"Натяжение", "кгс"});
}

TReportPreviewForm::Buttons buttonsFor(ReportVariant variant)
{
    using F = TReportPreviewForm;
    return F::ZoomButton | F::CloseButton |
           (variant == ReportVariant::Print ? F::PrintButton : F::SaveButton);
}

QByteArray csvOf(const BuiltReport& report)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    CsvExport().write(report, buffer);
    return buffer.data();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Chooses a file name in the save dialog as a user would type it. The dialog learns about
// folders in the background, so the name is typed again until the dialog has taken it.
void typeAndAccept(QPointer<QFileDialog> dialog, const QString& path, int attempts = 100)
{
    if (!dialog)
        return;
    dialog->setDirectory(QFileInfo(path).absolutePath());
    if (auto* edit = dialog->findChild<QLineEdit*>("fileNameEdit"))
        edit->setText(QFileInfo(path).fileName());
    if (dialog->selectedFiles().value(0) == path || attempts == 0) {
        QMetaObject::invokeMethod(dialog, "accept");
        return;
    }
    QTimer::singleShot(20, [dialog, path, attempts] { typeAndAccept(dialog, path, attempts - 1); });
}

ModalAnswer::Handler chooseFile(const QString& path, QStringList* filters = nullptr,
                                bool* confirmsOverwrite = nullptr,
                                const std::function<void()>& afterAccept = {})
{
    return [=](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog) {
            w->close();
            return;
        }
        if (filters)
            *filters = dialog->nameFilters() << dialog->selectedNameFilter();
        if (confirmsOverwrite)
            *confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        if (afterAccept)
            QObject::connect(dialog, &QDialog::accepted, afterAccept);
        typeAndAccept(dialog, path);
    };
}

QString click(TReportPreviewForm& form, const char* button)
{
    auto* b = form.findChild<QToolButton*>(button);
    if (!b)
        return QStringLiteral("no button");
    b->click();
    return {};
}

// Rows whose reading fails part way, as a database error would.
class FailingRowSource : public MemoryRowSource
{
public:
    FailingRowSource() : MemoryRowSource(results(20)) {}
    void next() override
    {
        MemoryRowSource::next();
        if (position() == 10)
            throw std::runtime_error("connection lost");
    }
};

} // namespace

class TestReportPreview : public QObject
{
    Q_OBJECT
private slots:
    void buttonsAndZoom_data();
    void buttonsAndZoom();
    void saveWritesCsvUnderTheCsvName();
    void saveErrorKeepsThePreviewOpen();
    void cancelledSaveWritesNothing();
    void printDialogOffersPagesAndCopies();
    void printingHonoursPageRangeAndCopies();
    void progressAppearsOnlyForLongWork();
    void failedBuildShowsItsErrorInsteadOfThePreview_data();
    void failedBuildShowsItsErrorInsteadOfThePreview();
};

void TestReportPreview::buttonsAndZoom_data()
{
    QTest::addColumn<ReportVariant>("variant");
    QTest::addColumn<QStringList>("buttons");
    QTest::newRow("report") << ReportVariant::Print
                            << QStringList{"CloseButton", "PrintButton", "ZoomButton"};
    QTest::newRow("export") << ReportVariant::Export
                            << QStringList{"CloseButton", "SaveButton", "ZoomButton"};
}

void TestReportPreview::buttonsAndZoom()
{
    QFETCH(ReportVariant, variant);
    QFETCH(QStringList, buttons);
    TReportPreviewForm form(buildReport(120, variant), buttonsFor(variant));
    form.setWindowModality(Qt::NonModal);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QStringList names;
    for (auto* b : form.findChildren<QToolButton*>())
        names += b->objectName();
    names.sort();
    QCOMPARE(names, buttons);
    QCOMPARE(form.preview()->zoomMode(), QPrintPreviewWidget::FitToWidth);
    QTRY_COMPARE(form.preview()->pageCount(), 3);

    QVERIFY(click(form, "CloseButton").isEmpty());
    QVERIFY(!form.isVisible());
}

void TestReportPreview::saveWritesCsvUnderTheCsvName()
{
    QTemporaryDir dir;
    const QString csvPath = dir.filePath("results.csv");
    {
        QFile old(csvPath);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write(QByteArray(50000, 'x'));
    }
    TReportPreviewForm form(buildReport(120, ReportVariant::Export),
                            buttonsFor(ReportVariant::Export));
    form.setWindowModality(Qt::NonModal);
    form.show();

    QStringList filters;
    bool confirmsOverwrite = true;
    ModalAnswer answer(chooseFile(dir.filePath("results.txt"), &filters, &confirmsOverwrite));
    QVERIFY(click(form, "SaveButton").isEmpty());
    QVERIFY(answer.appeared());
    QCOMPARE(filters, (QStringList{"CSV File (*.csv)", "CSV File (*.csv)"}));
    QVERIFY(!confirmsOverwrite);

    QCOMPARE(readFile(csvPath), csvOf(form.report()));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"results.csv"});
    QVERIFY(form.isVisible());
}

void TestReportPreview::saveErrorKeepsThePreviewOpen()
{
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir("taken.csv")); // a folder where the file should go
    TReportPreviewForm form(buildReport(3, ReportVariant::Export),
                            buttonsFor(ReportVariant::Export));
    form.setWindowModality(Qt::NonModal);
    form.show();

    std::unique_ptr<ModalAnswer> errorBox;
    ModalAnswer chooser(chooseFile(dir.filePath("taken.txt"), nullptr, nullptr, [&] {
        errorBox = std::make_unique<ModalAnswer>(ModalAnswer::pressButton(QMessageBox::Ok));
    }));
    QVERIFY(click(form, "SaveButton").isEmpty());
    QVERIFY(chooser.appeared());
    QTRY_VERIFY(errorBox && errorBox->appeared());
    QVERIFY2(
        errorBox->text().startsWith("Cannot create file \"" + dir.filePath("taken.csv") + "\". "),
        qPrintable(errorBox->text()));
    QVERIFY(errorBox->text().endsWith('.'));
    QCOMPARE(errorBox->title(), QString("ВОРН-1.0"));
    QVERIFY(form.isVisible());
}

void TestReportPreview::cancelledSaveWritesNothing()
{
    QTemporaryDir dir;
    TReportPreviewForm form(buildReport(3, ReportVariant::Export),
                            buttonsFor(ReportVariant::Export));
    form.setWindowModality(Qt::NonModal);
    form.show();
    ModalAnswer answer(ModalAnswer::reject());
    QVERIFY(click(form, "SaveButton").isEmpty());
    QVERIFY(answer.appeared());
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
    QVERIFY(form.isVisible());
}

void TestReportPreview::printDialogOffersPagesAndCopies()
{
    TReportPreviewForm form(buildReport(120, ReportVariant::Print),
                            buttonsFor(ReportVariant::Print));
    form.setWindowModality(Qt::NonModal);
    form.show();
    int minPage = 0, maxPage = 0;
    bool pageRange = false;
    ModalAnswer answer([&](QWidget* w) {
        if (auto* dialog = qobject_cast<QPrintDialog*>(w)) {
            minPage = dialog->minPage();
            maxPage = dialog->maxPage();
            pageRange = dialog->testOption(QAbstractPrintDialog::PrintPageRange);
        }
        w->close();
    });
    QVERIFY(click(form, "PrintButton").isEmpty());
    QVERIFY(answer.appeared());
    QCOMPARE(minPage, 1);
    QCOMPARE(maxPage, 3);
    QVERIFY(pageRange);
}

void TestReportPreview::printingHonoursPageRangeAndCopies()
{
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("poppler-utils is not installed");
    QTemporaryDir dir;
    const BuiltReport report = buildReport(120, ReportVariant::Print);
    QPrinter printer(QPrinter::HighResolution);
    ReportPrinting::preparePrinter(printer, report);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("report.pdf"));
    printer.setPrintRange(QPrinter::PageRange);
    printer.setFromTo(2, 3);
    printer.setCopyCount(2);
    printer.setCollateCopies(false);
    QVERIFY(ReportPrinting::print(report, printer));

    QProcess pdftotext;
    pdftotext.start("pdftotext", {dir.filePath("report.pdf"), "-"});
    QVERIFY(pdftotext.waitForFinished());
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    const QStringList pages = text.split(u'\f', Qt::SkipEmptyParts);
    QCOMPARE(pages.size(), 4);
    const QStringList expected{"Страница 2", "Страница 2", "Страница 3", "Страница 3"};
    for (int i = 0; i < 4; ++i)
        QVERIFY2(pages[i].contains(expected[i]), qPrintable(pages[i]));
}

void TestReportPreview::progressAppearsOnlyForLongWork()
{
    ReportProgressDialog progress(nullptr);
    QVERIFY(progress.step("page 1", 1, 10));
    QVERIFY(!progress.isVisible());
    QTest::qSleep(450);
    QVERIFY(progress.step("page 2", 2, 10));
    QVERIFY(progress.isVisible());
    QCOMPARE(progress.labelText(), QString("page 2"));
    progress.cancel();
    QVERIFY(!progress.step("page 3", 3, 10));
}

void TestReportPreview::failedBuildShowsItsErrorInsteadOfThePreview_data()
{
    QTest::addColumn<bool>("failingRows");
    QTest::addColumn<QString>("error");
    QTest::newRow("unknown name") << false
                                  << "Unknown name \"Measurandname\" in MeasurandUnitMemo.";
    QTest::newRow("rows fail") << true << "connection lost.";
}

void TestReportPreview::failedBuildShowsItsErrorInsteadOfThePreview()
{
    QFETCH(bool, failingRows);
    QFETCH(QString, error);
    ReportTemplate mainReport = measurementReportTemplate();
    if (!failingRows)
        mainReport.masterHeader.cells.back().text = "[Measurandname]";
    MemoryRowSource goodRows = MemoryRowSource::results(3);
    FailingRowSource badRows;
    ReportRowSource& rows = failingRows ? static_cast<ReportRowSource&>(badRows) : goodRows;
    QString modalClass;
    ModalAnswer answer([&](QWidget* w) {
        modalClass = QString::fromLatin1(w->metaObject()->className());
        ModalAnswer::pressButton(QMessageBox::Ok)(w);
        if (w->isVisible())
            w->close();
    });
    QVERIFY(!previewMeasurementReport(mainReport, ReportVariant::Print, rows, {"Натяжение", "кгс"},
                                      nullptr));
    QVERIFY(answer.appeared());
    QCOMPARE(modalClass, QString("QMessageBox"));
    QCOMPARE(answer.text(), error);
}

QTEST_MAIN(TestReportPreview)
#include "tst_ReportPreview.moc"
