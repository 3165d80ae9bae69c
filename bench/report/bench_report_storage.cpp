#include "bench/support/BenchTiming.h"
#include "report/CsvExport.h"
#include "report/DataModuleRowSource.h"
#include "report/MeasurementReport.h"
#include "report/ResultWorkbook.h"
#include "storage/TMainDataModule.h"
#include "tests/support/SampleResults.h"

#include <QApplication>
#include <QBuffer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

// A project file holding count results, open in the data module.
bool fillProject(TMainDataModule& module, const QString& path, int count)
{
    {
        TMainDataModule creator;
        if (!creator.CreateDatabase(path))
            return false;
    }
    if (!module.OpenDatabase(path))
        return false;
    module.BeginUpdate();
    for (int n = 1; n <= count; ++n)
        module.AddResult(SampleResults::repeating(n));
    module.SortResults();
    module.EndUpdate();
    return true;
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("FIREBIRD_LOCK", dir.filePath(QStringLiteral("lock")).toLocal8Bit());

    for (int count : {10000, 100000}) {
        TMainDataModule module;
        if (!fillProject(module, dir.filePath(QStringLiteral("p%1.fdb").arg(count)), count)) {
            std::fprintf(stderr, "cannot create the project\n");
            return 1;
        }
        module.SetMeasurand(1);
        module.SetLoadUnit(1);
        const MeasurandTexts measurand{module.GetMeasurandName(), module.GetMeasurandUnit()};
        ReportTemplate mainReport = measurementReportTemplate();
        DataModuleRowSource rows(module);
        BuiltReport report;
        const ReportVariant variant = count == 10000 ? ReportVariant::Print : ReportVariant::Export;
        const double build = Bench::medianSeconds(5, [&] {
            module.BeginUpdate();
            report = buildMeasurementReport(mainReport, variant, rows, measurand);
            module.EndUpdate();
        });
        std::printf("%-44s %8.3f s  (target %.1f s)  %zu pages\n",
                    qPrintable(QStringLiteral("%1 of %2 stored results, build")
                                   .arg(count == 10000 ? "report" : "export")
                                   .arg(count)),
                    build, count == 10000 ? 0.5 : 1.0, report.pages.size());
        if (count == 100000) {
            const QString csvPath = dir.filePath(QStringLiteral("results.csv"));
            const double save = Bench::medianSeconds(5, [&] { saveCsvFile(report, csvPath); });
            std::printf("%-44s %8.3f s\n%-44s %8.3f s  (target 1.0 s)\n",
                        "CSV save of 100000 stored results", save, "export total (build + save)",
                        build + save);
            const QString workbookPath = dir.filePath(QStringLiteral("results.xlsx"));
            const double workbook = Bench::medianSeconds(3, [&] {
                saveResultWorkbook(module, QStringLiteral("p100000.fdb"), workbookPath);
            });
            std::printf("%-44s %8.3f s  (target 2.0 s)  %.2f x the CSV export\n",
                        "workbook of 100000 stored results", workbook, workbook / (build + save));
        }
    }
    return 0;
}
