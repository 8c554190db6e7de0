// Layout of the main window: every control, menu and the status bar, and the
// routing of each user action to a virtual handler. The behaviour lives in
// the derived class FR.
#pragma once

#include <wx/button.h>
#include <wx/choice.h>
#include <wx/frame.h>
#include <wx/listbox.h>
#include <wx/menu.h>
#include <wx/panel.h>
#include <wx/stattext.h>
#include <wx/statusbr.h>
#include <wx/textctrl.h>

class MyFrame1 : public wxFrame
{
protected:
    wxMenuBar* m_menubar;
    wxMenu* m_menuFile;
    wxMenu* m_menuHelp;
    wxStatusBar* m_statusBar;
    wxPanel* m_panel;
    wxStaticText* m_labelTitle;
    wxTextCtrl* m_textTitle;
    wxStaticText* m_labelPerson;
    wxTextCtrl* m_textPerson;
    wxStaticText* m_labelInput;
    wxButton* m_buttonAdd;
    wxButton* m_buttonUpdate;
    wxButton* m_buttonRemove;
    wxStaticText* m_labelSelection;
    wxChoice* m_choiceMode;
    wxListBox* m_listHits;
    wxChoice* m_choiceCriteria;
    wxButton* m_buttonStart;
    // Items of "&Datei" beyond the two for ending.
    wxMenuItem* m_menuSource;
    wxMenuItem* m_menuCalendar;

    // Handlers; these versions only let the toolkit's default processing go on.
    virtual void OnClose(wxCloseEvent& event) { event.Skip(); }
    virtual void OnMenuExit(wxCommandEvent& event) { event.Skip(); }
    virtual void OnMenuAbort(wxCommandEvent& event) { event.Skip(); }
    virtual void OnMenuInfo(wxCommandEvent& event) { event.Skip(); }
    virtual void OnMenuHelp(wxCommandEvent& event) { event.Skip(); }
    virtual void OnAddEntry(wxCommandEvent& event) { event.Skip(); }
    virtual void OnUpdateEntry(wxCommandEvent& event) { event.Skip(); }
    virtual void OnRemoveEntry(wxCommandEvent& event) { event.Skip(); }
    virtual void OnSelectCriterion(wxCommandEvent& event) { event.Skip(); }
    virtual void OnStartStop(wxCommandEvent& event) { event.Skip(); }
    virtual void OnHitDoubleClick(wxCommandEvent& event) { event.Skip(); }
    virtual void OnMenuSource(wxCommandEvent& event) { event.Skip(); }
    virtual void OnMenuCalendar(wxCommandEvent& event) { event.Skip(); }

public:
    MyFrame1(wxWindow* parent, wxWindowID id = wxID_ANY, const wxString& title = wxT("Orvikon"),
             const wxPoint& pos = wxDefaultPosition, const wxSize& size = wxSize(668, 709),
             long style = wxDEFAULT_FRAME_STYLE | wxTAB_TRAVERSAL);
    ~MyFrame1() override;
};
