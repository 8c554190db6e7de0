// The job's reference file: one reported hit line per line, newest last.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Splits text into lines at LF, CR LF and a lone CR, without the line ends.
// A last line without a line end is kept; an empty text has no lines.
std::vector<std::string> SplitLines(const std::string& text);

// Reads the whole file at path into text (emptied first; its buffer is kept).
// False, with text empty, when the file is missing, no regular file, or
// could not be read.
bool ReadFileText(const std::string& path, std::string& text);

// Appends the lines of the file at path to lines. A missing or unreadable
// file, or one that is no regular file, appends nothing. False when the file
// could not be read.
bool AppendFileLines(const std::string& path, std::vector<std::string>& lines);

// Replaces the file at path by lines[first..], each followed by "\n". The
// lines go to a temporary file in the same folder, which is then renamed over
// the old one, so a failed write leaves the old file whole. A link is
// followed. An existing target that is no regular file, or that may not be
// read and written, is left alone. False on failure.
bool WriteLinesAtomically(const std::string& path, const std::vector<std::string>& lines,
                          std::size_t first);
