#pragma once

#include <cstdint>

// Date-time values are OLE dates: days since 1899-12-30 00:00 as a double, the fraction
// being the time of day. For negative values the whole part counts back and the fraction
// forward (-1.25 is 1899-12-29 06:00).
namespace OleDate {

struct Parts
{
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int msec = 0;
    // False for a value outside 0001-01-01 to 9999-12-31 (or not a number); the rest is then
    // the default above.
    bool valid = true;
};

bool isValid(int year, int month, int day, int hour, int minute, int second);

// Days between 1899-12-30 and the given Gregorian date (negative before it).
int64_t dayNumber(int year, int month, int day);

// Built as days + seconds / 86400.0 in one division, so that a whole-second time gives
// the same double wherever it is computed (summing h/24 + m/1440 + s/86400 does not).
double fromParts(int year, int month, int day, int hour, int minute, int second, int msec = 0);
double fromDayAndMsecs(int64_t day, int64_t msecOfDay);

// Splits a value into its day number and the milliseconds of the day. The time is cut, never
// rounded up, so that 23:59:59.9999 stays on its day and in its second. False (and zeros) for
// a value outside 0001-01-01 to 9999-12-31 or not a number.
bool toDayAndMsecs(double ole, int64_t& day, int64_t& msecOfDay);
Parts toParts(double ole);

} // namespace OleDate
