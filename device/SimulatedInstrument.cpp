#include "device/SimulatedInstrument.h"

#include "device/USB.h"
#include "device/UsbStatus.h"

#include <algorithm>
#include <cstring>
#include <thread>

namespace {
constexpr uint8_t NameLeadByte = 0x01;
constexpr uint32_t SimulatedDriverHandle = 1;
} // namespace

SimulatedInstrument::SimulatedInstrument() : m_name(DEV_NAME), m_dataVersion(DEV_DATA_VERSION) {}

SimulatedInstrument::~SimulatedInstrument() = default;

void SimulatedInstrument::setName(const std::string& name)
{
    std::lock_guard lock(m_mutex);
    m_name = name;
}

void SimulatedInstrument::setDataVersion(int32_t version)
{
    std::lock_guard lock(m_mutex);
    m_dataVersion = version;
}

void SimulatedInstrument::setNameLength(std::optional<int32_t> nameLength)
{
    std::lock_guard lock(m_mutex);
    m_nameLength = nameLength;
}

void SimulatedInstrument::setResultCount(std::optional<int32_t> resultCount)
{
    std::lock_guard lock(m_mutex);
    m_resultCount = resultCount;
}

void SimulatedInstrument::setResults(const TArrayOfMsrResult& results)
{
    std::vector<ResultRecord> records;
    records.reserve(results.size());
    for (const TMsrResult& result : results)
        records.push_back(encodeResultRecord(result));
    setRecords(std::move(records));
}

void SimulatedInstrument::setRecords(std::vector<ResultRecord> records)
{
    std::lock_guard lock(m_mutex);
    m_records = std::move(records);
}

void SimulatedInstrument::addRecord(const ResultRecord& record)
{
    std::lock_guard lock(m_mutex);
    m_records.push_back(record);
}

std::size_t SimulatedInstrument::recordCount() const
{
    std::lock_guard lock(m_mutex);
    return m_records.size();
}

void SimulatedInstrument::setScreen(const ScreenPicture& picture)
{
    std::lock_guard lock(m_mutex);
    m_screen = picture;
}

ScreenPicture SimulatedInstrument::screen() const
{
    std::lock_guard lock(m_mutex);
    return m_screen;
}

void SimulatedInstrument::plug()
{
    std::unique_lock lock(m_mutex);
    if (m_plugged)
        return;
    m_plugged = true;
    m_handle = ++m_lastHandle;
    if (m_open)
        reportArrival(lock);
}

void SimulatedInstrument::unplug()
{
    std::unique_lock lock(m_mutex);
    if (!m_plugged)
        return;
    m_plugged = false;
    m_lastOpenFailure = UsbStatus::Ok;
    reportRemoval(lock);
}

bool SimulatedInstrument::isPlugged() const
{
    std::lock_guard lock(m_mutex);
    return m_plugged;
}

bool SimulatedInstrument::isAccepted() const
{
    std::lock_guard lock(m_mutex);
    return m_accepted;
}

bool SimulatedInstrument::changePower(uint32_t powerState)
{
    std::unique_lock lock(m_mutex);
    if (!m_accepted || !m_events.PowerChange)
        return false;
    const UsbEventTable events = m_events;
    const UsbDeviceHandle handle = m_handle;
    lock.unlock();
    return events.PowerChange(handle, powerState, events.UserData);
}

void SimulatedInstrument::timeoutAt(int exchange)
{
    std::lock_guard lock(m_mutex);
    m_faults[exchange] = {Fault::Timeout, 0};
}

void SimulatedInstrument::unplugAt(int exchange)
{
    std::lock_guard lock(m_mutex);
    m_faults[exchange] = {Fault::Unplug, 0};
}

void SimulatedInstrument::shortReplyAt(int exchange, uint32_t bytes)
{
    std::lock_guard lock(m_mutex);
    m_faults[exchange] = {Fault::ShortReply, bytes};
}

void SimulatedInstrument::clearFaults()
{
    std::lock_guard lock(m_mutex);
    m_faults.clear();
}

void SimulatedInstrument::setOpenStatus(uint32_t status)
{
    std::lock_guard lock(m_mutex);
    m_openStatus = status;
}

void SimulatedInstrument::setOpenFailure(uint32_t status)
{
    std::lock_guard lock(m_mutex);
    m_openFailure = status;
}

void SimulatedInstrument::retryDevices()
{
    std::unique_lock lock(m_mutex);
    if (m_open && m_plugged && !m_accepted)
        reportArrival(lock);
}

uint32_t SimulatedInstrument::openFailure() const
{
    std::lock_guard lock(m_mutex);
    return m_plugged && !m_accepted ? m_lastOpenFailure : UsbStatus::Ok;
}

void SimulatedInstrument::setTimeoutDuration(std::chrono::milliseconds duration)
{
    std::lock_guard lock(m_mutex);
    m_timeoutDuration = duration;
}

void SimulatedInstrument::setLatency(std::chrono::microseconds perTransfer)
{
    std::lock_guard lock(m_mutex);
    m_latency = perTransfer;
}

void SimulatedInstrument::setExchangeObserver(std::function<void(int, uint32_t)> observer)
{
    std::lock_guard lock(m_mutex);
    m_observer = std::move(observer);
}

int SimulatedInstrument::exchangeCount() const
{
    std::lock_guard lock(m_mutex);
    return m_exchange;
}

std::vector<uint32_t> SimulatedInstrument::commands() const
{
    std::lock_guard lock(m_mutex);
    return m_commands;
}

std::vector<uint8_t> SimulatedInstrument::lastCommandPacket() const
{
    std::lock_guard lock(m_mutex);
    return m_lastPacket;
}

void SimulatedInstrument::resetExchanges()
{
    std::lock_guard lock(m_mutex);
    m_exchange = 0;
    m_commands.clear();
    m_nextRecord = 0;
    m_pendingReply.reset();
    m_pendingFault.reset();
}

uint32_t SimulatedInstrument::open(const UsbMatchEntry& match, const UsbEventTable& events,
                                   uint32_t& driverHandle)
{
    std::unique_lock lock(m_mutex);
    (void)match;
    if (m_openStatus != UsbStatus::Ok)
        return m_openStatus;
    m_open = true;
    m_events = events;
    m_exchange = 0;
    m_commands.clear();
    m_nextRecord = 0;
    m_pendingReply.reset();
    m_pendingFault.reset();
    driverHandle = SimulatedDriverHandle;
    if (m_plugged)
        reportArrival(lock);
    return UsbStatus::Ok;
}

void SimulatedInstrument::close()
{
    std::lock_guard lock(m_mutex);
    m_open = false;
    m_accepted = false;
    m_lastOpenFailure = UsbStatus::Ok;
    m_events = {};
}

uint32_t SimulatedInstrument::transferBulk(UsbDeviceHandle device, uint8_t pipe, bool read,
                                           void* buffer, uint32_t length, uint32_t& transferred,
                                           uint32_t timeoutMs)
{
    transferred = 0;
    std::unique_lock lock(m_mutex);
    if (m_latency.count() > 0) {
        const auto latency = m_latency;
        lock.unlock();
        std::this_thread::sleep_for(latency);
        lock.lock();
    }
    if (!m_open || !m_accepted || device != m_handle)
        return UsbStatus::NoDevice;

    if (!read) {
        if (pipe != USB_PIPE_COMMAND || length < 4)
            return UsbStatus::Pipe;
        const auto* bytes = static_cast<const uint8_t*>(buffer);
        const uint32_t code = uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 |
                              uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
        const int exchange = ++m_exchange;
        m_commands.push_back(code);
        m_lastPacket.assign(bytes, bytes + length);
        m_pendingReply.reset();
        m_pendingFault.reset();

        if (m_observer) {
            const auto observer = m_observer;
            lock.unlock();
            observer(exchange, code);
            lock.lock();
            if (!m_open || !m_accepted || device != m_handle)
                return UsbStatus::NoDevice;
        }

        const auto fault = m_faults.find(exchange);
        if (fault != m_faults.end() && fault->second.kind == Fault::Unplug) {
            m_plugged = false;
            reportRemoval(lock);
            return UsbStatus::NoDevice;
        }
        std::vector<uint8_t> reply = replyTo(code);
        const bool hasReply = code != DEV_CMD_RESULTS_BEGIN && !reply.empty();
        if (fault != m_faults.end() && fault->second.kind == Fault::Timeout && !hasReply) {
            lock.unlock();
            waitFakedTimeout(timeoutMs);
            return UsbStatus::Timeout;
        }
        if (hasReply)
            m_pendingReply = std::move(reply);
        if (fault != m_faults.end())
            m_pendingFault = fault->second;
        transferred = length;
        return UsbStatus::Ok;
    }

    if (pipe != USB_PIPE_REPLY)
        return UsbStatus::Pipe;
    // A command the device does not answer leaves the read waiting for its time-out.
    if (!m_pendingReply || (m_pendingFault && m_pendingFault->kind == Fault::Timeout)) {
        m_pendingReply.reset();
        m_pendingFault.reset();
        lock.unlock();
        waitFakedTimeout(timeoutMs);
        return UsbStatus::Timeout;
    }
    std::vector<uint8_t> reply = std::move(*m_pendingReply);
    m_pendingReply.reset();
    uint32_t available = static_cast<uint32_t>(reply.size());
    if (m_pendingFault && m_pendingFault->kind == Fault::ShortReply)
        available = std::min(available, m_pendingFault->bytes);
    m_pendingFault.reset();
    transferred = std::min(available, length);
    std::memcpy(buffer, reply.data(), transferred);
    return UsbStatus::Ok;
}

std::vector<uint8_t> SimulatedInstrument::replyTo(uint32_t code)
{
    switch (code) {
    case DEV_CMD_INFO: {
        DeviceInfo info;
        info.NameLength = m_nameLength.value_or(static_cast<int32_t>(m_name.size() + 1));
        info.DataVersion = m_dataVersion;
        info.ResultCount = m_resultCount.value_or(static_cast<int32_t>(m_records.size()));
        const DeviceInfoBlock block = encodeDeviceInfo(info);
        return {block.begin(), block.end()};
    }
    case DEV_CMD_NAME: {
        const int32_t length = m_nameLength.value_or(static_cast<int32_t>(m_name.size() + 1));
        std::vector<uint8_t> reply(static_cast<std::size_t>(std::max(length, 0)), 0);
        if (!reply.empty())
            reply[0] = NameLeadByte;
        for (std::size_t i = 1; i < reply.size() && i - 1 < m_name.size(); ++i)
            reply[i] = static_cast<uint8_t>(m_name[i - 1]);
        return reply;
    }
    case DEV_CMD_RESULTS_BEGIN:
        m_nextRecord = 0;
        return {};
    case DEV_CMD_RESULT_NEXT: {
        if (m_records.empty())
            return std::vector<uint8_t>(DEV_RESULT_RECORD_SIZE, 0);
        const ResultRecord& record = m_records[m_nextRecord % m_records.size()];
        ++m_nextRecord;
        return {record.begin(), record.end()};
    }
    case DEV_CMD_SCREEN:
        return {m_screen.begin(), m_screen.end()};
    default:
        return {};
    }
}

void SimulatedInstrument::reportArrival(std::unique_lock<std::mutex>& lock)
{
    if (!m_events.Attach)
        return;
    const UsbEventTable events = m_events;
    const UsbDeviceHandle handle = m_handle;
    UsbDeviceDescription description;
    description.VendorId = USB_VENDOR_ID;
    description.ProductId = USB_PRODUCT_ID;
    const uint32_t failure = m_openFailure;
    lock.unlock();
    const bool accepted = events.Attach(handle, &description, events.UserData);
    // Taken but not openable: let go again, as the libusb layer does.
    if (accepted && failure != UsbStatus::Ok && events.Detach)
        events.Detach(handle, events.UserData);
    lock.lock();
    if (m_plugged && m_handle == handle) {
        m_accepted = accepted && failure == UsbStatus::Ok;
        if (accepted)
            m_lastOpenFailure = failure;
    }
}

void SimulatedInstrument::reportRemoval(std::unique_lock<std::mutex>& lock)
{
    const bool wasAccepted = m_accepted;
    m_accepted = false;
    if (!wasAccepted || !m_open || !m_events.Detach)
        return;
    const UsbEventTable events = m_events;
    const UsbDeviceHandle handle = m_handle;
    lock.unlock();
    events.Detach(handle, events.UserData);
    lock.lock();
}

void SimulatedInstrument::waitFakedTimeout(uint32_t timeoutMs) const
{
    std::chrono::milliseconds duration;
    {
        std::lock_guard lock(m_mutex);
        duration = m_timeoutDuration;
    }
    if (duration.count() < 0)
        duration = std::chrono::milliseconds(timeoutMs);
    if (duration.count() > 0)
        std::this_thread::sleep_for(duration);
}
