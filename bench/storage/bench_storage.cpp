// Prints three figures of the project storage, each against a baseline measured in the same run:
// the import of 65,535 results into a 100,000-row project against the linear duplicate scan,
// saving them against a raw prepared-insert loop, and opening the project against a raw SELECT
// (with the peak memory of a process that only opens it).

#include "bench/support/BenchTiming.h"
#include "bench/support/RawProject.h"
#include "storage/TMainDataModule.h"
#include "storage/fb/LockFolder.h"
#include "tests/support/SampleResults.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

namespace {

constexpr int StoredRows = 100000;
constexpr int ImportedRows = 65535;
constexpr int ScanResults = 40;
constexpr int Repeats = 3;

// The duplicate test as a plain scan from the first row, counting the row pairs it compares.
bool linearResultExists(TMainDataModule& module, const TMsrResult& r, long long& pairs)
{
    CachedDataSet* data = module.dsetVORN;
    for (data->first(); !data->eof(); data->next()) {
        ++pairs;
        if (module.dsetVORNMSR_DATE->asDateTime() == r.MsrDate &&
            int64_t(module.dsetVORNMSR_NUMBER->asInteger()) == int64_t(r.MsrNumber))
            return true;
    }
    return false;
}

int openOnly(const QString& path)
{
    TMainDataModule module;
    if (!module.OpenDatabase(path))
        return 1;
    std::printf("%d %ld\n", module.dsetVORN->recordCount(), Bench::peakMemoryKiB());
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    fb::usePerUserLockFolder();
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == "--open-only")
        return openOnly(args[2]);

    // --make-project PATH only writes the 100,000-row project, for looking at it by other means.
    const bool makeOnly = args.size() == 3 && args[1] == "--make-project";
    QTemporaryDir dir;
    const QString project = makeOnly ? args[2] : dir.filePath("bench.fdb");
    if (makeOnly) {
        {
            TMainDataModule creator;
            if (!creator.CreateDatabase(project))
                return 1;
        }
        RawProject::insert(project, 0, StoredRows);
        return 0;
    }
    if (!RawProject::make(project, StoredRows))
        return 1;
    std::vector<TMsrResult> incoming;
    for (int n = StoredRows; n < StoredRows + ImportedRows; ++n)
        incoming.push_back(SampleResults::rising(n));

    std::printf("Project storage, %d stored rows, %d imported; medians of %d runs (open: %d)\n\n",
                StoredRows, ImportedRows, Repeats, 2 * Repeats + 1);

    // 3. Opening.
    std::vector<double> opens;
    std::vector<double> raws;
    for (int i = 0; i < 2 * Repeats + 1; ++i) {
        raws.push_back(Bench::seconds([&] { RawProject::select(project); }));
        TMainDataModule module;
        opens.push_back(Bench::seconds([&] { module.OpenDatabase(project); }));
        module.CloseDatabase();
    }
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--open-only", project});
    child.waitForFinished(120000);
    const QList<QByteArray> reply = child.readAll().trimmed().split(' ');
    const double peakMiB = reply.size() == 2 ? reply[1].toDouble() / 1024.0 : -1;

    // 1. Import, and the linear scan on a few results extrapolated per row pair.
    TMainDataModule module;
    module.OpenDatabase(project);
    long long pairs = 0;
    const double scanSeconds = Bench::seconds([&] {
        for (int i = 0; i < ScanResults; ++i)
            if (!linearResultExists(module, incoming[static_cast<size_t>(i)], pairs))
                module.AddResult(incoming[static_cast<size_t>(i)]);
    });
    module.CancelChanges();
    const double perPair = scanSeconds / static_cast<double>(pairs);
    const double fullPairs =
        double(ImportedRows) * StoredRows + double(ImportedRows) * (ImportedRows - 1) / 2.0;
    std::vector<double> imports;
    for (int i = 0; i < Repeats; ++i) {
        imports.push_back(Bench::seconds([&] {
            module.BeginUpdate();
            for (const TMsrResult& r : incoming)
                module.AddResult(r);
            module.SortResults();
            module.EndUpdate();
        }));
        if (i + 1 < Repeats)
            module.CancelChanges();
    }
    const double import = Bench::median(imports);
    const double scan = perPair * fullPairs;

    // 2. Saving the imported rows, against the raw loop, each on a fresh copy of the project.
    module.CloseDatabase();
    std::vector<double> saves;
    std::vector<double> rawSaves;
    for (int i = 0; i < Repeats; ++i) {
        const QString rawCopy = dir.filePath(QString("raw%1.fdb").arg(i));
        const QString saveCopy = dir.filePath(QString("save%1.fdb").arg(i));
        QFile::copy(project, rawCopy);
        QFile::copy(project, saveCopy);
        rawSaves.push_back(
            Bench::seconds([&] { RawProject::insert(rawCopy, StoredRows, ImportedRows); }));
        TMainDataModule saver;
        saver.OpenDatabase(saveCopy);
        saver.BeginUpdate();
        for (const TMsrResult& r : incoming)
            saver.AddResult(r);
        saver.EndUpdate();
        saves.push_back(Bench::seconds([&] { saver.SaveChanges(); }));
        saver.CloseDatabase();
        QFile::remove(rawCopy);
        QFile::remove(saveCopy);
    }
    const double rawSave = Bench::median(rawSaves);

    std::printf("1. Import of %d results (BeginUpdate, AddResult, SortResults, EndUpdate)\n",
                ImportedRows);
    std::printf("   import %.3f s (target <= 1 s); linear scan %.1f ns per row pair, "
                "extrapolated to %.0f s for %.3g pairs\n",
                import, perPair * 1e9, scan, fullPairs);
    std::printf("   speed-up %.0fx (target >= 100x)\n\n", scan / import);
    std::printf("2. SaveChanges of the %d new rows\n", ImportedRows);
    std::printf("   save %.3f s, raw prepared-insert loop %.3f s: ratio %.2f (target <= 1.5)\n\n",
                Bench::median(saves), rawSave, Bench::median(saves) / rawSave);
    std::printf("3. OpenDatabase of the %d-row project\n", StoredRows);
    std::printf("   open %.3f s, raw SELECT %.3f s: ratio %.2f (target <= 1.5); peak memory "
                "%.1f MiB (target <= 100 MB)\n",
                Bench::median(opens), Bench::median(raws),
                Bench::median(opens) / Bench::median(raws), peakMiB);
    return 0;
}
