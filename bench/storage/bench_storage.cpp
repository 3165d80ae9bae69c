// Prints three figures of the project storage, each against a baseline measured in the same run:
// the import of 65,535 results into a 100,000-row project against the linear duplicate scan,
// saving them against a raw prepared-insert loop, and opening the project against a raw SELECT
// (with the peak memory of a process that only opens it).

#include "MainDataModule.h"
#include "OleDate.h"
#include "fb/Attachment.h"
#include "fb/LockFolder.h"
#include "fb/Statement.h"
#include "fb/Transaction.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int StoredRows = 100000;
constexpr int ImportedRows = 65535;
constexpr int ScanResults = 40;
constexpr int Repeats = 3;

TMsrResult Sample(int n)
{
    TMsrResult r;
    const int day = n / 1000;
    const int second = n % 1000 * 60 + n % 47;
    r.MsrDate = OleDate::fromParts(2020 + day / 360, 1 + day / 30 % 12, 1 + day % 28,
                                   second / 3600 % 24, second / 60 % 60, second % 60);
    r.MsrNumber = static_cast<uint32_t>(n);
    r.ReinfKindID = n % 4;
    r.ReinfDiameter = 8 + n % 30;
    r.ForceEstimate = n % 5000;
    r.Base = 400 + n % 9;
    r.F = 100.0f + static_cast<float>(n % 100000) / 7.0f;
    r.P = static_cast<float>(n % 300);
    r.S = 0.5f;
    return r;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double Seconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

long PeakMemoryKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::string Native(const QString& path)
{
    return QFile::encodeName(path).toStdString();
}

// The baseline writer: one prepared insert per row in one transaction, then a commit.
void RawInsert(const QString& path, int from, int count)
{
    fb::Attachment attachment = fb::Attachment::Attach(Native(path), "SYSDBA", "x", "ASCII");
    fb::Transaction transaction = fb::Transaction::StartReadCommitted(attachment);
    fb::Statement insert(attachment, transaction,
                         "INSERT INTO MSR_RESULT_TABLE (MSR_RESULT_TABLE_PK, MSR_DATE, MSR_TIME, "
                         "MSR_NUMBER, REINF_KIND_ID, REINF_DIAMETER, FORCE_ESTIMATE, BASE, F, P, "
                         "S, MSR_COMMENT) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)");
    for (int n = from; n < from + count; ++n) {
        const TMsrResult r = Sample(n);
        insert.SetInteger(0, 1000000 + n);
        insert.SetDateTime(1, r.MsrDate);
        insert.SetDateTime(2, r.MsrDate);
        insert.SetInteger(3, static_cast<int32_t>(r.MsrNumber));
        insert.SetInteger(4, r.ReinfKindID);
        insert.SetInteger(5, r.ReinfDiameter);
        insert.SetInteger(6, r.ForceEstimate);
        insert.SetInteger(7, r.Base);
        insert.SetDouble(8, r.F);
        insert.SetDouble(9, r.P);
        insert.SetDouble(10, r.S);
        insert.SetNull(11);
        insert.Execute(transaction);
    }
    transaction.Commit();
    attachment.Detach();
}

// The baseline reader: every column of every row, as the dataset reads them.
void RawSelect(const QString& path)
{
    fb::Attachment attachment = fb::Attachment::Attach(Native(path), "SYSDBA", "x", "ASCII");
    fb::Transaction transaction = fb::Transaction::StartReadCommitted(attachment);
    fb::Statement select(attachment, transaction,
                         "SELECT * FROM MSR_RESULT_TABLE ORDER BY MSR_DATE, MSR_NUMBER DESC");
    select.Open(transaction);
    double sum = 0;
    while (select.Fetch())
        for (unsigned c = 0; c < select.ColumnCount(); ++c)
            if (!select.IsNull(c))
                sum += select.ColumnKindAt(c) == fb::ColumnKind::Blob
                           ? double(select.GetBytes(c).size())
                           : select.GetDouble(c);
    select.CloseCursor();
    transaction.Commit();
    attachment.Detach();
    if (sum == 0)
        std::puts("(empty)");
}

// The duplicate test as a plain scan from the first row, counting the row pairs it compares.
bool LinearResultExists(TMainDataModule& module, const TMsrResult& r, long long& pairs)
{
    TCachedDataSet* data = module.dsetVORN;
    for (data->First(); !data->Eof(); data->Next()) {
        ++pairs;
        if (module.dsetVORNMSR_DATE->AsDateTime() == r.MsrDate &&
            int64_t(module.dsetVORNMSR_NUMBER->AsInteger()) == int64_t(r.MsrNumber))
            return true;
    }
    return false;
}

int OpenOnly(const QString& path)
{
    TMainDataModule module;
    if (!module.OpenDatabase(path))
        return 1;
    std::printf("%d %ld\n", module.dsetVORN->RecordCount(), PeakMemoryKiB());
    return 0;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    fb::UsePerUserLockFolder();
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == "--open-only")
        return OpenOnly(args[2]);

    // --make-project PATH only writes the 100,000-row project, for looking at it by other means.
    const bool makeOnly = args.size() == 3 && args[1] == "--make-project";
    QTemporaryDir dir;
    const QString project = makeOnly ? args[2] : dir.filePath("bench.fdb");
    {
        TMainDataModule creator;
        if (!creator.CreateDatabase(project))
            return 1;
    }
    RawInsert(project, 0, StoredRows);
    if (makeOnly)
        return 0;
    // Generator past the raw keys, as a project that grew through the program would have it.
    {
        TMainDataModule module;
        module.OpenDatabase(project);
        module.ExecuteStatement("SET GENERATOR MSR_RESULT_TABLE_GEN TO 2000000");
        module.CloseDatabase();
    }
    std::vector<TMsrResult> incoming;
    for (int n = StoredRows; n < StoredRows + ImportedRows; ++n)
        incoming.push_back(Sample(n));

    std::printf("Project storage, %d stored rows, %d imported; medians of %d runs (open: %d)\n\n",
                StoredRows, ImportedRows, Repeats, 2 * Repeats + 1);

    // 3. Opening.
    std::vector<double> opens;
    std::vector<double> raws;
    for (int i = 0; i < 2 * Repeats + 1; ++i) {
        raws.push_back(Seconds([&] { RawSelect(project); }));
        TMainDataModule module;
        opens.push_back(Seconds([&] { module.OpenDatabase(project); }));
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
    const double scanSeconds = Seconds([&] {
        for (int i = 0; i < ScanResults; ++i)
            if (!LinearResultExists(module, incoming[static_cast<size_t>(i)], pairs))
                module.AddResult(incoming[static_cast<size_t>(i)]);
    });
    module.CancelChanges();
    const double perPair = scanSeconds / static_cast<double>(pairs);
    const double fullPairs =
        double(ImportedRows) * StoredRows + double(ImportedRows) * (ImportedRows - 1) / 2.0;
    std::vector<double> imports;
    for (int i = 0; i < Repeats; ++i) {
        imports.push_back(Seconds([&] {
            module.BeginUpdate();
            for (const TMsrResult& r : incoming)
                module.AddResult(r);
            module.SortResults();
            module.EndUpdate();
        }));
        if (i + 1 < Repeats)
            module.CancelChanges();
    }
    const double import = Median(imports);
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
        rawSaves.push_back(Seconds([&] { RawInsert(rawCopy, StoredRows, ImportedRows); }));
        TMainDataModule saver;
        saver.OpenDatabase(saveCopy);
        saver.BeginUpdate();
        for (const TMsrResult& r : incoming)
            saver.AddResult(r);
        saver.EndUpdate();
        saves.push_back(Seconds([&] { saver.SaveChanges(); }));
        saver.CloseDatabase();
        QFile::remove(rawCopy);
        QFile::remove(saveCopy);
    }
    const double rawSave = Median(rawSaves);

    std::printf("1. Import of %d results (BeginUpdate, AddResult, SortResults, EndUpdate)\n",
                ImportedRows);
    std::printf("   import %.3f s (target <= 1 s); linear scan %.1f ns per row pair, "
                "extrapolated to %.0f s for %.3g pairs\n",
                import, perPair * 1e9, scan, fullPairs);
    std::printf("   speed-up %.0fx (target >= 100x)\n\n", scan / import);
    std::printf("2. SaveChanges of the %d new rows\n", ImportedRows);
    std::printf("   save %.3f s, raw prepared-insert loop %.3f s: ratio %.2f (target <= 1.5)\n\n",
                Median(saves), rawSave, Median(saves) / rawSave);
    std::printf("3. OpenDatabase of the %d-row project\n", StoredRows);
    std::printf("   open %.3f s, raw SELECT %.3f s: ratio %.2f (target <= 1.5); peak memory "
                "%.1f MiB (target <= 100 MB)\n",
                Median(opens), Median(raws), Median(opens) / Median(raws), peakMiB);
    return 0;
}
