#pragma once

#include <cstdint>

// The only instrument the program works with: what it answers to identification, and what a
// project records as the instrument its results come from.
constexpr char DEV_NAME[] = "VORN-1.0";
constexpr int32_t DEV_DATA_VERSION = 65537;
