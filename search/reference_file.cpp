// Reference file: byte-exact line reading and atomic rewriting.
#include "reference_file.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    const std::string::size_type size = text.size();
    for (std::string::size_type i = 0; i < size; ++i)
    {
        const char c = text[i];
        if (c != '\n' && c != '\r')
            continue;
        lines.emplace_back(text, start, i - start);
        if (c == '\r' && i + 1 < size && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < size)
        lines.emplace_back(text, start, std::string::npos);
    return lines;
}

bool AppendFileLines(const std::string& path, std::vector<std::string>& lines)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::string text;
    char buffer[65536];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, count);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    if (!ok)
        return false;
    for (std::string& line : SplitLines(text))
        lines.push_back(std::move(line));
    return true;
}

namespace
{
bool WriteAll(int fd, const char* data, std::size_t size)
{
    while (size > 0)
    {
        const ssize_t written = ::write(fd, data, size);
        if (written < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}
} // namespace

bool WriteLinesAtomically(const std::string& path, const std::vector<std::string>& lines,
                          std::size_t first)
{
    // The temporary file lies beside the target (same file system, so the
    // rename replaces it in one step) and takes the old file's permissions.
    std::string temp = path + ".XXXXXX";
    const int fd = ::mkstemp(&temp[0]);
    if (fd < 0)
        return false;
    struct stat old;
    mode_t mode = 0644;
    if (::stat(path.c_str(), &old) == 0)
        mode = old.st_mode & 07777;
    ::fchmod(fd, mode);

    std::string block;
    bool ok = true;
    for (std::size_t i = first; i < lines.size() && ok; ++i)
    {
        block += lines[i];
        block += '\n';
        if (block.size() >= 65536)
        {
            ok = WriteAll(fd, block.data(), block.size());
            block.clear();
        }
    }
    if (ok)
        ok = WriteAll(fd, block.data(), block.size());
    if (ok)
        ok = ::fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    if (ok)
        ok = std::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok)
        std::remove(temp.c_str());
    return ok;
}
