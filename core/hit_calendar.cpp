// The calendar of the result list's rows.
#include "hit_calendar.h"

#include "calendar_file.h"
#include "conversions.h"
#include "ds_xmltv.h"
#include "file_bytes.h"
#include "listings_search.h"
#include "row_time.h"
#include "velunda_version.h"

#include <ctime>
#include <unordered_map>

const char kCalendarFile[] = "velunda.ics";

namespace
{
const std::int64_t kKeptAfterEnd = std::int64_t{7} * 24 * 3600;

std::string Trimmed(const std::string& text)
{
    const std::string::size_type first = text.find_first_not_of(' ');
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The columns of a row: the criterion's byte, the time, the day, the
// channel, and the description (which may hold bars of its own).
struct Columns
{
    std::string time;
    std::string day;
    std::string channel;
    std::string description;
};

bool ReadColumns(const std::string& line, Columns& columns)
{
    std::string::size_type at[4];
    std::string::size_type from = 0;
    for (std::string::size_type& bar : at)
    {
        bar = line.find('|', from);
        if (bar == std::string::npos)
            return false;
        from = bar + 1;
    }
    columns.time = Trimmed(line.substr(at[0] + 1, at[1] - at[0] - 1));
    columns.day = Trimmed(line.substr(at[1] + 1, at[2] - at[1] - 1));
    columns.channel = Trimmed(line.substr(at[2] + 1, at[3] - at[2] - 1));
    columns.description = Trimmed(line.substr(at[3] + 1));
    return true;
}
} // namespace

std::string CalendarFor(const KnownHits& list, const ListingsSearch& run,
                        const std::string* oldCalendar, int reminderMinutes, std::int64_t now)
{
    std::unordered_map<std::string, CalendarEvent> before;
    if (oldCalendar)
    {
        for (CalendarEvent& event : ParseCalendar(*oldCalendar))
            before.emplace(event.uid, std::move(event));
    }
    // The new hits of the run, with what a guide knows of each.
    std::unordered_map<std::string, const GuideHit*> fresh;
    const std::vector<GuideHit>* guide = run.GuideHits();
    for (std::size_t i = 0; i < run.HitLines().size(); ++i)
        fresh.emplace(run.HitLines()[i], guide && i < guide->size() ? &(*guide)[i] : nullptr);

    std::vector<CalendarEvent> events;
    for (std::size_t i = 0; i < list.lines.size(); ++i)
    {
        const std::string& line = list.lines[i];
        const std::string link = i < list.links.size() ? list.links[i] : std::string();
        CalendarEvent event;
        event.uid = EventUid(line, link);
        Columns columns;
        const auto found = fresh.find(line);
        const auto known = before.find(event.uid);
        if (found != fresh.end() && found->second)
        {
            const GuideHit& hit = *found->second;
            event.start = hit.start;
            event.hasEnd = hit.hasStop;
            event.end = hit.stop;
            event.summary = hit.title;
            event.location = hit.channel;
        }
        else if (known != before.end() && found == fresh.end())
            event = known->second;
        else if ((found != fresh.end() || !oldCalendar) && ReadColumns(line, columns) &&
                 ReadRowStart(columns.day, columns.time, now, event.start))
        {
            event.summary = Windows1252ToUtf8(columns.description);
            event.location = Windows1252ToUtf8(columns.channel);
        }
        else
            continue;
        if ((event.hasEnd ? event.end : event.start) < now - kKeptAfterEnd)
            continue;
        event.description = Windows1252ToUtf8(line) + "\n" + Windows1252ToUtf8(link);
        // A link of a site written without a scheme is an http address.
        event.url = link.empty() || link.find("://") != std::string::npos
                        ? Windows1252ToUtf8(link)
                        : "http://" + Windows1252ToUtf8(link);
        events.push_back(std::move(event));
    }
    return FormatCalendar(events, reminderMinutes, now, VELUNDA_VERSION);
}

bool SaveCalendar(const KnownHits& list, const ListingsSearch& run, int reminderMinutes)
{
    std::string old;
    const bool hadOne = ReadFileText(kCalendarFile, old);
    const auto now = static_cast<std::int64_t>(std::time(nullptr));
    return ReplaceFile(kCalendarFile,
                       CalendarFor(list, run, hadOne ? &old : nullptr, reminderMinutes, now));
}
