// Layout of the dialog "Programmquelle": the choice between the listings site
// and XMLTV guides, with a field for each. The behaviour lives in the
// derived class SourceDialog.
#pragma once

#include <wx/button.h>
#include <wx/dialog.h>
#include <wx/radiobut.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

class SourceDialogBase : public wxDialog
{
protected:
    wxRadioButton* m_radioSite;
    wxTextCtrl* m_textHost;
    wxRadioButton* m_radioGuides;
    wxTextCtrl* m_textGuides;
    wxButton* m_buttonBrowse;
    wxStaticText* m_labelGuidesHint;

    // Handlers; these versions only let the toolkit's default processing go on.
    virtual void OnChooseSource(wxCommandEvent& event) { event.Skip(); }
    virtual void OnBrowse(wxCommandEvent& event) { event.Skip(); }

public:
    explicit SourceDialogBase(wxWindow* parent, wxWindowID id = wxID_ANY,
                              const wxString& title = wxT("Velunda - Programmquelle"));
    ~SourceDialogBase() override;
};
