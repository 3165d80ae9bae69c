#pragma once

#include <cstdint>

// Statuses of the device link, 32-bit, 0 for success. None of them is ever 0x70000001,
// which belongs to the download's device check (DeviceCommands.h).
namespace UsbStatus {

constexpr uint32_t Ok = 0;

// The link's own codes.
constexpr uint32_t DriverUnavailable = 0x20000000; // the USB library cannot be started
// Fewer bytes moved than asked: a short reply would otherwise leave stale bytes of an
// earlier reply in the caller's buffer.
constexpr uint32_t ShortTransfer = 0x20000001;

// Failures of a driver layer: 0x30000000 plus the magnitude of the libusb error number,
// so that the eight hex digits shown to the user still name the cause.
constexpr uint32_t fromLibusbError(int error)
{
    return 0x30000000u | (static_cast<uint32_t>(error < 0 ? -error : error) & 0xFFFFu);
}

constexpr uint32_t Io = fromLibusbError(-1);
constexpr uint32_t InvalidParam = fromLibusbError(-2);
constexpr uint32_t Access = fromLibusbError(-3);
constexpr uint32_t NoDevice = fromLibusbError(-4);
constexpr uint32_t NotFound = fromLibusbError(-5);
constexpr uint32_t Busy = fromLibusbError(-6);
constexpr uint32_t Timeout = fromLibusbError(-7);
constexpr uint32_t Overflow = fromLibusbError(-8);
constexpr uint32_t Pipe = fromLibusbError(-9);
constexpr uint32_t Interrupted = fromLibusbError(-10);
constexpr uint32_t NoMemory = fromLibusbError(-11);
constexpr uint32_t NotSupported = fromLibusbError(-12);
constexpr uint32_t Other = fromLibusbError(-99);

} // namespace UsbStatus
