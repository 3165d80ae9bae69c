#include "LibusbDriverLayer.h"

#include "UsbStatus.h"

struct LibusbDriverLayer::Impl
{
};

LibusbDriverLayer::LibusbDriverLayer() : d(std::make_unique<Impl>()) {}

LibusbDriverLayer::~LibusbDriverLayer()
{
    close();
}

uint32_t LibusbDriverLayer::open(const UsbMatchEntry&, const UsbEventTable&, uint32_t&)
{
    return UsbStatus::DriverUnavailable;
}

uint32_t LibusbDriverLayer::transferBulk(UsbDeviceHandle, uint8_t, bool, void*, uint32_t,
                                         uint32_t& transferred, uint32_t)
{
    transferred = 0;
    return UsbStatus::NoDevice;
}

void LibusbDriverLayer::close() {}
