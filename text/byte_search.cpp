// Substring search: first-and-last-byte filter, sixteen positions at a time.
#include "byte_search.h"

#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace
{
// Candidates in [at, last] (last = the final index where needle still fits),
// one position at a time; memchr finds the first byte over longer stretches.
std::size_t FindScalar(const char* data, std::size_t at, std::size_t last, std::string_view needle)
{
    const char first = needle.front();
    const char final = needle.back();
    const std::size_t tail = needle.size() - 1;
    while (at <= last)
    {
        if (last - at >= 32)
        {
            const void* hit = std::memchr(data + at, first, last - at + 1);
            if (!hit)
                return std::string_view::npos;
            at = static_cast<std::size_t>(static_cast<const char*>(hit) - data);
        }
        else if (data[at] != first)
        {
            ++at;
            continue;
        }
        if (data[at + tail] == final && std::memcmp(data + at + 1, needle.data() + 1, tail) == 0)
            return at;
        ++at;
    }
    return std::string_view::npos;
}
#if defined(__SSE2__)
// The byte in all sixteen lanes, made in a general register: _mm_set1_epi8
// stores the byte and loads it back as a word, which stalls on every call.
__m128i Broadcast(char byte)
{
    return _mm_set1_epi32(static_cast<int>(0x01010101u * static_cast<unsigned char>(byte)));
}
#endif
} // namespace

std::size_t FindByte(std::string_view text, char byte, std::size_t from)
{
    const std::size_t size = text.size();
    if (from >= size)
        return std::string_view::npos;
    const char* const data = text.data();
#if defined(__SSE2__)
    // Blocks of sixteen; what is left after them is one more block ending at
    // the last byte, the bytes already seen masked off. A text shorter than
    // a block goes to memchr.
    if (size - from >= 16)
    {
        const __m128i wanted = Broadcast(byte);
        const auto hits = [&](std::size_t block) {
            return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + block)), wanted)));
        };
        std::size_t at = from;
        for (; at + 16 <= size; at += 16)
        {
            const unsigned mask = hits(at);
            if (mask != 0)
                return at + static_cast<std::size_t>(__builtin_ctz(mask));
        }
        if (at == size)
            return std::string_view::npos;
        const std::size_t block = size - 16;
        const unsigned mask = hits(block) & (~0u << (at - block));
        return mask != 0 ? block + static_cast<std::size_t>(__builtin_ctz(mask))
                         : std::string_view::npos;
    }
#endif
    const void* hit = std::memchr(data + from, byte, size - from);
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - data)
               : std::string_view::npos;
}

std::size_t FindBytes(std::string_view text, std::string_view needle, std::size_t from)
{
    const std::size_t size = text.size();
    const std::size_t length = needle.size();
    if (length == 0)
        return from <= size ? from : std::string_view::npos;
    if (from >= size || size - from < length)
        return std::string_view::npos;
    const char* const data = text.data();
    if (length == 1)
        return FindByte(text, needle.front(), from);

    const std::size_t last = size - length; // last start where the needle fits
    std::size_t at = from;
#if defined(__SSE2__)
    // Block of starts [at, at + 16): the loads reach up to at + length - 1 + 15,
    // which stays inside the text while at + 15 <= last. The starts left over
    // after the whole blocks are covered by one more block that ends at last,
    // its starts already seen masked off.
    if (at + 15 <= last)
    {
        const __m128i first = Broadcast(needle.front());
        const __m128i final = Broadcast(needle.back());
        const std::size_t tail = length - 1;
        const auto candidates = [&](std::size_t block) {
            const __m128i head = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + block));
            const __m128i end =
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + block + tail));
            return static_cast<unsigned>(_mm_movemask_epi8(
                _mm_and_si128(_mm_cmpeq_epi8(head, first), _mm_cmpeq_epi8(end, final))));
        };
        const auto match = [&](std::size_t block, unsigned mask) {
            for (; mask != 0; mask &= mask - 1)
            {
                const std::size_t start = block + static_cast<std::size_t>(__builtin_ctz(mask));
                if (std::memcmp(data + start + 1, needle.data() + 1, tail - 1) == 0)
                    return start;
            }
            return std::string_view::npos;
        };
        for (; at + 15 <= last; at += 16)
        {
            const std::size_t found = match(at, candidates(at));
            if (found != std::string_view::npos)
                return found;
        }
        if (at > last)
            return std::string_view::npos;
        const std::size_t block = last - 15;
        return match(block, candidates(block) & (~0u << (at - block)));
    }
#endif
    return FindScalar(data, at, last, needle);
}
