// Text conversions: ordered replacement tables applied to bytes.
#include "conversions.h"

#include "byte_search.h"

#include <cstdint>
#include <cstring>
#include <iterator>
#include <string_view>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// One row applied to text: every occurrence of row.from, left to right,
// without rescanning the replacement. Text without the source is not touched;
// returns whether there was one.
// A replacement no longer than its source is written over the text itself:
// the write position never passes the read position, and the search only
// reads behind what has been written.
bool ApplyRow(std::string& text, const Row& row)
{
    std::size_t pos = FindBytes(text, row.from);
    if (pos == std::string::npos)
        return false;
    const std::size_t fromSize = row.from.size();
    const std::size_t toSize = row.to.size();
    if (toSize <= fromSize)
    {
        char* const data = &text[0];
        std::size_t write = pos;
        while (pos != std::string::npos)
        {
            std::memcpy(data + write, row.to.data(), toSize);
            write += toSize;
            const std::size_t done = pos + fromSize;
            pos = FindBytes(text, row.from, done);
            const std::size_t keep = (pos == std::string::npos ? text.size() : pos) - done;
            std::memmove(data + write, data + done, keep);
            write += keep;
        }
        text.resize(write);
        return true;
    }
    std::string out;
    out.reserve(text.size() + 2 * toSize);
    std::size_t done = 0;
    while (pos != std::string::npos)
    {
        out.append(text, done, pos - done);
        out.append(row.to.data(), toSize);
        done = pos + fromSize;
        pos = FindBytes(text, row.from, done);
    }
    out.append(text, done, std::string::npos);
    text.swap(out);
    return true;
}

// The set of bytes from 0x80 up that occur in a text, one bit per byte.
// Sixteen bytes at a time the sign bits show where such bytes are, so plain
// stretches cost one comparison each.
class HighBytes
{
public:
    explicit HighBytes(std::string_view text)
    {
        const char* const data = text.data();
        const std::size_t size = text.size();
        std::size_t at = 0;
#if defined(__SSE2__)
        for (; at + 16 <= size; at += 16)
        {
            auto mask = static_cast<unsigned>(
                _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at))));
            while (mask != 0)
            {
                Add(data[at + static_cast<std::size_t>(__builtin_ctz(mask))]);
                mask &= mask - 1;
            }
        }
#endif
        for (; at < size; ++at)
        {
            if ((static_cast<unsigned char>(data[at]) & 0x80) != 0)
                Add(data[at]);
        }
    }

    bool Any() const { return (m_bits[0] | m_bits[1]) != 0; }

    // Whether every byte from 0x80 up in bytes is in the set.
    bool HasAllOf(std::string_view bytes) const
    {
        for (const char c : bytes)
        {
            const auto byte = static_cast<unsigned char>(c);
            if (byte >= 0x80 && (m_bits[(byte >> 6) & 1] & (std::uint64_t{1} << (byte & 63))) == 0)
                return false;
        }
        return true;
    }

private:
    void Add(char c)
    {
        const auto byte = static_cast<unsigned char>(c);
        m_bits[(byte >> 6) & 1] |= std::uint64_t{1} << (byte & 63);
    }

    std::uint64_t m_bits[2] = {0, 0};
};
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

bool TransliterateInPlace(std::string& text)
{
    // A row can only change text that holds its source. Every replacement is
    // plain ASCII, so the bytes from 0x80 up only ever disappear: a row whose
    // source has such a byte that the text lacks at the start can never
    // match. Plain ASCII text is left to the last row alone.
    const HighBytes present(text);
    bool ascii = !present.Any();
    if (!ascii)
    {
        bool changed = false;
        for (std::size_t i = 0; i < kAsciiTransliterationRow; ++i)
        {
            if (present.HasAllOf(kTransliteration[i].from))
                changed = ApplyRow(text, kTransliteration[i]) || changed;
        }
        ascii = changed && !HighBytes(text).Any();
    }
    ApplyRow(text, kTransliteration[kAsciiTransliterationRow]);
    return ascii;
}

void DecodeEntitiesInPlace(std::string& text)
{
    // Every entity begins with '&'. A row runs only when its entity stands at
    // one of the ampersands of the text as it came: no replacement holds an
    // '&' or a ';', nor is one a piece of an entity name, so replacing never
    // makes a new occurrence for a later row.
    const std::string_view view(text);
    std::size_t at = view.find('&');
    if (at == std::string::npos)
        return;
    unsigned rows = 0;
    for (; at != std::string::npos; at = view.find('&', at + 1))
    {
        const std::string_view rest = view.substr(at);
        for (std::size_t i = 0; i < std::size(kEntities); ++i)
        {
            if (rest.substr(0, kEntities[i].from.size()) == kEntities[i].from)
                rows |= 1u << i;
        }
    }
    for (std::size_t i = 0; i < std::size(kEntities); ++i)
    {
        if ((rows & (1u << i)) != 0)
            ApplyRow(text, kEntities[i]);
    }
}

std::string Transliterate(std::string text)
{
    static_cast<void>(TransliterateInPlace(text));
    return text;
}

std::string DecodeEntities(std::string text)
{
    DecodeEntitiesInPlace(text);
    return text;
}
