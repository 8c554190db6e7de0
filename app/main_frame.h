// Behaviour of the main window: loading and saving the state, editing the
// criteria, the menu actions and the search runs.
#pragma once

#include "known_hits_file.h"
#include "main_frame_base.h"
#include "search_run.h"

#include <memory>
#include <string>
#include <vector>

#include <wx/arrstr.h>
#include <wx/config.h>
#include <wx/timer.h>

class FR : public MyFrame1
{
public:
    FR();

protected:
    wxString m_programName;
    std::unique_ptr<wxConfigBase> m_config;
    bool m_abort;
    wxTimer m_timer;
    wxCommandEvent m_dummyEvent;
    wxArrayString m_links;
    int m_runMode;
    wxString m_version;

    void OnClose(wxCloseEvent& event) override;
    void OnMenuExit(wxCommandEvent& event) override;
    void OnMenuAbort(wxCommandEvent& event) override;
    void OnMenuInfo(wxCommandEvent& event) override;
    void OnMenuHelp(wxCommandEvent& event) override;
    void OnAddEntry(wxCommandEvent& event) override;
    void OnUpdateEntry(wxCommandEvent& event) override;
    void OnRemoveEntry(wxCommandEvent& event) override;
    void OnSelectCriterion(wxCommandEvent& event) override;
    void OnStartStop(wxCommandEvent& event) override;
    void OnHitDoubleClick(wxCommandEvent& event) override;
    // "Programmquelle...": the site or XMLTV guides, saved at once.
    void OnMenuSource(wxCommandEvent& event) override;
    // "Kalender öffnen": the calendar file in the desktop's calendar program.
    void OnMenuCalendar(wxCommandEvent& event) override;
    void OnTimer(wxTimerEvent& event);

    // The search mask as a criterion: title + "|" + person, unescaped.
    wxString GetMaskEntry();
    bool ClearStatus();
    // Offers to apply edits of the mask to the selected criterion.
    void CheckUnsavedMask();
    // Writes the criteria to the settings store and the result list with
    // its links to "refn.txt".
    void SaveState();

    // What the settings say about runs (the listings site as the user wrote
    // it, the longest wait for it). Read once at start, never written.
    RunSettings m_runSettings;
    // True while OnTimer waits inside a search job. The HTTP client lets
    // window events through meanwhile, so handlers can run in the middle of a
    // run; they look at this before doing anything that would pull the
    // window or a second run from under it.
    bool m_inJob;
    // A close that arrived during a job: the window is hidden at once, the
    // job ends without waiting for its page, and the window goes then.
    enum class PendingClose
    {
        None,
        Save,
        Discard
    };
    PendingClose m_pendingClose;

private:
    void LoadKnownHits();
    // Shows a question with the buttons Ja and Nein, captioned with the
    // program name. Returns wxID_YES, wxID_NO, or wxID_CANCEL when the box was
    // left another way (Escape, its close button).
    int AskYesNo(const wxString& question, long style);
    // The empty-list status animation.
    void ShowNothingSelected();
    // Puts the new hits of a run on top of the result list and the link list
    // (the run's last hit in row 0, at most 222 rows kept, none that the list
    // already shows), saves the list, and only then lets the run mark them
    // known. Returns the rows put on top.
    size_t KeepRunHits(ListingsSearch& run);
    // The result list and its links as bytes, and the other way round.
    KnownHits ShownRows() const;
    void ShowRows(const KnownHits& hits);
    // Hides the main window and its help windows, and ends the running job,
    // for a close that came during it.
    void HideUntilJobEnds(PendingClose how);
    void LoadCriteria();
    // Text of the selected criterion, empty when none is selected.
    wxString SelectedCriterion();
};
