// The Info box, the help windows, the listings host setting and opening a
// hit's link in the browser.
#include "gui_support.h"
#include "run_support.h"

#include "listings_host.h"

#include <gtest/gtest.h>

#include <wx/filefn.h>
#include <wx/html/htmlwin.h>
#include <wx/utils.h>

namespace
{

// A browser stand-in first on PATH (as xdg-open) and in BROWSER that appends
// its arguments to a file.
class FakeBrowser
{
public:
    explicit FakeBrowser(const TempWorld& world)
        : m_dir(world.Home() + "/bin"), m_log(world.Home() + "/browser.log")
    {
        wxMkdir(m_dir);
        const std::string script =
            "#!/bin/sh\nprintf '%s\\n' \"$*\" >> '" + std::string(m_log.utf8_str()) + "'\n";
        for (const char* name : {"/xdg-open", "/browser"})
        {
            WriteBytes(m_dir + name, script);
            wxString path = m_dir + name;
            chmod(path.utf8_str(), 0755);
        }
        m_hadPath = wxGetEnv("PATH", &m_oldPath);
        m_hadBrowser = wxGetEnv("BROWSER", &m_oldBrowser);
        wxSetEnv("PATH", m_dir + ":" + m_oldPath);
        wxSetEnv("BROWSER", m_dir + "/browser");
    }
    ~FakeBrowser()
    {
        if (m_hadPath)
            wxSetEnv("PATH", m_oldPath);
        if (m_hadBrowser)
            wxSetEnv("BROWSER", m_oldBrowser);
        else
            wxUnsetEnv("BROWSER");
    }

    std::string Calls() const { return ReadBytes(m_log); }
    bool WaitForCalls(size_t lines) const
    {
        return YieldUntil(
            [&] {
                const std::string calls = Calls();
                return static_cast<size_t>(std::count(calls.begin(), calls.end(), '\n')) >= lines;
            },
            10000);
    }

private:
    wxString m_dir;
    wxString m_log;
    wxString m_oldPath;
    wxString m_oldBrowser;
    bool m_hadPath = false;
    bool m_hadBrowser = false;
};

void DoubleClick(wxListBox* list)
{
    wxCommandEvent event(wxEVT_LISTBOX_DCLICK, list->GetId());
    event.SetEventObject(list);
    event.SetInt(list->GetSelection());
    list->ProcessWindowEvent(event);
}

wxString HelpText(wxFrame* help)
{
    auto* page = dynamic_cast<wxHtmlWindow*>(wxWindow::FindWindowByName("htmlWindow", help));
    return page ? page->ToText() : wxString("<no html window>");
}

} // namespace

TEST(InfoHelp, InfoBoxShowsNameVersionAndMaker)
{
    TempWorld world;
    Frame frame;
    SeenBox box;
    wxTEST_DIALOG(ChooseMenu(frame.get(), 1, 0), AnswerBox(wxOK, &box));
    ASSERT_EQ(box.count, 1);
    EXPECT_EQ(box.message, "Velunda\nVersionsnummer: 3.0.1\n"
                           "(c) 2026 Velunda-Werkstatt Lindenhag\n"
                           "Internet: www.velunda.example\n"
                           "Hilfe bei Fehlern: www.velunda.example/fehler\n");
    EXPECT_EQ(box.caption, "Velunda - Info");
    EXPECT_EQ(box.style & (wxOK | wxICON_INFORMATION | wxYES_NO | wxCANCEL),
              wxOK | wxICON_INFORMATION);
}

TEST(InfoHelp, EachHelpCommandOpensAnotherFixedWindow)
{
    TempWorld world;
    StoreValue(world, "Host", "listings.test:8080");
    Frame frame;
    frame->Show();
    ChooseMenu(frame.get(), 1, 1);
    ChooseMenu(frame.get(), 1, 1);
    Pump(300);

    const std::vector<wxFrame*> helps = HelpWindows();
    ASSERT_EQ(helps.size(), 2u);
    EXPECT_NE(helps[0], helps[1]);
    for (wxFrame* help : helps)
    {
        EXPECT_TRUE(help->IsShown());
        EXPECT_EQ(help->GetParent(), frame.get());
        EXPECT_EQ(help->GetPosition(), wxPoint(111, 111));
        EXPECT_EQ(help->GetSize(), wxSize(560, 666));
        EXPECT_EQ(help->GetWindowStyleFlag() & (wxRESIZE_BORDER | wxMAXIMIZE_BOX), 0);
        EXPECT_TRUE(help->GetIcon().IsOk());
        ASSERT_EQ(help->GetChildren().size(), 1u);
        EXPECT_EQ(help->GetChildren()[0]->GetName(), "htmlWindow");

        const wxString text = HelpText(help).Strip(wxString::both);
        EXPECT_TRUE(text.StartsWith("Hilfe zum Programm Velunda")) << text;
        EXPECT_NE(text.Find(wxString::FromUTF8("Mit Velunda k\xC3\xB6nnen sie auf einfache Weise")),
                  wxNOT_FOUND)
            << text;
        EXPECT_NE(text.Find("Velunda sucht in ihrem Auftrag auf listings.test:8080 nach diesen "
                            "Sendungen."),
                  wxNOT_FOUND)
            << text;
        EXPECT_NE(text.Find(wxString::FromUTF8("'Eintrag hinzuf\xC3\xBCgen'")), wxNOT_FOUND);
        EXPECT_NE(text.Find(wxString::FromUTF8("n\xC3\xA4"
                                               "chste Sendung von Scheibenwischer "
                                               "verpassen m\xC3\xB6"
                                               "chten")),
                  wxNOT_FOUND);
        EXPECT_NE(text.Find("sofort in ihrem Internet-Browser geladen."), wxNOT_FOUND) << text;
        EXPECT_NE(text.Find("Jeder Treffer mit bekannter Sendezeit steht auch im Kalender " +
                            world.Work() + "/velunda.ics,"),
                  wxNOT_FOUND)
            << text;
        EXPECT_NE(text.Find("file://" + world.Work() + "/velunda.ics, in Thunderbird"),
                  wxNOT_FOUND);
    }
    // Closing one leaves the other.
    helps[0]->Close();
    Pump(200);
    EXPECT_EQ(HelpWindows().size(), 1u);
}

TEST(InfoHelp, ListingsHostComesFromTheSettingsAndIsNeverWritten)
{
    const wxString builtIn = wxString::FromUTF8(kListingsHost);
    {
        TempWorld world;
        StoreSettings(world, "0", {});
        Frame frame;
        EXPECT_EQ(frame->m_runSettings.site, builtIn);
        ChooseMenu(frame.get(), 1, 1);
        ASSERT_EQ(HelpWindows().size(), 1u);
        EXPECT_NE(HelpText(HelpWindows()[0]).Find("auf " + builtIn + " nach"), wxNOT_FOUND);
        PressCloseBox(frame.get());
        ASSERT_TRUE(YieldUntil([&] { return frame.Gone(); }, 2000));
        EXPECT_EQ(StoredValue(world, "Host"), "<none>");
        EXPECT_EQ(StoredValue(world, "Aanz"), "0");
    }
    {
        TempWorld world;
        StoreValue(world, "Host", "");
        Frame frame;
        EXPECT_EQ(frame->m_runSettings.site, builtIn);
    }
    {
        TempWorld world;
        StoreValue(world, "Host", "127.0.0.1:9");
        Frame frame;
        EXPECT_EQ(frame->m_runSettings.site, "127.0.0.1:9");
        Type(frame->m_textTitle, "X");
        Click(frame->m_buttonAdd);
        PressCloseBox(frame.get());
        ASSERT_TRUE(YieldUntil([&] { return frame.Gone(); }, 2000));
        EXPECT_EQ(StoredValue(world, "Host"), "127.0.0.1:9");
        EXPECT_EQ(StoredValue(world, "Auswahl0="), "X|");
    }
}

TEST(HitLinks, DoubleClickOpensTheLinkOfTheSelectedRow)
{
    TempWorld world;
    FakeBrowser browser(world);
    LocalSite site(world);
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Ahorn|"});
    Frame frame;
    StartRun(frame.get());
    ASSERT_TRUE(YieldUntil([&] { return frame->Status() == "3 neue Treffer"; }, 20000));
    ASSERT_EQ(frame->m_listHits->GetSelection(), 0);

    // Row 0 holds the run's last hit; the link goes out without a scheme
    // and the toolkit makes it an http one.
    DoubleClick(frame->m_listHits);
    ASSERT_TRUE(browser.WaitForCalls(1));
    EXPECT_EQ(browser.Calls(), "http://" + site.Host() + "/sendung/13.html\n");

    frame->m_listHits->SetSelection(2);
    DoubleClick(frame->m_listHits);
    ASSERT_TRUE(browser.WaitForCalls(2));
    EXPECT_EQ(browser.Calls(), "http://" + site.Host() +
                                   "/sendung/13.html\n"
                                   "http://" +
                                   site.Host() + "/sendung/11.html\n");

    // No selection: nothing opens.
    frame->m_listHits->SetSelection(wxNOT_FOUND);
    DoubleClick(frame->m_listHits);
    Pump(700);
    EXPECT_EQ(browser.Calls(), "http://" + site.Host() +
                                   "/sendung/13.html\n"
                                   "http://" +
                                   site.Host() + "/sendung/11.html\n");
}

TEST(HitLinks, RowWithoutLinkOpensNothing)
{
    TempWorld world;
    FakeBrowser browser(world);
    WriteBytes(world.RefnFile(), "Version\nSortierung\nerste\nhttp://a.example/1\nzweite\n");
    Frame frame;
    ASSERT_EQ(frame->m_listHits->GetCount(), 2u);
    frame->m_listHits->SetSelection(1);
    DoubleClick(frame->m_listHits);
    Pump(700);
    EXPECT_EQ(browser.Calls(), "");
    frame->m_listHits->SetSelection(0);
    DoubleClick(frame->m_listHits);
    ASSERT_TRUE(browser.WaitForCalls(1));
    EXPECT_EQ(browser.Calls(), "http://a.example/1\n");
}
