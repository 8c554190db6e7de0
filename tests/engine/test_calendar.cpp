// The calendar file and the start times of listing rows: the file as an
// independent parser (Python's icalendar) and a real calendar program
// (calcurse) read it, read back by ParseCalendar, and the row times in
// Europe/Berlin across the changes of summer time.
#include "calendar_file.h"
#include "file_bytes.h"
#include "row_time.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <vector>

extern char** environ;

namespace
{
// Every test here runs with TZ=Europe/Berlin; the zone before is restored.
class Calendar : public testing::Test
{
protected:
    void SetUp() override
    {
        if (const char* tz = std::getenv("TZ"))
            m_tz = tz;
        setenv("TZ", "Europe/Berlin", 1);
        tzset();
    }
    void TearDown() override
    {
        m_tz ? setenv("TZ", m_tz->c_str(), 1) : unsetenv("TZ");
        tzset();
    }
    std::optional<std::string> m_tz;
};

// "2026-12-08 10:00" (UTC) as seconds, and back.
std::int64_t At(const std::string& utc)
{
    std::tm time{};
    strptime(utc.c_str(), "%Y-%m-%d %H:%M", &time);
    return timegm(&time);
}

std::string Utc(std::int64_t seconds)
{
    const auto time = static_cast<std::time_t>(seconds);
    std::tm parts{};
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M", gmtime_r(&time, &parts));
    return text;
}

// Runs a program (looked up in PATH) in the current folder; its exit status,
// and standard output and error together in output.
int RunProgram(const std::vector<std::string>& args, std::string& output)
{
    std::vector<char*> argv;
    for (const std::string& arg : args)
        argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const char* const file = "program-output.txt";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, file, O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    pid_t pid = 0;
    int status = -1;
    if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        waitpid(pid, &status, 0);
    posix_spawn_file_actions_destroy(&actions);
    output = ReadFileBytes(file);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A broadcast with an end, texts that need escaping, a description long
// enough to be folded and a link to percent-encode; and a summer one without
// end or link, whose title holds a control character, a line break and a
// byte that is no UTF-8.
std::vector<CalendarEvent> SampleEvents()
{
    return {{"1@velunda", At("2026-12-15 19:15"), true, At("2026-12-15 20:45"),
             "Tatort: Bärenjagd, Teil 1; \\ Ende", "Das Erste",
             "Di, 15.12. 20:15 Das Erste Tatort: Bärenjagd – Kommissarin Öztürk ermittelt in "
             "Düsseldorf, wo ein Bär aus dem Zoo verschwunden ist; äöüßÄÖÜ\r\nhttps://tv.example/1",
             "https://tv.example/suche?t=Bär jagd"},
            {"2@velunda", At("2026-07-15 18:15"), false, 0, "Sommer\x01Nacht\n\xFFKrimi", "ZDF",
             "Mi, 15.07. 20:15 ZDF Sommer", ""}};
}
} // namespace

TEST_F(Calendar, RowStartsInTheFormsOfListingSites)
{
    // Run on Tuesday 08.12.2026; Berlin is UTC+1 in winter, UTC+2 in summer.
    // Day text, time text, the run (UTC), the start read (UTC, or either of
    // two; empty: not readable).
    const char* const kCases[][4] = {
        {"Di, 15.12.", "20:15 Uhr", "2026-12-08 10:00", "2026-12-15 19:15"},
        {"Di 15.12.", "20.15", "2026-12-08 10:00", "2026-12-15 19:15"},
        {"  15.12.   ", " 20:15Uhr ", "2026-12-08 10:00", "2026-12-15 19:15"},
        {"15.12", "20:15 uhr", "2026-12-08 10:00", "2026-12-15 19:15"},
        {"Dienstag,15.12.2026", "20:15", "2026-12-08 10:00", "2026-12-15 19:15"},
        {"DIE. 15.12.26", "20:15", "2026-12-08 10:00", "2026-12-15 19:15"},
        {"Mo, 14.06.", "9:05", "2026-12-08 10:00", "2027-06-14 07:05"},  // next summer
        {"01.12.", "20:15", "2026-12-08 10:00", "2026-12-01 19:15"},     // a week ago
        {"08.11.", "20:15", "2026-12-08 10:00", "2026-11-08 19:15"},     // 30 days ago
        {"Sa, 02.01.", "20:15", "2026-12-28 10:00", "2027-01-02 19:15"}, // turn of the year
        {"28.12.", "20:15", "2027-01-05 10:00", "2026-12-28 19:15"},
        {"Heute, Di 08.12.", "23:59", "2026-12-08 10:00", "2026-12-08 22:59"},
        {"MORGEN", "0:30", "2026-12-08 10:00", "2026-12-08 23:30"},
        {"morgen 01.01.", "20:15", "2026-12-31 22:00", "2027-01-01 19:15"}, // already 23:00 local
        {"29.02.", "20:15", "2027-12-08 10:00", "2028-02-29 19:15"},
        {"29.02.", "20:15", "2026-12-08 10:00", ""}, // no leap day in the window
        {"29.03.2026", "03:30", "2026-12-08 10:00", "2026-03-29 01:30"},
        {"29.03.2026", "02:30", "2026-12-08 10:00", "2026-03-29 00:30|2026-03-29 01:30"}, // none
        {"25.10.2026", "02:30", "2026-12-08 10:00", "2026-10-25 00:30|2026-10-25 01:30"}, // twice
        {"25.10.2026", "03:30", "2026-12-08 10:00", "2026-10-25 02:30"},
        {"32.12.", "20:15", "2026-12-08 10:00", ""},
        {"31.04.", "20:15", "2026-12-08 10:00", ""},
        {"29.02.2027", "20:15", "2026-12-08 10:00", ""},
        {"15.12.202", "20:15", "2026-12-08 10:00", ""},
        {"Xy, 15.12.", "20:15", "2026-12-08 10:00", ""},
        {"Mo, 15.12.", "20:15", "2026-12-08 10:00", ""}, // the wrong weekday
        {"Mo, 07.12.", "20:15", "2027-01-20 10:00", ""}, // a year on is a Tuesday
        {"kein Text", "20:15", "2026-12-08 10:00", ""},
        {"", "20:15", "2026-12-08 10:00", ""},
        {"15.12.", "25:00", "2026-12-08 10:00", ""},
        {"15.12.", "20:60", "2026-12-08 10:00", ""},
        {"15.12.", "20:5", "2026-12-08 10:00", ""},
    };
    for (const auto& c : kCases)
    {
        std::int64_t start = -1;
        const std::string got = ReadRowStart(c[0], c[1], At(c[2]), start) ? Utc(start) : "";
        EXPECT_NE((std::string("|") + c[3] + "|").find("|" + got + "|"), std::string::npos)
            << c[0] << " / " << c[1] << " / " << c[2] << ": " << got;
    }
}

namespace
{
// Python's icalendar (Debian's, so /usr/bin/python3) prints every property
// of every component, one a line; the raw bytes must be UTF-8 in lines of at
// most 75 bytes, each ended by CR LF.
const char kDumpScript[] = R"(import datetime, sys, icalendar
raw = open(sys.argv[1], "rb").read()
raw.decode("utf-8")
lines = raw.split(b"\r\n")
if lines[-1] != b"" or any(len(l) > 75 or b"\r" in l or b"\n" in l for l in lines):
    print("badly cut lines")
for c in icalendar.Calendar.from_ical(raw).walk():
    for error in c.errors:
        print(c.name, "error", error)
    for name, value in c.items():
        value = getattr(value, "dt", value)
        if isinstance(value, datetime.timedelta):
            value = int(value.total_seconds())
        elif isinstance(value, datetime.datetime):
            value = value.isoformat()
        print(c.name, name, str(value).replace("\n", "\\n"))
)";

const char kDump[] = R"(VCALENDAR VERSION 2.0
VCALENDAR PRODID -//Velunda//Velunda 3.0.1//DE
VCALENDAR CALSCALE GREGORIAN
VCALENDAR METHOD PUBLISH
VCALENDAR X-WR-CALNAME Velunda
VEVENT UID 1@velunda
VEVENT DTSTAMP 2026-12-08T10:00:00+00:00
VEVENT DTSTART 2026-12-15T19:15:00+00:00
VEVENT DTEND 2026-12-15T20:45:00+00:00
VEVENT SUMMARY Tatort: Bärenjagd, Teil 1; \ Ende
VEVENT LOCATION Das Erste
VEVENT DESCRIPTION Di, 15.12. 20:15 Das Erste Tatort: Bärenjagd – Kommissarin Öztürk ermittelt in Düsseldorf, wo ein Bär aus dem Zoo verschwunden ist; äöüßÄÖÜ\nhttps://tv.example/1
VEVENT URL https://tv.example/suche?t=B%C3%A4r%20jagd
VALARM ACTION DISPLAY
VALARM DESCRIPTION Tatort: Bärenjagd, Teil 1; \ Ende
VALARM TRIGGER -900
VEVENT UID 2@velunda
VEVENT DTSTAMP 2026-12-08T10:00:00+00:00
VEVENT DTSTART 2026-07-15T18:15:00+00:00
VEVENT SUMMARY Sommer Nacht �Krimi
VEVENT LOCATION ZDF
VEVENT DESCRIPTION Mi, 15.07. 20:15 ZDF Sommer
VALARM ACTION DISPLAY
VALARM DESCRIPTION Sommer Nacht �Krimi
VALARM TRIGGER -900
)";
} // namespace

TEST_F(Calendar, PythonIcalendarReadsEveryProperty)
{
    TempWorkDir folder;
    WriteFileBytes("dump.py", kDumpScript);
    for (const int minutes : {15, 0, -5, 5000})
    {
        WriteFileBytes("velunda.ics",
                       FormatCalendar(SampleEvents(), minutes, At("2026-12-08 10:00"), "3.0.1"));
        std::string output;
        EXPECT_EQ(RunProgram({"/usr/bin/python3", "dump.py", "velunda.ics"}, output), 0) << output;
        // No alarm at all without minutes, one a day before for too many.
        std::vector<std::string> dump;
        for (const std::string& line : SplitLines(kDump))
        {
            if (minutes > 0 || line.rfind("VALARM", 0) != 0)
                dump.push_back(minutes == 5000 && line == "VALARM TRIGGER -900"
                                   ? "VALARM TRIGGER -86400"
                                   : line);
        }
        EXPECT_EQ(SplitLines(output), dump) << "alarm " << minutes;
    }
}

TEST_F(Calendar, CalcurseShowsTheEventsAtTheirLocalTimes)
{
    TempWorkDir folder;
    const std::string at = folder.Path().string();
    // Its own configuration and data folder; a log of refused items would go to TMPDIR.
    const auto calcurse = [&at](std::vector<std::string> args, std::string& output) {
        args.insert(args.begin(),
                    {"env", "HOME=" + at, "TMPDIR=" + at, "calcurse", "-C", at, "-D", at});
        return RunProgram(args, output);
    };
    WriteFileBytes("velunda.ics",
                   FormatCalendar(SampleEvents(), 15, At("2026-12-08 10:00"), "3.0.1"));
    std::string output;
    ASSERT_EQ(calcurse({"-i", "velunda.ics"}, output), 0) << output;
    ASSERT_EQ(calcurse({"-Q", "--input-datefmt", "4", "--from", "2026-07-01", "--days", "200",
                        "--format-apt", "%(start:%d.%m.%Y %H:%M)-%(end:%H:%M) %m\\n"},
                       output),
              0)
        << output;
    EXPECT_EQ(output, "07/15/26:\n15.07.2026 20:15-20:15 Sommer Nacht \xEF\xBF\xBDKrimi\n\n"
                      "12/15/26:\n15.12.2026 20:15-21:45 Tatort: Bärenjagd, Teil 1; \\ Ende\n");
    // calcurse marks an appointment with an alarm by "!" before its title.
    const std::string appointments = ReadFileBytes("apts");
    EXPECT_NE(appointments.find("!Tatort"), std::string::npos) << appointments;
    EXPECT_NE(appointments.find("!Sommer"), std::string::npos) << appointments;
}

TEST_F(Calendar, ParseCalendarReadsWhatFormatCalendarWrote)
{
    const std::string file = FormatCalendar(SampleEvents(), 15, At("2026-12-08 10:00"), "3.0.1");
    std::vector<CalendarEvent> written = SampleEvents();
    written[0].description.erase(written[0].description.find('\r'), 1);
    written[0].url = "https://tv.example/suche?t=B%C3%A4r%20jagd";
    written[1].summary = "Sommer Nacht \xEF\xBF\xBDKrimi";
    const auto text = [](const CalendarEvent& e) {
        return e.uid + " " + Utc(e.start) + (e.hasEnd ? "-" + Utc(e.end) : "") + "|" + e.summary +
               "|" + e.location + "|" + e.description + "|" + e.url;
    };
    const std::vector<CalendarEvent> read = ParseCalendar(file);
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(text(read[0]), text(written[0]));
    EXPECT_EQ(text(read[1]), text(written[1]));

    // Cut anywhere (and so every unclosed or half-written component): every
    // event completed before the cut is read, a cut one at most in addition.
    const std::size_t firstEnd = file.find("END:VEVENT\r\n") + 12;
    for (std::size_t length = 0; length < file.size(); ++length)
    {
        const std::vector<CalendarEvent> cut = ParseCalendar(file.substr(0, length));
        ASSERT_LE(cut.size(), length < firstEnd ? 1u : 2u) << length;
        if (length >= firstEnd)
        {
            ASSERT_FALSE(cut.empty()) << length;
            ASSERT_EQ(cut[0].uid, "1@velunda") << length;
        }
    }
}

TEST_F(Calendar, ParseCalendarConvertsTheTimesOfOtherCalendars)
{
    const auto wrap = [](const std::string& events) {
        return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\n" + events + "END:VCALENDAR\r\n";
    };
    const auto event = [](const std::string& properties) {
        return "BEGIN:VEVENT\r\n" + properties + "END:VEVENT\r\n";
    };
    const struct
    {
        std::string file;
        const char* read; // "uid start-end" of each event read, UTC
    } kCases[] = {
        {wrap(event("UID:a\r\nDTSTART;TZID=Europe/Berlin:20260715T201500\r\n"
                    "DTEND;TZID=Europe/Berlin:20260715T211500\r\n") +
              event("UID:b\r\nDTSTART:20261215T201500\r\nDURATION:PT1H30M\r\n") +
              event("UID:c\r\nDTSTART;VALUE=DATE:20260715\r\n") +
              event("UID:d\r\nDTSTART;TZID=Mars/Olympus:20261215T201500\r\n")),
         "a 2026-07-15 18:15-2026-07-15 19:15|b 2026-12-15 19:15-2026-12-15 20:45|"
         "c 2026-07-14 22:00|d 2026-12-15 19:15|"},
        {wrap(event("DTSTART:20261215T191500Z\r\n") + event("UID:e\r\n") +
              event("UID:f\r\nDTSTART:20261399T256199Z\r\n") +
              event("UID:g\r\nDTSTART:20261215T191500Z\r\nDTEND:2026\r\n")),
         "g 2026-12-15 19:15|"},
        {"END:VCALENDAR\r\n" + event("UID:h\r\nDTSTART:20261215T191500Z\r\n") + "END:VEVENT\r\n",
         "h 2026-12-15 19:15|"},
        {"", ""},
        {"kein Kalender\r\n:;\r\n", ""},
        {std::string("BEGIN:VCALENDAR\r\nBEGIN:VEVENT\r\nUID:i") + '\0' + "\xFF\r\n", ""},
        {"BEGIN:VCALENDAR\n BEGIN:VEVENT\nEND\nBEGIN:\nEND:\n\n\r\r", ""},
    };
    for (const auto& c : kCases)
    {
        std::string read;
        for (const CalendarEvent& e : ParseCalendar(c.file))
            read += e.uid + " " + Utc(e.start) + (e.hasEnd ? "-" + Utc(e.end) : "") + "|";
        EXPECT_EQ(read, c.read) << testing::PrintToString(c.file);
    }
}

TEST(EventUid, TheSameHitAlwaysGetsTheSameUid)
{
    // Pinned: the UID must not depend on the machine, the compiler or the run.
    EXPECT_EQ(EventUid("Di, 15.12. 20:15 Tatort", "https://tv.example/1"),
              "bec55f034487b4c5@velunda");
    EXPECT_EQ(EventUid("a", "b"), EventUid("a", "b"));
    EXPECT_NE(EventUid("a", "b"), EventUid("a", "c"));
    EXPECT_NE(EventUid("a", "b"), EventUid("c", "b"));
    EXPECT_NE(EventUid("ab", ""), EventUid("a", "b"));
    EXPECT_NE(EventUid("\xE4", "b"), EventUid("\xC3\xA4", "b"));
}
