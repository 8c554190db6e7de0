// KnownRefs: the search job's list of known references.
//
// The job appends the reference file's lines once for every criterion it
// starts, and the new references at the end; the save writes the newest of
// them back. The list answers as a plain list of those strings would (count,
// entries in order, any tail), but holds each distinct line once: an entry is
// the number of a line, and a block of lines appended again exactly as the
// block before it only counts that block once more. A job over 2000 criteria
// with a 1001-line file therefore holds the 1001 lines, not two million.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

class KnownRefs
{
public:
    KnownRefs() = default;
    KnownRefs(const KnownRefs& other);
    KnownRefs& operator=(const KnownRefs& other);
    KnownRefs(KnownRefs&&) = default;
    KnownRefs& operator=(KnownRefs&&) = default;
    ~KnownRefs() = default;

    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }
    // Entry index (0 <= index < size()).
    const std::string& operator[](std::size_t index) const;
    const std::string& back() const { return (*this)[m_count - 1]; }

    // Appends one entry.
    void push_back(std::string_view line);
    // Appends the lines of a reference file's text (cut as SplitLines cuts
    // it) as a block: the file as one criterion reads it. The same text as
    // the last block appended this way, with nothing appended since, only
    // counts that block once more, without cutting or comparing lines.
    void AppendFileText(const std::string& text);
    void clear();

    // The entries from first on, as strings.
    std::vector<std::string> Entries(std::size_t first = 0) const;

    // The known test: whether an entry's first compareLen bytes equal those
    // of line. A string shorter than that takes part with its whole length,
    // so a short line matches only an equal line; a negative compareLen
    // compares whole strings. One hash look-up among the distinct prefixes.
    bool Contains(std::int32_t compareLen, std::string_view line) const;

    // Distinct lines held (for tests of the memory bound).
    std::size_t DistinctLines() const { return m_lines.size(); }

private:
    // Entries in blocks: a block's line numbers, repeated until the block's
    // end in m_blockEnds.
    struct Block
    {
        std::vector<std::uint32_t> ids;
        bool single = false; // made by push_back, which may extend it
    };

    std::uint32_t Intern(std::string_view line);
    void IndexPrefix(const std::string& line) const;

    std::deque<std::string> m_lines; // each distinct line once; never moved
    std::unordered_map<std::string_view, std::uint32_t> m_ids; // views of m_lines
    std::vector<Block> m_blocks;
    std::vector<std::size_t> m_blockEnds; // entries up to the end of each block
    std::size_t m_count = 0;

    // Distinct prefixes of m_lines for the compare length last asked with.
    mutable std::unordered_set<std::string_view> m_prefixes;
    mutable std::int32_t m_indexedLength = 0;
    mutable bool m_indexed = false;

    // The text of the last block when it came from AppendFileText.
    std::string m_lastText;
    bool m_lastBlockIsText = false;
};
