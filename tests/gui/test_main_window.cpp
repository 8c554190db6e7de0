// The main window as the user sees it: layout, texts, menus, closing paths.
#include "gui_support.h"

#include <gtest/gtest.h>

#include <set>

#include <wx/dcmemory.h>
#include <wx/dcscreen.h>
#include <wx/display.h>
#include <wx/filename.h>
#include <wx/image.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/tooltip.h>

namespace
{

wxString Tip(wxWindow* window)
{
    return window->GetToolTip() ? window->GetToolTip()->GetTip() : wxString();
}

} // namespace

TEST(MainWindow, TitleSizeAndPlacement)
{
    TempWorld world;
    Frame frame;
    EXPECT_EQ(frame->GetTitle(), "Velunda");
    EXPECT_EQ(frame->m_version, "3.0.1");
    EXPECT_EQ(frame->GetSize(), wxSize(668, 709));
    EXPECT_EQ(frame->GetMinSize(), wxSize(666, 555));
    EXPECT_EQ(frame->GetMaxSize(), wxDefaultSize);
    EXPECT_TRUE(frame->GetIcon().IsOk());
    const long style = wxDEFAULT_FRAME_STYLE | wxTAB_TRAVERSAL;
    EXPECT_EQ(frame->GetWindowStyleFlag() & style, style);

    // Centred horizontally on the display, not vertically.
    const wxRect area = wxDisplay(frame.get()).GetClientArea();
    const wxPoint pos = frame->GetPosition();
    EXPECT_NEAR(pos.x, area.x + (area.width - 668) / 2, 1);
    EXPECT_NE(pos.y, area.y + (area.height - 709) / 2);

    frame->Show();
    Pump(100);
    frame->SetSize(100, 100);
    Pump(100);
    EXPECT_EQ(frame->GetSize(), wxSize(666, 555));
    frame->SetSize(700, 600);
    Pump(100);
    EXPECT_EQ(frame->GetSize(), wxSize(700, 600));
}

TEST(MainWindow, MenusInOrder)
{
    TempWorld world;
    Frame frame;
    wxMenuBar* bar = frame->GetMenuBar();
    ASSERT_EQ(bar, frame->m_menubar);
    ASSERT_EQ(bar->GetMenuCount(), 2u);
    EXPECT_EQ(bar->GetMenuLabel(0), "&Datei");
    EXPECT_EQ(bar->GetMenuLabel(1), "&Hilfe");
    EXPECT_EQ(bar->GetMenu(0), frame->m_menuFile);
    EXPECT_EQ(bar->GetMenu(1), frame->m_menuHelp);

    // After the two items for ending, a separator, the choice of source and
    // the calendar.
    const std::vector<std::vector<const char*>> labels = {
        {"Ende (Alt-F4)", "Abbruch ohne Speichern", "", "Programmquelle...",
         "Kalender \u00F6ffnen"},
        {"&Info", "&Hilfe"}};
    for (int m = 0; m < 2; ++m)
    {
        wxMenu* menu = bar->GetMenu(m);
        ASSERT_EQ(menu->GetMenuItemCount(), labels[m].size());
        for (size_t i = 0; i < labels[m].size(); ++i)
        {
            wxMenuItem* item = menu->FindItemByPosition(i);
            if (item->IsSeparator())
                continue;
            EXPECT_EQ(item->GetItemLabel(), wxString::FromUTF8(labels[m][i]));
            EXPECT_EQ(item->GetHelp(), "");
            EXPECT_EQ(item->GetKind(), wxITEM_NORMAL);
            EXPECT_EQ(item->GetAccel(), nullptr) << labels[m][i];
        }
    }

    // Before any run with hits there is no calendar to open.
    ChooseMenu(frame.get(), 0, 4);
    EXPECT_TRUE(frame->Status().StartsWith("Noch kein Kalender: velunda.ics")) << frame->Status();

    wxStatusBar* status = frame->GetStatusBar();
    ASSERT_EQ(status, frame->m_statusBar);
    EXPECT_EQ(status->GetFieldsCount(), 1);
    EXPECT_TRUE(status->HasFlag(wxST_SIZEGRIP));
}

TEST(MainWindow, ControlTextsAndTooltips)
{
    TempWorld world;
    Frame frame;
    EXPECT_EQ(frame->m_labelTitle->GetLabel(), "Titel:");
    EXPECT_EQ(frame->m_labelPerson->GetLabel(), "Person: ");
    EXPECT_EQ(frame->m_labelInput->GetLabel(), "Eingaben:");
    EXPECT_EQ(frame->m_labelSelection->GetLabel(), "Auswahl:  ");
    EXPECT_TRUE(frame->m_labelTitle->HasFlag(wxALIGN_RIGHT));
    EXPECT_TRUE(frame->m_labelPerson->HasFlag(wxALIGN_RIGHT));
    EXPECT_EQ(frame->m_labelTitle->GetSize().x, 55);
    EXPECT_EQ(frame->m_labelPerson->GetSize().x, 55);
    EXPECT_EQ(frame->m_textPerson->GetMinSize().x, 55);

    EXPECT_EQ(frame->m_buttonAdd->GetLabel(), wxString::FromUTF8("Eintrag hinzuf\xC3\xBCgen"));
    EXPECT_EQ(frame->m_buttonUpdate->GetLabel(), "Eintrag erneuern");
    EXPECT_EQ(frame->m_buttonRemove->GetLabel(), "Eintrag entfernen");
    EXPECT_EQ(frame->m_buttonStart->GetLabel(), "START");

    EXPECT_EQ(Tip(frame->m_textTitle), "Text, nach dem im Titel gesucht werden soll.");
    EXPECT_EQ(Tip(frame->m_textPerson), "Person, nach der gesucht werden soll.");
    EXPECT_EQ(Tip(frame->m_buttonAdd), "hvb");
    EXPECT_EQ(Tip(frame->m_choiceCriteria),
              wxString::FromUTF8("Nach diesen Eintr\xC3\xA4gen wird gesucht."));
    EXPECT_EQ(Tip(frame->m_listHits), "Hier werden die Treffer angezeigt.");
    EXPECT_EQ(Tip(frame->m_buttonUpdate), "");
    EXPECT_EQ(Tip(frame->m_buttonStart), "");

    // The two framed groups.
    wxString boxes;
    for (wxWindow* child : frame->m_panel->GetChildren())
        if (auto* box = dynamic_cast<wxStaticBox*>(child))
            boxes += box->GetLabel() + ";";
    EXPECT_EQ(boxes, "Suchkriterien;Auswahlliste;");

    // All controls are children of the panel.
    EXPECT_EQ(frame->m_listHits->GetParent(), frame->m_panel);
    EXPECT_EQ(frame->m_buttonStart->GetParent(), frame->m_panel);
}

TEST(MainWindow, RunModesAndEmptyLists)
{
    TempWorld world;
    Frame frame;
    EXPECT_EQ(Items(frame->m_choiceMode),
              "alle Stunde suchen;nur einmal suchen;nur aktuellen Eintrag suchen;");
    EXPECT_EQ(frame->m_choiceMode->GetSelection(), 0);
    EXPECT_EQ(frame->m_choiceMode->GetStringSelection(), "alle Stunde suchen");
    EXPECT_EQ(frame->m_choiceCriteria->GetCount(), 0u);
    EXPECT_EQ(frame->m_choiceCriteria->GetSelection(), wxNOT_FOUND);
    EXPECT_EQ(frame->m_listHits->GetCount(), 0u);
    EXPECT_EQ(frame->m_textTitle->GetValue(), "");
    EXPECT_EQ(frame->m_textPerson->GetValue(), "");
    EXPECT_FALSE(frame->m_listHits->HasMultipleSelection());
    EXPECT_FALSE(frame->m_listHits->IsSorted());
}

TEST(MainWindow, HitListHasFixedPitchFont)
{
    TempWorld world;
    WriteBytes(world.RefnFile(), "Version\nSortierung\nx  |Tatort  |So 06.12.\nhttp://a/1\n");
    Frame frame;
    ASSERT_EQ(frame->m_listHits->GetCount(), 1u);
    const wxFont font = frame->m_listHits->GetFont();
    EXPECT_EQ(font.GetFamily(), wxFONTFAMILY_TELETYPE);
    EXPECT_TRUE(font.IsFixedWidth());
    EXPECT_EQ(font.GetPointSize(), wxNORMAL_FONT->GetPointSize());
    EXPECT_EQ(font.GetStyle(), wxFONTSTYLE_NORMAL);
    EXPECT_EQ(font.GetWeight(), wxFONTWEIGHT_NORMAL);
    EXPECT_FALSE(font.GetUnderlined());
    // The other controls keep the normal font.
    EXPECT_NE(frame->m_choiceCriteria->GetFont().GetFamily(), wxFONTFAMILY_TELETYPE);
}

TEST(MainWindow, SizerFlagsOfTheHitListAndStartButton)
{
    TempWorld world;
    Frame frame;
    wxSizerItem* list = frame->m_panel->GetSizer()->GetItem(frame->m_listHits);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetProportion(), 1);
    EXPECT_EQ(list->GetFlag() & (wxEXPAND | wxALL), wxEXPAND | wxALL);
    EXPECT_EQ(list->GetBorder(), 5);
    wxSizerItem* start = frame->m_panel->GetSizer()->GetItem(frame->m_buttonStart, true);
    ASSERT_NE(start, nullptr);
    EXPECT_EQ(start->GetProportion(), 1);
    EXPECT_TRUE(start->GetFlag() & wxEXPAND);
}

// "Ende (Alt-F4)" and the close box both run OnClose: the state is saved and
// the window is destroyed, which ends the program.
TEST(MainWindow, EndMenuItemClosesAndSaves)
{
    TempWorld world;
    Frame frame;
    Type(frame->m_textTitle, "Tatort");
    Click(frame->m_buttonAdd);
    ChooseMenu(frame.get(), 0, 0);
    EXPECT_TRUE(YieldUntil([&] { return frame.Gone(); }, 2000));
    EXPECT_TRUE(wxTopLevelWindows.IsEmpty());
    EXPECT_EQ(ReadBytes(world.RefnFile()), "Version\nSortierung\n");
    EXPECT_EQ(StoredValue(world, "Aanz"), "1");
    EXPECT_EQ(StoredValue(world, "Auswahl0="), "Tatort|");
}

TEST(MainWindow, CloseBoxClosesAndSaves)
{
    TempWorld world;
    Frame frame;
    Type(frame->m_textPerson, "Marwede");
    Click(frame->m_buttonAdd);
    frame->Show();
    PressCloseBox(frame.get());
    EXPECT_TRUE(YieldUntil([&] { return frame.Gone(); }, 2000));
    EXPECT_TRUE(wxTopLevelWindows.IsEmpty());
    EXPECT_EQ(ReadBytes(world.RefnFile()), "Version\nSortierung\n");
    EXPECT_EQ(StoredValue(world, "Aanz"), "1");
    EXPECT_EQ(StoredValue(world, "Auswahl0="), "|Marwede");
}

// Writes a picture of the main window with a few criteria and hits.
TEST(MainWindow, Screenshot)
{
    TempWorld world;
    WriteBytes(
        world.RefnFile(),
        "Version\nSortierung\n"
        "x         |Tatort         |So 06.12.     |20:15 Uhr      |Das Erste: Die Ferien des Monsieur Murot\n"
        "http://tv.example/sendung/1\n"
        "x         |Scheibenwischer|Do 10.12.     |21:45 Uhr      |Das Erste: Kabarett mit Gaesten\n"
        "http://tv.example/sendung/2\n"
        "x         |Mord mit Aussic|Mo 07.12.     |20:15 Uhr      |Das Erste: Krimiserie, mit Caroline Peters\n"
        "http://tv.example/sendung/3\n"
        "x         |Der Bulle von T|Di 08.12.     |18:50 Uhr      |ZDF: Krimiserie mit Ilka Marwede\n"
        "http://tv.example/sendung/4\n");
    StoreSettings(world, "3", {"Tatort|", "|Marwede", "Scheibenwischer|"});
    Frame frame;
    ASSERT_EQ(frame->m_choiceCriteria->GetCount(), 3u);
    frame->SetStatusText("4 neue Treffer");
    // No tooltip under the resting mouse pointer in the picture.
    wxToolTip::Enable(false);
    frame->Show();
    frame->Raise();
    Pump(700);
    frame->Update();

    const wxRect rect = frame->GetScreenRect();
    wxBitmap bitmap(rect.width, rect.height);
    {
        wxMemoryDC memory(bitmap);
        wxScreenDC screen;
        memory.Blit(0, 0, rect.width, rect.height, &screen, rect.x, rect.y);
    }
    const wxString dir = VELUNDA_SCREENSHOT_DIR;
    wxFileName::Mkdir(dir, wxS_DIR_DEFAULT, wxPATH_MKDIR_FULL);
    const wxString path = dir + "/main-window.png";
    wxImage::AddHandler(new wxPNGHandler);
    const wxImage image = bitmap.ConvertToImage();
    ASSERT_TRUE(image.SaveFile(path, wxBITMAP_TYPE_PNG));
    // A real picture, not a blank one.
    std::set<unsigned> colours;
    for (int y = 0; y < image.GetHeight(); y += 7)
        for (int x = 0; x < image.GetWidth(); x += 7)
            colours.insert(image.GetRed(x, y) << 16 | image.GetGreen(x, y) << 8 |
                           image.GetBlue(x, y));
    EXPECT_GT(colours.size(), 3u);
    wxToolTip::Enable(true);
}
