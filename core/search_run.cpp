// The set-up of a run and the keeping of its hits, for both programs.
#include "search_run.h"

#include "cp1252.h"
#include "file_bytes.h"
#include "settings.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

#include <wx/utils.h>

const char kResultListFile[] = "refn.txt";

void RemoveLeftoverTemporaryFiles()
{
    const std::vector<std::string> files = {kResultListFile, kCalendarFile,
                                            std::string(kRunJobName) + ".ref",
                                            std::string(kGuideJobName) + ".ref"};
    RemoveTemporaryFiles(".", [&files](std::string_view target) {
        return std::find(files.begin(), files.end(), target) != files.end() ||
               GuideInput::IsCopyFile(target);
    });
}

RunSettings ReadRunSettings(wxConfigBase& store)
{
    RunSettings settings;
    settings.site = ReadListingsHost(store);
    settings.siteSet = ListingsHostIsSet(store);
    settings.guides = ReadGuides(store);
    settings.reminderMinutes =
        ReadReminderMinutes(store, kDefaultReminderMinutes, kMaxReminderMinutes);
    return settings;
}

wxString RunSettings::SourceName() const
{
    return guides.empty() ? site : JoinGuides(guides, wxT(", "));
}

wxString SkippedProgrammesNote(std::uint64_t skipped)
{
    return wxString::Format(wxT("%llu %s ohne lesbare Zeit \u00FCbersprungen"),
                            static_cast<unsigned long long>(skipped),
                            skipped == 1 ? wxT("Sendung") : wxT("Sendungen"));
}

namespace
{
// A guide as the job takes it: "~/" is the home folder, a path goes as the
// file system names it, an address as UTF-8.
GuideSource GuideFor(const wxString& guide)
{
    GuideSource source;
    source.shown = ToBytes(guide);
    wxString location = guide;
    if (location.StartsWith(wxT("~/")))
    {
        const char* home = std::getenv("HOME");
        location = (home && *home ? wxString(home, wxConvFile) : wxGetHomeDir()) + location.Mid(1);
    }
    if (GuideInput::IsAddress(ToBytes(location)))
        source.location = location.utf8_str().data();
    else
        source.location = static_cast<const char*>(location.fn_str());
    return source;
}
} // namespace

SearchRequest RunRequest(const RunSettings& settings, std::vector<std::string> criteria,
                         int runMode)
{
    SearchRequest request;
    request.criteria = std::move(criteria);
    for (const wxString& guide : settings.guides)
        request.guides.push_back(GuideFor(guide));
    if (settings.siteSet)
        request.site = ToBytes(settings.site);
    char mode[16];
    std::snprintf(mode, sizeof mode, "%i", runMode);
    request.runMode = mode;
    request.waitSeconds = settings.waitSeconds;
    return request;
}

KeptHits KeepNewHits(ListingsSearch& run, KnownHits& list, int reminderMinutes)
{
    KeptHits kept;
    kept.listed = MergeNewHits(list, run.HitLines(), run.HitLinks());
    if (kept.listed > 0)
    {
        if (!ReplaceFile(kResultListFile, FormatKnownHits(list)))
        {
            kept.saved = false;
            return kept;
        }
        kept.saved = SaveCalendar(list, run, reminderMinutes);
    }
    if (run.RecordNewHits())
        return kept;
    LogFailedSave(wxString(run.GuideHits() ? kGuideJobName : kRunJobName) + wxT(".ref"));
    kept.saved = false;
    return kept;
}
