#pragma once

#include "common/TMsrResult.h"
#include "device/DeviceCommands.h"

#include <array>
#include <cstdint>
#include <string>

// Decoding and encoding of the instrument's replies. All integers are little-endian.

struct DeviceInfo
{
    int32_t NameLength = 0; // length of the name reply, including its leading byte
    int32_t DataVersion = 0;
    int32_t ResultCount = 0;
};

using DeviceInfoBlock = std::array<uint8_t, DEV_INFO_SIZE>;
using ResultRecord = std::array<uint8_t, DEV_RESULT_RECORD_SIZE>;
using ScreenPicture = std::array<uint8_t, DEV_SCREEN_SIZE>;

DeviceInfo decodeDeviceInfo(const uint8_t* block);
DeviceInfoBlock encodeDeviceInfo(const DeviceInfo& info);

// The name is bytes 1 .. length-1 of the reply, taken unchanged (zero bytes included).
std::string decodeDeviceName(const uint8_t* reply, int32_t length);

// 2000-01-01 01:00:00, stored for a record whose date or time is impossible.
double replacementMsrDate();

TMsrResult decodeResultRecord(const uint8_t* record);
// The inverse for a result the record can hold: whole seconds, years 2000-2255; the spare
// byte is written as `spare`.
ResultRecord encodeResultRecord(const TMsrResult& result, uint8_t spare = 0);
