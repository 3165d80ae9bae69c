#include "common/OleDate.h"

#include <algorithm>
#include <cmath>

namespace OleDate {

namespace {
constexpr int64_t MsecsPerDay = 86400000;
// Project files keep times in 1/10000 s.
constexpr int64_t TicksPerDay = 864000000;
constexpr int64_t TicksPerMsec = TicksPerDay / MsecsPerDay;
// 0001-01-01 and 9999-12-31: the dates a project file and the "dd.mm.yyyy" text can hold.
constexpr double FirstDay = -693593;
constexpr double LastDay = 2958465;

bool isLeap(int y)
{
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int daysInMonth(int y, int m)
{
    static constexpr int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : lengths[m - 1];
}

// Days from 1970-01-01 (Howard Hinnant's days_from_civil).
int64_t daysFromCivil(int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void civilFromDays(int64_t z, int& year, int& month, int& day)
{
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t y = static_cast<int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(y + (month <= 2));
}

const int64_t OleEpoch = daysFromCivil(1899, 12, 30);
} // namespace

bool isValid(int year, int month, int day, int hour, int minute, int second)
{
    if (month < 1 || month > 12)
        return false;
    if (day < 1 || day > daysInMonth(year, month))
        return false;
    return hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

int64_t dayNumber(int year, int month, int day)
{
    return daysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) - OleEpoch;
}

double fromDayAndMsecs(int64_t day, int64_t msecOfDay)
{
    const double fraction = static_cast<double>(msecOfDay) / static_cast<double>(MsecsPerDay);
    // Negative values count the day back and the time forward.
    return day >= 0 ? static_cast<double>(day) + fraction : static_cast<double>(day) - fraction;
}

double fromParts(int year, int month, int day, int hour, int minute, int second, int msec)
{
    const int64_t msecs = ((int64_t(hour) * 60 + minute) * 60 + second) * 1000 + msec;
    return fromDayAndMsecs(dayNumber(year, month, day), msecs);
}

bool toDayAndMsecs(double ole, int64_t& day, int64_t& msecOfDay)
{
    day = 0;
    msecOfDay = 0;
    const double whole = std::trunc(ole);
    if (!(whole >= FirstDay && whole <= LastDay))
        return false;
    day = static_cast<int64_t>(whole);
    // The nearest tick undoes the double's representation error; cutting the rest keeps a
    // time just before midnight on its own day.
    const int64_t ticks = std::min<int64_t>(
        std::llround(std::fabs(ole - whole) * double(TicksPerDay)), TicksPerDay - 1);
    msecOfDay = ticks / TicksPerMsec;
    return true;
}

Parts toParts(double ole)
{
    int64_t day = 0;
    int64_t ms = 0;
    Parts p;
    if (!toDayAndMsecs(ole, day, ms)) {
        p.valid = false;
        return p;
    }
    civilFromDays(day + OleEpoch, p.year, p.month, p.day);
    p.msec = static_cast<int>(ms % 1000);
    ms /= 1000;
    p.second = static_cast<int>(ms % 60);
    ms /= 60;
    p.minute = static_cast<int>(ms % 60);
    p.hour = static_cast<int>(ms / 60);
    return p;
}

} // namespace OleDate
