// Layout of the main window.
#include "main_frame_base.h"

#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statbox.h>

MyFrame1::MyFrame1(wxWindow* parent, wxWindowID id, const wxString& title, const wxPoint& pos,
                   const wxSize& size, long style)
    : wxFrame(parent, id, title, pos, size, style)
{
    this->SetSizeHints(wxSize(666, 555), wxDefaultSize);

    m_menubar = new wxMenuBar(0);
    m_menuFile = new wxMenu();
    wxMenuItem* menuExit =
        new wxMenuItem(m_menuFile, wxID_ANY, wxT("Ende (Alt-F4)"), wxEmptyString, wxITEM_NORMAL);
    m_menuFile->Append(menuExit);
    wxMenuItem* menuAbort = new wxMenuItem(m_menuFile, wxID_ANY, wxT("Abbruch ohne Speichern"),
                                           wxEmptyString, wxITEM_NORMAL);
    m_menuFile->Append(menuAbort);
    m_menuFile->AppendSeparator();
    m_menuSource = new wxMenuItem(m_menuFile, wxID_ANY, wxT("Programmquelle..."), wxEmptyString,
                                  wxITEM_NORMAL);
    m_menuFile->Append(m_menuSource);
    m_menuCalendar = new wxMenuItem(m_menuFile, wxID_ANY, wxT("Kalender \u00F6ffnen"),
                                    wxEmptyString, wxITEM_NORMAL);
    m_menuFile->Append(m_menuCalendar);
    m_menubar->Append(m_menuFile, wxT("&Datei"));

    m_menuHelp = new wxMenu();
    wxMenuItem* menuInfo =
        new wxMenuItem(m_menuHelp, wxID_ANY, wxT("&Info"), wxEmptyString, wxITEM_NORMAL);
    m_menuHelp->Append(menuInfo);
    wxMenuItem* menuHelp =
        new wxMenuItem(m_menuHelp, wxID_ANY, wxT("&Hilfe"), wxEmptyString, wxITEM_NORMAL);
    m_menuHelp->Append(menuHelp);
    m_menubar->Append(m_menuHelp, wxT("&Hilfe"));
    this->SetMenuBar(m_menubar);

    m_statusBar = this->CreateStatusBar(1, wxST_SIZEGRIP, wxID_ANY);

    wxBoxSizer* frameSizer = new wxBoxSizer(wxVERTICAL);
    frameSizer->SetMinSize(wxSize(333, 333));

    m_panel = new wxPanel(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL);
    wxBoxSizer* panelSizer = new wxBoxSizer(wxVERTICAL);

    wxStaticBoxSizer* searchBox =
        new wxStaticBoxSizer(new wxStaticBox(m_panel, wxID_ANY, wxT("Suchkriterien")), wxVERTICAL);

    wxBoxSizer* titleRow = new wxBoxSizer(wxHORIZONTAL);
    m_labelTitle = new wxStaticText(m_panel, wxID_ANY, wxT("Titel:"), wxDefaultPosition,
                                    wxSize(55, -1), wxALIGN_RIGHT);
    m_labelTitle->Wrap(-1);
    titleRow->Add(m_labelTitle, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_textTitle =
        new wxTextCtrl(m_panel, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0);
    m_textTitle->SetToolTip(wxT("Text, nach dem im Titel gesucht werden soll."));
    titleRow->Add(m_textTitle, 1, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    searchBox->Add(titleRow, 1, wxEXPAND, 5);

    wxBoxSizer* personRow = new wxBoxSizer(wxHORIZONTAL);
    m_labelPerson = new wxStaticText(m_panel, wxID_ANY, wxT("Person: "), wxDefaultPosition,
                                     wxSize(55, -1), wxALIGN_RIGHT);
    m_labelPerson->Wrap(-1);
    personRow->Add(m_labelPerson, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_textPerson =
        new wxTextCtrl(m_panel, wxID_ANY, wxEmptyString, wxDefaultPosition, wxDefaultSize, 0);
    m_textPerson->SetToolTip(wxT("Person, nach der gesucht werden soll."));
    m_textPerson->SetMinSize(wxSize(55, -1));
    personRow->Add(m_textPerson, 1, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    searchBox->Add(personRow, 1, wxEXPAND, 5);

    panelSizer->Add(searchBox, 0, wxEXPAND | wxALL, 5);

    wxStaticBoxSizer* listGroup =
        new wxStaticBoxSizer(new wxStaticBox(m_panel, wxID_ANY, wxT("Auswahlliste")), wxVERTICAL);

    wxBoxSizer* buttonRow = new wxBoxSizer(wxHORIZONTAL);
    m_labelInput =
        new wxStaticText(m_panel, wxID_ANY, wxT("Eingaben:"), wxDefaultPosition, wxDefaultSize, 0);
    m_labelInput->Wrap(-1);
    buttonRow->Add(m_labelInput, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_buttonAdd = new wxButton(m_panel, wxID_ANY, wxT("Eintrag hinzufuegen"), wxDefaultPosition,
                               wxDefaultSize, 0);
    m_buttonAdd->SetToolTip(wxT("hvb"));
    buttonRow->Add(m_buttonAdd, 1, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_buttonUpdate = new wxButton(m_panel, wxID_ANY, wxT("Eintrag erneuern"), wxDefaultPosition,
                                  wxDefaultSize, 0);
    buttonRow->Add(m_buttonUpdate, 1, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_buttonRemove = new wxButton(m_panel, wxID_ANY, wxT("Eintrag entfernen"), wxDefaultPosition,
                                  wxDefaultSize, 0);
    buttonRow->Add(m_buttonRemove, 1, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    listGroup->Add(buttonRow, 0, wxEXPAND, 5);

    wxBoxSizer* selectionRow = new wxBoxSizer(wxHORIZONTAL);
    m_labelSelection =
        new wxStaticText(m_panel, wxID_ANY, wxT("Auswahl:  "), wxDefaultPosition, wxDefaultSize, 0);
    m_labelSelection->Wrap(-1);
    selectionRow->Add(m_labelSelection, 0, wxALIGN_CENTER_VERTICAL | wxALL, 5);
    m_choiceCriteria =
        new wxChoice(m_panel, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxArrayString(), 0);
    // An empty choice has no entry 0 to select; FR selects it after loading.
    if (m_choiceCriteria->GetCount() > 0)
        m_choiceCriteria->SetSelection(0);
    m_choiceCriteria->SetToolTip(wxT("Nach diesen Eintr\u00E4gen wird gesucht."));
    selectionRow->Add(m_choiceCriteria, 1, wxALL, 5);

    wxString modes[] = {wxT("alle Stunde suchen"), wxT("nur einmal suchen"),
                        wxT("nur aktuellen Eintrag suchen")};
    m_choiceMode = new wxChoice(m_panel, wxID_ANY, wxDefaultPosition, wxDefaultSize,
                                WXSIZEOF(modes), modes, 0);
    m_choiceMode->SetSelection(0);
    selectionRow->Add(m_choiceMode, 0, wxALL, 5);
    listGroup->Add(selectionRow, 0, wxEXPAND, 5);

    panelSizer->Add(listGroup, 0, wxEXPAND | wxALL, 5);

    wxBoxSizer* startRow = new wxBoxSizer(wxHORIZONTAL);
    m_buttonStart =
        new wxButton(m_panel, wxID_ANY, wxT("START"), wxDefaultPosition, wxDefaultSize, 0);
    // wxALIGN_CENTER_VERTICAL is meaningless next to wxEXPAND in a row and
    // the toolkit's layout check rejects the pair, so only wxEXPAND is kept.
    startRow->Add(m_buttonStart, 1, wxEXPAND | wxALL, 5);
    panelSizer->Add(startRow, 0, wxEXPAND, 5);

    m_listHits =
        new wxListBox(m_panel, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxArrayString(), 0);
    m_listHits->SetFont(wxFont(wxNORMAL_FONT->GetPointSize(), wxFONTFAMILY_TELETYPE,
                               wxFONTSTYLE_NORMAL, wxFONTWEIGHT_NORMAL, false, wxEmptyString));
    m_listHits->SetToolTip(wxT("Hier werden die Treffer angezeigt."));
    panelSizer->Add(m_listHits, 1, wxEXPAND | wxALL, 5);

    m_panel->SetSizer(panelSizer);
    m_panel->Layout();
    panelSizer->Fit(m_panel);
    frameSizer->Add(m_panel, 1, wxEXPAND | wxALL, 0);

    this->SetSizer(frameSizer);
    this->Layout();
    this->Centre(wxHORIZONTAL);

    this->Connect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(MyFrame1::OnClose));
    this->Connect(menuExit->GetId(), wxEVT_COMMAND_MENU_SELECTED,
                  wxCommandEventHandler(MyFrame1::OnMenuExit));
    this->Connect(menuAbort->GetId(), wxEVT_COMMAND_MENU_SELECTED,
                  wxCommandEventHandler(MyFrame1::OnMenuAbort));
    this->Connect(menuInfo->GetId(), wxEVT_COMMAND_MENU_SELECTED,
                  wxCommandEventHandler(MyFrame1::OnMenuInfo));
    this->Connect(menuHelp->GetId(), wxEVT_COMMAND_MENU_SELECTED,
                  wxCommandEventHandler(MyFrame1::OnMenuHelp));
    m_buttonAdd->Connect(wxEVT_COMMAND_BUTTON_CLICKED, wxCommandEventHandler(MyFrame1::OnAddEntry),
                         NULL, this);
    m_buttonUpdate->Connect(wxEVT_COMMAND_BUTTON_CLICKED,
                            wxCommandEventHandler(MyFrame1::OnUpdateEntry), NULL, this);
    m_buttonRemove->Connect(wxEVT_COMMAND_BUTTON_CLICKED,
                            wxCommandEventHandler(MyFrame1::OnRemoveEntry), NULL, this);
    m_choiceCriteria->Connect(wxEVT_COMMAND_CHOICE_SELECTED,
                              wxCommandEventHandler(MyFrame1::OnSelectCriterion), NULL, this);
    m_buttonStart->Connect(wxEVT_COMMAND_BUTTON_CLICKED,
                           wxCommandEventHandler(MyFrame1::OnStartStop), NULL, this);
    m_listHits->Connect(wxEVT_COMMAND_LISTBOX_DOUBLECLICKED,
                        wxCommandEventHandler(MyFrame1::OnHitDoubleClick), NULL, this);
    this->Connect(m_menuSource->GetId(), wxEVT_COMMAND_MENU_SELECTED,
                  wxCommandEventHandler(MyFrame1::OnMenuSource));
    this->Connect(m_menuCalendar->GetId(), wxEVT_COMMAND_MENU_SELECTED,
                  wxCommandEventHandler(MyFrame1::OnMenuCalendar));
}

MyFrame1::~MyFrame1()
{
    // The menu bar still exists here; it goes with wxFrame's destructor.
    this->Disconnect(wxEVT_CLOSE_WINDOW, wxCloseEventHandler(MyFrame1::OnClose));
    this->Disconnect(m_menuFile->FindItemByPosition(0)->GetId(), wxEVT_COMMAND_MENU_SELECTED,
                     wxCommandEventHandler(MyFrame1::OnMenuExit));
    this->Disconnect(m_menuFile->FindItemByPosition(1)->GetId(), wxEVT_COMMAND_MENU_SELECTED,
                     wxCommandEventHandler(MyFrame1::OnMenuAbort));
    this->Disconnect(m_menuHelp->FindItemByPosition(0)->GetId(), wxEVT_COMMAND_MENU_SELECTED,
                     wxCommandEventHandler(MyFrame1::OnMenuInfo));
    this->Disconnect(m_menuHelp->FindItemByPosition(1)->GetId(), wxEVT_COMMAND_MENU_SELECTED,
                     wxCommandEventHandler(MyFrame1::OnMenuHelp));
    m_buttonAdd->Disconnect(wxEVT_COMMAND_BUTTON_CLICKED,
                            wxCommandEventHandler(MyFrame1::OnAddEntry), NULL, this);
    m_buttonUpdate->Disconnect(wxEVT_COMMAND_BUTTON_CLICKED,
                               wxCommandEventHandler(MyFrame1::OnUpdateEntry), NULL, this);
    m_buttonRemove->Disconnect(wxEVT_COMMAND_BUTTON_CLICKED,
                               wxCommandEventHandler(MyFrame1::OnRemoveEntry), NULL, this);
    m_choiceCriteria->Disconnect(wxEVT_COMMAND_CHOICE_SELECTED,
                                 wxCommandEventHandler(MyFrame1::OnSelectCriterion), NULL, this);
    m_buttonStart->Disconnect(wxEVT_COMMAND_BUTTON_CLICKED,
                              wxCommandEventHandler(MyFrame1::OnStartStop), NULL, this);
    m_listHits->Disconnect(wxEVT_COMMAND_LISTBOX_DOUBLECLICKED,
                           wxCommandEventHandler(MyFrame1::OnHitDoubleClick), NULL, this);
    this->Disconnect(m_menuSource->GetId(), wxEVT_COMMAND_MENU_SELECTED,
                     wxCommandEventHandler(MyFrame1::OnMenuSource));
    this->Disconnect(m_menuCalendar->GetId(), wxEVT_COMMAND_MENU_SELECTED,
                     wxCommandEventHandler(MyFrame1::OnMenuCalendar));
}
