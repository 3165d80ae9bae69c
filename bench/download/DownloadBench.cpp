// Download of stored results from the simulated instrument with no latency: CPU time per
// record beyond the link's 1 ms pause between command and reply, and the number of progress
// messages. The pause is a sleep, but waking from it costs CPU time of its own (about 24 us
// on a virtual machine), so each run also measures that cost on a thread of its own and
// subtracts it.
//
// Usage: download_bench [records [repeats]]   (defaults: 65535 records once, then 5 runs
// of 2000 records for a median)

#include "bench/support/BenchTiming.h"
#include "device/SimulatedInstrument.h"
#include "device/USB.h"
#include "download/TDownloadThread.h"
#include "tests/support/SampleResults.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <sys/resource.h>
#include <thread>
#include <vector>

namespace {

double processCpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double threadCpuSeconds()
{
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// CPU time of one 1 ms pause, measured the way the link pauses.
double pauseCpuUs(int pauses)
{
    double cpu = 0;
    std::thread sleeper([&] {
        const double start = threadCpuSeconds();
        for (int i = 0; i < pauses; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        cpu = threadCpuSeconds() - start;
    });
    sleeper.join();
    return cpu / pauses * 1e6;
}

struct Run
{
    double pauseCpuUs;
    double workerCpuPerRecordUs;
    double processCpuPerRecordUs;
    double wallPerRecordMs;
    int messages;
    bool completed;
};

Run download(int records)
{
    auto instrument = std::make_shared<SimulatedInstrument>();
    std::vector<ResultRecord> stored(static_cast<std::size_t>(records));
    for (int i = 0; i < records; ++i) {
        stored[std::size_t(i)] = encodeResultRecord(SampleResults::bare(i));
    }
    instrument->setRecords(std::move(stored));
    instrument->plug();
    usbSetDriverLayer(instrument);
    USBInit();

    TDownloadThread worker;
    int messages = 0;
    double workerStart = 0, workerEnd = 0;
    QObject::connect(&worker, &TDownloadThread::progress, &worker, [&](int) { ++messages; });
    QObject::connect(
        &worker, &QThread::started, &worker, [&] { workerStart = threadCpuSeconds(); },
        Qt::DirectConnection);
    QObject::connect(
        &worker, &QThread::finished, &worker, [&] { workerEnd = threadCpuSeconds(); },
        Qt::DirectConnection);

    const double cpuBefore = processCpuSeconds();
    QElapsedTimer wall;
    wall.start();
    worker.Start();
    while (!worker.wait(20))
        QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    const double wallSeconds = double(wall.nsecsElapsed()) / 1e9;
    const double cpu = processCpuSeconds() - cpuBefore;

    USBDone();
    usbSetDriverLayer(nullptr);
    return {pauseCpuUs(std::min(records, 2000)),
            (workerEnd - workerStart) / records * 1e6,
            cpu / records * 1e6,
            wallSeconds / records * 1e3,
            messages,
            worker.Completed() && worker.ResultCode() == 0};
}

void report(int records, int repeats)
{
    std::vector<double> pause, worker, beyond, process, wall;
    std::vector<double> messages;
    for (int i = 0; i < repeats; ++i) {
        const Run run = download(records);
        if (!run.completed)
            std::printf("  run %d did not complete\n", i + 1);
        pause.push_back(run.pauseCpuUs);
        worker.push_back(run.workerCpuPerRecordUs);
        beyond.push_back(run.workerCpuPerRecordUs - run.pauseCpuUs);
        process.push_back(run.processCpuPerRecordUs);
        wall.push_back(run.wallPerRecordMs);
        messages.push_back(run.messages);
    }
    std::printf("%d records, median of %d run(s):\n", records, repeats);
    std::printf("  worker CPU per record beyond the pause %8.2f us   (target <= 20 us)\n",
                Bench::median(beyond));
    std::printf("  worker CPU per record                  %8.2f us\n", Bench::median(worker));
    std::printf("  CPU of one 1 ms pause (baseline)       %8.2f us\n", Bench::median(pause));
    std::printf("  whole process CPU per record           %8.2f us\n", Bench::median(process));
    std::printf("  wall time per record                   %8.3f ms   (1 ms of it is the pause)\n",
                Bench::median(wall));
    std::printf("  progress messages                      %8.0f      (target <= 101)\n",
                Bench::median(messages));
    std::fflush(stdout);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    if (argc > 1) {
        report(std::max(1, std::atoi(argv[1])), argc > 2 ? std::max(1, std::atoi(argv[2])) : 1);
        return 0;
    }
    report(65535, 1);
    report(2000, 5);
    return 0;
}
