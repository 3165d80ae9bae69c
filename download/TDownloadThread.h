#pragma once

#include "common/TMsrResult.h"

#include <QThread>

#include <atomic>
#include <cstdint>

// The download worker: runs the download conversation over USBTransfer on its own thread
// and fills an array that it owns. It reports progress through the queued signal
// `progress` (0..99 as the percentage changes, then 200 once its outcome is final); the
// signal never blocks the worker, keeps its order and is dropped when the receiver is gone.
//
// Use from the user-interface thread:
//
//     TDownloadThread worker;
//     worker.setProgressWindow(&form); // form has a slot WMProgress(int)
//     worker.Start();
//     form.exec();
//     worker.Cancel();
//     if (worker.wait(2500)) { read ResultCode(), Completed(), Results() }
//     else worker.abandon();          // only after `new TDownloadThread`
class TDownloadThread : public QThread
{
    Q_OBJECT
public:
    // Progress value that announces the end of the worker.
    static constexpr int ProgressFinished = 200;

    explicit TDownloadThread(QObject* parent = nullptr);
    // Waits for a worker that is still running (at most the time-outs of one exchange).
    ~TDownloadThread() override;

    void Start() { start(QThread::NormalPriority); }
    // Sets the stop request; harmless at any time, also after the worker has ended.
    void Cancel() { requestInterruption(); }

    // Connects the progress signal, queued, to the slot WMProgress(int) of `window`.
    void setProgressWindow(QObject* window);

    // Final once the worker has ended (wait() returned true).
    uint32_t ResultCode() const { return m_resultCode; }
    bool Completed() const { return m_completed; }
    const TArrayOfMsrResult& Results() const { return m_results; }
    TArrayOfMsrResult takeResults() { return std::move(m_results); }

    // For a worker that did not end in time, made with `new` and without a parent: sets
    // the stop request, stops delivering progress, and deletes the object once the worker
    // has ended. The caller must not touch the object afterwards.
    void abandon();

signals:
    void progress(int value);

protected:
    void run() override;

private:
    uint32_t m_resultCode = 0;
    bool m_completed = false;
    TArrayOfMsrResult m_results;
};
