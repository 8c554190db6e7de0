// Behaviour of the dialog "Programmquelle": shows what the settings name and
// gives back what the user chose.
#pragma once

#include "source_dialog_base.h"

#include <vector>

#include <wx/string.h>

class SourceDialog : public SourceDialogBase
{
public:
    // Opens with the site (host, as the value "Host" holds it) or the guides
    // chosen: the guides when there are any.
    SourceDialog(wxWindow* parent, const wxString& host, const std::vector<wxString>& guides);

    // After OK: whether the guides were chosen, and the texts of both fields
    // (the guides one per line, blanks around them and empty lines gone).
    bool GuidesChosen() const;
    wxString Host() const;
    std::vector<wxString> Guides() const;

    // OK is taken only with a site or at least one guide named; otherwise a
    // box says what is missing.
    bool Validate() override;

protected:
    void OnChooseSource(wxCommandEvent& event) override;
    void OnBrowse(wxCommandEvent& event) override;

private:
    void EnableFields();
};
