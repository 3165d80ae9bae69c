// Prints the figures of a project of a million results (or as many as --rows gives), each
// against a baseline measured in the same run: opening against a raw SELECT, the CSV export
// against the opening, vornctl info against the opening, DeleteAllResults over appended rows
// against the same at a quarter of them, and the main window shown against the opening.
// Times and memory peaks of opening, export and window are taken in child processes, so
// that each peak belongs to that work alone.

#include "app/ProgramFolder.h"
#include "app/TMainForm.h"
#include "bench/support/BenchTiming.h"
#include "bench/support/RawProject.h"
#include "report/CsvExport.h"
#include "report/DataModuleRowSource.h"
#include "report/MeasurementReport.h"
#include "storage/TMainDataModule.h"
#include "storage/fb/LockFolder.h"
#include "tests/support/SampleResults.h"

#include <QApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <memory>

namespace {

constexpr int Repeats = 3;

// Opens the project, then writes its CSV export; prints both times and both peaks (KiB).
int openAndExport(const QString& project, const QString& csv)
{
    TMainDataModule module;
    double open = Bench::seconds([&] { module.OpenDatabase(project); });
    const long openPeak = Bench::peakMemoryKiB();
    const double exportTime = Bench::seconds([&] {
        module.BeginUpdate();
        DataModuleRowSource rows(module);
        ReportTemplate layout = measurementReportTemplate();
        saveCsvFile(layout, rows, {module.GetMeasurandName(), module.GetMeasurandUnit()}, csv);
        module.EndUpdate();
    });
    std::printf("%d %.4f %ld %.4f %ld\n", module.dsetVORN->recordCount(), open, openPeak,
                exportTime, Bench::peakMemoryKiB());
    return 0;
}

// Starts the main window on a program folder whose last project is the given one; prints the
// time until it is shown with its first events handled, and the peak (KiB).
int showWindow(const QString& folder, const QString& project)
{
    ProgramFolder::setPath(folder);
    QFile settings(ProgramFolder::settingsFile());
    if (!settings.open(QIODevice::WriteOnly))
        return 1;
    settings.write("[General]\nLastProject=" + QFile::encodeName(project) + "\n");
    settings.close();
    std::unique_ptr<TMainForm> form;
    const double shown = Bench::seconds([&] {
        form = std::make_unique<TMainForm>();
        form->show();
        QCoreApplication::processEvents();
    });
    std::printf("%.4f %ld\n", shown, Bench::peakMemoryKiB());
    return 0;
}

std::vector<double> runChild(const QStringList& arguments)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    child.waitForFinished(-1);
    std::vector<double> figures;
    for (const QByteArray& word : child.readAllStandardOutput().simplified().split(' '))
        figures.push_back(word.toDouble());
    return figures;
}

double runVornctl(const QStringList& arguments)
{
    return Bench::seconds([&] {
        QProcess child;
        child.start(QStringLiteral(VORNCTL_PATH), arguments);
        child.waitForFinished(-1);
        child.readAll();
    });
}

} // namespace

int main(int argc, char* argv[])
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    fb::usePerUserLockFolder();
    const QStringList args = app.arguments();
    if (args.size() == 4 && args[1] == "--open-and-export")
        return openAndExport(args[2], args[3]);
    if (args.size() == 4 && args[1] == "--window")
        return showWindow(args[2], args[3]);
    if (args.size() == 3 && args[1] == "--raw-select") {
        const double seconds = Bench::seconds([&] { RawProject::select(args[2]); });
        std::printf("%.4f %ld\n", seconds, Bench::peakMemoryKiB());
        return 0;
    }
    // --make-project PATH COUNT only writes the project, for looking at it by other means.
    if (args.size() == 4 && args[1] == "--make-project")
        return RawProject::make(args[2], args[3].toInt()) ? 0 : 1;
    const int rows = args.size() == 3 && args[1] == "--rows" ? args[2].toInt() : 1000000;

    QTemporaryDir dir;
    const QString project = dir.filePath(QStringLiteral("million.fdb"));
    const QString csv = dir.filePath(QStringLiteral("million.csv"));
    if (!RawProject::make(project, rows)) {
        std::fprintf(stderr, "cannot make the project\n");
        return 1;
    }
    std::printf("Project of %d results; medians of %d runs\n\n", rows, Repeats);

    std::vector<double> raws, opens, openPeaks, exports, exportPeaks, windows, windowPeaks;
    for (int i = 0; i < Repeats; ++i) {
        raws.push_back(Bench::seconds([&] { RawProject::select(project); }));
        const std::vector<double> f = runChild({"--open-and-export", project, csv});
        if (f.size() != 5 || int(f[0]) != rows) {
            std::fprintf(stderr, "the export child failed\n");
            return 1;
        }
        opens.push_back(f[1]);
        openPeaks.push_back(f[2] / 1024.0);
        exports.push_back(f[3]);
        exportPeaks.push_back(f[4] / 1024.0);
        QTemporaryDir folder;
        const std::vector<double> w = runChild({"--window", folder.path(), project});
        if (w.size() != 2) {
            std::fprintf(stderr, "the window child failed\n");
            return 1;
        }
        windows.push_back(w[0]);
        windowPeaks.push_back(w[1] / 1024.0);
    }
    const double raw = Bench::median(raws);
    const double open = Bench::median(opens);
    const double openPeak = Bench::median(openPeaks);
    std::printf("1. OpenDatabase\n   open %.3f s, raw SELECT %.3f s: ratio %.2f (target <= 1.5); "
                "peak %.0f MiB (target <= 200 MB)\n\n",
                open, raw, open / raw, openPeak);
    const double exportTime = Bench::median(exports);
    const double exportPeak = Bench::median(exportPeaks);
    std::printf("2. CSV export (build + save)\n   export %.3f s: %.2f x the open (target <= 1.5); "
                "peak %.0f MiB, %+.0f MiB over the open's (target <= +64)\n\n",
                exportTime, exportTime / open, exportPeak, exportPeak - openPeak);

    std::vector<double> infos, versions;
    for (int i = 0; i < Repeats; ++i) {
        versions.push_back(runVornctl({"--version"}));
        infos.push_back(runVornctl({"info", project}));
    }
    const double info = Bench::median(infos);
    std::printf("3. vornctl info\n   %.3f s (target <= 0.5 s): %.2f x the open; the program's "
                "start alone (--version) %.3f s\n\n",
                info, info / open, Bench::median(versions));

    std::printf("4. DeleteAllResults over unsaved appended rows\n");
    std::vector<double> perRow;
    for (int count : {rows / 4, rows}) {
        const QString fresh = dir.filePath(QStringLiteral("appended%1.fdb").arg(count));
        {
            TMainDataModule creator;
            if (!creator.CreateDatabase(fresh))
                return 1;
        }
        TMainDataModule module;
        if (!module.OpenDatabase(fresh))
            return 1;
        std::vector<double> times;
        for (int i = 0; i < Repeats; ++i) {
            module.BeginUpdate();
            for (int n = 0; n < count; ++n)
                module.AddResult(SampleResults::rising(n));
            module.EndUpdate();
            times.push_back(Bench::seconds([&] { module.DeleteAllResults(); }));
            module.CancelChanges();
        }
        const double t = Bench::median(times);
        perRow.push_back(t / count);
        std::printf("   %7d rows: %.3f s, %.0f ns per row%s\n", count, t, t / count * 1e9,
                    count == rows ? " (target <= 0.3 s for a million)" : "");
        module.CloseDatabase();
    }
    std::printf("   per row at %d against %d: ratio %.2f (linear: about 1)\n\n", rows, rows / 4,
                perRow[1] / perRow[0]);

    const double window = Bench::median(windows);
    std::printf("5. Main window shown with the project as its last one\n   %.3f s: %.2f x the "
                "open (target <= 1.5); peak %.0f MiB\n",
                window, window / open, Bench::median(windowPeaks));
    return 0;
}
