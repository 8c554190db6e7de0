// Text conversions: ordered replacement tables applied to bytes.
#include "conversions.h"

#include <iterator>
#include <string_view>
#include <utility>

namespace
{
struct Row
{
    std::string_view from;
    std::string_view to;
};

using namespace std::string_view_literals;

// Order matters: later rows see the output of earlier ones ("\xC3\x9C"
// becomes "Ue", so "TUeV" is then shortened to "TUV").
constexpr Row kTransliteration[] = {
    {"\xC5\xA0"sv, "S"sv},   {"\xC3\x89"sv, "E"sv},   {"\xC3\xAB"sv, "e"sv},
    {"\xC3\x9F"sv, "ss"sv},  {"\xC3\xA4"sv, "ae"sv},  {"\xC3\xB6"sv, "oe"sv},
    {"\xC3\xBC"sv, "ue"sv},  {"\xC3\x84"sv, "Ae"sv},  {"\xC3\x96"sv, "Oe"sv},
    {"\xC3\x9C"sv, "Ue"sv},  {"\xC3\xA8"sv, "ee"sv},  {"\xC3\xA9"sv, "ee"sv},
    {"\xC3\xA1"sv, "aa"sv},  {"\xC3\xB3"sv, "oo"sv},  {"\xC3\xBA"sv, "uu"sv},
    {"\xC2\xB4"sv, ""sv},    {"\xE2\x82\xAC"sv, "EUR"sv}, {"\x80"sv, "EUR"sv},
    {"TUeV"sv, "TUV"sv},
};

// Every row but the last begins with a byte from 0x80 up; the last one is
// plain ASCII.
constexpr std::size_t kAsciiTransliterationRow = std::size(kTransliteration) - 1;

constexpr Row kEntities[] = {
    {"&auml;"sv, "ae"sv}, {"&ouml;"sv, "oe"sv}, {"&uuml;"sv, "ue"sv}, {"&Auml;"sv, "Ae"sv},
    {"&Ouml;"sv, "Oe"sv}, {"&Uuml;"sv, "Ue"sv}, {"&szlig;"sv, "ss"sv}, {"&ndash;"sv, "-"sv},
};

// One row applied in place: every occurrence of row.from, left to right,
// without rescanning the replacement. Text without the source is not copied.
void ApplyRow(std::string& text, const Row& row)
{
    std::string::size_type pos = text.find(row.from.data(), 0, row.from.size());
    if (pos == std::string::npos)
        return;
    std::string out;
    out.reserve(text.size() + 2 * row.to.size());
    std::string::size_type done = 0;
    while (pos != std::string::npos)
    {
        out.append(text, done, pos - done);
        out.append(row.to.data(), row.to.size());
        done = pos + row.from.size();
        pos = text.find(row.from.data(), done, row.from.size());
    }
    out.append(text, done, std::string::npos);
    text.swap(out);
}

bool HasByteFrom0x80(const std::string& text)
{
    unsigned char any = 0;
    for (const char c : text)
        any |= static_cast<unsigned char>(c);
    return (any & 0x80) != 0;
}
} // namespace

std::string ReplaceAll(std::string text, const std::string& from, const std::string& to)
{
    if (from.empty())
        return text;
    std::string::size_type pos = text.find(from);
    if (pos == std::string::npos)
        return text;
    std::string out;
    out.reserve(text.size());
    std::string::size_type done = 0;
    while (pos != std::string::npos)
    {
        out.append(text, done, pos - done);
        out += to;
        done = pos + from.size();
        pos = text.find(from, done);
    }
    out.append(text, done, std::string::npos);
    return out;
}

std::string Transliterate(std::string text)
{
    // A row can only change text that holds its source, so in a text without
    // any byte from 0x80 up the rows before the last change nothing.
    const std::size_t first = HasByteFrom0x80(text) ? 0 : kAsciiTransliterationRow;
    for (std::size_t i = first; i < std::size(kTransliteration); ++i)
        ApplyRow(text, kTransliteration[i]);
    return text;
}

std::string DecodeEntities(std::string text)
{
    // Every entity begins with '&'.
    if (text.find('&') == std::string::npos)
        return text;
    for (const Row& row : kEntities)
        ApplyRow(text, row);
    return text;
}
