// What both programs do around a search run: read what the settings say
// about runs, ask for a run, and keep what it found.
//
//     const RunSettings settings = ReadRunSettings(*store);      // at start
//     ListingsSearch run(RunRequest(settings, criteria, mode));
//     run.Search();
//     KeepNewHits(run, list);   // list saved first, then the hits known
#pragma once

#include "hit_calendar.h"
#include "known_hits_file.h"
#include "listings_search.h"

#include <cstdint>
#include <string>
#include <vector>

#include <wx/config.h>
#include <wx/string.h>

// The result list's file, in the working folder.
extern const char kResultListFile[];

// Removes the temporary files that a save killed half-way left beside
// "refn.txt", the known hits and the kept copies of guides in the working
// folder. Call it while holding the folder, before anything is saved there.
void RemoveLeftoverTemporaryFiles();

// What the settings store says about runs, read once at a program's start.
struct RunSettings
{
    // The listings site as the user wrote it: the value "Host", else the
    // built-in site, which is only a placeholder (siteSet false).
    wxString site;
    bool siteSet = false;
    // The XMLTV guides as the user named them (paths, "~/..." or addresses);
    // while there are any, runs search them instead of the site.
    std::vector<wxString> guides;
    // Longest wait for the site, for every wait of the HTTP client.
    int waitSeconds = 120;
    // Minutes of the calendar's reminder before each broadcast; 0: none.
    int reminderMinutes = kDefaultReminderMinutes;

    // Whether a run has anything to ask.
    bool HasSource() const { return siteSet || !guides.empty(); }
    // What a run asks, as the status bar and the help page name it.
    wxString SourceName() const;
};

RunSettings ReadRunSettings(wxConfigBase& store);

// What a run says of the programmes of its guides whose time could not be
// read: "12 Sendungen ohne lesbare Zeit übersprungen". A note, not an error.
wxString SkippedProgrammesNote(std::uint64_t skipped);

// The request of a run over criteria (bytes, in list order) in runMode (the
// window's mode number; 0 for one run over all criteria).
SearchRequest RunRequest(const RunSettings& settings, std::vector<std::string> criteria,
                         int runMode);

// What KeepNewHits did: the rows it put on top of the list (new hits already
// in it are not listed again), and whether every file was saved.
struct KeptHits
{
    std::size_t listed = 0;
    bool saved = true;
};

// Keeps what a finished run found: its new hits go on top of list, the list is
// saved to kResultListFile, then the calendar kCalendarFile with a reminder of
// reminderMinutes, and only then do the known hits ("TVmov.ref", "TVxml.ref")
// take them. A list that could not be saved leaves them unknown, so the next
// run reports them again; a calendar that could not be saved costs no hit.
// When no row was put on top, the files stay as they are. A failed save is
// logged.
KeptHits KeepNewHits(ListingsSearch& run, KnownHits& list,
                     int reminderMinutes = kDefaultReminderMinutes);
