// Behaviour of the main window.
#include "main_frame.h"

#include "cp1252.h"
#include "known_hits_file.h"

#include <algorithm>

#include <wx/icon.h>
#include <wx/log.h>
#include <wx/msgdlg.h>

#ifndef __WXMSW__
#include "orvikon.xpm"
#endif

namespace {

const wxChar kKnownHitsFile[] = wxT("refn.txt");
const wxChar kCountKey[] = wxT("Aanz");
const wxChar kEntryKeyFormat[] = wxT("Auswahl%d=");
// Entry indices are 16-bit in the settings store.
const unsigned kMaxStoredCriteria = 65535;
// The GTK drop-down list fills in quadratic time (2000 entries take about a
// second, 8000 half a minute), so a damaged count such as 65535 would keep
// the window from coming up. More criteria than this are not loaded; the
// values beyond stay in the store untouched.
const long kMaxLoadedCriteria = 2000;

} // namespace

FR::FR()
    : MyFrame1(NULL, wxID_ANY, wxT("Orvikon"), wxDefaultPosition, wxSize(668, 709),
               wxDEFAULT_FRAME_STYLE | wxTAB_TRAVERSAL),
      m_programName(),
      // The local-file flag is needed: with the global one alone the file
      // store writes nothing.
      m_config(wxEmptyString, wxEmptyString, wxEmptyString, wxEmptyString,
               wxCONFIG_USE_LOCAL_FILE | wxCONFIG_USE_GLOBAL_FILE),
      // Idle until START is pressed; the start handler sets both for a run.
      m_abort(true),
      m_timer(),
      m_dummyEvent(wxEVT_NULL, 0),
      m_links(),
      m_runMode(0),
      m_version()
{
    // Criteria are stored as typed; "$HOME" in a title stays "$HOME".
    m_config.SetExpandEnvVars(false);

    SetIcon(wxICON(orvikon));
    m_version = wxT("3.0.1");
    m_programName = wxT("Velunda");
    m_buttonAdd->SetLabel(wxT("Eintrag hinzuf\u00FCgen"));
    SetTitle(m_programName);

    m_timer.Connect(wxEVT_TIMER, wxTimerEventHandler(FR::OnTimer), NULL, this);

    LoadKnownHits();
    if (m_listHits->GetCount() > 0)
        m_listHits->SetSelection(0);
    LoadCriteria();

    if (m_choiceCriteria->GetCount() > 0)
        m_choiceCriteria->SetSelection(0);
    OnSelectCriterion(m_dummyEvent);
    OnStartStop(m_dummyEvent);
}

void FR::LoadKnownHits()
{
    std::string bytes;
    bool truncated = false;
    if (!ReadFileHead(kKnownHitsFile, kKnownHitsMaxBytes, &bytes, &truncated))
        return;
    const KnownHits hits = ParseKnownHits(bytes, truncated);
    bytes.clear();

    wxArrayString rows;
    rows.reserve(hits.lines.size());
    for (const std::string& line : hits.lines)
        rows.push_back(FromBytes(line));
    if (!rows.empty())
        m_listHits->Append(rows);
    for (const std::string& link : hits.links)
        m_links.push_back(FromBytes(link));
}

void FR::LoadCriteria()
{
    // A malformed count is no reason for a message; it reads as 0.
    wxLogNull quiet;
    long count = 0;
    if (!m_config.Read(kCountKey, &count, 0L))
        count = 0;
    count = std::min(count, kMaxLoadedCriteria);

    wxArrayString entries;
    for (long i = 0; i < count; ++i)
        entries.push_back(m_config.Read(wxString::Format(kEntryKeyFormat, static_cast<int>(i)),
                                        wxString()));
    if (!entries.empty())
        m_choiceCriteria->Append(entries);
}

void FR::SaveState()
{
    const unsigned count =
        std::min(m_choiceCriteria->GetCount(), kMaxStoredCriteria);
    m_config.Write(kCountKey, static_cast<long>(count));
    for (unsigned i = 0; i < count; ++i)
        m_config.Write(wxString::Format(kEntryKeyFormat, static_cast<int>(i)),
                       m_choiceCriteria->GetString(i));
    m_config.Flush();

    KnownHits hits;
    const unsigned rows = m_listHits->GetCount();
    hits.lines.reserve(rows);
    for (unsigned i = 0; i < rows; ++i)
        hits.lines.push_back(ToBytes(m_listHits->GetString(i)));
    for (size_t i = 0; i < m_links.size() && i < rows; ++i)
        hits.links.push_back(ToBytes(m_links[i]));
    // A failed save reports itself through the toolkit's log and leaves the
    // old file as it was.
    ReplaceFile(kKnownHitsFile, FormatKnownHits(hits));
}

void FR::OnClose(wxCloseEvent&)
{
    CheckUnsavedMask();
    SaveState();
    m_timer.Stop();
    Destroy();
}

void FR::OnMenuExit(wxCommandEvent&)
{
    Close(true);
}

void FR::OnMenuAbort(wxCommandEvent&)
{
    const int answer = wxMessageBox(
        wxT("Wenn Sie auf Ja klicken, gehen s\u00E4mtliche \u00C4nderungen dieser Sitzung verloren!"),
        m_programName, wxYES_NO | wxICON_QUESTION, this);
    if (answer == wxNO)
        return;
    m_timer.Stop();
    Destroy();
}

void FR::OnMenuInfo(wxCommandEvent&)
{
    // The Info box is not built yet; the item does nothing so far.
}

void FR::OnMenuHelp(wxCommandEvent&)
{
    // The help window is not built yet; the item does nothing so far.
}

wxString FR::GetMaskEntry()
{
    return m_textTitle->GetValue() + wxT("|") + m_textPerson->GetValue();
}

bool FR::ClearStatus()
{
    SetStatusText(wxEmptyString, 0);
    return true;
}

wxString FR::SelectedCriterion()
{
    const int selected = m_choiceCriteria->GetSelection();
    if (selected == wxNOT_FOUND)
        return wxString();
    return m_choiceCriteria->GetString(selected);
}

void FR::OnAddEntry(wxCommandEvent&)
{
    m_choiceCriteria->Append(GetMaskEntry());
    m_choiceCriteria->SetSelection(m_choiceCriteria->GetCount() - 1);
    ClearStatus();
}

void FR::OnUpdateEntry(wxCommandEvent&)
{
    ClearStatus();
    const int selected = m_choiceCriteria->GetSelection();
    if (selected != wxNOT_FOUND) {
        m_choiceCriteria->SetString(selected, GetMaskEntry());
        m_choiceCriteria->SetSelection(selected);
    }
    SaveState();
}

void FR::OnRemoveEntry(wxCommandEvent&)
{
    if (m_choiceCriteria->GetCount() == 0)
        return;
    const int selected = m_choiceCriteria->GetSelection();
    if (selected != wxNOT_FOUND)
        m_choiceCriteria->Delete(selected);
    if (m_choiceCriteria->GetCount() > 0)
        m_choiceCriteria->SetSelection(0);
    OnSelectCriterion(m_dummyEvent);
}

void FR::OnSelectCriterion(wxCommandEvent&)
{
    // Title up to the first bar, person up to the second; an entry without
    // a bar goes whole into both fields.
    const wxString text = SelectedCriterion();
    const int bar = text.Find(wxT('|'));
    const wxString title = bar == wxNOT_FOUND ? text : text.Left(bar);
    const wxString rest = bar == wxNOT_FOUND ? text : text.Mid(bar + 1);
    const int secondBar = rest.Find(wxT('|'));
    const wxString person = secondBar == wxNOT_FOUND ? rest : rest.Left(secondBar);
    m_textTitle->ChangeValue(title);
    m_textPerson->ChangeValue(person);
}

void FR::CheckUnsavedMask()
{
    const wxString mask = GetMaskEntry();
    const wxString current = SelectedCriterion();
    if (current.empty() || mask == current)
        return;
    const int answer = wxMessageBox(
        wxT("Sie haben etwas in der Suchmaske ge\u00E4ndert, ohne auf EINTRAG ERNEUERN zu "
            "klicken. Klicken Sie auf JA um die \u00C4nderungen zu \u00FCbernehmen. Klicken "
            "Sie auf NEIN, um die \u00C4nderungen zu verlieren."),
        m_programName, wxYES_NO, this);
    if (answer == wxYES)
        OnUpdateEntry(m_dummyEvent);
}

void FR::OnStartStop(wxCommandEvent&)
{
    // Search runs are not built yet: START does nothing so far.
}

void FR::OnTimer(wxTimerEvent&)
{
    // Search runs are not built yet: nothing arms the timer so far.
}

void FR::OnHitDoubleClick(wxCommandEvent&)
{
    // Opening a hit's link is not built yet; a double-click does nothing so far.
}
