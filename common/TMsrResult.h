#pragma once

#include <cstdint>
#include <vector>

// One measurement result as the instrument reports it and the project stores it.
struct TMsrResult
{
    double MsrDate = 0.0; // OLE date: days since 1899-12-30 00:00, fraction = time of day
    uint32_t MsrNumber = 0;
    int32_t ReinfKindID = 0;
    int32_t ReinfDiameter = 0;
    int32_t ForceEstimate = 0;
    int32_t Base = 0;
    float F = 0.0f;
    float P = 0.0f;
    float S = 0.0f;
};

using TArrayOfMsrResult = std::vector<TMsrResult>;
