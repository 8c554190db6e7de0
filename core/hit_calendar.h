// The calendar file "velunda.ics" beside the result list: one event with a
// reminder for every row whose broadcast time is known, so that a calendar
// program reminds the user before a broadcast starts, also while no Velunda
// runs.
#pragma once

#include "known_hits_file.h"

#include <cstdint>
#include <string>
#include <vector>

class ListingsSearch;

// The file, in the working folder.
extern const char kCalendarFile[];

// The reminder before each start, in minutes (the settings value
// "Erinnerung"): 15 when unset, 0 for none, at most 1440.
const int kDefaultReminderMinutes = 15;
const int kMaxReminderMinutes = 1440;

// The calendar for the rows of list after a run. The time of a row comes
// from the guide for a guide's new hit; else from the calendar as it was
// (oldCalendar, its bytes; an event of the same hit keeps its times); else,
// for a new hit of the site and for every row when there was no calendar
// yet, from the day and time columns of the row, read around now. Rows whose
// time cannot be read, and broadcasts that ended more than 7 days before now,
// have no event.
std::string CalendarFor(const KnownHits& list, const ListingsSearch& run,
                        const std::string* oldCalendar, int reminderMinutes, std::int64_t now);

// Replaces kCalendarFile with the calendar for list after run, reading the
// old one first. False, with the failure logged, when it could not be saved.
bool SaveCalendar(const KnownHits& list, const ListingsSearch& run, int reminderMinutes);
