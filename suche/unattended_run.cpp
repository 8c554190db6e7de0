// The run of velunda-suche.
#include "unattended_run.h"

#include "cp1252.h"
#include "failure_streak.h"
#include "folder_hold.h"
#include "known_hits_file.h"
#include "notification.h"
#include "search_run.h"
#include "settings.h"
#include "toolkit_texts.h"

#include <algorithm>
#include <cstdint>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

#include <wx/filefn.h>
#include <wx/log.h>

namespace
{
std::string Utf8(const std::string& bytes)
{
    return std::string(FromBytes(bytes).utf8_str());
}

std::string Quoted(const std::string& text)
{
    return "\xE2\x80\x9E" + text + "\xE2\x80\x9C";
}

// The toolkit's own messages (a failed save, a damaged settings file) as
// lines of this program on standard error.
class StderrLog : public wxLog
{
protected:
    void DoLogTextAtLevel(wxLogLevel, const wxString& message) override
    {
        SayOnStderr(std::string(message.utf8_str()));
    }
};

// Enters the folder of -C; false, said on standard error, when it cannot be
// used. Nothing is created.
bool EnterFolder(const std::string& folder)
{
    struct stat info;
    if (::stat(folder.c_str(), &info) != 0)
    {
        SayOnStderr(errno == ENOENT ? "Den Ordner " + Quoted(folder) + " gibt es nicht."
                                    : "Der Ordner " + Quoted(folder) +
                                          " ist nicht erreichbar: " + std::strerror(errno));
        return false;
    }
    if (!S_ISDIR(info.st_mode))
    {
        SayOnStderr(Quoted(folder) + " ist kein Ordner.");
        return false;
    }
    if (::chdir(folder.c_str()) != 0)
    {
        SayOnStderr("In den Ordner " + Quoted(folder) +
                    " kann velunda-suche nicht wechseln: " + std::strerror(errno));
        return false;
    }
    return true;
}
} // namespace

void SayOnStderr(const std::string& message)
{
    NoteErrorText(message);
    const std::string line = "velunda-suche: " + message + "\n";
    std::fwrite(line.data(), 1, line.size(), stderr);
}

int RunUnattended(const SucheOptions& options)
{
    if (!options.folder.empty() && !EnterFolder(options.folder))
        return kSucheCannotRun;

    // Before anything is read: another Velunda here would overwrite the
    // result list of this run, or this run its own.
    const FolderHold hold(".");
    if (hold.HeldElsewhere())
    {
        SayOnStderr("Velunda arbeitet schon in diesem Ordner (" +
                    std::string(wxGetCwd().utf8_str()) + "); dieser Suchlauf entfällt.");
        return kSucheFolderHeld;
    }
    RemoveLeftoverTemporaryFiles();

    UseGermanToolkitTexts();
    wxLog::DisableTimestamp();
    // The toolkit deletes its log target at its clean-up.
    delete wxLog::SetActiveTarget(new StderrLog); // NOLINT(clang-analyzer-cplusplus.NewDeleteLeaks)

    const std::unique_ptr<wxConfigBase> store = OpenSettingsStore();
    std::vector<std::string> criteria;
    for (const wxString& entry : ReadCriteria(*store))
        criteria.push_back(ToBytes(entry));
    if (criteria.empty())
    {
        SayOnStderr(kNothingSelected);
        return kSucheCannotRun;
    }
    RunSettings settings = ReadRunSettings(*store);
    if (!options.guides.empty())
    {
        settings.guides.clear();
        for (const std::string& guide : options.guides)
            settings.guides.push_back(wxString(guide.c_str(), wxConvFile));
    }
    if (!settings.HasSource())
    {
        SayOnStderr(Utf8(kNoSourceText));
        return kSucheCannotRun;
    }

    // The result list as the window loads it at its start.
    KnownHits list = ReadKnownHits(kResultListFile);

    SearchRequest request = RunRequest(settings, std::move(criteria), 0);
    request.printJobLines = false;
    request.readStandardInput = !options.guides.empty();
    ListingsSearch run(request);
    run.Search();
    const KeptHits kept = KeepNewHits(run, list, settings.reminderMinutes);
    const std::size_t found = kept.listed;
    const std::vector<std::string>& errors = run.Errors();

    std::vector<std::string> rows;
    std::string out;
    for (std::size_t i = 0; i < found; ++i)
    {
        rows.push_back(Utf8(list.lines[i]));
        out += rows.back() + "\n    " + (i < list.links.size() ? Utf8(list.links[i]) : "") + "\n";
    }
    std::fwrite(out.data(), 1, out.size(), stdout);
    std::fflush(stdout);
    for (const std::string& error : errors)
    {
        const std::string text = Utf8(error);
        NoteErrorText(text);
        const std::string line = text + "\n";
        std::fwrite(line.data(), 1, line.size(), stderr);
    }

    // A note, not an error: the status stays as it is.
    if (const std::uint64_t skipped = run.SkippedProgrammes())
    {
        const std::string note =
            "velunda-suche: Hinweis: " + std::string(SkippedProgrammesNote(skipped).utf8_str()) +
            ".\n";
        std::fwrite(note.data(), 1, note.size(), stderr);
    }

    std::string why;
    if (options.notify && found > 0 && !ShowNewHits(found, rows, why))
        SayOnStderr(why);
    return errors.empty() && kept.saved ? kSucheOk : kSucheRunErrors;
}
