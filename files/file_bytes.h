// Whole files as bytes, as the program keeps its files ("TVmov.ref",
// "refn.txt"): read, cut into lines, and replaced so that a failed save
// leaves the old file whole.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// Splits text into lines at LF, CR LF and a lone CR, without the line ends.
// A last line without a line end is kept; an empty text has no lines.
std::vector<std::string> SplitLines(const std::string& text);

// Reads the whole file at path into text (emptied first; its buffer is kept).
// False, with text empty, when the file is missing, no regular file, or
// could not be read. A link is followed.
bool ReadFileText(const std::string& path, std::string& text);

// ReadFileText for at most maxBytes of the file, into *bytes. *truncated tells
// whether the file holds more than was read.
bool ReadFileHead(const std::string& path, std::size_t maxBytes, std::string* bytes,
                  bool* truncated);

// Replaces the file at path by bytes. Where the folder allows it, the bytes
// go to a temporary file beside the target ("<name>.velunda-neu-" and six
// letters or digits), which is synced and then renamed over it, and the
// folder is synced after the rename: a failed write leaves the old file
// whole, and a power cut after the call keeps the new one. In a folder where
// no file may be created but the existing target may be written (a shared
// folder, a folder of mode 0555 with files of 0644), the target is written in
// place instead: room for the new size is taken first, so a full disk leaves
// the old bytes. A link is followed. An existing target that is no regular
// file, or that may not be read and written, is left alone. False on failure.
bool ReplaceFileBytes(const std::string& path, std::string_view bytes);

// Removes the temporary files that a replace killed half-way left beside the
// targets in folder, those whose file names isTarget accepts: only files named
// as ReplaceFileBytes names them. Call it while no other program may be saving
// there.
void RemoveTemporaryFiles(const std::string& folder,
                          const std::function<bool(std::string_view target)>& isTarget);

// A file replaced by bytes that come in pieces (a download): they go to a
// temporary file beside the target, named as ReplaceFileBytes names it, and
// only Commit syncs it and renames it over the target (then syncs the
// folder). Without a Commit that worked the temporary file is removed and the
// target stays as it was.
class FileReplacement
{
public:
    explicit FileReplacement(std::string path);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    // False when the temporary file could not be made or written; the later
    // calls then do nothing and Commit fails.
    bool Write(const char* data, std::size_t size);
    bool Commit();

private:
    std::string m_path;
    std::string m_temp;
    int m_fd = -1;
    bool m_ok = true;
};
