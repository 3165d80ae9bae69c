#include "device/DeviceProtocol.h"

#include "common/OleDate.h"

#include <cstring>

namespace {

uint16_t readU16(const uint8_t* p)
{
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

uint32_t readU32(const uint8_t* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

void writeU16(uint8_t* p, uint32_t v)
{
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}

void writeU32(uint8_t* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

float readFloat(const uint8_t* p)
{
    const uint32_t bits = readU32(p);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void writeFloat(uint8_t* p, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    writeU32(p, bits);
}

} // namespace

DeviceInfo decodeDeviceInfo(const uint8_t* block)
{
    DeviceInfo info;
    info.NameLength = static_cast<int32_t>(readU32(block));
    info.DataVersion = static_cast<int32_t>(readU32(block + 8));
    info.ResultCount = static_cast<int32_t>(readU32(block + 12));
    return info;
}

DeviceInfoBlock encodeDeviceInfo(const DeviceInfo& info)
{
    DeviceInfoBlock block{};
    writeU32(block.data(), static_cast<uint32_t>(info.NameLength));
    writeU32(block.data() + 8, static_cast<uint32_t>(info.DataVersion));
    writeU32(block.data() + 12, static_cast<uint32_t>(info.ResultCount));
    return block;
}

std::string decodeDeviceName(const uint8_t* reply, int32_t length)
{
    if (length <= 1)
        return {};
    return std::string(reinterpret_cast<const char*>(reply) + 1, std::size_t(length - 1));
}

double replacementMsrDate()
{
    return OleDate::fromParts(2000, 1, 1, 1, 0, 0);
}

TMsrResult decodeResultRecord(const uint8_t* record)
{
    TMsrResult result;
    const int second = record[0];
    const int minute = record[1];
    const int hour = record[2];
    const int day = record[3];
    const int month = record[4];
    const int year = 2000 + record[5];
    result.MsrDate = OleDate::isValid(year, month, day, hour, minute, second)
                         ? OleDate::fromParts(year, month, day, hour, minute, second)
                         : replacementMsrDate();
    result.MsrNumber = readU16(record + 6);
    result.ReinfKindID = record[8];
    result.ReinfDiameter = record[9];
    result.ForceEstimate = record[10];
    result.Base = readU16(record + 12);
    result.F = readFloat(record + 14);
    result.P = readFloat(record + 18);
    result.S = readFloat(record + 22);
    return result;
}

ResultRecord encodeResultRecord(const TMsrResult& result, uint8_t spare)
{
    ResultRecord record{};
    const OleDate::Parts parts = OleDate::toParts(result.MsrDate);
    record[0] = static_cast<uint8_t>(parts.second);
    record[1] = static_cast<uint8_t>(parts.minute);
    record[2] = static_cast<uint8_t>(parts.hour);
    record[3] = static_cast<uint8_t>(parts.day);
    record[4] = static_cast<uint8_t>(parts.month);
    record[5] = static_cast<uint8_t>(parts.year - 2000);
    writeU16(record.data() + 6, result.MsrNumber);
    record[8] = static_cast<uint8_t>(result.ReinfKindID);
    record[9] = static_cast<uint8_t>(result.ReinfDiameter);
    record[10] = static_cast<uint8_t>(result.ForceEstimate);
    record[11] = spare;
    writeU16(record.data() + 12, static_cast<uint32_t>(result.Base));
    writeFloat(record.data() + 14, result.F);
    writeFloat(record.data() + 18, result.P);
    writeFloat(record.data() + 22, result.S);
    return record;
}
