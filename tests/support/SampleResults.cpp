#include "tests/support/SampleResults.h"

#include "common/OleDate.h"

namespace SampleResults {

TMsrResult distinct(int n)
{
    TMsrResult r;
    r.MsrDate = OleDate::fromParts(2024, 1 + n % 12, 1 + n % 28, n % 24, (n / 24) % 60, n % 60);
    r.MsrNumber = static_cast<uint32_t>(n);
    r.ReinfKindID = n % 4;
    r.ReinfDiameter = 10 + n % 20;
    r.ForceEstimate = 1000 + n;
    r.Base = 500 + n % 7;
    r.F = 1000.5f + static_cast<float>(n);
    r.P = 0.25f * static_cast<float>(n);
    r.S = 3.0f;
    return r;
}

TMsrResult chosen(int n, int kind, int diameter, float f)
{
    TMsrResult r = distinct(n);
    r.MsrDate = OleDate::fromParts(2025, 3, 1, 8, 0, n);
    r.ReinfKindID = kind;
    r.ReinfDiameter = diameter;
    r.F = f;
    return r;
}

TMsrResult repeating(int n)
{
    TMsrResult r = distinct(n);
    r.ForceEstimate = 0;
    r.Base = 0;
    r.F = 1000.5f + float(n % 5000);
    r.P = 0.5f * float(n % 100);
    r.S = 2.5f;
    return r;
}

TMsrResult rising(int n)
{
    TMsrResult r;
    const int day = n / 1000;
    const int second = n % 1000 * 60 + n % 47;
    r.MsrDate = OleDate::fromParts(2020 + day / 360, 1 + day / 30 % 12, 1 + day % 28,
                                   second / 3600 % 24, second / 60 % 60, second % 60);
    r.MsrNumber = static_cast<uint32_t>(n);
    r.ReinfKindID = n % 4;
    r.ReinfDiameter = 8 + n % 30;
    r.ForceEstimate = n % 5000;
    r.Base = 400 + n % 9;
    r.F = 100.0f + static_cast<float>(n % 100000) / 7.0f;
    r.P = static_cast<float>(n % 300);
    r.S = 0.5f;
    return r;
}

TMsrResult risingRecord(int n)
{
    TMsrResult r = rising(n);
    r.MsrNumber = static_cast<uint32_t>(n % 65536);
    r.ForceEstimate = n % 256;
    return r;
}

TMsrResult bare(int n)
{
    TMsrResult r;
    r.MsrDate = OleDate::fromParts(2024, 1 + n % 12, 1 + n % 28, n % 24, n % 60, n % 60);
    r.MsrNumber = uint32_t(n);
    r.Base = 1000;
    r.F = float(n);
    return r;
}

TMsrResult numbered(int n)
{
    TMsrResult r;
    r.MsrDate = OleDate::fromParts(2024, 3, 1, 12, 0, n % 60);
    r.MsrNumber = uint32_t(n);
    return r;
}

TMsrResult signedRecord(int n)
{
    TMsrResult r;
    r.MsrDate =
        OleDate::fromParts(2020 + n % 30, 1 + n % 12, 1 + n % 28, n % 24, n % 60, (n * 7) % 60);
    r.MsrNumber = uint32_t(n % 65536);
    r.ReinfKindID = n % 4;
    r.ReinfDiameter = 10 + n % 30;
    r.ForceEstimate = n % 256;
    r.Base = 1000;
    r.F = float(n) * 1.5f;
    r.P = float(n) / 4.0f;
    r.S = -float(n);
    return r;
}

TMsrResult window(int number)
{
    TMsrResult r;
    r.MsrDate = OleDate::fromParts(2026, 3, 1 + number % 27, 10, number % 60, 0);
    r.MsrNumber = uint32_t(number);
    r.ReinfKindID = 0;
    r.ReinfDiameter = 12;
    r.ForceEstimate = 1;
    r.Base = 150;
    r.F = 1000.0f + float(number);
    r.P = 7.04f;
    r.S = 0.123f;
    return r;
}

TMsrResult daily(int number)
{
    TMsrResult r;
    r.MsrDate = OleDate::fromParts(2026, 3, 1 + number, 10, 0, 0);
    r.MsrNumber = uint32_t(number);
    r.ReinfDiameter = 12;
    r.Base = 150;
    r.F = 1000.0f + float(number);
    return r;
}

TMsrResult shutdown(int i)
{
    TMsrResult r;
    r.MsrDate = OleDate::fromParts(2026, 4, 1 + i % 27, 9, i % 60, 0);
    r.MsrNumber = uint32_t(100 + i);
    r.ReinfDiameter = 12;
    r.Base = 150;
    r.F = 900.0f + float(i);
    return r;
}

} // namespace SampleResults
