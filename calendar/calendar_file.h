// The calendar file "velunda.ics": the hits as iCalendar events (RFC 5545),
// each with an alarm before its start, written and read back with libical.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// One broadcast in the calendar. Texts are UTF-8.
struct CalendarEvent
{
    std::string uid;        // stable across runs for the same hit (EventUid)
    std::int64_t start = 0; // UTC seconds since 1970
    bool hasEnd = false;
    std::int64_t end = 0;    // UTC seconds since 1970, when hasEnd
    std::string summary;     // the title
    std::string location;    // the channel
    std::string description; // the whole result row and the link
    std::string url;         // empty: no URL property
};

// The UID of a hit, from its result-list line and its link (the bytes as
// stored): 16 hex digits of a 64-bit FNV-1a hash, then "@velunda". The same
// hit gets the same UID on every machine and in every run.
std::string EventUid(const std::string& line, const std::string& link);

// The whole calendar file: a VCALENDAR (VERSION 2.0, PRODID
// "-//Velunda//Velunda <version>//DE", CALSCALE GREGORIAN, METHOD PUBLISH,
// X-WR-CALNAME Velunda) with one VEVENT per event: UID, DTSTAMP (now),
// DTSTART, DTEND when hasEnd, SUMMARY, LOCATION, DESCRIPTION, URL when not
// empty, all times in UTC. With alarmMinutes > 0 (at most 1440 are used)
// each event has a VALARM that shows the summary that many minutes before the
// start; 0 or less: no alarm. libical escapes and folds the texts; invalid
// UTF-8 becomes U+FFFD and control characters other than a line break become
// blanks, a URL is percent-encoded where a URI allows no such character.
// The bytes have CR LF line ends.
std::string FormatCalendar(const std::vector<CalendarEvent>& events, int alarmMinutes,
                           std::int64_t now, const std::string& version);

// The events of a calendar file: every VEVENT with a UID and a valid DTSTART,
// in file order. A time with a TZID is converted by that time zone (the
// file's VTIMEZONE, else the system's zone of that name); a floating time, a
// DATE (taken as its midnight) and a TZID that names no known zone are local
// time in the process's time zone. The end comes from DTEND or DURATION.
// Unreadable input gives the events that could be read, maybe none.
std::vector<CalendarEvent> ParseCalendar(const std::string& bytes);
