#pragma once

#include "device/UsbDriverLayer.h"

#include <atomic>
#include <cstdint>
#include <memory>

// The device link: one process-wide connection to the instrument and one command exchange
// at a time. The instrument is vendor 0x03EB, product 0x0040; commands go out on bulk pipe
// 0x02, replies come back on 0x81, each transfer waits at most 2000 ms.

constexpr uint16_t USB_VENDOR_ID = 0x03EB;
constexpr uint16_t USB_PRODUCT_ID = 0x0040;
constexpr uint8_t USB_PIPE_COMMAND = 0x02;
constexpr uint8_t USB_PIPE_REPLY = 0x81;
constexpr uint32_t USB_TRANSFER_TIMEOUT_MS = 2000;
constexpr uint32_t USB_MAX_PAYLOAD = 60;
constexpr uint32_t USB_CLOSED_HANDLE = 0xFFFFFFFF;

struct UsbConnection
{
    uint32_t DriverHandle = USB_CLOSED_HANDLE;
    // Written by the layer's callbacks, read by any thread: one atomic word.
    std::atomic<UsbDeviceHandle> DeviceHandle{0};
};

// Chooses the driver layer that the next USBInit opens; nullptr restores the default
// (libusb). Call it while the link is closed.
void usbSetDriverLayer(std::shared_ptr<UsbDriverLayer> layer);

// Opens the driver layer. 0 on success, otherwise the status of the failed step
// (UsbStatus::DriverUnavailable when the USB library cannot start); the link is then
// left closed and no device ever arrives.
uint32_t USBInit();

// The status of the last USBInit when it failed, 0 when it succeeded or never ran.
uint32_t usbInitFailure();

// Closes what USBInit opened, after any exchange in progress has ended. After it no
// device is held. Safe to call when nothing is open, and twice.
void USBDone();

// True while a device is held. When none is, the matching devices that are plugged in
// but were refused or could not be opened are tried again first, so that a device freed
// by another program or given the access it lacked is taken without re-plugging.
bool USBDeviceConnected();

// While no device is held: the status with which a matching device that is plugged in
// last failed to open (UsbStatus::Busy, UsbStatus::Access, ...); 0 when there is none.
uint32_t usbOpenFailure();

// One exchange: sends the 4-byte little-endian command code followed by at most 60
// payload bytes, and then, if replyLength is not 0, reads exactly replyLength bytes into
// reply after a 1 ms pause. Returns 0 or the non-zero status of the transfer that
// failed; a reply shorter than replyLength is UsbStatus::ShortTransfer, a replyLength
// without a reply buffer UsbStatus::InvalidParam. Exchanges from different threads never
// overlap: a second caller waits for the first to end.
uint32_t USBTransfer(uint32_t code, const void* payload, uint32_t payloadLength, void* reply,
                     uint32_t replyLength);

// Callbacks given to the driver layer with the connection record as user data.
// DeviceAttach holds the first device that arrives and refuses others while one is held.
bool DeviceAttach(UsbDeviceHandle device, const UsbDeviceDescription* description, void* userData);
void DeviceDetach(UsbDeviceHandle device, void* userData);
bool DevicePowerChange(UsbDeviceHandle device, uint32_t powerState, void* userData);

// The process-wide connection record, for inspection.
const UsbConnection& usbConnection();
