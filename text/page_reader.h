// PageReader: the page text of one search job, walked line by line.
//
// All text is bytes exactly as received; nothing is decoded. Pages are
// appended to m_text and the cursor only moves forward, so every scan goes on
// where the previous one stopped, across pages.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class PageReader
{
public:
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
    // scanned correctly. The text is bounded by the fetch to fit m_readIndex.
    std::string m_line;
    std::int32_t m_linePos = 0;
    std::int32_t m_readIndex = 0;
    std::int32_t m_textLength = 0;
    std::string m_text;

private:
    // Index of needle in m_line at or after from, or -1.
    std::int32_t IndexIn(const std::string& needle, std::int32_t from) const;
    std::int32_t IndexIn(char needle, std::int32_t from) const;
};
