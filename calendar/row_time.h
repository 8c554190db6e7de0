// The start of a broadcast as a listings site shows it in a row: a day text
// such as "Di, 15.12." and a time text such as "20:15 Uhr".
#pragma once

#include <cstdint>
#include <string_view>

// The start of a broadcast from the row's day text and time text, as local
// wall-clock time in the process's time zone (TZ), in UTC seconds since 1970.
//
// Day: "15.12.", "15.12", "15.12.2026", "15.12.26" (20yy), each maybe after a
// German weekday ("Di", "Die", "Dienstag", maybe with "." and ","), or
// "heute" / "morgen" (anything after them is not read). Time: "20:15",
// "20.15", "9:05", maybe with "Uhr". Letter case and surrounding blanks do not
// matter. runTime (UTC seconds) is the moment of the run: it gives "heute",
// "morgen", and the year of a day without one, which is the year that puts
// the day between 30 days before the run's day and 335 days after it (the
// earlier one when both ends would fit). A weekday given must be the one the
// date falls on. A 29.02. without a year takes the leap year in that window,
// if there is one. The hour skipped or doubled by a change of summer time is
// what mktime makes of it (see LocalTimeToUtc).
//
// False, and start untouched, when either text cannot be read or names no
// real day or time: the row then simply has no known start.
bool ReadRowStart(std::string_view dayText, std::string_view timeText, std::int64_t runTime,
                  std::int64_t& start);
