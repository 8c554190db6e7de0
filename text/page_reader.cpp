// PageReader: line cursor and scans over the fetched page text.
#include "page_reader.h"

#include "byte_search.h"

#include <algorithm>
#include <cstring>

namespace
{
const std::int32_t kEndZone = 5;

// Buffers up to this size are kept for the next page or line; a larger one,
// left by a huge page or line, is given back once it is passed.
const std::size_t kKeptCapacity = std::size_t{1} << 20;

std::int32_t ToIndex(std::string::size_type pos)
{
    return pos == std::string::npos ? -1 : static_cast<std::int32_t>(pos);
}
} // namespace

std::size_t AppendBounded(std::string& text, const char* data, std::size_t count, std::size_t limit)
{
    const std::size_t room = text.size() < limit ? limit - text.size() : 0;
    const std::size_t taken = std::min(count, room);
    text.append(data, taken);
    return taken;
}

std::size_t PageReader::Append(const char* data, std::size_t count)
{
    DropPassed();
    return AppendBounded(m_text, data, count, kMaxPageTextBytes);
}

void PageReader::CutTextAt(std::int64_t end)
{
    // Only bytes beyond the cursor's reach are dropped: what Append dropped
    // before lies behind the cursor, and end is never before it.
    const std::int64_t held = end - m_droppedBytes;
    if (held >= m_textLength && held < static_cast<std::int64_t>(m_text.size()))
        m_text.resize(static_cast<std::size_t>(held));
}

void PageReader::DropPassed()
{
    // The cursor never moves back, and every line is read from m_readIndex
    // on into m_line, so the bytes before it are never looked at again. The
    // end zone compares m_readIndex with m_textLength, which move alike.
    const std::size_t passed =
        std::min(static_cast<std::size_t>(std::max<std::int32_t>(m_readIndex, 0)), m_text.size());
    if (passed == 0)
        return;
    m_text.erase(0, passed);
    m_readIndex -= static_cast<std::int32_t>(passed);
    m_textLength -= static_cast<std::int32_t>(passed);
    m_droppedBytes += static_cast<std::int64_t>(passed);
    if (m_text.capacity() > kKeptCapacity && m_text.capacity() / 2 > m_text.size())
        m_text.shrink_to_fit();
}

bool PageReader::AtEnd() const
{
    return m_readIndex >= m_textLength - kEndZone;
}

bool PageReader::ReadLine()
{
    if (m_line.capacity() > kKeptCapacity)
        std::string().swap(m_line);
    m_line.clear();
    m_textLength = static_cast<std::int32_t>(m_text.size());
    m_linePos = 0;

    // Same result as taking one byte at a time until a line feed or the end
    // zone, but finds the line feed with memchr.
    const std::int32_t limit = m_textLength - kEndZone;
    if (m_readIndex < limit)
    {
        const char* begin = m_text.data() + m_readIndex;
        const auto available = static_cast<std::size_t>(limit - m_readIndex);
        const void* lf = std::memchr(begin, '\n', available);
        if (lf)
        {
            const auto length = static_cast<const char*>(lf) - begin;
            m_line.append(begin, static_cast<std::size_t>(length));
            m_readIndex += static_cast<std::int32_t>(length) + 1;
        }
        else
        {
            m_line.append(begin, available);
            m_readIndex = limit;
        }
    }
    return !AtEnd();
}

std::int32_t PageReader::IndexIn(const std::string& needle, std::int32_t from) const
{
    if (from < 0)
        return -1;
    return ToIndex(FindBytes(m_line, needle, static_cast<std::size_t>(from)));
}

std::int32_t PageReader::IndexIn(char needle, std::int32_t from) const
{
    if (from < 0)
        return -1;
    return ToIndex(FindByte(m_line, needle, static_cast<std::size_t>(from)));
}

std::int32_t PageReader::SkipToMarker(const std::string& m0, const std::string& m1,
                                      const std::string& m2, const std::string& m3)
{
    const std::string* markers[] = {&m0, &m1, &m2, &m3};
    for (;;)
    {
        for (std::int32_t k = 0; k < 4; ++k)
        {
            if (markers[k]->empty())
                continue;
            m_linePos = IndexIn(*markers[k], 0);
            if (m_linePos >= 0)
                return k;
        }
        ReadLine();
        if (FindBytes(m_line, "OutputStream") != std::string::npos)
            return -1;
        if (AtEnd())
            return -1;
    }
}

bool PageReader::FindInNextLines(const std::string& marker, std::int32_t start)
{
    for (;;)
    {
        if (AtEnd())
            return false;
        ReadLine();
        if (AtEnd())
            return false;
        m_linePos = IndexIn(marker, start);
        if (m_linePos >= 0)
            return true;
    }
}

std::string PageReader::PieceAt(std::int32_t from)
{
    return std::string(PieceViewAt(from));
}

std::string PageReader::NextPiece(std::int32_t start)
{
    return std::string(NextPieceView(start));
}

std::string PageReader::QuotedAfter(const std::string& marker, std::int32_t start)
{
    return std::string(QuotedViewAfter(marker, start));
}

std::string_view PageReader::PieceViewAt(std::int32_t from)
{
    const std::int32_t open = IndexIn('>', from);
    m_linePos = open >= 0 ? IndexIn('<', open) : -1;
    if (m_linePos < 0)
        return std::string_view();
    return std::string_view(m_line).substr(static_cast<std::size_t>(open) + 1,
                                           static_cast<std::size_t>(m_linePos - open - 1));
}

std::string_view PageReader::NextPieceView(std::int32_t start)
{
    if (start >= 0)
        m_linePos = start;
    return PieceViewAt(m_linePos);
}

std::string_view PageReader::QuotedViewAfter(const std::string& marker, std::int32_t start)
{
    const std::int32_t at = IndexIn(marker, start);
    if (at < 0)
        return std::string_view();

    // With fewer than two quotes after the marker the value degrades in a
    // fixed way: no quote gives the line up to its first quote (the whole
    // line when it has none), one quote gives the rest of the line behind it.
    const std::string_view line(m_line);
    const std::int32_t q1 = IndexIn('"', at);
    const std::int32_t q2 = IndexIn('"', q1 + 1);
    m_linePos = q2;
    if (q1 < 0)
        return q2 < 0 ? line : line.substr(0, static_cast<std::size_t>(q2));
    if (q2 < 0)
        return line.substr(static_cast<std::size_t>(q1) + 1);
    return line.substr(static_cast<std::size_t>(q1) + 1, static_cast<std::size_t>(q2 - q1 - 1));
}
