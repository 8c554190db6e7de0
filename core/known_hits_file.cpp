// Byte-level reading and writing of "refn.txt".
#include "known_hits_file.h"

#include "file_bytes.h"

#include <algorithm>
#include <string_view>
#include <unordered_set>

#include <wx/intl.h>
#include <wx/log.h>

KnownHits ParseKnownHits(const std::string& bytes, bool truncated)
{
    KnownHits hits;
    std::vector<std::string> lines = SplitLines(bytes);
    // A cut line is not a line of the file; a lone CR at the cut may be the
    // first half of CR LF, which does not matter for the lines before it.
    if (truncated && !lines.empty() && bytes.back() != '\n' && bytes.back() != '\r')
        lines.pop_back();
    if (lines.size() < 3)
        return hits;
    for (std::size_t i = 2; i < lines.size() && hits.lines.size() < kKnownHitsMaxRows; i += 2)
    {
        hits.lines.push_back(std::move(lines[i]));
        if (i + 1 < lines.size())
            hits.links.push_back(std::move(lines[i + 1]));
    }
    // In a cut file the link of a last row without one lies beyond the cut.
    if (truncated && hits.links.size() < hits.lines.size() && hits.lines.size() < kKnownHitsMaxRows)
        hits.lines.pop_back();
    return hits;
}

KnownHits ReadKnownHits(const wxString& path)
{
    std::string bytes;
    bool truncated = false;
    if (!ReadFileHead(std::string(path.fn_str()), kKnownHitsMaxBytes, &bytes, &truncated))
        return KnownHits();
    return ParseKnownHits(bytes, truncated);
}

std::string FormatKnownHits(const KnownHits& hits)
{
    std::string bytes = "Version\nSortierung\n";
    for (std::size_t i = 0; i < hits.lines.size(); ++i)
    {
        bytes += hits.lines[i];
        bytes += '\n';
        if (i < hits.links.size())
            bytes += hits.links[i];
        bytes += '\n';
    }
    return bytes;
}

std::size_t MergeNewHits(KnownHits& list, const std::vector<std::string>& lines,
                         const std::vector<std::string>& links)
{
    // A hit whose line is already a row (an earlier run listed it but was
    // ended before it could mark it known, or the same run found it twice)
    // is not listed again.
    std::unordered_set<std::string_view> shownLines(list.lines.begin(), list.lines.end());
    std::vector<std::size_t> fresh;
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        if (shownLines.insert(lines[i]).second)
            fresh.push_back(i);
    }
    // Hits that would be pushed below the cap at once are not inserted.
    const std::size_t shown = std::min(fresh.size(), kMaxResultRows);
    if (shown == 0)
        return 0;
    std::vector<std::string> topLines;
    std::vector<std::string> topLinks;
    topLines.reserve(shown + list.lines.size());
    topLinks.reserve(shown + list.links.size());
    for (std::size_t k = 0; k < shown; ++k)
    {
        const std::size_t i = fresh[fresh.size() - 1 - k];
        topLines.push_back(lines[i]);
        topLinks.push_back(i < links.size() ? links[i] : std::string());
    }
    for (std::string& line : list.lines)
        topLines.push_back(std::move(line));
    for (std::string& link : list.links)
        topLinks.push_back(std::move(link));
    // The oldest rows go, from both lists.
    if (topLines.size() > kMaxResultRows)
        topLines.resize(kMaxResultRows);
    if (topLinks.size() > kMaxResultRows)
        topLinks.resize(kMaxResultRows);
    list.lines = std::move(topLines);
    list.links = std::move(topLinks);
    return shown;
}

bool ReplaceFile(const wxString& path, const std::string& bytes)
{
    // A file that is there but cannot be read was not loaded at start, so
    // the list being saved lacks its rows; it is left as it is. A failure is
    // reported through the toolkit's log in the toolkit's own words.
    if (ReplaceFileBytes(std::string(path.fn_str()), bytes))
        return true;
    LogFailedSave(path);
    return false;
}

void LogFailedSave(const wxString& path)
{
    wxLogError(_("Failed to open '%s' for writing"), path);
}
