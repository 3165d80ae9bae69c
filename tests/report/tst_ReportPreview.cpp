#include "report/CsvExport.h"
#include "report/MeasurementReport.h"
#include "report/ReportPreviewCommand.h"
#include "report/ReportPreviewForm.h"
#include "report/ReportPrinting.h"
#include "report/ReportProgressDialog.h"
#include "tests/support/MemoryRowSource.h"
#include "tests/support/ModalAnswer.h"

#include <QBuffer>
#include <QFileDialog>
#include <QGraphicsItem>
#include <QGraphicsView>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QProcess>
#include <QScrollBar>
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

ReportPreviewForm::Buttons buttonsFor(ReportVariant variant)
{
    using F = ReportPreviewForm;
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

QString click(ReportPreviewForm& form, const char* button)
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

// Rectangle of the sheet of page 1 in the preview's viewport, in pixels. A page item draws
// the sheet from its origin, one unit per dot of the preview's printer.
QRectF firstPageOnScreen(QGraphicsView* view)
{
    const QGraphicsItem* first = nullptr;
    for (const QGraphicsItem* item : view->scene()->items()) {
        if (!first || item->sceneBoundingRect().top() < first->sceneBoundingRect().top())
            first = item;
    }
    if (!first)
        return {};
    const double dots = QPrinter(QPrinter::HighResolution).resolution() / ReportUnits::PerInch;
    const QRectF sheet(0, 0, ReportUnits::A4Width * dots, ReportUnits::A4Height * dots);
    return view->mapFromScene(first->mapToScene(sheet)).boundingRect();
}

// The top edge of page 1 lies in the upper part of the viewport.
bool sheetTopShown(QGraphicsView* view)
{
    const double top = firstPageOnScreen(view).top();
    if (top >= 0 && top < view->viewport()->height() / 4)
        return true;
    qWarning() << "page 1 starts at" << top;
    return false;
}

// Dark pixels inside the cells of the first data rows of page 1, away from the ruled lines:
// the text the preview shows there.
int textPixelsInFirstRows(QGraphicsView* view)
{
    const QImage shot = view->viewport()->grab().toImage();
    const QRectF page = firstPageOnScreen(view);
    const double scale = page.width() / ReportUnits::A4Width;
    int dark = 0;
    for (int row = 0; row < 5; ++row) {
        const double top = 56 + 20 * row;
        for (const auto& [left, right] : {std::pair{60, 132}, std::pair{600, 736}}) {
            const QRect cell =
                QRectF(page.left() + (left + 2) * scale, page.top() + (top + 3) * scale,
                       (right - left - 4) * scale, 14 * scale)
                    .toAlignedRect();
            for (int y = cell.top(); y <= cell.bottom(); ++y)
                for (int x = cell.left(); x <= cell.right(); ++x)
                    if (shot.rect().contains(x, y) && qGray(shot.pixel(x, y)) < 128)
                        ++dark;
        }
    }
    return dark;
}

} // namespace

class TestReportPreview : public QObject
{
    Q_OBJECT
private slots:
    void buttonsAndZoom_data();
    void buttonsAndZoom();
    void previewShowsTextsFromTheTopOfPageOne_data();
    void previewShowsTextsFromTheTopOfPageOne();
    void saveWritesCsvUnderTheCsvName();
    void saveErrorKeepsThePreviewOpen();
    void cancelledSaveWritesNothing();
    void workbookTypeComesAfterCsvAndForcesItsExtension();
    void printDialogOffersPagesAndCopies();
    void printingHonoursPageRangeAndCopies_data();
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
    ReportPreviewForm form(buildReport(120, variant), buttonsFor(variant));
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

void TestReportPreview::previewShowsTextsFromTheTopOfPageOne_data()
{
    QTest::addColumn<bool>("maximised");
    QTest::addColumn<int>("zoomPercent"); // 0 keeps the page width
    QTest::newRow("page width") << false << 0;
    QTest::newRow("maximised") << true << 0;
    QTest::newRow("zoomed") << false << 150;
}

void TestReportPreview::previewShowsTextsFromTheTopOfPageOne()
{
    QFETCH(bool, maximised);
    QFETCH(int, zoomPercent);
    ReportPreviewForm form(buildReport(120, ReportVariant::Print),
                           buttonsFor(ReportVariant::Print));
    form.setWindowModality(Qt::NonModal);
    if (maximised)
        form.setWindowState(Qt::WindowMaximized);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    auto* view = form.preview()->findChild<QGraphicsView*>();
    QVERIFY(view);
    QTRY_COMPARE(form.preview()->pageCount(), 3);
    QTRY_VERIFY(textPixelsInFirstRows(view) > 100);
    QCOMPARE(view->verticalScrollBar()->value(), view->verticalScrollBar()->minimum());
    QTRY_VERIFY(sheetTopShown(view));

    if (zoomPercent) {
        QAction* zoom = nullptr;
        for (QAction* a : form.findChild<QToolButton*>("ZoomButton")->menu()->actions()) {
            if (a->text() == QStringLiteral("%1%").arg(zoomPercent))
                zoom = a;
        }
        QVERIFY(zoom);
        zoom->trigger();
    } else {
        // As a window manager maximising the window after it has been shown.
        form.resize(form.size() + QSize(300, 200));
    }
    QTRY_VERIFY(textPixelsInFirstRows(view) > 100);
    QTRY_VERIFY(sheetTopShown(view));
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
    ReportPreviewForm form(buildReport(120, ReportVariant::Export),
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
    ReportPreviewForm form(buildReport(3, ReportVariant::Export),
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
    ReportPreviewForm form(buildReport(3, ReportVariant::Export),
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
    ReportPreviewForm form(buildReport(120, ReportVariant::Print),
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

void TestReportPreview::printingHonoursPageRangeAndCopies_data()
{
    QTest::addColumn<int>("from"); // 0 prints every page
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("copies");
    QTest::addColumn<bool>("collate");
    QTest::addColumn<bool>("lastPageFirst");
    QTest::addColumn<QList<int>>("pages");
    QTest::newRow("range, copies") << 2 << 3 << 2 << false << false << QList{2, 2, 3, 3};
    QTest::newRow("reverse") << 0 << 0 << 1 << true << true << QList{3, 2, 1};
    QTest::newRow("reverse range, collated") << 1 << 2 << 2 << true << true << QList{2, 1, 2, 1};
    QTest::newRow("reverse, uncollated") << 2 << 3 << 2 << false << true << QList{3, 3, 2, 2};
}

void TestReportPreview::printingHonoursPageRangeAndCopies()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, copies);
    QFETCH(bool, collate);
    QFETCH(bool, lastPageFirst);
    QFETCH(QList<int>, pages);
    if (QStandardPaths::findExecutable("pdftotext").isEmpty())
        QSKIP("poppler-utils is not installed");
    QTemporaryDir dir;
    const BuiltReport report = buildReport(120, ReportVariant::Print);
    QPrinter printer(QPrinter::HighResolution);
    ReportPrinting::preparePrinter(printer, report);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath("report.pdf"));
    if (from > 0) {
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(from, to);
    }
    printer.setCopyCount(copies);
    printer.setCollateCopies(collate);
    printer.setPageOrder(lastPageFirst ? QPrinter::LastPageFirst : QPrinter::FirstPageFirst);
    QVERIFY(ReportPrinting::print(report, printer));

    QProcess pdftotext;
    pdftotext.start("pdftotext", {dir.filePath("report.pdf"), "-"});
    QVERIFY(pdftotext.waitForFinished());
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    QList<int> printed;
    static const QRegularExpression pageNumber(QStringLiteral("Страница (\\d+)"));
    for (const QString& page : text.split(u'\f', Qt::SkipEmptyParts))
        printed += pageNumber.match(page).captured(1).toInt();
    QCOMPARE(printed, pages);
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

void TestReportPreview::workbookTypeComesAfterCsvAndForcesItsExtension()
{
    QTemporaryDir dir;
    ReportPreviewForm form(buildReport(3, ReportVariant::Export),
                           buttonsFor(ReportVariant::Export));
    QString written;
    form.setWorkbookWriter([&written](const QString& path, const std::function<bool(int, int)>&) {
        written = path;
        return true;
    });
    form.setWindowModality(Qt::NonModal);
    form.show();

    QStringList filters;
    ModalAnswer answer([&](QWidget* w) {
        auto* dialog = qobject_cast<QFileDialog*>(w);
        if (!dialog) {
            w->close();
            return;
        }
        filters = dialog->nameFilters() << dialog->selectedNameFilter();
        dialog->selectNameFilter(QStringLiteral("Книга Excel (*.xlsx)"));
        typeAndAccept(dialog, dir.filePath("results.csv"));
    });
    QVERIFY(click(form, "SaveButton").isEmpty());
    QVERIFY(answer.appeared());
    QCOMPARE(filters,
             (QStringList{"CSV File (*.csv)", "Книга Excel (*.xlsx)", "CSV File (*.csv)"}));
    QTRY_COMPARE(written, dir.filePath("results.xlsx"));
    QVERIFY(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}
