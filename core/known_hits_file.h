// Byte-level reading and writing of the known-hit file "refn.txt".
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include <wx/string.h>

// Display lines and links of the result list, top row first. A last display
// line without a link line leaves links one shorter than lines.
struct KnownHits
{
    std::vector<std::string> lines;
    std::vector<std::string> links;
};

// The largest part of "refn.txt" that is read at start and the most rows
// taken from it. A result list kept by the program (a few hundred rows) is a
// small fraction of either; the limits keep a damaged file from stalling the
// start (the list control takes seconds per hundred thousand rows).
const std::size_t kKnownHitsMaxBytes = 16u << 20;
const std::size_t kKnownHitsMaxRows = 100000;

// The rows of a known-hit file: the first two lines are skipped, then display
// line and link line alternate, up to kKnownHitsMaxRows rows. Fewer than
// three lines give nothing. When the bytes are only the head of a longer
// file, its cut last line (and a last row whose link was cut) is dropped.
KnownHits ParseKnownHits(const std::string& bytes, bool truncated);

// The result list as both programs load it at their start: the rows of the
// head of the file (kKnownHitsMaxBytes), nothing when it cannot be read.
KnownHits ReadKnownHits(const wxString& path);

// The file's bytes: "Version", "Sortierung", then display line and link of
// each row, every line ended by a single line feed. A row without a link gets
// an empty link line.
std::string FormatKnownHits(const KnownHits& hits);

// The most rows the result list keeps after a run that found new hits.
const std::size_t kMaxResultRows = 222;

// Puts the new hits of a run (display lines and links, in the order the job
// found them) on top of list, each to the top in turn, so the job's last hit
// ends in row 0; then keeps the newest kMaxResultRows rows and links. A hit
// whose line is already a row, or was put on top before it in the same run,
// is left out. Returns the rows put on top (at most kMaxResultRows); with
// none nothing changes, so rows loaded beyond the cap stay until a run
// merges.
std::size_t MergeNewHits(KnownHits& list, const std::vector<std::string>& lines,
                         const std::vector<std::string>& links);

// Replaces the file with bytes: through a temporary file in the same folder
// where the folder allows it, so a failed write leaves the old file whole,
// else in place. False, with the failure logged, when it could not be saved.
bool ReplaceFile(const wxString& path, const std::string& bytes);

// Reports a file that could not be saved through the toolkit's log, in the
// toolkit's own (German) words.
void LogFailedSave(const wxString& path);
