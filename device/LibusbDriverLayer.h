#pragma once

#include "device/UsbDriverLayer.h"

#include <memory>

// The driver layer over libusb-1.0. Hot-plug reports devices already present and those
// that arrive later; where the platform has no hot-plug support the layer polls the
// device list instead. Accepting a device opens it and claims interface 0; a refused
// device is left alone; a removal closes what was opened. A device that is not taken is
// offered again on every hot-plug event, every half second and at retryDevices().
class LibusbDriverLayer : public UsbDriverLayer
{
public:
    enum class Discovery
    {
        HotplugWhereSupported,
        Polling, // forces the fall-back, so that it can be tested where hot-plug works
    };

    explicit LibusbDriverLayer(Discovery discovery = Discovery::HotplugWhereSupported);
    ~LibusbDriverLayer() override;

    uint32_t open(const UsbMatchEntry& match, const UsbEventTable& events,
                  uint32_t& driverHandle) override;
    uint32_t transferBulk(UsbDeviceHandle device, uint8_t pipe, bool read, void* buffer,
                          uint32_t length, uint32_t& transferred, uint32_t timeoutMs) override;
    void retryDevices() override;
    uint32_t openFailure() const override;
    void close() override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};
