// Text conversions: ordered replacement tables applied to bytes.
#include "conversions.h"

#include "byte_search.h"

#include <algorithm>
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
    {"\xC5\xA0"sv, "S"sv},  {"\xC3\x89"sv, "E"sv},       {"\xC3\xAB"sv, "e"sv},
    {"\xC3\x9F"sv, "ss"sv}, {"\xC3\xA4"sv, "ae"sv},      {"\xC3\xB6"sv, "oe"sv},
    {"\xC3\xBC"sv, "ue"sv}, {"\xC3\x84"sv, "Ae"sv},      {"\xC3\x96"sv, "Oe"sv},
    {"\xC3\x9C"sv, "Ue"sv}, {"\xC3\xA8"sv, "ee"sv},      {"\xC3\xA9"sv, "ee"sv},
    {"\xC3\xA1"sv, "aa"sv}, {"\xC3\xB3"sv, "oo"sv},      {"\xC3\xBA"sv, "uu"sv},
    {"\xC2\xB4"sv, ""sv},   {"\xE2\x82\xAC"sv, "EUR"sv}, {"\x80"sv, "EUR"sv},
    {"TUeV"sv, "TUV"sv},
};

// Every row but the last begins with a byte from 0x80 up; the last one is
// plain ASCII.
constexpr std::size_t kAsciiTransliterationRow = std::size(kTransliteration) - 1;

// The replacement of "\xC3" followed by each byte, from the rows of that
// form; empty where no row has the pair.
struct PairTable
{
    std::string_view to[256] = {};
};

constexpr PairTable MakePairTable()
{
    PairTable table;
    for (const Row& row : kTransliteration)
    {
        if (row.from.size() == 2 && row.from[0] == '\xC3')
            table.to[static_cast<unsigned char>(row.from[1])] = row.to;
    }
    return table;
}

constexpr PairTable kC3Pairs = MakePairTable();

constexpr Row kEntities[] = {
    {"&auml;"sv, "ae"sv}, {"&ouml;"sv, "oe"sv}, {"&uuml;"sv, "ue"sv},  {"&Auml;"sv, "Ae"sv},
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

namespace
{
// Index of the first byte from 0x80 up, or npos.
std::size_t FirstHighByte(std::string_view text)
{
    const char* const data = text.data();
    const std::size_t size = text.size();
    std::size_t at = 0;
#if defined(__SSE2__)
    for (; at + 16 <= size; at += 16)
    {
        const int mask =
            _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at)));
        if (mask != 0)
            return at + static_cast<std::size_t>(__builtin_ctz(static_cast<unsigned>(mask)));
    }
#endif
    // Short fields (most of a row's) end here: eight bytes at a time by
    // their sign bits, then the last few one by one.
    for (; at + 8 <= size; at += 8)
    {
        std::uint64_t word;
        std::memcpy(&word, data + at, sizeof word);
        if ((word & 0x8080808080808080u) != 0)
            break;
    }
    for (; at < size; ++at)
    {
        if ((static_cast<unsigned char>(data[at]) & 0x80) != 0)
            return at;
    }
    return std::string_view::npos;
}

// The usual accented text in one pass: when every byte from 0x80 up (from
// first on) opens a pair "\xC3?" that has a row, each of those rows occurs
// exactly at its pairs (a pair's second byte is never 0xC3, so pairs neither
// overlap nor form otherwise), no other row with a byte from 0x80 up can
// match, and the replacements are plain ASCII that no later of these rows
// looks at: replacing every pair at once gives what the rows give one after
// the other. False, with text untouched, for any other text.
bool ReplaceC3Pairs(std::string& text, std::size_t first)
{
    const char* const data = text.data();
    const std::size_t size = text.size();
    // Whether a pair with a row opens at index at.
    const auto pairAt = [&](std::size_t at) {
        return data[at] == '\xC3' && at + 1 < size &&
               !kC3Pairs.to[static_cast<unsigned char>(data[at + 1])].empty();
    };
    // Every byte from 0x80 up at or after next must open such a pair; the
    // second byte of a pair is one of them and is passed over.
    std::size_t next = first;
    std::size_t at = first;
#if defined(__SSE2__)
    for (; at + 16 <= size; at += 16)
    {
        auto mask = static_cast<unsigned>(
            _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at))));
        while (mask != 0)
        {
            const std::size_t high = at + static_cast<std::size_t>(__builtin_ctz(mask));
            mask &= mask - 1;
            if (high < next)
                continue;
            if (!pairAt(high))
                return false;
            next = high + 2;
        }
    }
#endif
    for (at = std::max(at, next); at < size; ++at)
    {
        if ((static_cast<unsigned char>(data[at]) & 0x80) == 0)
            continue;
        if (!pairAt(at))
            return false;
        ++at;
    }

    // Now "\xC3" stands only at the pairs (a second byte is never 0xC3), and
    // every replacement is one or two bytes for two, so the write position
    // stays behind the read position.
    char* const out = &text[0];
    std::size_t write = first;
    std::size_t read = first;
    while (read < size)
    {
        const std::string_view to = kC3Pairs.to[static_cast<unsigned char>(out[read + 1])];
        std::memcpy(out + write, to.data(), to.size());
        write += to.size();
        read += 2;
        const void* pair = std::memchr(out + read, 0xC3, size - read);
        const std::size_t stop =
            pair ? static_cast<std::size_t>(static_cast<const char*>(pair) - out) : size;
        std::memmove(out + write, out + read, stop - read);
        write += stop - read;
        read = stop;
    }
    text.resize(write);
    return true;
}
} // namespace

bool TransliterateInPlace(std::string& text)
{
    // A row can only change text that holds its source. Every replacement is
    // plain ASCII, so the bytes from 0x80 up only ever disappear: a row whose
    // source has such a byte that the text lacks at the start can never
    // match. Plain ASCII text is left to the last row alone.
    const std::size_t first = FirstHighByte(text);
    bool ascii = first == std::string::npos;
    if (!ascii && ReplaceC3Pairs(text, first))
        ascii = true;
    else if (!ascii)
    {
        const HighBytes present(text);
        bool changed = false;
        for (std::size_t i = 0; i < kAsciiTransliterationRow; ++i)
        {
            if (present.HasAllOf(kTransliteration[i].from))
                changed = ApplyRow(text, kTransliteration[i]) || changed;
        }
        ascii = changed && FirstHighByte(text) == std::string::npos;
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

namespace
{
// The characters of the bytes 0x80 to 0x9F; the rest of the code page is
// Latin-1.
const char16_t kHighControls[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void AppendUtf8(std::string& out, char32_t c)
{
    if (c < 0x80)
        out += static_cast<char>(c);
    else if (c < 0x800)
    {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
    else
    {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}
} // namespace

char32_t Windows1252Char(unsigned char byte)
{
    return byte >= 0x80 && byte < 0xA0 ? kHighControls[byte - 0x80] : byte;
}

std::string Windows1252ToUtf8(std::string_view bytes)
{
    std::string out;
    out.reserve(bytes.size());
    for (const char byte : bytes)
        AppendUtf8(out, Windows1252Char(static_cast<unsigned char>(byte)));
    return out;
}
