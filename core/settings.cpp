// Reading the settings store.
#include "settings.h"

#include "cp1252.h"
#include "listings_host.h"

#include <algorithm>

#include <wx/arrstr.h>
#include <wx/log.h>

const wxChar kCountKey[] = wxT("Aanz");
const wxChar kEntryKeyFormat[] = wxT("Auswahl%d=");
const wxChar kHostKey[] = wxT("Host");
const wxChar kXmltvKey[] = wxT("XMLTV");
const wxChar kReminderKey[] = wxT("Erinnerung");
const char kNothingSelected[] = "Sie haben nichts in der Auswahl!";

std::unique_ptr<wxConfigBase> OpenSettingsStore()
{
    // The local-file flag is needed: with the global one alone the file
    // store writes nothing, and reads the wrong file.
    auto store =
        std::make_unique<wxConfig>(wxT("velunda"), wxEmptyString, wxEmptyString, wxEmptyString,
                                   wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE);
    // Criteria are read as typed: "$HOME" in a title stays "$HOME".
    store->SetExpandEnvVars(false);
    return store;
}

std::vector<wxString> ReadCriteria(wxConfigBase& store)
{
    // A malformed count is no reason for a message; it reads as 0.
    wxLogNull quiet;
    long count = 0;
    if (!store.Read(kCountKey, &count, 0L))
        count = 0;
    count = std::min(count, kMaxLoadedCriteria);

    std::vector<wxString> entries;
    for (long i = 0; i < count; ++i)
        entries.push_back(
            store.Read(wxString::Format(kEntryKeyFormat, static_cast<int>(i)), wxString()));
    return entries;
}

wxString ReadListingsHost(wxConfigBase& store)
{
    wxLogNull quiet;
    wxString host;
    // Read without a default, so the store does not gain the value.
    if (store.Read(kHostKey, &host) && !host.empty())
        return host;
    return FromBytes(kListingsHost);
}

bool ListingsHostIsSet(wxConfigBase& store)
{
    wxLogNull quiet;
    wxString host;
    return store.Read(kHostKey, &host) && !host.empty();
}

std::vector<wxString> ReadGuides(wxConfigBase& store)
{
    wxLogNull quiet;
    wxString value;
    std::vector<wxString> guides;
    if (!store.Read(kXmltvKey, &value))
        return guides;
    for (wxString guide : wxSplit(value, wxT('|'), wxT('\0')))
    {
        guide.Trim(true).Trim(false);
        if (!guide.empty())
            guides.push_back(guide);
    }
    return guides;
}

wxString JoinGuides(const std::vector<wxString>& guides, const wxString& between)
{
    wxString value;
    for (const wxString& guide : guides)
    {
        if (!value.empty())
            value += between;
        value += guide;
    }
    return value;
}

int ReadReminderMinutes(wxConfigBase& store, int byDefault, int most)
{
    wxLogNull quiet;
    wxString text;
    long minutes = 0;
    if (!store.Read(kReminderKey, &text) || !text.Trim(true).Trim(false).ToLong(&minutes))
        return byDefault;
    return static_cast<int>(std::clamp(minutes, 0L, static_cast<long>(most)));
}
