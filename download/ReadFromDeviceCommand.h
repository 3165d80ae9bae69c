#pragma once

#include "common/TMsrResult.h"

#include <cstdint>
#include <optional>

class QWidget;
class TMainDataModule;

// The command "Считать из прибора": checks that the instrument is held, downloads every
// stored result behind the modal progress window, reports a failed download, imports the
// results into the open project and shows how many the device held and how many were added.
// `owner` parents the command's windows; `focusTarget` (the results grid) gets the focus at
// the end when it can take it. Runs on the user-interface thread. A database error during
// the import propagates to the caller, for the application-wide error display.
void ReadFromDeviceActionExecute(TMainDataModule& dm, QWidget* owner, QWidget* focusTarget);

// What a download behind the progress window came to; nullopt when the worker had not
// ended 2500 ms after the window closed (its late outcome is discarded).
struct DeviceReadOutcome
{
    uint32_t ResultCode = 0;
    bool Completed = false;
    TArrayOfMsrResult Results;
};
std::optional<DeviceReadOutcome> runDownloadWithProgress(QWidget* owner);

// Waits until every download worker left running by the command has ended. The program's
// entry calls it after the event loop has returned and before the device link is shut down;
// it blocks at most for the time-outs of one exchange.
void waitForAbandonedDownloads();

// Download workers left running and not yet ended (for tests and diagnostics).
int abandonedDownloadCount();
