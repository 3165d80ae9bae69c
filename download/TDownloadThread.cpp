#include "download/TDownloadThread.h"

#include "download/DownloadConversation.h"

TDownloadThread::TDownloadThread(QObject* parent) : QThread(parent) {}

TDownloadThread::~TDownloadThread()
{
    requestInterruption();
    wait();
}

void TDownloadThread::setProgressWindow(QObject* window)
{
    // By name, so that this library needs no window class; a receiver that is destroyed
    // disconnects itself and its pending calls are dropped.
    connect(this, SIGNAL(progress(int)), window, SLOT(WMProgress(int)), Qt::QueuedConnection);
}

void TDownloadThread::abandon()
{
    requestInterruption();
    disconnect(this, &TDownloadThread::progress, nullptr, nullptr);
    connect(this, &QThread::finished, this, &QObject::deleteLater);
    // The end may have come before the connection above was made.
    if (isFinished())
        deleteLater();
}

void TDownloadThread::run()
{
    const DownloadOutcome outcome =
        runDownloadConversation([this] { return isInterruptionRequested(); },
                                [this](int percent) { emit progress(percent); }, m_results);
    m_resultCode = outcome.ResultCode;
    m_completed = outcome.Completed;
    emit progress(ProgressFinished);
}
