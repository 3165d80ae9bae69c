#pragma once

#include "common/DeviceIdentity.h"

#include <cstdint>

// Commands understood by the instrument; none carries a payload.
constexpr uint32_t DEV_CMD_INFO = 1;          // reply: identification block
constexpr uint32_t DEV_CMD_NAME = 2;          // reply: NameLength bytes
constexpr uint32_t DEV_CMD_RESULTS_BEGIN = 3; // no reply
constexpr uint32_t DEV_CMD_RESULT_NEXT = 4;   // reply: one result record
constexpr uint32_t DEV_CMD_SCREEN = 6;        // reply: the screen picture

constexpr uint32_t DEV_INFO_SIZE = 20;
constexpr uint32_t DEV_RESULT_RECORD_SIZE = 26;
constexpr uint32_t DEV_SCREEN_WIDTH = 98;
constexpr uint32_t DEV_SCREEN_HEIGHT = 64;
constexpr uint32_t DEV_SCREEN_SIZE = DEV_SCREEN_WIDTH * DEV_SCREEN_HEIGHT / 8; // 784

// Statuses that the download makes up itself; they share the space of UsbStatus.h.
constexpr uint32_t DEV_ERR_WRONG_DEVICE = 0x70000001;
// NameLength negative; one beyond DEV_MAX_NAME_LENGTH is DEV_ERR_WRONG_DEVICE.
constexpr uint32_t DEV_ERR_BAD_NAME_LENGTH = 0x70000002;
// ResultCount negative or beyond DEV_MAX_RESULT_COUNT.
constexpr uint32_t DEV_ERR_BAD_RESULT_COUNT = 0x70000003;

// Bounds that keep a confused device from making the download allocate without limit.
constexpr int32_t DEV_MAX_NAME_LENGTH = 256;
constexpr int32_t DEV_MAX_RESULT_COUNT = 1 << 20;
