// Reference file: byte-exact line reading and atomic rewriting.
#include "reference_file.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

std::vector<std::string> SplitLines(const std::string& text)
{
    // The line feeds are found with memchr, and the lone carriage returns
    // within each piece between two of them; reference files have none.
    std::vector<std::string> lines;
    const char* const data = text.data();
    const std::size_t size = text.size();
    std::size_t start = 0;
    while (start < size)
    {
        const void* found = std::memchr(data + start, '\n', size - start);
        const std::size_t lf = found ? static_cast<std::size_t>(static_cast<const char*>(found) - data)
                                     : size;
        bool crLf = false;
        while (const void* cr = std::memchr(data + start, '\r', lf - start))
        {
            const auto at = static_cast<std::size_t>(static_cast<const char*>(cr) - data);
            lines.emplace_back(data + start, at - start);
            start = at + 1;
            if (start == lf)
            {
                crLf = true; // CR LF (or a CR at the very end) ended the line
                break;
            }
        }
        if (lf == size)
        {
            if (!crLf && start < size)
                lines.emplace_back(data + start, size - start);
            break;
        }
        if (!crLf)
            lines.emplace_back(data + start, lf - start);
        start = lf + 1;
    }
    return lines;
}

bool ReadFileText(const std::string& path, std::string& text)
{
    // Only a regular file is read: a folder gives nothing, a pipe would block
    // the run and a device such as /dev/zero would never end.
    text.clear();
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char buffer[65536];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        text.append(buffer, count);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    if (!ok)
        text.clear();
    return ok;
}

bool AppendFileLines(const std::string& path, std::vector<std::string>& lines)
{
    std::string text;
    if (!ReadFileText(path, text))
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
    // A link is followed: the file it leads to is replaced, not the link.
    std::string target = path;
    struct stat link;
    if (::lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode))
    {
        if (char* real = ::realpath(path.c_str(), nullptr))
        {
            target = real;
            std::free(real);
        }
    }

    // An existing target that is no regular file (a folder, a device), or
    // that may not be read and written, is left alone: a plain write would
    // have failed on it, and replacing it would lose what it holds.
    struct stat old;
    mode_t mode = 0644;
    if (::stat(target.c_str(), &old) == 0)
    {
        if (!S_ISREG(old.st_mode) || ::access(target.c_str(), R_OK | W_OK) != 0)
            return false;
        mode = old.st_mode & 07777;
    }

    // The temporary file lies beside the target (same file system, so the
    // rename replaces it in one step) and takes the old file's permissions.
    std::string temp = target + ".XXXXXX";
    const int fd = ::mkstemp(&temp[0]);
    if (fd < 0)
        return false;
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
        ok = std::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        std::remove(temp.c_str());
    return ok;
}
