#pragma once

// Holds the device link open for one command: the demo instrument or the USB device.
// Throws CtlError with noDeviceMessage() when no device is held within a second.
class DeviceSession
{
public:
    explicit DeviceSession(bool demo);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;
};
