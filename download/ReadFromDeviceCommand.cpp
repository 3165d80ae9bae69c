#include "download/ReadFromDeviceCommand.h"

#include "common/LinkErrorTexts.h"

#include "common/ui/MessageBoxes.h"
#include "device/NoDeviceMessage.h"
#include "device/USB.h"
#include "download/ResultImport.h"
#include "download/TDownloadForm.h"
#include "download/TDownloadSummaryForm.h"
#include "download/TDownloadThread.h"
#include "storage/TMainDataModule.h"

#include <QApplication>
#include <QList>
#include <QPointer>
#include <QScopeGuard>
#include <QWidget>

#include <memory>

namespace {

constexpr unsigned long WorkerEndWaitMs = 2500;

// Workers that outlived the wait; touched on the user-interface thread only. An entry turns
// null once its worker has ended and its object was deleted by the event loop.
QList<QPointer<TDownloadThread>>& abandonedWorkers()
{
    static QList<QPointer<TDownloadThread>> workers;
    return workers;
}

void showSummary(QWidget* owner, int32_t inDevice, int32_t added)
{
    TDownloadSummaryForm summary(owner);
    summary.setResultsInDeviceMemory(inDevice);
    summary.setResultsAddedToProject(added);
    summary.exec();
}

// Gives the grid the focus however the command ends, an import error included.
class FocusAtEnd
{
public:
    explicit FocusAtEnd(QWidget* target) : m_target(target) {}
    ~FocusAtEnd()
    {
        if (m_target && m_target->isVisible() && m_target->isEnabled() &&
            m_target->focusPolicy() != Qt::NoFocus)
            m_target->setFocus(Qt::OtherFocusReason);
    }
    FocusAtEnd(const FocusAtEnd&) = delete;
    FocusAtEnd& operator=(const FocusAtEnd&) = delete;

private:
    QPointer<QWidget> m_target;
};

} // namespace

std::optional<DeviceReadOutcome> runDownloadWithProgress(QWidget* owner)
{
    // Made with `new` and without a parent, so that it can be abandoned if it outlives the wait.
    auto worker = std::make_unique<TDownloadThread>();
    {
        TDownloadForm form(owner);
        worker->setProgressWindow(&form);
        worker->Start();
        form.exec();
    }
    // Every way the window closes is a cancel; for a worker that has ended this does nothing.
    worker->Cancel();
    if (!worker->wait(WorkerEndWaitMs)) {
        // It ends by itself within one exchange's time-outs, on its own array; USBTransfer
        // keeps its remaining exchange from overlapping any later one.
        abandonedWorkers().append(worker.get());
        worker.release()->abandon();
        return std::nullopt;
    }
    return DeviceReadOutcome{worker->ResultCode(), worker->Completed(), worker->takeResults()};
}

void ReadFromDeviceActionExecute(TMainDataModule& dm, QWidget* owner, QWidget* focusTarget)
{
    if (!USBDeviceConnected()) {
        showErrorBox(owner, noDeviceMessage());
        return;
    }
    FocusAtEnd focus(focusTarget);
    std::optional<DeviceReadOutcome> outcome = runDownloadWithProgress(owner);
    if (!outcome)
        return;
    if (outcome->ResultCode != 0) {
        showErrorBox(owner,
                     LinkErrorTexts::withStatus(LinkErrorTexts::LinkError, outcome->ResultCode));
        return;
    }
    if (!outcome->Completed)
        return;
    int32_t added = 0;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        added = importResults(dm, outcome->Results);
    }
    const auto inDevice = static_cast<int32_t>(outcome->Results.size());
    outcome->Results = {};
    showSummary(owner, inDevice, added);
}

void waitForAbandonedDownloads()
{
    // Deleting waits for the worker's end; a pending deferred deletion is dropped with it.
    QList<QPointer<TDownloadThread>>& workers = abandonedWorkers();
    for (const QPointer<TDownloadThread>& worker : std::as_const(workers))
        delete worker.data();
    workers.clear();
}

int abandonedDownloadCount()
{
    QList<QPointer<TDownloadThread>>& workers = abandonedWorkers();
    workers.removeIf([](const QPointer<TDownloadThread>& worker) { return worker.isNull(); });
    int running = 0;
    for (const QPointer<TDownloadThread>& worker : std::as_const(workers))
        if (!worker->isFinished())
            ++running;
    return running;
}
