// The set-up of a run and the keeping of its hits, for both programs.
#include "search_run.h"

#include "cp1252.h"
#include "file_bytes.h"
#include "settings.h"

#include <cstdio>

const char kResultListFile[] = "refn.txt";

void RemoveLeftoverTemporaryFiles()
{
    RemoveTemporaryFiles(".", {kResultListFile, std::string(kRunJobName) + ".ref"});
}

RunSettings ReadRunSettings(wxConfigBase& store)
{
    RunSettings settings;
    settings.site = ReadListingsHost(store);
    return settings;
}

SearchRequest RunRequest(const RunSettings& settings, std::vector<std::string> criteria,
                         int runMode)
{
    SearchRequest request;
    request.criteria = std::move(criteria);
    request.site = ToBytes(settings.site);
    char mode[16];
    std::snprintf(mode, sizeof mode, "%i", runMode);
    request.runMode = mode;
    request.waitSeconds = settings.waitSeconds;
    return request;
}

KeptHits KeepNewHits(ListingsSearch& run, KnownHits& list)
{
    KeptHits kept;
    kept.listed = MergeNewHits(list, run.HitLines(), run.HitLinks());
    if (kept.listed > 0 && !ReplaceFile(kResultListFile, FormatKnownHits(list)))
    {
        kept.saved = false;
        return kept;
    }
    if (run.RecordNewHits())
        return kept;
    LogFailedSave(wxString(kRunJobName) + wxT(".ref"));
    kept.saved = false;
    return kept;
}
