#pragma once

// Holds the device link open for one command: the demo instrument or the USB device.
// Throws CtlError "Прибор не подключен!" when no device arrives within a second.
class DeviceSession
{
public:
    explicit DeviceSession(bool demo);
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;
};
