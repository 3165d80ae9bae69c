#include "device/USB.h"

#include "device/LibusbDriverLayer.h"
#include "device/UsbStatus.h"

#include <cstring>
#include <mutex>
#include <thread>

namespace {

UsbConnection Connection;

// Serialises exchanges, so that a late download worker still inside an exchange can never
// overlap one started afterwards, and USBDone never closes the layer under an exchange.
std::mutex ExchangeMutex;

std::shared_ptr<UsbDriverLayer> ChosenLayer;
std::shared_ptr<UsbDriverLayer> OpenLayer;
std::atomic<uint32_t> InitFailure{0};

constexpr uint8_t MatchClass = 0xFF;

uint32_t transfer(UsbDriverLayer& layer, uint8_t pipe, bool read, void* buffer, uint32_t length)
{
    uint32_t transferred = 0;
    const uint32_t status = layer.transferBulk(Connection.DeviceHandle.load(), pipe, read, buffer,
                                               length, transferred, USB_TRANSFER_TIMEOUT_MS);
    if (status != UsbStatus::Ok)
        return status;
    return transferred < length ? UsbStatus::ShortTransfer : UsbStatus::Ok;
}

} // namespace

void usbSetDriverLayer(std::shared_ptr<UsbDriverLayer> layer)
{
    std::lock_guard lock(ExchangeMutex);
    ChosenLayer = std::move(layer);
}

uint32_t USBInit()
{
    USBDone();

    UsbMatchEntry match;
    match.VendorId = USB_VENDOR_ID;
    match.ProductId = USB_PRODUCT_ID;
    match.DeviceClass = MatchClass;
    match.DeviceSubClass = MatchClass;
    match.InterfaceClass = MatchClass;
    match.InterfaceSubClass = MatchClass;
    match.InterfaceProtocol = 0x00;

    UsbEventTable events;
    events.Attach = DeviceAttach;
    events.Detach = DeviceDetach;
    events.PowerChange = DevicePowerChange;
    events.UserData = &Connection;

    uint32_t status = UsbStatus::Ok;
    {
        // Held while the layer opens, so that nothing reaches a half-opened layer; the
        // callbacks take no lock of ours.
        std::lock_guard lock(ExchangeMutex);
        const std::shared_ptr<UsbDriverLayer> layer =
            ChosenLayer ? ChosenLayer : std::make_shared<LibusbDriverLayer>();
        uint32_t handle = USB_CLOSED_HANDLE;
        status = layer->open(match, events, handle);
        if (status == UsbStatus::Ok) {
            OpenLayer = layer;
            Connection.DriverHandle = handle;
        } else {
            layer->close();
        }
    }
    if (status != UsbStatus::Ok)
        USBDone();
    InitFailure.store(status);
    return status;
}

uint32_t usbInitFailure()
{
    return InitFailure.load();
}

void USBDone()
{
    std::lock_guard lock(ExchangeMutex);
    if (OpenLayer) {
        OpenLayer->close();
        OpenLayer.reset();
    }
    Connection.DriverHandle = USB_CLOSED_HANDLE;
    // The layer has closed every device, so a handle kept here would name nothing.
    Connection.DeviceHandle.store(0);
}

bool USBDeviceConnected()
{
    if (Connection.DeviceHandle.load() != 0)
        return true;
    // An exchange in progress is not waited for: the retry is left to the layer's own.
    std::unique_lock lock(ExchangeMutex, std::try_to_lock);
    if (lock.owns_lock() && OpenLayer)
        OpenLayer->retryDevices();
    return Connection.DeviceHandle.load() != 0;
}

uint32_t usbOpenFailure()
{
    std::unique_lock lock(ExchangeMutex, std::try_to_lock);
    if (!lock.owns_lock() || !OpenLayer || Connection.DeviceHandle.load() != 0)
        return UsbStatus::Ok;
    return OpenLayer->openFailure();
}

uint32_t USBTransfer(uint32_t code, const void* payload, uint32_t payloadLength, void* reply,
                     uint32_t replyLength)
{
    std::lock_guard lock(ExchangeMutex);
    if (!OpenLayer)
        return UsbStatus::DriverUnavailable;
    if (!reply && replyLength > 0)
        return UsbStatus::InvalidParam;

    uint8_t packet[4 + USB_MAX_PAYLOAD];
    for (int i = 0; i < 4; ++i)
        packet[i] = static_cast<uint8_t>(code >> (8 * i));
    uint32_t payloadBytes = 0;
    if (payload && payloadLength > 0) {
        payloadBytes = payloadLength < USB_MAX_PAYLOAD ? payloadLength : USB_MAX_PAYLOAD;
        std::memcpy(packet + 4, payload, payloadBytes);
    }

    const uint32_t sent = transfer(*OpenLayer, USB_PIPE_COMMAND, false, packet, 4 + payloadBytes);
    if (sent != UsbStatus::Ok || replyLength == 0)
        return sent;

    std::this_thread::sleep_for(std::chrono::milliseconds(1));
    return transfer(*OpenLayer, USB_PIPE_REPLY, true, reply, replyLength);
}

bool DeviceAttach(UsbDeviceHandle device, const UsbDeviceDescription*, void* userData)
{
    auto* connection = static_cast<UsbConnection*>(userData);
    UsbDeviceHandle none = 0;
    return connection->DeviceHandle.compare_exchange_strong(none, device);
}

void DeviceDetach(UsbDeviceHandle, void* userData)
{
    static_cast<UsbConnection*>(userData)->DeviceHandle.store(0);
}

bool DevicePowerChange(UsbDeviceHandle, uint32_t, void*)
{
    return true;
}

const UsbConnection& usbConnection()
{
    return Connection;
}
