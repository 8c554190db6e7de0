// Calendar dates and local wall-clock time through the C library.
#include "local_time.h"

#include <ctime>

int DaysInMonth(int year, int month)
{
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

bool LocalTimeToUtc(int year, int month, int day, int hour, int minute, int second,
                    std::int64_t& utc)
{
    // A leap second (:60) is allowed in iCalendar; mktime carries it on.
    if (year < 1 || year > 9999 || day < 1 || day > DaysInMonth(year, month) || hour < 0 ||
        hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 60)
        return false;
    std::tm local{};
    local.tm_year = year - 1900;
    local.tm_mon = month - 1;
    local.tm_mday = day;
    local.tm_hour = hour;
    local.tm_min = minute;
    local.tm_sec = second;
    local.tm_isdst = -1;
    const std::time_t seconds = std::mktime(&local);
    // -1 is also 23:59:59 of 31.12.1969 UTC, a moment no listing shows.
    if (seconds == static_cast<std::time_t>(-1))
        return false;
    utc = static_cast<std::int64_t>(seconds);
    return true;
}
