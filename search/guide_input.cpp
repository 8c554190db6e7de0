// GuideInput: files, standard input and downloads with a kept copy.
#include "guide_input.h"

#include "file_bytes.h"
#include "http_transfer.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
const std::size_t kPiece = std::size_t{64} * 1024;

std::string Hex64(std::uint64_t value)
{
    static const char kHex[] = "0123456789abcdef";
    std::string text(16, '0');
    for (int i = 15; i >= 0; --i, value >>= 4)
        text[static_cast<std::size_t>(i)] = kHex[value & 0xF];
    return text;
}

// 64-bit FNV-1a: a stable name for the copy of each address.
std::uint64_t Fnv1a(const std::string& text)
{
    std::uint64_t hash = 14695981039346656037ull;
    for (const char c : text)
    {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ull;
    }
    return hash;
}

// Why a file cannot be read, in German.
std::string FileError(const GuideSource& source, int error)
{
    const std::string name = "Die Programmdatei " + QuotedText(source.shown);
    switch (error)
    {
    case ENOENT:
    case ENOTDIR:
        return name + " gibt es nicht.";
    case EACCES:
    case EPERM:
        return name + " darf Velunda nicht lesen.";
    case EISDIR:
        return name + " ist ein Ordner.";
    default:
        return name + " l\xE4sst sich nicht lesen (" + std::strerror(error) + ").";
    }
}

// The validators kept beside a copy: the address, its ETag, its
// Last-Modified.
struct Validators
{
    std::string address;
    std::string etag;
    std::string lastModified;
};

bool ReadValidators(const std::string& path, Validators& validators)
{
    std::string text;
    if (!ReadFileText(path, text))
        return false;
    const std::vector<std::string> lines = SplitLines(text);
    if (lines.size() != 3)
        return false;
    validators = {lines[0], lines[1], lines[2]};
    return true;
}

} // namespace

bool GuideInput::IsAddress(const std::string& location)
{
    return StartsWithNoCase(location, "http://") || StartsWithNoCase(location, "https://");
}

std::vector<std::string> GuideInput::CopyFiles(const std::string& address)
{
    const std::string base = "xmltv-" + Hex64(Fnv1a(address)) + ".kopie";
    return {base, base + "-info"};
}

bool GuideInput::IsCopyFile(std::string_view name)
{
    // "xmltv-" and 16 hex digits, then ".kopie" or ".kopie-info".
    const std::string_view rest = name.substr(std::min<std::size_t>(name.size(), 22));
    if (name.substr(0, 6) != "xmltv-" || (rest != ".kopie" && rest != ".kopie-info"))
        return false;
    return name.substr(6, 16).find_first_not_of("0123456789abcdef") == std::string_view::npos &&
           name.size() - rest.size() == 22;
}

bool GuideInput::Read(const GuideSource& source, const BodySink& feed, std::string& error)
{
    error.clear();
    if (IsAddress(source.location))
        return Download(source, feed, error);
    if (source.location == "-")
    {
        if (m_stdin < 0)
        {
            error = "Die Standardeingabe (\x84-\x93) kann nur velunda-suche --xmltv - lesen.";
            return false;
        }
        return ReadFile(source, m_stdin, feed, error);
    }
    // Only a regular file, or a pipe the user named: a folder fails at once.
    const int fd = ::open(source.location.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
    {
        error = FileError(source, errno);
        return false;
    }
    struct stat info;
    if (::fstat(fd, &info) == 0 && S_ISDIR(info.st_mode))
    {
        ::close(fd);
        error = FileError(source, EISDIR);
        return false;
    }
    const bool ok = ReadFile(source, fd, feed, error);
    ::close(fd);
    return ok;
}

bool GuideInput::ReadFile(const GuideSource& source, int fd, const BodySink& feed,
                          std::string& error)
{
    std::string piece(kPiece, '\0');
    for (;;)
    {
        if (m_stopNow && m_stopNow())
        {
            error = kStoppedText;
            return false;
        }
        const ssize_t count = ::read(fd, &piece[0], piece.size());
        if (count < 0 && errno == EINTR)
            continue;
        if (count < 0)
        {
            error = FileError(source, errno);
            return false;
        }
        if (count == 0)
            return true;
        if (!feed(piece.data(), static_cast<std::size_t>(count)))
            return false;
        if (m_whileWaiting)
            m_whileWaiting();
    }
}

bool GuideInput::Download(const GuideSource& source, const BodySink& feed, std::string& error)
{
    const std::vector<std::string> files = CopyFiles(source.location);
    const std::string& copyPath = files[0];
    const std::string& infoPath = files[1];
    Validators kept;
    struct stat copyInfo;
    const bool haveCopy = ReadValidators(infoPath, kept) && kept.address == source.location &&
                          ::stat(copyPath.c_str(), &copyInfo) == 0 && S_ISREG(copyInfo.st_mode) &&
                          IsOneHeaderLine(kept.etag) && IsOneHeaderLine(kept.lastModified) &&
                          !(kept.etag.empty() && kept.lastModified.empty());

    HttpGet get;
    get.url = source.location;
    get.http10 = false;
    get.head = [&](const std::string& authority) {
        std::string head =
            "Host: " + authority + "\r\nUser-Agent: " + kUserAgent + "\r\nAccept: */*";
        if (haveCopy && !kept.etag.empty())
            head += "\r\nIf-None-Match: " + kept.etag;
        if (haveCopy && !kept.lastModified.empty())
            head += "\r\nIf-Modified-Since: " + kept.lastModified;
        return head;
    };
    get.waitSeconds = m_waitSeconds;
    get.totalSeconds = kDownloadSeconds;
    get.maxBodyBytes = kMaxGuideBytes;
    get.notModifiedIsAnswer = haveCopy;
    get.naming.noun = "Programmquelle";
    get.naming.subject = "die Adresse der Programmquelle";
    get.naming.object = "die Adresse der Programmquelle";
    get.naming.within = "in der Adresse der Programmquelle";
    get.naming.pronoun = "sie";
    get.naming.noConnection =
        "Konnte keine Verbindung zur Programmquelle " + QuotedText(source.shown) + " herstellen.";

    HttpClient client;
    client.m_whileWaiting = m_whileWaiting;
    client.m_stopNow = m_stopNow;
    // The new copy is written as the body arrives, and takes the old one's
    // place only once the download arrived whole and was taken.
    FileReplacement copy(copyPath);
    bool fed = true;
    const HttpAnswer answer = client.Get(get, [&](const char* data, std::size_t size) {
        copy.Write(data, size);
        fed = feed(data, size);
        return fed;
    });
    if (answer.notModified)
    {
        const int fd = ::open(copyPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0)
        {
            error = FileError({copyPath, copyPath}, errno);
            return false;
        }
        const bool ok = ReadFile({copyPath, copyPath}, fd, feed, error);
        ::close(fd);
        return ok;
    }
    if (!fed)
        return false;
    if (!answer.ok)
    {
        error = answer.error;
        return false;
    }
    // Without a validator a copy could never be asked for again.
    if ((answer.etag.empty() && answer.lastModified.empty()) || !IsOneHeaderLine(answer.etag) ||
        !IsOneHeaderLine(answer.lastModified) || !copy.Commit())
    {
        std::remove(infoPath.c_str());
        std::remove(copyPath.c_str());
        return true;
    }
    ReplaceFileBytes(infoPath,
                     source.location + "\n" + answer.etag + "\n" + answer.lastModified + "\n");
    return true;
}
