// The job's reference file: one reported hit line per line, newest last.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

// Splits text into lines at LF, CR LF and a lone CR, without the line ends.
// A last line without a line end is kept; an empty text has no lines.
std::vector<std::string> SplitLines(const std::string& text);

// Appends the lines of the file at path to lines. A missing or unreadable
// file, or one that is no regular file, appends nothing. False when the file
// could not be read.
bool AppendFileLines(const std::string& path, std::vector<std::string>& lines);

// Replaces the file at path by bytes. Where the folder allows it, the bytes
// go to a temporary file beside the target, which is then renamed over it, so
// a failed write leaves the old file whole. In a folder where no file may be
// created but the existing target may be written (a shared folder, a folder
// of mode 0555 with files of 0644), the target is written in place instead:
// room for the new size is taken first, so a full disk leaves the old bytes.
// A link is followed. An existing target that is no regular file, or that may
// not be read and written, is left alone. False on failure.
bool ReplaceFileBytes(const std::string& path, std::string_view bytes);

// Replaces the file at path by lines[first..], each followed by "\n", as
// ReplaceFileBytes does.
bool WriteLinesAtomically(const std::string& path, const std::vector<std::string>& lines,
                          std::size_t first);

// The known test of a hit line against a list of references: a reference
// matches when its first compareLen bytes equal those of the line (a string
// shorter than that takes part with its whole length, so a short line matches
// only an equal line; a negative compareLen compares whole strings).
//
// The index holds the distinct prefixes of the list, so a question costs one
// hash look-up instead of a walk over the list. It follows the list it is
// asked about: entries appended since the last question are added; a shorter
// list, another compareLen, or a last indexed entry that no longer has the
// same prefix makes it start again from the whole list. (An entry changed in
// place further up, with the list otherwise the same, is not noticed: the
// job only ever appends.) A copy starts empty and indexes on first use.
class KnownPrefixIndex
{
public:
    KnownPrefixIndex() = default;
    KnownPrefixIndex(const KnownPrefixIndex&) {}
    KnownPrefixIndex& operator=(const KnownPrefixIndex&)
    {
        Reset(0);
        return *this;
    }

    bool Contains(const std::vector<std::string>& refs, std::int32_t compareLen,
                  const std::string& line);

private:
    void Reset(std::int32_t compareLen);

    std::deque<std::string> m_store;              // one copy of each distinct prefix
    std::unordered_set<std::string_view> m_set;   // views of m_store's strings
    std::size_t m_indexed = 0;                    // refs[0 .. m_indexed) are in
    std::int32_t m_compareLen = 0;
    std::string m_lastPrefix;                     // prefix of refs[m_indexed - 1]
};
