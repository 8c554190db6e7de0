// The failing streak of velunda-suche --notify, counted in the state folder.
#include "failure_streak.h"

#include "file_bytes.h"
#include "notification.h"
#include "unattended_run.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace
{
// The failing run in a row that is told.
const int kTellAt = 3;

std::string& FirstErrorText()
{
    static std::string text;
    return text;
}

// $XDG_STATE_HOME/velunda, or ~/.local/state/velunda when XDG_STATE_HOME is
// not an absolute path (the XDG rules ignore a relative one); empty without
// an absolute HOME.
std::string StateFolder()
{
    const char* state = std::getenv("XDG_STATE_HOME");
    if (state && state[0] == '/')
        return std::string(state) + "/velunda";
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.local/state/velunda";
    return {};
}

// Creates the folder and those above it that are missing, private to the
// user as the XDG rules ask; true when the folder is there.
bool MakeFolders(const std::string& folder)
{
    for (std::string::size_type slash = folder.find('/', 1);; slash = folder.find('/', slash + 1))
    {
        if (::mkdir(folder.substr(0, slash).c_str(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash == std::string::npos)
            break;
    }
    struct stat info;
    return ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

// A name of fixed length for any folder path (FNV-1a, 64 bits), the same in
// every build.
std::string EntryName(const std::string& dataFolder)
{
    std::uint64_t hash = 14695981039346656037ULL;
    for (const char c : dataFolder)
    {
        hash ^= static_cast<unsigned char>(c);
        hash *= 1099511628211ULL;
    }
    char name[32];
    std::snprintf(name, sizeof name, "streak-%016llx", static_cast<unsigned long long>(hash));
    return name;
}

std::string EntryText(const std::string& dataFolder, int count)
{
    return std::to_string(count) + "\n" + dataFolder + "\n";
}

// The count in the entry: 0 when there is none, or when it belongs to
// another folder; -1 when it cannot be read.
int ReadCount(const std::string& entry, const std::string& dataFolder)
{
    std::string text;
    if (!ReadFileText(entry, text))
        return ::access(entry.c_str(), F_OK) != 0 && errno == ENOENT ? 0 : -1;
    const std::string::size_type digits = text.find_first_not_of("0123456789");
    if (digits == 0 || digits > 9 || digits == std::string::npos || text[digits] != '\n')
        return -1;
    const int count = static_cast<int>(std::strtol(text.c_str(), nullptr, 10));
    return text == EntryText(dataFolder, count) ? count : 0;
}
} // namespace

void NoteErrorText(const std::string& text)
{
    if (FirstErrorText().empty())
        FirstErrorText() = text;
}

std::string AbsoluteFolder(const std::string& folder)
{
    const std::string path = folder.empty() ? "." : folder;
    char* real = ::realpath(path.c_str(), nullptr);
    std::string absolute = real ? real : path;
    std::free(real);
    return absolute;
}

void CountInStreak(const std::string& dataFolder, int status)
{
    const bool failed = status == kSucheRunErrors || status == kSucheCannotRun;
    if (!failed && status != kSucheOk)
        return;
    const std::string state = StateFolder();
    const std::string entry = state.empty() ? state : state + "/" + EntryName(dataFolder);
    if (!failed)
    {
        if (!entry.empty())
            ::unlink(entry.c_str());
        return;
    }

    // A count that cannot be kept tells every failing run rather than none.
    int before = -1;
    bool kept = false;
    if (!entry.empty() && MakeFolders(state))
    {
        before = ReadCount(entry, dataFolder);
        const int now = before < 0 ? 1 : std::min(before + 1, kTellAt);
        // Replaced through a temporary file, so that it is whole or old.
        kept = ReplaceFileBytes(entry, EntryText(dataFolder, now)) && before >= 0;
    }
    if (kept && before + 1 != kTellAt)
        return;
    const std::string text = FirstErrorText().empty()
                                 ? "Der Suchlauf endete mit Status " + std::to_string(status) + "."
                                 : FirstErrorText();
    std::string warning;
    if (!ShowFailure(text, warning))
        SayOnStderr(warning);
}
