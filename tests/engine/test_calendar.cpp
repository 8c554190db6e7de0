// The start times of listing rows, in Europe/Berlin across the changes of
// summer time.
#include "row_time.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>
#include <optional>
#include <string>

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
