#include "download/DownloadConversation.h"

#include "device/DeviceCommands.h"
#include "device/DeviceProtocol.h"
#include "device/USB.h"

#include <string>
#include <vector>

DownloadOutcome runDownloadConversation(const DeviceExchange& exchange,
                                        const std::function<bool()>& stopRequested,
                                        const std::function<void(int)>& progress,
                                        TArrayOfMsrResult& results)
{
    DownloadOutcome outcome;
    uint32_t status = 0;
    // A failed exchange ends the conversation with its status; a stop request after a
    // successful one ends it quietly.
    auto exchanged = [&](uint32_t code, void* reply, uint32_t length) {
        status = exchange(code, reply, length);
        if (status != 0) {
            outcome.ResultCode = status;
            return false;
        }
        return !stopRequested();
    };

    uint8_t infoBlock[DEV_INFO_SIZE];
    if (!exchanged(DEV_CMD_INFO, infoBlock, DEV_INFO_SIZE))
        return outcome;
    const DeviceInfo info = decodeDeviceInfo(infoBlock);

    if (info.NameLength < 0) {
        outcome.ResultCode = DEV_ERR_BAD_NAME_LENGTH;
        return outcome;
    }
    // So long a name cannot be the expected one: refused without asking for it.
    if (info.NameLength > DEV_MAX_NAME_LENGTH) {
        outcome.ResultCode = DEV_ERR_WRONG_DEVICE;
        return outcome;
    }
    std::string name;
    if (info.NameLength > 0) {
        std::vector<uint8_t> reply(static_cast<std::size_t>(info.NameLength));
        if (!exchanged(DEV_CMD_NAME, reply.data(), static_cast<uint32_t>(info.NameLength)))
            return outcome;
        name = decodeDeviceName(reply.data(), info.NameLength);
    }
    if (name != DEV_NAME || info.DataVersion != DEV_DATA_VERSION) {
        outcome.ResultCode = DEV_ERR_WRONG_DEVICE;
        return outcome;
    }
    if (info.ResultCount < 0 || info.ResultCount > DEV_MAX_RESULT_COUNT) {
        outcome.ResultCode = DEV_ERR_BAD_RESULT_COUNT;
        return outcome;
    }
    if (info.ResultCount == 0) {
        outcome.Completed = true;
        return outcome;
    }

    const int64_t count = info.ResultCount;
    results.resize(static_cast<std::size_t>(count));
    if (!exchanged(DEV_CMD_RESULTS_BEGIN, nullptr, 0))
        return outcome;

    int lastPercent = -1;
    uint8_t record[DEV_RESULT_RECORD_SIZE];
    for (int64_t i = 0; i < count; ++i) {
        const int percent = static_cast<int>(i * 100 / count);
        if (percent != lastPercent) {
            progress(percent);
            lastPercent = percent;
        }
        if (!exchanged(DEV_CMD_RESULT_NEXT, record, DEV_RESULT_RECORD_SIZE))
            return outcome;
        results[static_cast<std::size_t>(i)] = decodeResultRecord(record);
    }
    outcome.Completed = true;
    return outcome;
}

DownloadOutcome runDownloadConversation(const std::function<bool()>& stopRequested,
                                        const std::function<void(int)>& progress,
                                        TArrayOfMsrResult& results)
{
    return runDownloadConversation(
        [](uint32_t code, void* reply, uint32_t length) {
            return USBTransfer(code, nullptr, 0, reply, length);
        },
        stopRequested, progress, results);
}
