#include "bench/support/BenchTiming.h"
#include "report/CsvExport.h"
#include "report/MeasurementReport.h"
#include "report/ReportPreviewForm.h"
#include "report/ReportRenderer.h"
#include "tests/support/MemoryRowSource.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QPdfWriter>
#include <QPrintPreviewWidget>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

const MeasurandTexts Force{QStringLiteral("Натяжение"), QStringLiteral("кгс")};

void print(const char* what, double seconds, double target)
{
    if (target > 0)
        std::printf("%-44s %8.3f s  (target %.1f s)\n", what, seconds, target);
    else
        std::printf("%-44s %8.3f s\n", what, seconds);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    ReportTemplate mainReport = measurementReportTemplate();

    MemoryRowSource tenThousand = MemoryRowSource::results(10000);
    BuiltReport report;
    print("build report, 10,000 results",
          Bench::medianSeconds(5,
                               [&] {
                                   report = buildMeasurementReport(mainReport, ReportVariant::Print,
                                                                   tenThousand, Force);
                               }),
          0.5);
    std::printf("  pages: %zu\n", report.pages.size());

    QTemporaryDir dir;
    const QString pdfPath = dir.filePath(QStringLiteral("report.pdf"));
    print("render 10,000 results to PDF",
          Bench::medianSeconds(3,
                               [&] {
                                   QPdfWriter pdf(pdfPath);
                                   pdf.setResolution(600);
                                   pdf.setPageLayout(ReportRenderer::pageLayout(report));
                                   ReportRenderer::render(report, pdf);
                               }),
          5.0);
    std::printf("  PDF size: %lld bytes\n", QFileInfo(pdfPath).size());

    print("open the preview of 10,000 results",
          Bench::medianSeconds(3,
                               [&] {
                                   ReportPreviewForm form(report, ReportPreviewForm::ZoomButton);
                                   form.show();
                                   form.preview()->updatePreview();
                               }),
          0);

    MemoryRowSource hundredThousand = MemoryRowSource::results(100000);
    BuiltReport exported;
    const double build = Bench::medianSeconds(3, [&] {
        exported =
            buildMeasurementReport(mainReport, ReportVariant::Export, hundredThousand, Force);
    });
    QByteArray bytes;
    const double write = Bench::medianSeconds(3, [&] {
        QBuffer buffer;
        buffer.open(QIODevice::WriteOnly);
        CsvExport().write(exported, buffer);
        bytes = buffer.data();
    });
    const QString csvPath = dir.filePath(QStringLiteral("results.csv"));
    const double save = Bench::medianSeconds(3, [&] { saveCsvFile(exported, csvPath); });
    print("export build, 100,000 results", build, 1.0);
    print("CSV write to memory, 100,000 results", write, 1.0);
    print("CSV save to file, 100,000 results", save, 1.0);
    print("export total (build + save)", build + save, 1.0);
    std::printf("  pages: %zu, CSV size: %lld bytes\n", exported.pages.size(),
                qint64(bytes.size()));
    return 0;
}
