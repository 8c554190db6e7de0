// Behaviour of the main window: loading and saving the state, editing the
// criteria, the menu actions and the search runs.
#pragma once

#include "known_hits_file.h"
#include "main_frame_base.h"

#include <string>
#include <vector>

#include <wx/arrstr.h>
#include <wx/timer.h>
#ifdef __WXMSW__
#include <wx/msw/regconf.h>
#else
#include <wx/config.h>
#endif

class FR : public MyFrame1
{
public:
    FR();

protected:
    wxString m_programName;
#ifdef __WXMSW__
    wxRegConfig m_config;
#else
    wxConfig m_config;
#endif
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
    void OnTimer(wxTimerEvent& event);

    // The search mask as a criterion: title + "|" + person, unescaped.
    wxString GetMaskEntry();
    bool ClearStatus();
    // Offers to apply edits of the mask to the selected criterion.
    void CheckUnsavedMask();
    // Writes the criteria to the settings store and the result list with
    // its links to "refn.txt".
    void SaveState();

    // The listings site as the user wrote it: the settings value "Host" when
    // it holds a non-empty text, else kListingsHost. Read once at start,
    // never written.
    wxString m_listingsHost;
    // True while OnTimer waits inside a search job. The HTTP client lets
    // window events through meanwhile, so handlers can run in the middle of a
    // run; they look at this before doing anything that would pull the
    // window or a second run from under it.
    bool m_inJob;
    // A close that arrived during a job: the window is hidden at once and
    // goes when the job has returned.
    enum class PendingClose
    {
        None,
        Save,
        Discard
    };
    PendingClose m_pendingClose;
    // Longest wait of a search job for the listings site, in seconds (each
    // wait of the HTTP client, not the whole page).
    int m_fetchTimeoutSeconds;

private:
    void LoadKnownHits();
    void ReadListingsHost();
    // Shows a question with the buttons Ja and Nein, captioned with the
    // program name. Returns wxID_YES, wxID_NO, or wxID_CANCEL when the box was
    // left another way (Escape, its close button).
    int AskYesNo(const wxString& question, long style);
    // The empty-list status animation.
    void ShowNothingSelected();
    // Puts the hits of a job on top of the result list and the link list
    // (the job's last hit in row 0) and keeps at most 222 rows.
    void MergeHits(const std::vector<std::string>& lines, const std::vector<std::string>& links);
    // The result list and its links as bytes, and the other way round.
    KnownHits ShownRows() const;
    void ShowRows(const KnownHits& hits);
    // Hides the main window and its help windows while a close waits for
    // the running job.
    void HideUntilJobEnds(PendingClose how);
    void LoadCriteria();
    // Text of the selected criterion, empty when none is selected.
    wxString SelectedCriterion();
};
