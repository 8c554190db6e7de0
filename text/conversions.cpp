// Text conversions: ordered replacement tables applied to bytes.
#include "conversions.h"

#include <utility>

namespace
{
struct Row
{
    const char* from;
    const char* to;
};

// Order matters: later rows see the output of earlier ones ("\xC3\x9C"
// becomes "Ue", so "TUeV" is then shortened to "TUV").
const Row kTransliteration[] = {
    {"\xC5\xA0", "S"},   {"\xC3\x89", "E"},   {"\xC3\xAB", "e"},  {"\xC3\x9F", "ss"},
    {"\xC3\xA4", "ae"},  {"\xC3\xB6", "oe"},  {"\xC3\xBC", "ue"}, {"\xC3\x84", "Ae"},
    {"\xC3\x96", "Oe"},  {"\xC3\x9C", "Ue"},  {"\xC3\xA8", "ee"}, {"\xC3\xA9", "ee"},
    {"\xC3\xA1", "aa"},  {"\xC3\xB3", "oo"},  {"\xC3\xBA", "uu"}, {"\xC2\xB4", ""},
    {"\xE2\x82\xAC", "EUR"}, {"\x80", "EUR"}, {"TUeV", "TUV"},
};

const Row kEntities[] = {
    {"&auml;", "ae"}, {"&ouml;", "oe"}, {"&uuml;", "ue"}, {"&Auml;", "Ae"},
    {"&Ouml;", "Oe"}, {"&Uuml;", "Ue"}, {"&szlig;", "ss"}, {"&ndash;", "-"},
};

template <std::size_t N>
std::string ApplyRows(std::string text, const Row (&rows)[N])
{
    for (const Row& row : rows)
        text = ReplaceAll(std::move(text), row.from, row.to);
    return text;
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
    return ApplyRows(std::move(text), kTransliteration);
}

std::string DecodeEntities(std::string text)
{
    return ApplyRows(std::move(text), kEntities);
}
