// Behaviour of the dialog "Programmquelle".
#include "source_dialog.h"

#include <wx/filedlg.h>
#include <wx/msgdlg.h>
#include <wx/tokenzr.h>

SourceDialog::SourceDialog(wxWindow* parent, const wxString& host,
                           const std::vector<wxString>& guides)
    : SourceDialogBase(parent)
{
    m_textHost->ChangeValue(host);
    wxString lines;
    for (const wxString& guide : guides)
        lines += guide + wxT("\n");
    m_textGuides->ChangeValue(lines);
    (guides.empty() ? m_radioSite : m_radioGuides)->SetValue(true);
    EnableFields();
}

bool SourceDialog::GuidesChosen() const
{
    return m_radioGuides->GetValue();
}

wxString SourceDialog::Host() const
{
    wxString host = m_textHost->GetValue();
    return host.Trim(true).Trim(false);
}

std::vector<wxString> SourceDialog::Guides() const
{
    std::vector<wxString> guides;
    wxStringTokenizer lines(m_textGuides->GetValue(), wxT("\r\n"), wxTOKEN_STRTOK);
    while (lines.HasMoreTokens())
    {
        wxString guide = lines.GetNextToken();
        guide.Trim(true).Trim(false);
        // "|" separates the guides in the settings; a name cannot hold it.
        if (!guide.empty() && !guide.Contains(wxT("|")))
            guides.push_back(guide);
    }
    return guides;
}

bool SourceDialog::Validate()
{
    const wxString missing =
        GuidesChosen()
            ? (Guides().empty() ? wxT("Nennen Sie mindestens einen XMLTV-Programmf\u00FChrer: "
                                      "eine Datei oder eine Adresse.")
                                : wxString())
            : (Host().empty() ? wxT("Nennen Sie die Adresse der Programmseite.") : wxString());
    if (missing.empty())
        return true;
    wxMessageBox(missing, wxT("Velunda - Programmquelle"), wxOK | wxICON_INFORMATION, this);
    return false;
}

void SourceDialog::OnChooseSource(wxCommandEvent&)
{
    EnableFields();
}

void SourceDialog::OnBrowse(wxCommandEvent&)
{
    wxFileDialog choose(this, wxT("XMLTV-Programmf\u00FChrer w\u00E4hlen"), wxEmptyString,
                        wxEmptyString,
                        wxT("XMLTV-Dateien (*.xml, *.xml.gz)|*.xml;*.xml.gz;*.XML;*.gz|"
                            "Alle Dateien|*"),
                        wxFD_OPEN | wxFD_FILE_MUST_EXIST | wxFD_MULTIPLE);
    if (choose.ShowModal() != wxID_OK)
        return;
    wxArrayString paths;
    choose.GetPaths(paths);
    wxString lines = m_textGuides->GetValue();
    if (!lines.empty() && !lines.EndsWith(wxT("\n")))
        lines += wxT("\n");
    for (const wxString& path : paths)
        lines += path + wxT("\n");
    m_textGuides->ChangeValue(lines);
    m_radioGuides->SetValue(true);
    EnableFields();
}

void SourceDialog::EnableFields()
{
    const bool guides = GuidesChosen();
    m_textHost->Enable(!guides);
    m_textGuides->Enable(guides);
    m_buttonBrowse->Enable(guides);
}
