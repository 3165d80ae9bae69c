// Reading the simulated instrument (no latency) into a project of 100,000 rows, end to end
// through the command's path without its modal windows: the worker's download, then the
// import into the open project. Prints the time beyond the link's 1 ms pause per exchange;
// the pause is measured as the link sleeps, alongside the download, and subtracted.
//
// Usage: read_from_device_bench [records [repeats]]   (defaults: 65535 records, 1 run)

#include "bench/support/BenchTiming.h"
#include "bench/support/RawProject.h"
#include "device/SimulatedInstrument.h"
#include "device/USB.h"
#include "download/ResultImport.h"
#include "download/TDownloadThread.h"
#include "storage/TMainDataModule.h"
#include "storage/fb/LockFolder.h"
#include "tests/support/SampleResults.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

constexpr int StoredRows = 100000;
// Exchanges with a reply (and so a pause) before the records: identification and name.
constexpr int RepliedExchangesBeforeRecords = 2;

double seconds(const QElapsedTimer& timer)
{
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

// Sleeps the way the link pauses, on a thread of its own, alongside the download, so that
// the baseline meets the same load; stop() answers the mean wall time of one pause.
class PauseBaseline
{
public:
    PauseBaseline()
        : m_thread([this] {
              QElapsedTimer timer;
              timer.start();
              int pauses = 0;
              while (!m_stop.load()) {
                  std::this_thread::sleep_for(std::chrono::milliseconds(1));
                  ++pauses;
              }
              m_seconds = seconds(timer) / std::max(pauses, 1);
          })
    {
    }
    double stop()
    {
        m_stop.store(true);
        m_thread.join();
        return m_seconds;
    }

private:
    std::atomic<bool> m_stop{false};
    double m_seconds = 0;
    std::thread m_thread;
};

struct Run
{
    double downloadSeconds;
    double importSeconds;
    double pauseSeconds;
    int added;
    bool completed;
};

Run readIntoProject(const QString& project, int records)
{
    auto instrument = std::make_shared<SimulatedInstrument>();
    std::vector<ResultRecord> stored;
    stored.reserve(static_cast<std::size_t>(records));
    for (int n = StoredRows; n < StoredRows + records; ++n)
        stored.push_back(encodeResultRecord(SampleResults::risingRecord(n)));
    instrument->setRecords(std::move(stored));
    usbSetDriverLayer(instrument);
    USBInit();
    instrument->plug();

    TMainDataModule dm;
    dm.OpenDatabase(project);
    QElapsedTimer timer;
    timer.start();
    PauseBaseline baseline;
    TDownloadThread worker;
    int messages = 0;
    QObject::connect(&worker, &TDownloadThread::progress, &worker, [&](int) { ++messages; });
    worker.Start();
    while (!worker.wait(20))
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const double download = seconds(timer);
    const double pause = baseline.stop();
    const bool completed = worker.ResultCode() == 0 && worker.Completed();
    const TArrayOfMsrResult results = worker.takeResults();
    timer.restart();
    const int added = completed ? importResults(dm, results) : 0;
    const double import = seconds(timer);

    dm.CancelChanges();
    dm.CloseDatabase();
    USBDone();
    usbSetDriverLayer(nullptr);
    return {download, import, pause, added, completed && messages <= 101};
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    fb::usePerUserLockFolder();
    const int records = argc > 1 ? std::clamp(std::atoi(argv[1]), 1, 65535) : 65535;
    const int repeats = argc > 2 ? std::max(1, std::atoi(argv[2])) : 1;

    QTemporaryDir dir;
    const QString project = dir.filePath("bench.vorn");
    if (!RawProject::make(project, StoredRows))
        return 1;

    std::vector<double> beyond, download, downloadBeyond, import, pause;
    for (int i = 0; i < repeats; ++i) {
        const Run run = readIntoProject(project, records);
        if (!run.completed || run.added != records)
            std::printf("  run %d: download incomplete or %d of %d added\n", i + 1, run.added,
                        records);
        const double pauses = double(records + RepliedExchangesBeforeRecords) * run.pauseSeconds;
        download.push_back(run.downloadSeconds);
        downloadBeyond.push_back(run.downloadSeconds - pauses);
        import.push_back(run.importSeconds);
        beyond.push_back(run.downloadSeconds - pauses + run.importSeconds);
        pause.push_back(run.pauseSeconds);
    }
    std::printf("Read %d records into a project of %d rows, median of %d run(s):\n", records,
                StoredRows, repeats);
    std::printf("  end to end beyond the pauses     %8.2f s\n", Bench::median(beyond));
    std::printf("    download beyond the pauses     %8.2f s  (%.1f us per record)\n",
                Bench::median(downloadBeyond), Bench::median(downloadBeyond) / records * 1e6);
    std::printf("      (a small negative value: below the baseline's jitter)\n");
    std::printf("    import (add, sort)             %8.2f s\n", Bench::median(import));
    std::printf("  download wall time               %8.2f s\n", Bench::median(download));
    std::printf("  one pause as slept (baseline)    %8.3f ms  x %d exchanges\n",
                Bench::median(pause) * 1e3, records + RepliedExchangesBeforeRecords);
    std::fflush(stdout);
    return 0;
}
