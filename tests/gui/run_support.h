// Helpers of the GUI tests that run searches: the local listings site with a
// small broadcast list of its own, and readings of the result list.
#pragma once

#include "gui_support.h"
#include "listings_site.h"

#include <string>
#include <vector>

class wxFrame;

// The local listings site serving these broadcasts (date order):
//   11, 12, 13  title "Ahorn", person "Uwe Eins", on 08., 09., 10.12.
//   21, 22      title "Birke", no person
//   31 to 35    title "Ceder"
// Each description reads "<title>: Folge <id>." and each link is
// "sendung/<id>.html". The world's settings value "Host" points at it.
// Another broadcast list (the site's tab-separated form) may be given.
class LocalSite
{
public:
    explicit LocalSite(const TempWorld& world, const std::vector<std::string>& args = {},
                       const std::string& broadcasts = std::string());
    bool Ok() const { return m_site.Ok(); }
    std::string Host() const { return m_site.Host(); }
    std::vector<std::string> RequestTargets() const { return m_site.RequestTargets(); }
    void Stop() { m_site.Stop(); }

private:
    std::string m_dataPath;
    ListingsSite m_site;
};

// The broadcast id of each result row ("Folge <id>."), each followed by ";";
// "-" for a row of another kind.
wxString RowIds(FRProbe* frame);
// The same for the link list ("<host>/sendung/<id>.html").
wxString LinkIds(FRProbe* frame, const LocalSite& site);

// Presses START. The window comes up reading STOP when it has criteria (its
// constructor pressed START, and the test frame's timer was disarmed), so
// STOP is pressed first then.
void StartRun(FRProbe* frame);

// Chooses a run mode by its text ("nur einmal suchen", ...).
void ChooseMode(FRProbe* frame, const wxString& mode);

// The longest a search run against the local site takes here, with room for
// a loaded machine.
const int kRunTimeoutMs = 20000;

// Waits until the status text says how many hits a run found.
bool WaitForCount(FRProbe* frame, int ms = kRunTimeoutMs);

// The open help windows, in creation order.
std::vector<wxFrame*> HelpWindows();
