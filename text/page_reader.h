// PageReader: the page text of one search job, walked line by line.
//
// All text is bytes exactly as received; nothing is decoded. Pages are
// appended to the text and the cursor only moves forward, so every scan goes
// on where the previous one stopped, across pages. What the cursor has passed
// is never read again, so Append drops it: m_text holds the text from the
// start of the next line to read, however many pages the job has fetched.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Most bytes the held page text may reach, so that the reader's 32-bit
// positions never overflow. Append takes no more than fits below it.
constexpr std::size_t kMaxPageTextBytes = 0x7FFFFFFFu - (1u << 20);

// Appends count bytes of data to text without letting text grow beyond limit.
// Returns the number of bytes appended.
std::size_t AppendBounded(std::string& text, const char* data, std::size_t count,
                          std::size_t limit);

class PageReader
{
public:
    // Appends bytes to the text, first dropping the text before m_readIndex
    // (the cursor has passed it). Takes no more than keeps the held text
    // within kMaxPageTextBytes; returns the number of bytes taken.
    std::size_t Append(const char* data, std::size_t count);
    std::size_t Append(std::string_view bytes) { return Append(bytes.data(), bytes.size()); }

    // The position just past the last byte appended, counted in the whole
    // text; CutTextAt(end) drops what was appended after it.
    std::int64_t TextEnd() const
    {
        return m_droppedBytes + static_cast<std::int64_t>(m_text.size());
    }
    void CutTextAt(std::int64_t end);

    // True when five bytes or fewer of the text (as long as it was at the
    // last ReadLine) are unread. Those last bytes are held back until more
    // text is appended; they then start the next line.
    bool AtEnd() const;

    // Reads up to the next line feed (not stored; a carriage return before it
    // stays in the line). False when the line reached the end zone.
    bool ReadLine();

    // Looks for the markers m0..m3 in turn (empty ones skipped), beginning
    // with the current line, reading on line by line. Returns the index of
    // the marker found with m_linePos at it, or -1 at the end of the text or
    // at a newly read line holding "OutputStream".
    std::int32_t SkipToMarker(const std::string& m0, const std::string& m1 = std::string(),
                              const std::string& m2 = std::string(),
                              const std::string& m3 = std::string());

    // Reads on from the next line until a line holds the marker at or after
    // start; m_linePos is left at it.
    bool FindInNextLines(const std::string& marker, std::int32_t start);

    // The text between the first '>' at or after from and the '<' after it.
    std::string PieceAt(std::int32_t from);

    // PieceAt(start), or PieceAt where the previous piece ended when start < 0.
    std::string NextPiece(std::int32_t start);

    // The double-quoted value after the marker, e.g. QuotedAfter("href=", 0).
    std::string QuotedAfter(const std::string& marker, std::int32_t start);

    // The same as PieceAt, NextPiece and QuotedAfter (m_linePos moves alike),
    // as views into m_line instead of copies. A view is valid until m_line
    // changes (the next ReadLine).
    std::string_view PieceViewAt(std::int32_t from);
    std::string_view NextPieceView(std::int32_t start);
    std::string_view QuotedViewAfter(const std::string& marker, std::int32_t start);

    // Positions inside a line are 32-bit, so lines of any practical length are
    // scanned correctly. m_readIndex and m_textLength are positions in the
    // held text m_text, which Append keeps within kMaxPageTextBytes; the
    // whole text's position of m_text[0] is m_droppedBytes.
    std::string m_line;
    std::int32_t m_linePos = 0;
    std::int32_t m_readIndex = 0;
    std::int32_t m_textLength = 0;
    std::string m_text;
    std::int64_t m_droppedBytes = 0;

private:
    // Drops the text before m_readIndex; m_readIndex and m_textLength move
    // down with it, so every answer stays the same.
    void DropPassed();

    // Index of needle in m_line at or after from, or -1.
    std::int32_t IndexIn(const std::string& needle, std::int32_t from) const;
    std::int32_t IndexIn(char needle, std::int32_t from) const;
};
