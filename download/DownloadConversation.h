#pragma once

#include "common/TMsrResult.h"

#include <cstdint>
#include <functional>

// The download conversation with the instrument, free of threads and windows so that the
// worker, tests and benchmarks share it.

struct DownloadOutcome
{
    uint32_t ResultCode = 0; // 0, the failed exchange's status, or a DEV_ERR_* code
    bool Completed = false;  // every announced result was read (or none was announced)
};

// One exchange: sends `code` and reads replyLength bytes into reply (nothing when 0).
using DeviceExchange = std::function<uint32_t(uint32_t code, void* reply, uint32_t replyLength)>;

// Reads the identification block and the name, checks the identity, then reads every
// stored result into `results` (sized once, before the first record is asked for).
// `stopRequested` is asked after every exchange that succeeds; `progress` receives each
// new integer percentage 0..99 before the record it belongs to is asked for. The final
// 200 is the caller's to send, after it has stored the outcome.
DownloadOutcome runDownloadConversation(const DeviceExchange& exchange,
                                        const std::function<bool()>& stopRequested,
                                        const std::function<void(int)>& progress,
                                        TArrayOfMsrResult& results);

// The same over USBTransfer.
DownloadOutcome runDownloadConversation(const std::function<bool()>& stopRequested,
                                        const std::function<void(int)>& progress,
                                        TArrayOfMsrResult& results);
