// Calendar dates and the local wall-clock time of the process's time zone
// (TZ), as the listing rows and floating calendar times give them.
#pragma once

#include <cstdint>

// The days of a month (1-12) of the Gregorian calendar; 0 for another month.
int DaysInMonth(int year, int month);

// A local wall-clock time in the process's time zone (TZ) as UTC seconds since
// 1970, through mktime with tm_isdst = -1, so the zone's rules decide summer
// or winter time. An hour that the change to summer time skips, or that the
// change back brings twice, gets whatever mktime makes of it (glibc: one of
// the two offsets), never a failure. False for a date or time that does not
// exist on any clock (31.04., 24:00) or outside the years 1-9999.
bool LocalTimeToUtc(int year, int month, int day, int hour, int minute, int second,
                    std::int64_t& utc);
