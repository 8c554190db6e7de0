// Helpers of the GUI tests that run searches.
#include "run_support.h"

#include <gtest/gtest.h>

#include <wx/frame.h>
#include <wx/toplevel.h>

namespace
{

const char kBroadcasts[] = "id\tdate\ttime\tchannel\ttitle\tpersons\tdescription\n"
                           "11\t2026-12-08\t20:15\tKanal A\tAhorn\tUwe Eins\tFolge 11.\n"
                           "12\t2026-12-09\t20:15\tKanal A\tAhorn\tUwe Eins\tFolge 12.\n"
                           "13\t2026-12-10\t20:15\tKanal A\tAhorn\tUwe Eins\tFolge 13.\n"
                           "21\t2026-12-08\t21:00\tKanal B\tBirke\t\tFolge 21.\n"
                           "22\t2026-12-09\t21:00\tKanal B\tBirke\t\tFolge 22.\n"
                           "31\t2026-12-11\t06:00\tKanal C\tCeder\t\tFolge 31.\n"
                           "32\t2026-12-11\t07:00\tKanal C\tCeder\t\tFolge 32.\n"
                           "33\t2026-12-11\t08:00\tKanal C\tCeder\t\tFolge 33.\n"
                           "34\t2026-12-11\t09:00\tKanal C\tCeder\t\tFolge 34.\n"
                           "35\t2026-12-11\t10:00\tKanal C\tCeder\t\tFolge 35.\n";

std::string WriteBroadcasts(const TempWorld& world, const std::string& broadcasts)
{
    const wxString path = world.Home() + "/broadcasts.tsv";
    WriteBytes(path, broadcasts.empty() ? std::string(kBroadcasts) : broadcasts);
    return std::string(path.utf8_str());
}

std::vector<std::string> SiteArgs(const std::string& data, const std::vector<std::string>& args)
{
    std::vector<std::string> all = {"--data", data};
    all.insert(all.end(), args.begin(), args.end());
    return all;
}

wxString IdAfter(const wxString& text, const wxString& marker, const wxString& end)
{
    const int at = text.Find(marker);
    if (at == wxNOT_FOUND || !text.EndsWith(end))
        return "-";
    return text.Mid(at + marker.length(), text.length() - at - marker.length() - end.length());
}

} // namespace

LocalSite::LocalSite(const TempWorld& world, const std::vector<std::string>& args,
                     const std::string& broadcasts)
    : m_dataPath(WriteBroadcasts(world, broadcasts)), m_site(SiteArgs(m_dataPath, args))
{
    if (m_site.Ok())
        StoreValue(world, "Host", m_site.Host());
}

wxString RowIds(FRProbe* frame)
{
    wxString ids;
    for (unsigned i = 0; i < frame->m_listHits->GetCount(); ++i)
        ids += IdAfter(frame->m_listHits->GetString(i), ": Folge ", ".") + ";";
    return ids;
}

wxString LinkIds(FRProbe* frame, const LocalSite& site)
{
    wxString ids;
    for (const wxString& link : frame->m_links)
        ids += IdAfter(link, site.Host() + "/sendung/", ".html") + ";";
    return ids;
}

void StartRun(FRProbe* frame)
{
    if (frame->m_buttonStart->GetLabel() != "START")
        Click(frame->m_buttonStart);
    Click(frame->m_buttonStart);
}

void ChooseMode(FRProbe* frame, const wxString& mode)
{
    const int index = frame->m_choiceMode->FindString(mode);
    if (index != wxNOT_FOUND)
        Choose(frame->m_choiceMode, index);
    else
        ADD_FAILURE() << "no run mode " << mode;
}

bool WaitForCount(FRProbe* frame, int ms)
{
    return YieldUntil([frame] { return frame->Status().EndsWith(" neue Treffer"); }, ms);
}

std::vector<wxFrame*> HelpWindows()
{
    std::vector<wxFrame*> found;
    for (wxWindow* window : wxTopLevelWindows)
    {
        auto* frame = dynamic_cast<wxFrame*>(window);
        if (frame && frame->GetTitle() == "Velunda - Hilfe" && !frame->IsBeingDeleted())
            found.push_back(frame);
    }
    return found;
}
