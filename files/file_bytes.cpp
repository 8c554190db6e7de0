// Whole files as bytes: byte-exact reading and line cutting, and the
// replace through a temporary file.
#include "file_bytes.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

std::vector<std::string> SplitLines(const std::string& text)
{
    // The line feeds are found with memchr, and the lone carriage returns
    // within each piece between two of them; the program's files have none.
    std::vector<std::string> lines;
    const char* const data = text.data();
    const std::size_t size = text.size();
    std::size_t start = 0;
    while (start < size)
    {
        const void* found = std::memchr(data + start, '\n', size - start);
        const std::size_t lf =
            found ? static_cast<std::size_t>(static_cast<const char*>(found) - data) : size;
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

namespace
{
// Reads at most limit bytes of the file at path into text (emptied first).
// Only a regular file is read: a folder gives nothing, a pipe would block
// the run and a device such as /dev/zero would never end.
bool ReadRegularFile(const std::string& path, std::size_t limit, std::string& text)
{
    text.clear();
    struct stat info;
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return false;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    char buffer[65536];
    while (text.size() < limit)
    {
        const std::size_t count =
            std::fread(buffer, 1, std::min(sizeof buffer, limit - text.size()), file);
        if (count == 0)
            break;
        text.append(buffer, count);
    }
    const bool ok = !std::ferror(file);
    std::fclose(file);
    if (!ok)
        text.clear();
    return ok;
}
} // namespace

bool ReadFileText(const std::string& path, std::string& text)
{
    return ReadRegularFile(path, std::string::npos, text);
}

bool ReadFileHead(const std::string& path, std::size_t maxBytes, std::string* bytes,
                  bool* truncated)
{
    // One byte beyond the limit tells whether the file is longer.
    *truncated = false;
    if (!ReadRegularFile(path, maxBytes == std::string::npos ? maxBytes : maxBytes + 1, *bytes))
        return false;
    if (bytes->size() > maxBytes)
    {
        *truncated = true;
        bytes->resize(maxBytes);
    }
    return true;
}

namespace
{
// The temporary file of a replace is named after its target, with this and
// six letters or digits after it.
const char kTemporaryMark[] = ".velunda-neu-";
const std::size_t kTemporaryLetters = 6;

// Syncs the folder that holds path, so that a rename in it survives a power
// cut. Where the system cannot sync a folder, the file is saved all the same.
void SyncFolderOf(const std::string& path)
{
    const std::string::size_type slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "."
                               : slash == 0               ? "/"
                                                          : path.substr(0, slash);
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    static_cast<void>(::fsync(fd));
    ::close(fd);
}

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

// The permissions a file created by a plain open would get.
mode_t NewFileMode()
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

// Overwrites a regular file with bytes, for a folder where no temporary file
// can be made. The room for a longer content is taken before any old byte is
// touched, so a full disk or a file-size limit leaves the old file as it was.
bool WriteInPlace(const std::string& target, std::string_view bytes)
{
    const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    struct stat info;
    bool ok = ::fstat(fd, &info) == 0 && S_ISREG(info.st_mode);
    const auto oldSize = ok ? info.st_size : 0;
    const auto newSize = static_cast<off_t>(bytes.size());
    if (ok && newSize > oldSize)
    {
        const int rc = ::posix_fallocate(fd, 0, newSize);
        if (rc != 0 && rc != EOPNOTSUPP && rc != EINVAL)
        {
            // Nothing is written then; room taken in part is given back.
            const int given = ::ftruncate(fd, oldSize);
            static_cast<void>(given);
            ok = false;
        }
    }
    if (ok)
        ok = WriteAll(fd, bytes.data(), bytes.size());
    if (ok)
        ok = ::ftruncate(fd, newSize) == 0;
    if (ok)
        ok = ::fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    return ok;
}
// Ends the replace of target by the temporary file temp, open as fd and
// written whole when written: synced, closed and renamed over the target,
// then the folder synced. Else, or when any of that fails, the temporary
// file goes and the target stays as it was.
bool CommitTemporary(int fd, bool written, const std::string& temp, const std::string& target)
{
    bool ok = written && ::fsync(fd) == 0;
    if (::close(fd) != 0)
        ok = false;
    if (ok)
        ok = std::rename(temp.c_str(), target.c_str()) == 0;
    if (!ok)
        std::remove(temp.c_str());
    else
        SyncFolderOf(target);
    return ok;
}
} // namespace

bool ReplaceFileBytes(const std::string& path, std::string_view bytes)
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
    const bool exists = ::stat(target.c_str(), &old) == 0;
    mode_t mode = 0;
    if (exists)
    {
        if (!S_ISREG(old.st_mode) ||
            ::faccessat(AT_FDCWD, target.c_str(), R_OK | W_OK, AT_EACCESS) != 0)
            return false;
        mode = old.st_mode & 07777;
    }
    else
        mode = NewFileMode();

    // The temporary file lies beside the target (same file system, so the
    // rename replaces it in one step) and takes the old file's permissions.
    std::string temp = target + kTemporaryMark + std::string(kTemporaryLetters, 'X');
    const int fd = ::mkstemp(&temp[0]);
    if (fd < 0)
    {
        // The folder takes no new file, but the file itself may be written.
        if (exists && (errno == EACCES || errno == EPERM))
            return WriteInPlace(target, bytes);
        return false;
    }
    ::fchmod(fd, mode);

    return CommitTemporary(fd, WriteAll(fd, bytes.data(), bytes.size()), temp, target);
}

void RemoveTemporaryFiles(const std::string& folder,
                          const std::function<bool(std::string_view target)>& isTarget)
{
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    const std::size_t mark = sizeof kTemporaryMark - 1;
    while (const dirent* entry = ::readdir(dir))
    {
        // "<target>.velunda-neu-" and six letters or digits, nothing else.
        const std::string_view name = entry->d_name;
        if (name.size() <= mark + kTemporaryLetters)
            continue;
        const std::size_t letters = name.size() - kTemporaryLetters;
        if (name.substr(letters - mark, mark) != kTemporaryMark ||
            !isTarget(name.substr(0, letters - mark)))
            continue;
        bool alphanumeric = true;
        for (std::size_t i = letters; i < name.size(); ++i)
            alphanumeric = alphanumeric && std::isalnum(static_cast<unsigned char>(name[i]));
        if (alphanumeric)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

FileReplacement::FileReplacement(std::string path) : m_path(std::move(path))
{
    m_temp = m_path + kTemporaryMark + std::string(kTemporaryLetters, 'X');
    m_fd = ::mkstemp(&m_temp[0]);
    m_ok = m_fd >= 0;
    if (m_ok)
        ::fchmod(m_fd, NewFileMode());
}

FileReplacement::~FileReplacement()
{
    if (m_fd >= 0)
    {
        ::close(m_fd);
        std::remove(m_temp.c_str());
    }
}

bool FileReplacement::Write(const char* data, std::size_t size)
{
    m_ok = m_ok && WriteAll(m_fd, data, size);
    return m_ok;
}

bool FileReplacement::Commit()
{
    if (m_fd < 0)
        return false;
    const int fd = m_fd;
    m_fd = -1;
    return CommitTemporary(fd, m_ok, m_temp, m_path);
}
