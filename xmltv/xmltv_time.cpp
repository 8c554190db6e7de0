// XMLTV times to UTC seconds, by civil-date arithmetic: no mktime, no TZ,
// so the result does not depend on the zone of the machine.
#include "xmltv_reader.h"

#include <cstddef>

namespace
{
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The number written by the digits at text[at], text[at + 1], ... (count of them).
int Digits(std::string_view text, std::size_t at, std::size_t count)
{
    int value = 0;
    for (std::size_t i = at; i < at + count; ++i)
        value = value * 10 + (text[i] - '0');
    return value;
}

bool IsLeapYear(int year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days from 1970-01-01 to the given day of the proleptic Gregorian calendar
// (the well-known era computation: 400-year eras of 146097 days, years
// counted from March so that the leap day falls at the end).
std::int64_t DaysFromCivil(int year, int month, int day)
{
    const std::int64_t y = year - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

bool SameLetters(std::string_view text, std::string_view upperName)
{
    if (text.size() != upperName.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        const char c = text[i] >= 'a' && text[i] <= 'z' ? static_cast<char>(text[i] - 32) : text[i];
        if (c != upperName[i])
            return false;
    }
    return true;
}

// The zone after the time (blanks already skipped) as seconds east of
// UTC; false when it is neither an offset nor a zone name the old guides use.
bool ReadZone(std::string_view zone, int& secondsEast)
{
    if (zone.size() == 5 && (zone[0] == '+' || zone[0] == '-'))
    {
        for (std::size_t i = 1; i < 5; ++i)
        {
            if (!IsDigit(zone[i]))
                return false;
        }
        const int hours = Digits(zone, 1, 2);
        const int minutes = Digits(zone, 3, 2);
        if (hours > 23 || minutes > 59)
            return false;
        secondsEast = (hours * 60 + minutes) * 60 * (zone[0] == '-' ? -1 : 1);
        return true;
    }
    struct Named
    {
        std::string_view name;
        int secondsEast;
    };
    static const Named names[] = {
        {"UTC", 0}, {"GMT", 0}, {"BST", 3600}, {"CET", 3600}, {"CEST", 7200}};
    for (const Named& named : names)
    {
        if (SameLetters(zone, named.name))
        {
            secondsEast = named.secondsEast;
            return true;
        }
    }
    return false;
}
} // namespace

bool ReadXmltvTime(std::string_view text, std::int64_t& utcSeconds)
{
    std::size_t digits = 0;
    while (digits < text.size() && digits < 14 && IsDigit(text[digits]))
        ++digits;
    if (digits != 8 && digits != 10 && digits != 12 && digits != 14)
        return false;
    const int year = Digits(text, 0, 4);
    const int month = Digits(text, 4, 2);
    const int day = Digits(text, 6, 2);
    const int hour = digits >= 10 ? Digits(text, 8, 2) : 0;
    const int minute = digits >= 12 ? Digits(text, 10, 2) : 0;
    const int second = digits >= 14 ? Digits(text, 12, 2) : 0;
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59 || second > 59)
        return false;

    std::size_t at = digits;
    while (at < text.size() && text[at] == ' ')
        ++at;
    int secondsEast = 0;
    if (at < text.size() && !ReadZone(text.substr(at), secondsEast))
        return false;
    const int secondOfDay = hour * 3600 + minute * 60 + second;
    utcSeconds = DaysFromCivil(year, month, day) * 86400 + secondOfDay - secondsEast;
    return true;
}
