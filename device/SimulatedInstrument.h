#pragma once

#include "common/TMsrResult.h"
#include "device/DeviceProtocol.h"
#include "device/UsbDriverLayer.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

// A simulated instrument behind the driver-layer interface: the one test double of the
// program. It answers the instrument's commands from what it is given (name, data version,
// result records, screen picture), can be plugged in and out at any time, and fails on
// request.
//
// Use: make one, fill it, hand it to usbSetDriverLayer() before USBInit(), then plug().
//
//     auto instrument = std::make_shared<SimulatedInstrument>();
//     instrument->setResults(results);
//     usbSetDriverLayer(instrument);
//     USBInit();
//     instrument->plug();
//
// Exchanges are numbered from 1 in the order the commands arrive (each command packet
// starts one exchange); the numbering restarts with open() and resetExchanges().
//
// Callbacks run on the thread that calls plug(), unplug(), changePower() or open(), or on
// the exchanging thread for a removal injected with unplugAt(). All members may be called
// from any thread.
class SimulatedInstrument : public UsbDriverLayer
{
public:
    // Name "VORN-1.0", data version 65537, no result, an all-zero screen, not plugged in.
    SimulatedInstrument();
    ~SimulatedInstrument() override;

    // Identity. The name reply is one leading byte followed by the name's bytes, cut or
    // padded with zero bytes to the NameLength that the identification block reports.
    void setName(const std::string& name);
    void setDataVersion(int32_t version);
    // Reports this NameLength instead of 1 + the name's length (may be negative or absurd).
    void setNameLength(std::optional<int32_t> nameLength);
    // Reports this ResultCount instead of the number of stored records. Reading more
    // records than are stored repeats them from the first (all-zero records when none).
    void setResultCount(std::optional<int32_t> resultCount);

    // Stored results, sent in this order by DEV_CMD_RESULT_NEXT.
    void setResults(const TArrayOfMsrResult& results);
    void setRecords(std::vector<ResultRecord> records);
    void addRecord(const ResultRecord& record);
    std::size_t recordCount() const;

    // The 784-byte answer to DEV_CMD_SCREEN.
    void setScreen(const ScreenPicture& picture);
    ScreenPicture screen() const;

    // Plugging. plug() reports an arrival when opened (or at open() if plugged before);
    // each arrival gets a new handle. unplug() reports the removal of an accepted device.
    void plug();
    void unplug();
    bool isPlugged() const;
    // True while plugged in and accepted by the Attach callback.
    bool isAccepted() const;
    // Reports a power change; returns the callback's answer (false when not accepted).
    bool changePower(uint32_t powerState);

    // Faults at exchange k (counted from 1).
    // The reply of exchange k (or its command, when it has no reply) times out.
    void timeoutAt(int exchange);
    // The instrument is unplugged when command k arrives; that command's send fails.
    void unplugAt(int exchange);
    // The reply of exchange k carries only `bytes` bytes.
    void shortReplyAt(int exchange, uint32_t bytes);
    void clearFaults();

    // Makes open() fail with this status, as a USB library that cannot start; 0 undoes it.
    void setOpenStatus(uint32_t status);
    // While set, an arrival that the link accepts cannot be opened: the device is let go
    // at once and openFailure() reports this status, as for an instrument held by another
    // program (UsbStatus::Busy) or without access to its node (UsbStatus::Access). 0
    // undoes it; the next retryDevices() then takes the device.
    void setOpenFailure(uint32_t status);

    // How long a faked time-out blocks the caller: 0 (the default) returns at once; a
    // negative value waits the transfer's own time-out.
    void setTimeoutDuration(std::chrono::milliseconds duration);
    // Added to every transfer (both directions).
    void setLatency(std::chrono::microseconds perTransfer);

    // Observation. The observer is called as each command arrives, before it is answered,
    // on the exchanging thread and without any lock held.
    void setExchangeObserver(std::function<void(int exchange, uint32_t code)> observer);
    int exchangeCount() const;
    std::vector<uint32_t> commands() const;
    // The bytes of the last command packet, payload included.
    std::vector<uint8_t> lastCommandPacket() const;
    void resetExchanges();

    // UsbDriverLayer
    uint32_t open(const UsbMatchEntry& match, const UsbEventTable& events,
                  uint32_t& driverHandle) override;
    uint32_t transferBulk(UsbDeviceHandle device, uint8_t pipe, bool read, void* buffer,
                          uint32_t length, uint32_t& transferred, uint32_t timeoutMs) override;
    void retryDevices() override;
    uint32_t openFailure() const override;
    void close() override;

private:
    enum class Fault
    {
        Timeout,
        Unplug,
        ShortReply
    };
    struct FaultAt
    {
        Fault kind;
        uint32_t bytes;
    };

    std::vector<uint8_t> replyTo(uint32_t code);
    void reportArrival(std::unique_lock<std::mutex>& lock);
    void reportRemoval(std::unique_lock<std::mutex>& lock);
    void waitFakedTimeout(uint32_t timeoutMs) const;

    mutable std::mutex m_mutex;
    std::string m_name;
    int32_t m_dataVersion;
    std::optional<int32_t> m_nameLength;
    std::optional<int32_t> m_resultCount;
    std::vector<ResultRecord> m_records;
    ScreenPicture m_screen{};

    bool m_open = false;
    UsbEventTable m_events;
    bool m_plugged = false;
    bool m_accepted = false;
    UsbDeviceHandle m_handle = 0;
    UsbDeviceHandle m_lastHandle = 0;

    std::map<int, FaultAt> m_faults;
    std::chrono::milliseconds m_timeoutDuration{0};
    std::chrono::microseconds m_latency{0};
    std::function<void(int, uint32_t)> m_observer;

    int m_exchange = 0;
    std::vector<uint32_t> m_commands;
    std::vector<uint8_t> m_lastPacket;
    uint32_t m_openStatus = 0;
    uint32_t m_openFailure = 0;
    uint32_t m_lastOpenFailure = 0;
    std::size_t m_nextRecord = 0;
    // Reply of the current exchange, waiting to be read; none when the command has no
    // reply or the device does not know it.
    std::optional<std::vector<uint8_t>> m_pendingReply;
    std::optional<FaultAt> m_pendingFault;
};
