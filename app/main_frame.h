// Behaviour of the main window: loading and saving the state, editing the
// criteria, the menu actions and the search runs.
#pragma once

#include "main_frame_base.h"

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

private:
    void LoadKnownHits();
    void LoadCriteria();
    // Text of the selected criterion, empty when none is selected.
    wxString SelectedCriterion();
};
