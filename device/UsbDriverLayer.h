#pragma once

#include <cstdint>

// Opaque handle of one device that a driver layer reports; 0 never names a device.
using UsbDeviceHandle = std::uintptr_t;

// The one device the link looks for. How strictly the class codes are compared is the
// layer's matter: the libusb layer filters on vendor and product only.
struct UsbMatchEntry
{
    uint16_t VendorId = 0;
    uint16_t ProductId = 0;
    uint8_t DeviceClass = 0;
    uint8_t DeviceSubClass = 0;
    uint8_t InterfaceClass = 0;
    uint8_t InterfaceSubClass = 0;
    uint8_t InterfaceProtocol = 0;
};

// What the layer knows about an arriving device; informative only.
struct UsbDeviceDescription
{
    uint16_t VendorId = 0;
    uint16_t ProductId = 0;
    uint8_t BusNumber = 0;
    uint8_t DeviceAddress = 0;
};

// Callbacks the layer calls, possibly on a thread of its own and possibly while open()
// is still running. The answer of Attach decides whether the layer takes the device:
// true opens it (and claims its interface), false leaves it alone. Detach is called only
// for devices whose arrival was accepted, also right after Attach when the device then
// cannot be opened.
struct UsbEventTable
{
    bool (*Attach)(UsbDeviceHandle device, const UsbDeviceDescription* description,
                   void* userData) = nullptr;
    void (*Detach)(UsbDeviceHandle device, void* userData) = nullptr;
    bool (*PowerChange)(UsbDeviceHandle device, uint32_t powerState, void* userData) = nullptr;
    void* UserData = nullptr;
};

// The USB access the device link needs and nothing more. Statuses are 32-bit, 0 for
// success; the values are listed in UsbStatus.h.
class UsbDriverLayer
{
public:
    virtual ~UsbDriverLayer() = default;

    // Starts reporting matching devices, including those already plugged in, through the
    // callbacks. On success fills driverHandle with a value other than 0xFFFFFFFF.
    virtual uint32_t open(const UsbMatchEntry& match, const UsbEventTable& events,
                          uint32_t& driverHandle) = 0;

    // One bulk transfer of `length` bytes on `pipe` (0x02 out, 0x81 in; `read` tells the
    // direction), waiting at most timeoutMs. `transferred` receives the number of bytes
    // that actually moved, also on failure. A handle that names no accepted device fails.
    virtual uint32_t transferBulk(UsbDeviceHandle device, uint8_t pipe, bool read, void* buffer,
                                  uint32_t length, uint32_t& transferred, uint32_t timeoutMs) = 0;

    // Offers again to Attach every matching device that is plugged in but not taken: one
    // refused while another was held, and one that could not be opened. Safe when not open.
    // A layer whose devices always open may leave it as it is.
    virtual void retryDevices() {}

    // The status with which the last attempt to open a plugged-in matching device failed,
    // while that device is not taken; 0 when there is none.
    virtual uint32_t openFailure() const { return 0; }

    // Stops the callbacks and closes every device that was opened. Safe when not open.
    virtual void close() = 0;
};
