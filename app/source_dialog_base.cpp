// Layout of the dialog "Programmquelle".
#include "source_dialog_base.h"

#include <wx/sizer.h>

SourceDialogBase::SourceDialogBase(wxWindow* parent, wxWindowID id, const wxString& title)
    : wxDialog(parent, id, title, wxDefaultPosition, wxDefaultSize,
               wxDEFAULT_DIALOG_STYLE | wxRESIZE_BORDER)
{
    wxBoxSizer* sizer = new wxBoxSizer(wxVERTICAL);

    m_radioSite = new wxRadioButton(this, wxID_ANY, wxT("Programmseite im Netz"), wxDefaultPosition,
                                    wxDefaultSize, wxRB_GROUP);
    sizer->Add(m_radioSite, 0, wxLEFT | wxRIGHT | wxTOP, 10);
    wxBoxSizer* hostRow = new wxBoxSizer(wxHORIZONTAL);
    hostRow->Add(new wxStaticText(this, wxID_ANY, wxT("Adresse:")), 0,
                 wxALIGN_CENTER_VERTICAL | wxRIGHT, 5);
    m_textHost = new wxTextCtrl(this, wxID_ANY, wxEmptyString);
    m_textHost->SetToolTip(wxT("Zum Beispiel www.example.org, localhost:8080 oder "
                               "https://www.example.org"));
    hostRow->Add(m_textHost, 1, wxALIGN_CENTER_VERTICAL);
    sizer->Add(hostRow, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 10);

    m_radioGuides = new wxRadioButton(this, wxID_ANY, wxT("XMLTV-Programmf\u00FChrer"));
    sizer->Add(m_radioGuides, 0, wxLEFT | wxRIGHT | wxTOP, 10);
    wxBoxSizer* guidesRow = new wxBoxSizer(wxHORIZONTAL);
    m_textGuides = new wxTextCtrl(this, wxID_ANY, wxEmptyString, wxDefaultPosition, wxSize(420, 90),
                                  wxTE_MULTILINE | wxHSCROLL);
    guidesRow->Add(m_textGuides, 1, wxEXPAND | wxRIGHT, 5);
    m_buttonBrowse = new wxButton(this, wxID_ANY, wxT("Durchsuchen..."));
    guidesRow->Add(m_buttonBrowse, 0, wxALIGN_TOP);
    sizer->Add(guidesRow, 1, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 10);
    m_labelGuidesHint = new wxStaticText(
        this, wxID_ANY,
        wxT("Eine Quelle je Zeile: eine Datei (auch gepackt, .xml.gz), ~/Pfad oder eine Adresse "
            "mit http:// oder https://."));
    m_labelGuidesHint->Wrap(480);
    sizer->Add(m_labelGuidesHint, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 10);

    sizer->Add(CreateSeparatedButtonSizer(wxOK | wxCANCEL), 0, wxEXPAND | wxALL, 10);
    SetSizerAndFit(sizer);
    Centre();

    m_radioSite->Connect(wxEVT_RADIOBUTTON, wxCommandEventHandler(SourceDialogBase::OnChooseSource),
                         NULL, this);
    m_radioGuides->Connect(wxEVT_RADIOBUTTON,
                           wxCommandEventHandler(SourceDialogBase::OnChooseSource), NULL, this);
    m_buttonBrowse->Connect(wxEVT_BUTTON, wxCommandEventHandler(SourceDialogBase::OnBrowse), NULL,
                            this);
}

SourceDialogBase::~SourceDialogBase()
{
    m_radioSite->Disconnect(wxEVT_RADIOBUTTON,
                            wxCommandEventHandler(SourceDialogBase::OnChooseSource), NULL, this);
    m_radioGuides->Disconnect(wxEVT_RADIOBUTTON,
                              wxCommandEventHandler(SourceDialogBase::OnChooseSource), NULL, this);
    m_buttonBrowse->Disconnect(wxEVT_BUTTON, wxCommandEventHandler(SourceDialogBase::OnBrowse),
                               NULL, this);
}
