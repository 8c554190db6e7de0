// The settings store as both programs read it: the criteria and the listings
// site. Only the window writes it (the criteria, at its saves).
#pragma once

#include <memory>
#include <vector>

#include <wx/config.h>
#include <wx/string.h>

// Value names: the number of criteria, and each criterion by its index.
extern const wxChar kCountKey[];
extern const wxChar kEntryKeyFormat[];
// The listings site, when the user names another; read, and written by the
// window's choice of source.
extern const wxChar kHostKey[];
// The XMLTV guides, "|" between them; while it holds one, runs search them.
extern const wxChar kXmltvKey[];
// The minutes of the calendar's reminder before each broadcast.
extern const wxChar kReminderKey[];

// What a run without criteria says (plain ASCII).
extern const char kNothingSelected[];

// Entry indices are 16-bit in the store.
const unsigned kMaxStoredCriteria = 65535;
// The GTK drop-down list fills in quadratic time (2000 entries take about a
// second, 8000 half a minute), so a damaged count such as 65535 would keep
// the window from coming up. More criteria than this are not loaded; the
// values beyond stay in the store untouched.
const long kMaxLoadedCriteria = 2000;

// The settings store of both programs, named after the program "velunda"
// whatever the executable is called: ~/.velunda on Linux, the registry key of
// "velunda" on Windows. Values are read as typed ("$HOME" in a title stays
// "$HOME").
std::unique_ptr<wxConfigBase> OpenSettingsStore();

// The criteria in list order, "Aanz" of them (at most kMaxLoadedCriteria); a
// missing or malformed count reads as none, a missing entry as an empty one.
std::vector<wxString> ReadCriteria(wxConfigBase& store);

// The value "Host" as the user wrote it when it is not empty, else the
// built-in listings site.
wxString ReadListingsHost(wxConfigBase& store);
// Whether "Host" is set and not empty.
bool ListingsHostIsSet(wxConfigBase& store);

// The guides of the value "XMLTV", each without the blanks around it, the
// empty ones left out.
std::vector<wxString> ReadGuides(wxConfigBase& store);
// The guides joined by between: by "|", the value for them.
wxString JoinGuides(const std::vector<wxString>& guides, const wxString& between = wxT("|"));

// The value "Erinnerung" as minutes from 0 to 1440; unset or not a number:
// the default.
int ReadReminderMinutes(wxConfigBase& store, int byDefault, int most);
