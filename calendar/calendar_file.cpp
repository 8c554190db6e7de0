// The calendar file through libical: the events as a VCALENDAR and back.
#include "calendar_file.h"

#include "local_time.h"

#include <libical/ical.h>

#include <algorithm>
#include <memory>
#include <string_view>
#include <strings.h>

std::string EventUid(const std::string& line, const std::string& link)
{
    // FNV-1a over the line's length (8 bytes, least significant first), the
    // line and the link: the length keeps "ab" + "c" apart from "a" + "bc".
    std::uint64_t hash = 14695981039346656037ULL;
    const auto add = [&hash](unsigned char byte) {
        hash ^= byte;
        hash *= 1099511628211ULL;
    };
    for (int shift = 0; shift < 64; shift += 8)
        add(static_cast<unsigned char>(static_cast<std::uint64_t>(line.size()) >> shift));
    for (const char c : line)
        add(static_cast<unsigned char>(c));
    for (const char c : link)
        add(static_cast<unsigned char>(c));
    static const char kHex[] = "0123456789abcdef";
    std::string uid(16, '0');
    for (int i = 15; i >= 0; --i, hash >>= 4)
        uid[static_cast<std::size_t>(i)] = kHex[hash & 15];
    return uid + "@velunda";
}

namespace
{
struct ComponentFree
{
    void operator()(icalcomponent* component) const { icalcomponent_free(component); }
};
using Component = std::unique_ptr<icalcomponent, ComponentFree>;

// The length of the well-formed UTF-8 sequence at text (RFC 3629: no
// overlong forms, no surrogates, nothing above U+10FFFF), 0 for none.
std::size_t Utf8Length(const unsigned char* text, std::size_t available)
{
    const unsigned char lead = text[0];
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF)
        length = 2;
    else if (lead >= 0xE0 && lead <= 0xEF)
    {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    }
    else if (lead >= 0xF0 && lead <= 0xF4)
    {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    }
    if (length == 0 || available < length || text[1] < low || text[1] > high)
        return 0;
    for (std::size_t i = 2; i < length; ++i)
    {
        if (text[i] < 0x80 || text[i] > 0xBF)
            return 0;
    }
    return length;
}

// A text as an iCalendar TEXT may hold it: valid UTF-8 (each byte of an
// invalid sequence becomes U+FFFD), line breaks as LF (CR LF and a lone CR
// too), or as blanks in a text of one line (a title: calendar programs such
// as calcurse refuse a SUMMARY with a line break), and every other control
// character, C0, DEL or C1, as a blank: they come from web pages, and a
// calendar has no use for them.
std::string CleanText(const std::string& text, bool oneLine = false)
{
    std::string clean;
    clean.reserve(text.size());
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (std::size_t i = 0; i < text.size();)
    {
        const unsigned char byte = bytes[i];
        if (byte == '\r')
        {
            clean += oneLine ? ' ' : '\n';
            i += i + 1 < text.size() && bytes[i + 1] == '\n' ? 2 : 1;
        }
        else if (byte < 0x80)
        {
            const bool blank = byte < 0x20 ? oneLine || byte != '\n' : byte == 0x7F;
            clean += blank ? ' ' : static_cast<char>(byte);
            ++i;
        }
        else if (const std::size_t length = Utf8Length(bytes + i, text.size() - i))
        {
            if (byte == 0xC2 && bytes[i + 1] < 0xA0)
                clean += ' ';
            else
                clean.append(text, i, length);
            i += length;
        }
        else
        {
            clean += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return clean;
}

// A link as a URI: every byte that a URI does not allow (blanks, controls,
// quotes, anything not ASCII) percent-encoded. libical writes a URI as it
// is, so a line break in a link would otherwise end the property.
std::string UriText(const std::string& link)
{
    static const std::string_view kAllowed = "-._~:/?#[]@!$&'()*+,;=%";
    static const char kHex[] = "0123456789ABCDEF";
    std::string uri;
    for (const char c : link)
    {
        const auto byte = static_cast<unsigned char>(c);
        if ((byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
            (byte >= '0' && byte <= '9') || kAllowed.find(c) != std::string_view::npos)
            uri += c;
        else
        {
            uri += '%';
            uri += kHex[byte >> 4];
            uri += kHex[byte & 15];
        }
    }
    return uri;
}

icaltimetype UtcTime(std::int64_t seconds)
{
    return icaltime_from_timet_with_zone(static_cast<time_t>(seconds), 0,
                                         icaltimezone_get_utc_timezone());
}

Component EventComponent(const CalendarEvent& event, int alarmMinutes, std::int64_t now)
{
    Component vevent(icalcomponent_new_vevent());
    icalcomponent* e = vevent.get();
    icalcomponent_add_property(e, icalproperty_new_uid(CleanText(event.uid, true).c_str()));
    icalcomponent_add_property(e, icalproperty_new_dtstamp(UtcTime(now)));
    icalcomponent_add_property(e, icalproperty_new_dtstart(UtcTime(event.start)));
    if (event.hasEnd)
        icalcomponent_add_property(e, icalproperty_new_dtend(UtcTime(event.end)));
    const std::string summary = CleanText(event.summary, true);
    icalcomponent_add_property(e, icalproperty_new_summary(summary.c_str()));
    icalcomponent_add_property(e,
                               icalproperty_new_location(CleanText(event.location, true).c_str()));
    icalcomponent_add_property(e,
                               icalproperty_new_description(CleanText(event.description).c_str()));
    if (!event.url.empty())
        icalcomponent_add_property(e, icalproperty_new_url(UriText(event.url).c_str()));
    if (alarmMinutes > 0)
    {
        // Minutes only (-PT1440M, not -P1D): a day in a duration is a
        // calendar day, which the change of summer time makes 23 or 25 hours.
        icaltriggertype trigger{};
        trigger.time = icaltime_null_time();
        trigger.duration = icaldurationtype_null_duration();
        trigger.duration.is_neg = 1;
        trigger.duration.minutes = static_cast<unsigned int>(alarmMinutes);
        icalcomponent* valarm = icalcomponent_new_valarm();
        icalcomponent_add_property(valarm, icalproperty_new_action(ICAL_ACTION_DISPLAY));
        icalcomponent_add_property(valarm, icalproperty_new_description(summary.c_str()));
        icalcomponent_add_property(valarm, icalproperty_new_trigger(trigger));
        icalcomponent_add_component(e, valarm);
    }
    return vevent;
}
} // namespace

std::string FormatCalendar(const std::vector<CalendarEvent>& events, int alarmMinutes,
                           std::int64_t now, const std::string& version)
{
    constexpr int kLongestAlarm = 24 * 60;
    alarmMinutes = alarmMinutes > kLongestAlarm ? kLongestAlarm : alarmMinutes;
    Component calendar(icalcomponent_new_vcalendar());
    icalcomponent* c = calendar.get();
    icalcomponent_add_property(c, icalproperty_new_version("2.0"));
    const std::string prodid = "-//Velunda//Velunda " + CleanText(version, true) + "//DE";
    icalcomponent_add_property(c, icalproperty_new_prodid(prodid.c_str()));
    icalcomponent_add_property(c, icalproperty_new_calscale("GREGORIAN"));
    icalcomponent_add_property(c, icalproperty_new_method(ICAL_METHOD_PUBLISH));
    icalproperty* name = icalproperty_new_x("Velunda");
    icalproperty_set_x_name(name, "X-WR-CALNAME");
    icalcomponent_add_property(c, name);
    for (const CalendarEvent& event : events)
        icalcomponent_add_component(c, EventComponent(event, alarmMinutes, now).release());
    char* text = icalcomponent_as_ical_string_r(c);
    std::string bytes = text != nullptr ? text : "";
    icalmemory_free_buffer(text);
    return bytes;
}

namespace
{
// The line's name, up to its ':' or ';', against name, case-blind.
bool LineNameIs(std::string_view line, std::string_view name)
{
    return line.size() > name.size() && (line[name.size()] == ':' || line[name.size()] == ';') &&
           strncasecmp(line.data(), name.data(), name.size()) == 0;
}

// The file as the parser is given it: without the END lines that close
// nothing (libical reports each on standard error, which would reach the
// user: cron mails what velunda-suche prints there), and with END lines for
// the components a cut file leaves open (libical drops an unclosed component
// whole, and with the calendar every event in it). Up to a NUL byte, as
// libical reads C strings.
std::string Balanced(const std::string& bytes)
{
    std::string text;
    std::vector<std::string> open;
    std::string_view rest(bytes.c_str());
    while (!rest.empty())
    {
        const std::size_t lineEnd = rest.find('\n');
        std::string_view line = rest.substr(0, lineEnd);
        rest.remove_prefix(lineEnd == std::string_view::npos ? rest.size() : lineEnd + 1);
        if (LineNameIs(line, "BEGIN"))
        {
            std::string_view name = line.substr(std::min(line.size(), line.find(':') + 1));
            if (!name.empty() && name.back() == '\r')
                name.remove_suffix(1);
            open.emplace_back(name);
        }
        else if (LineNameIs(line, "END"))
        {
            if (open.empty())
                continue;
            open.pop_back();
        }
        text.append(line).append("\n");
    }
    for (; !open.empty(); open.pop_back())
        text.append("END:").append(open.back()).append("\r\n");
    return text;
}

// A date or date-time of the file as UTC seconds. LocalTimeToUtc also turns
// away what names no real moment: libical takes 20261399T256199 as it stands.
bool ToUtc(const icaltimetype& time, std::int64_t& utc)
{
    if (icaltime_is_null_time(time) ||
        !LocalTimeToUtc(time.year, time.month, time.day, time.hour, time.minute, time.second, utc))
        return false;
    if (time.is_date == 0 && time.zone != nullptr)
        utc = static_cast<std::int64_t>(icaltime_as_timet_with_zone(time, time.zone));
    return true;
}

std::string TextOf(const char* text)
{
    return text != nullptr ? text : "";
}

void ReadEvent(icalcomponent* vevent, std::vector<CalendarEvent>& events)
{
    CalendarEvent event;
    event.uid = TextOf(icalcomponent_get_uid(vevent));
    if (event.uid.empty() ||
        icalcomponent_get_first_property(vevent, ICAL_DTSTART_PROPERTY) == nullptr ||
        !ToUtc(icalcomponent_get_dtstart(vevent), event.start))
        return;
    if (icalcomponent_get_first_property(vevent, ICAL_DTEND_PROPERTY) != nullptr ||
        icalcomponent_get_first_property(vevent, ICAL_DURATION_PROPERTY) != nullptr)
        event.hasEnd = ToUtc(icalcomponent_get_dtend(vevent), event.end);
    event.summary = TextOf(icalcomponent_get_summary(vevent));
    event.location = TextOf(icalcomponent_get_location(vevent));
    event.description = TextOf(icalcomponent_get_description(vevent));
    if (icalproperty* url = icalcomponent_get_first_property(vevent, ICAL_URL_PROPERTY))
        event.url = TextOf(icalproperty_get_url(url));
    events.push_back(std::move(event));
}

// The events of a VCALENDAR, or of each in an XROOT (a file that holds
// several components at its top).
void CollectEvents(icalcomponent* component, std::vector<CalendarEvent>& events)
{
    const icalcomponent_kind kind = icalcomponent_isa(component);
    if (kind == ICAL_VEVENT_COMPONENT)
    {
        ReadEvent(component, events);
        return;
    }
    if (kind != ICAL_XROOT_COMPONENT && kind != ICAL_VCALENDAR_COMPONENT)
        return;
    for (icalcomponent* child = icalcomponent_get_first_component(component, ICAL_ANY_COMPONENT);
         child != nullptr; child = icalcomponent_get_next_component(component, ICAL_ANY_COMPONENT))
        CollectEvents(child, events);
}
} // namespace

std::vector<CalendarEvent> ParseCalendar(const std::string& bytes)
{
    const Component root(icalparser_parse_string(Balanced(bytes).c_str()));
    std::vector<CalendarEvent> events;
    if (root)
        CollectEvents(root.get(), events);
    return events;
}
