// SPDX-License-Identifier: GPL-3.0-or-later
// 100,000 results to a workbook, against the CSV export of the same project in the same run.
#include "CsvExport.h"
#include "DataModuleRowSource.h"
#include "MainDataModule.h"
#include "MeasurementReport.h"
#include "OleDate.h"
#include "ResultWorkbook.h"

#include <QGuiApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

double medianSeconds(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e9);
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

TMsrResult result(int n)
{
    TMsrResult r;
    r.MsrDate = OleDate::fromParts(2024, 1 + n % 12, 1 + n % 28, n % 24, (n / 24) % 60, n % 60);
    r.MsrNumber = uint32_t(n);
    r.ReinfKindID = n % 4;
    r.ReinfDiameter = 10 + n % 20;
    r.ForceEstimate = n % 3;
    r.Base = 500;
    r.F = 1000.5f + float(n % 5000);
    r.P = 0.5f * float(n % 100);
    r.S = 2.5f;
    return r;
}

} // namespace

int main(int argc, char* argv[])
{
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    qputenv("FIREBIRD_LOCK", dir.filePath(QStringLiteral("lock")).toLocal8Bit());
    const int count = 100000;
    const QString project = dir.filePath(QStringLiteral("p.fdb"));
    TMainDataModule module;
    if (!module.CreateDatabase(project) || !module.OpenDatabase(project)) {
        std::fprintf(stderr, "cannot create the project\n");
        return 1;
    }
    module.BeginUpdate();
    for (int n = 1; n <= count; ++n)
        module.AddResult(result(n));
    module.SortResults();
    module.EndUpdate();
    module.SaveChanges();
    module.SetMeasurand(1);
    module.SetLoadUnit(1);

    const double csv = medianSeconds(3, [&] {
        ReportTemplate layout = measurementReportTemplate();
        module.BeginUpdate();
        DataModuleRowSource rows(module);
        const BuiltReport report = buildMeasurementReport(
            layout, ReportVariant::Export, rows, {module.GetMeasurandName(), module.GetMeasurandUnit()});
        module.EndUpdate();
        saveCsvFile(report, dir.filePath(QStringLiteral("r.csv")));
    });
    const double xlsx = medianSeconds(3, [&] {
        saveResultWorkbook(module, project, dir.filePath(QStringLiteral("r.xlsx")));
    });
    std::printf("workbook of %d results: %.3f s (target <= 2 s); CSV export of the same: %.3f s; "
                "ratio %.2f (medians of 3)\n",
                count, xlsx, csv, xlsx / csv);
    return 0;
}
