// The start of a broadcast read from a listing row's day and time texts.
#include "row_time.h"

#include "local_time.h"

#include <ctime>
#include <string>

namespace
{
bool IsBlank(char c)
{
    return c == ' ' || c == '\t';
}

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

char Lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

void SkipBlanks(std::string_view& text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
}

// Takes minDigits to maxDigits decimal digits from the front of text (all
// that are there, up to maxDigits) as value; false when fewer are there.
bool TakeNumber(std::string_view& text, std::size_t minDigits, std::size_t maxDigits, int& value,
                std::size_t* taken = nullptr)
{
    std::size_t digits = 0;
    value = 0;
    while (digits < text.size() && digits < maxDigits && text[digits] >= '0' && text[digits] <= '9')
        value = value * 10 + (text[digits++] - '0');
    if (digits < minDigits)
        return false;
    text.remove_prefix(digits);
    if (taken != nullptr)
        *taken = digits;
    return true;
}

bool TakeChar(std::string_view& text, char c)
{
    if (text.empty() || text.front() != c)
        return false;
    text.remove_prefix(1);
    return true;
}

// The German weekday as listing sites write it (two or three letters, or the
// whole name): 0 for Monday to 6 for Sunday, -1 for another word.
int Weekday(const std::string& word)
{
    static const struct
    {
        const char* name;
        int day;
    } kWeekdays[] = {{"mo", 0},        {"di", 1},         {"mi", 2},      {"do", 3},
                     {"fr", 4},        {"sa", 5},         {"so", 6},      {"mon", 0},
                     {"die", 1},       {"mit", 2},        {"don", 3},     {"fre", 4},
                     {"sam", 5},       {"son", 6},        {"montag", 0},  {"dienstag", 1},
                     {"mittwoch", 2},  {"donnerstag", 3}, {"freitag", 4}, {"samstag", 5},
                     {"sonnabend", 5}, {"sonntag", 6}};
    for (const auto& weekday : kWeekdays)
    {
        if (word == weekday.name)
            return weekday.day;
    }
    return -1;
}

// Days since 1970-01-01 of a date of the Gregorian calendar (year >= 1).
std::int64_t DayNumber(int year, int month, int day)
{
    const int y = month <= 2 ? year - 1 : year;
    const int era = y / 400;
    const int yearOfEra = y - era * 400;
    const int dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const int dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return static_cast<std::int64_t>(era) * 146097 + dayOfEra - 719468;
}

struct Date
{
    int year = 0;
    int month = 0;
    int day = 0;
};

// The year for a day and month without one: the first date on or after 30
// days before the run's day, if it lies at most 335 days after it (only a
// 29.02. can lie further).
bool PickYear(const Date& run, Date& date)
{
    const std::int64_t runDay = DayNumber(run.year, run.month, run.day);
    for (int year = run.year - 1; year <= run.year + 1; ++year)
    {
        if (date.day > DaysInMonth(year, date.month))
            continue;
        const std::int64_t day = DayNumber(year, date.month, date.day);
        if (day < runDay - 30)
            continue;
        if (day > runDay + 335)
            return false;
        date.year = year;
        return true;
    }
    return false;
}

// The day text: a date with or without a year, maybe after a weekday, or
// "heute" / "morgen". A weekday that the date does not fall on makes the text
// unreadable: the row is then not of the year the rule picked.
bool ReadDay(std::string_view text, const Date& run, Date& date)
{
    text = Trimmed(text);
    std::string word;
    while (word.size() < text.size() && IsLetter(text[word.size()]))
        word += Lower(text[word.size()]);
    if (word == "heute" || word == "morgen")
    {
        date = run;
        if (word == "morgen" && ++date.day > DaysInMonth(date.year, date.month))
        {
            date.day = 1;
            if (++date.month > 12)
            {
                date.month = 1;
                ++date.year;
            }
        }
        return true;
    }
    const int weekday = word.empty() ? -1 : Weekday(word);
    if (!word.empty())
    {
        if (weekday < 0)
            return false;
        text.remove_prefix(word.size());
        TakeChar(text, '.');
        SkipBlanks(text);
        TakeChar(text, ',');
        SkipBlanks(text);
    }
    // A day or month out of range fails in PickYear or LocalTimeToUtc.
    if (!TakeNumber(text, 1, 2, date.day) || !TakeChar(text, '.') ||
        !TakeNumber(text, 1, 2, date.month))
        return false;
    std::size_t yearDigits = 0;
    bool read = false;
    if (TakeChar(text, '.') && TakeNumber(text, 2, 4, date.year, &yearDigits))
    {
        if (yearDigits == 2)
            date.year += 2000;
        read = yearDigits != 3 && text.empty();
    }
    else
        read = text.empty() && PickYear(run, date);
    // 1970-01-01 was a Thursday.
    return read && (weekday < 0 || date.day > DaysInMonth(date.year, date.month) ||
                    (DayNumber(date.year, date.month, date.day) % 7 + 10) % 7 == weekday);
}

// The time text: "20:15", "20.15", "9:05", maybe followed by "Uhr".
bool ReadTime(std::string_view text, int& hour, int& minute)
{
    text = Trimmed(text);
    if (!TakeNumber(text, 1, 2, hour) || (!TakeChar(text, ':') && !TakeChar(text, '.')) ||
        !TakeNumber(text, 2, 2, minute) || hour > 23 || minute > 59)
        return false;
    SkipBlanks(text);
    if (text.size() == 3 && Lower(text[0]) == 'u' && Lower(text[1]) == 'h' && Lower(text[2]) == 'r')
        text.remove_prefix(3);
    return text.empty();
}
} // namespace

bool ReadRowStart(std::string_view dayText, std::string_view timeText, std::int64_t runTime,
                  std::int64_t& start)
{
    const auto runSeconds = static_cast<std::time_t>(runTime);
    std::tm local{};
    if (localtime_r(&runSeconds, &local) == nullptr)
        return false;
    const Date run{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
    Date date;
    int hour = 0;
    int minute = 0;
    if (!ReadDay(dayText, run, date) || !ReadTime(timeText, hour, minute))
        return false;
    return LocalTimeToUtc(date.year, date.month, date.day, hour, minute, 0, start);
}
