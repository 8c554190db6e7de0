// Search runs from the window against the local listings site: START and
// STOP, the run timer, merging new hits, errors, and what the user may do
// while a job waits on the network.
#include "gui_support.h"
#include "run_support.h"
#include "source_dialog.h"

#include <gtest/gtest.h>

#include <wx/radiobut.h>
#include <wx/stopwatch.h>

namespace
{

// Keeps a message box "open" (the event loop running) until done() is true,
// then answers OK.
class PumpingBox : public wxExpectModalBase<wxMessageDialog, PumpingBox>
{
public:
    explicit PumpingBox(std::function<bool()> done) : m_done(std::move(done)) {}

protected:
    int OnInvoked(wxMessageDialog*) const override
    {
        YieldUntil(m_done, kRunTimeoutMs);
        return wxID_OK;
    }

private:
    std::function<bool()> m_done;
};

} // namespace

TEST(SearchRun, StartWithoutCriteriaAnimatesAndStaysIdle)
{
    TempWorld world;
    Frame frame;
    frame->statusTexts.clear();
    StartRun(frame.get());

    const wxString text = "Sie haben nichts in der Auswahl!";
    ASSERT_EQ(frame->statusTexts.size(), 201u);
    for (size_t i = 0; i < 200; ++i)
        ASSERT_EQ(frame->statusTexts[i], wxString(' ', i + 1) + text) << i;
    EXPECT_EQ(frame->statusTexts.back(), text);
    EXPECT_EQ(frame->Status(), text);
    EXPECT_EQ(frame->m_buttonStart->GetLabel(), "START");
    EXPECT_EQ(frame->GetTitle(), "Velunda");
    EXPECT_FALSE(frame->m_timer.IsRunning());
}

TEST(SearchRun, CriteriaRemovedBeforeTheExpiryEndTheRunWithoutAJob)
{
    TempWorld world;
    LocalSite site(world);
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Ahorn|"});
    Frame frame;
    StartRun(frame.get());
    Click(frame->m_buttonRemove);
    frame->statusTexts.clear();
    ASSERT_TRUE(YieldUntil([&] { return !frame->m_timer.IsRunning(); }, 10000));
    Pump(100);
    // Once, without the animation; the button still reads STOP.
    ASSERT_EQ(frame->statusTexts.size(), 1u);
    EXPECT_EQ(frame->statusTexts[0], "Sie haben nichts in der Auswahl!");
    EXPECT_EQ(frame->m_buttonStart->GetLabel(), "STOP");
    EXPECT_TRUE(site.RequestTargets().empty());
}

TEST(SearchRun, OneTimeRunPutsNewHitsOnTopInReverseOrder)
{
    TempWorld world;
    LocalSite site(world);
    ASSERT_TRUE(site.Ok());
    WriteBytes(world.RefnFile(), "Version\nSortierung\nalte Zeile\nalter Link\n");
    StoreSettings(world, "1", {"Ahorn|"});
    Frame frame;
    ChooseMode(frame.get(), "nur einmal suchen");

    StartRun(frame.get());
    EXPECT_EQ(frame->GetTitle(), "Velunda - suche...");
    EXPECT_EQ(frame->m_buttonStart->GetLabel(), "STOP");
    EXPECT_TRUE(frame->m_timer.IsRunning());
    EXPECT_EQ(frame->Status(), "");
    ASSERT_TRUE(WaitForCount(frame.get()));

    // The job lists 11, 12, 13 in this order; its last hit is row 0.
    EXPECT_EQ(RowIds(frame.get()), "13;12;11;-;");
    EXPECT_EQ(LinkIds(frame.get(), site), "13;12;11;-;");
    EXPECT_EQ(frame->m_links.back(), "alter Link");
    EXPECT_EQ(frame->m_listHits->GetString(3), "alte Zeile");
    EXPECT_EQ(frame->m_listHits->GetSelection(), 0);
    // A hit line: the criterion's first letter, time, day, channel, text.
    EXPECT_EQ(frame->m_listHits->GetString(0),
              "A         |20:15 Uhr      |Do, 10.12.     |Kanal A        |Ahorn: Folge 13.");
    EXPECT_TRUE(frame->statusTexts.end() !=
                std::find(frame->statusTexts.begin(), frame->statusTexts.end(),
                          "stelle Verbindung zu " + site.Host() + " her..."));
    EXPECT_EQ(frame->Status(), "3 neue Treffer");
    EXPECT_EQ(frame->GetTitle(), "ORK - 3 neue Treffer");
    EXPECT_EQ(frame->m_buttonStart->GetLabel(), "STOP");
    EXPECT_FALSE(frame->m_timer.IsRunning());

    // The same run again: everything is known now.
    frame->statusTexts.clear();
    Click(frame->m_buttonStart); // reads STOP: stops
    EXPECT_EQ(frame->Status(), "abgebrochen");
    EXPECT_EQ(frame->GetTitle(), "Velunda");
    EXPECT_EQ(frame->m_buttonStart->GetLabel(), "START");
    Click(frame->m_buttonStart);
    ASSERT_TRUE(WaitForCount(frame.get()));
    EXPECT_EQ(frame->Status(), "0 neue Treffer");
    EXPECT_EQ(frame->m_listHits->GetCount(), 4u);
    EXPECT_EQ(frame->GetTitle(), "Velunda - suche...");
    EXPECT_FALSE(frame->m_timer.IsRunning());
}

TEST(SearchRun, HourlyRunWithoutHitsRearmsUntilHitsAreFound)
{
    TempWorld world;
    LocalSite site(world);
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Nirgendwo|"});
    Frame frame;
    EXPECT_EQ(frame->m_choiceMode->GetStringSelection(), "alle Stunde suchen");

    StartRun(frame.get());
    ASSERT_TRUE(WaitForCount(frame.get()));
    EXPECT_EQ(frame->Status(), "0 neue Treffer");
    EXPECT_EQ(frame->GetTitle(), "Velunda - suche...");
    EXPECT_EQ(frame->m_buttonStart->GetLabel(), "STOP");
    ASSERT_TRUE(frame->m_timer.IsRunning());
    EXPECT_EQ(frame->m_timer.GetInterval(), 3600000);
    EXPECT_TRUE(frame->m_timer.IsOneShot());
    EXPECT_EQ(frame->m_listHits->GetCount(), 0u);

    // STOP and START within the hour: no new one-second run; the hourly
    // expiry stays the one that comes.
    Click(frame->m_buttonStart);
    Click(frame->m_buttonStart);
    EXPECT_EQ(frame->m_timer.GetInterval(), 3600000);
    const size_t requests = site.RequestTargets().size();
    Pump(1500);
    EXPECT_EQ(site.RequestTargets().size(), requests);

    // An hour later, with a criterion that finds something: the hits end
    // the repetition.
    Type(frame->m_textTitle, "Birke");
    Click(frame->m_buttonAdd);
    frame->statusTexts.clear();
    frame->m_timer.Stop();
    frame->m_timer.Notify(); // the expiry
    EXPECT_EQ(frame->Status(), "2 neue Treffer");
    EXPECT_EQ(frame->GetTitle(), "ORK - 2 neue Treffer");
    EXPECT_FALSE(frame->m_timer.IsRunning());
    EXPECT_EQ(RowIds(frame.get()), "22;21;");
}

TEST(SearchRun, CurrentEntryModeSendsOnlyTheSelectedCriterion)
{
    TempWorld world;
    LocalSite site(world);
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "3", {"Ahorn|", "Birke|", "|Uwe Eins"});
    Frame frame;
    Choose(frame->m_choiceCriteria, 1);
    ChooseMode(frame.get(), "nur aktuellen Eintrag suchen");

    StartRun(frame.get());
    ASSERT_TRUE(WaitForCount(frame.get()));
    EXPECT_EQ(frame->Status(), "2 neue Treffer");
    const std::vector<std::string> targets = site.RequestTargets();
    ASSERT_EQ(targets.size(), 2u); // page 1 with the hits, page 2 empty
    for (const std::string& target : targets)
    {
        EXPECT_NE(target.find("allgemein[titel]=Birke&allgemein[person]=&"), std::string::npos)
            << target;
    }
    EXPECT_FALSE(frame->m_timer.IsRunning());
}

TEST(SearchRun, AllCriteriaAreSearchedInListOrder)
{
    TempWorld world;
    LocalSite site(world);
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "2", {"Birke|", "|Uwe Eins"});
    Frame frame;
    ChooseMode(frame.get(), "nur einmal suchen");

    StartRun(frame.get());
    ASSERT_TRUE(WaitForCount(frame.get()));
    EXPECT_EQ(frame->Status(), "5 neue Treffer");
    // Criterion 1's hits came last, so they stand on top.
    EXPECT_EQ(RowIds(frame.get()), "13;12;11;22;21;");
    const std::vector<std::string> targets = site.RequestTargets();
    ASSERT_EQ(targets.size(), 4u);
    EXPECT_NE(targets[0].find("allgemein[titel]=Birke&"), std::string::npos);
    EXPECT_NE(targets[2].find("allgemein[person]=Uwe%20Eins&"), std::string::npos);
    // The first column: the criterion's letter at the criterion's index.
    EXPECT_TRUE(frame->m_listHits->GetString(0).StartsWith("U         |"));
    EXPECT_TRUE(frame->m_listHits->GetString(4).StartsWith("B         |"));
}

TEST(SearchRun, ResultListKeepsThe222NewestRows)
{
    TempWorld world;
    LocalSite site(world);
    ASSERT_TRUE(site.Ok());
    std::string refn = "Version\nSortierung\n";
    for (int i = 0; i < 220; ++i)
        refn += "alt " + std::to_string(i) + "\nlink " + std::to_string(i) + "\n";
    WriteBytes(world.RefnFile(), refn);
    StoreSettings(world, "1", {"Ceder|"});
    Frame frame;
    ASSERT_EQ(frame->m_listHits->GetCount(), 220u);

    StartRun(frame.get());
    ASSERT_TRUE(WaitForCount(frame.get()));
    EXPECT_EQ(frame->Status(), "5 neue Treffer");
    ASSERT_EQ(frame->m_listHits->GetCount(), 222u);
    ASSERT_EQ(frame->m_links.size(), 222u);
    EXPECT_EQ(RowIds(frame.get()).Left(15), "35;34;33;32;31;");
    EXPECT_EQ(LinkIds(frame.get(), site).Left(15), "35;34;33;32;31;");
    // The three oldest rows (217 to 219) went from both lists.
    EXPECT_EQ(frame->m_listHits->GetString(5), "alt 0");
    EXPECT_EQ(frame->m_listHits->GetString(221), "alt 216");
    EXPECT_EQ(frame->m_links[5], "link 0");
    EXPECT_EQ(frame->m_links[221], "link 216");
}

TEST(SearchRun, FetchErrorAfterTwoHitsMergesThemAndReportsOnce)
{
    TempWorld world;
    LocalSite site(world, {"--fail-on", "Kaputt"});
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "3", {"Birke|", "Kaputt|", "Ahorn|"});
    Frame frame;
    SeenBox box;

    StartRun(frame.get());
    wxTEST_DIALOG(YieldUntil([&] { return box.count > 0; }, kRunTimeoutMs), AnswerBox(wxOK, &box));
    ASSERT_EQ(box.count, 1);
    EXPECT_EQ(box.message, wxString::FromUTF8("Es sind ein oder mehrere Fehler aufgetreten!\n\n"
                                              "Die Suchseite " +
                                              site.Host() +
                                              " antwortete mit \u201E"
                                              "500 Internal Server "
                                              "Error\u201C.\n"));
    EXPECT_EQ(box.caption, "Velunda - Fehlermeldung");
    EXPECT_EQ(box.style & (wxOK | wxICON_INFORMATION | wxYES_NO | wxCANCEL),
              wxOK | wxICON_INFORMATION);
    EXPECT_EQ(RowIds(frame.get()), "22;21;");
    EXPECT_EQ(frame->Status(), "stelle Verbindung zu " + site.Host() + " her...");
    EXPECT_EQ(frame->GetTitle(), "Velunda - suche...");
    // Hourly mode, and still no re-arm after errors; the third criterion
    // was not searched.
    EXPECT_FALSE(frame->m_timer.IsRunning());
    for (const std::string& target : site.RequestTargets())
        EXPECT_EQ(target.find("Ahorn"), std::string::npos) << target;
}

TEST(SearchRun, RefusedConnectionEndsInTheErrorBox)
{
    TempWorld world;
    LocalSite site(world, {"--mode", "refuse"});
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Ahorn|"});
    Frame frame;
    SeenBox box;

    StartRun(frame.get());
    wxTEST_DIALOG(YieldUntil([&] { return box.count > 0; }, kRunTimeoutMs), AnswerBox(wxOK, &box));
    EXPECT_EQ(box.message, "Es sind ein oder mehrere Fehler aufgetreten!\n\n"
                           "Konnte Verbindung nicht herstellen!\n");
    EXPECT_EQ(frame->m_listHits->GetCount(), 0u);
    EXPECT_FALSE(frame->m_timer.IsRunning());
}

TEST(SearchRun, ConnectionClosedBeforeAnyAnswerEndsInTheErrorBox)
{
    TempWorld world;
    LocalSite site(world, {"--fail-on", "Kaputt", "--fail-how", "close"});
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "2", {"Birke|", "Kaputt|"});
    Frame frame;
    SeenBox box;

    StartRun(frame.get());
    wxTEST_DIALOG(YieldUntil([&] { return box.count > 0; }, kRunTimeoutMs), AnswerBox(wxOK, &box));
    EXPECT_EQ(box.message, "Es sind ein oder mehrere Fehler aufgetreten!\n\n"
                           "Konnte Verbindung nicht herstellen!\n");
    EXPECT_EQ(RowIds(frame.get()), "22;21;");
}

TEST(SearchRun, PageCutInTheMiddleIsAnErrorAndListsNoneOfItsRows)
{
    TempWorld world;
    LocalSite site(world, {"--mode", "close-mid-body"});
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Ceder|"});
    Frame frame;
    ChooseMode(frame.get(), "nur einmal suchen");
    SeenBox box;
    StartRun(frame.get());
    wxTEST_DIALOG(YieldUntil([&] { return box.count > 0; }, kRunTimeoutMs), AnswerBox(wxOK, &box));
    EXPECT_EQ(frame->m_listHits->GetCount(), 0u);
    EXPECT_TRUE(box.message.StartsWith("Es sind ein oder mehrere Fehler aufgetreten!\n\n"
                                       "Die Antwort der Suchseite " +
                                       site.Host() +
                                       wxString::FromUTF8(" kam nicht vollst\xC3\xA4ndig an: "
                                                          "die Verbindung endete nach ")))
        << box.message;
    EXPECT_EQ(ReadBytes(world.Work() + "/TVmov.ref").find("Folge"), std::string::npos);
}

TEST(SearchRun, StopDuringSlowFetchDiscardsTheRun)
{
    TempWorld world;
    LocalSite site(world, {"--delay", "2"});
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Ahorn|"});
    Frame frame;
    ChooseMode(frame.get(), "nur einmal suchen");

    StartRun(frame.get());
    bool stoppedInJob = false;
    Later stop(1500, [&] {
        stoppedInJob = frame->m_inJob;
        Click(frame->m_buttonStart);
    });
    ASSERT_TRUE(
        YieldUntil([&] { return stop.IsRunning() == false && !frame->m_inJob; }, kRunTimeoutMs));
    EXPECT_TRUE(stoppedInJob);
    Pump(200);
    EXPECT_EQ(frame->m_listHits->GetCount(), 0u);
    EXPECT_EQ(frame->Status(), "abgebrochen");
    EXPECT_EQ(frame->GetTitle(), "Velunda");
    EXPECT_EQ(frame->m_buttonStart->GetLabel(), "START");
    EXPECT_FALSE(frame->m_timer.IsRunning());
    // Nothing of the dropped run is marked known: after a restart the next
    // run reports its hits.
    EXPECT_EQ(ReadBytes(world.Work() + "/TVmov.ref").find("Folge"), std::string::npos);
    frame->Destroy();
    ASSERT_TRUE(YieldUntil([&] { return frame.Gone(); }, 2000));
    Frame restarted;
    ChooseMode(restarted.get(), "nur einmal suchen");
    StartRun(restarted.get());
    ASSERT_TRUE(WaitForCount(restarted.get()));
    EXPECT_EQ(restarted->Status(), "3 neue Treffer");
}

TEST(SearchRun, ExpiryDuringAJobWaitsForIt)
{
    TempWorld world;
    LocalSite site(world, {"--delay", "2"});
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Nirgendwo|"});
    Frame frame;

    // START at 0, the run's request at about 1 s, its answer at about 3 s.
    // STOP and START at 1.5 s arm a new expiry for 2.5 s, inside the job.
    StartRun(frame.get());
    Later restart(1500, [&] {
        Click(frame->m_buttonStart);
        Click(frame->m_buttonStart);
    });
    size_t requestsInFirstJob = 0;
    bool inJob = false;
    Later look(2800, [&] {
        inJob = frame->m_inJob;
        requestsInFirstJob = site.RequestTargets().size();
    });
    ASSERT_TRUE(YieldUntil([&] { return site.RequestTargets().size() >= 2; }, kRunTimeoutMs));
    EXPECT_TRUE(inJob);
    EXPECT_EQ(requestsInFirstJob, 1u) << "a second run started inside the first";
    // The first run was not discarded (START came after STOP); the second
    // one follows it, and the hourly re-arm comes after that.
    ASSERT_TRUE(YieldUntil(
        [&] {
            return !frame->m_inJob && frame->m_timer.IsRunning() &&
                   frame->m_timer.GetInterval() == 3600000;
        },
        kRunTimeoutMs));
    EXPECT_EQ(site.RequestTargets().size(), 2u);
    EXPECT_EQ(frame->Status(), "0 neue Treffer");
}

TEST(SearchRun, StartAndStopPressedOverAndOverDuringAJob)
{
    TempWorld world;
    LocalSite site(world, {"--delay", "1.5"});
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Nirgendwo|"});
    Frame frame;

    StartRun(frame.get());
    int presses = 0;
    bool pressedInJob = true;
    std::vector<std::unique_ptr<Later>> clicks;
    for (int i = 0; i < 7; ++i)
    {
        clicks.emplace_back(new Later(1200 + 60 * i, [&] {
            pressedInJob = pressedInJob && frame->m_inJob;
            Click(frame->m_buttonStart);
            ++presses;
        }));
    }
    // Seven presses end on STOP: the run is dropped, nothing else starts.
    ASSERT_TRUE(YieldUntil([&] { return presses == 7 && !frame->m_inJob; }, kRunTimeoutMs));
    Pump(1500);
    EXPECT_TRUE(pressedInJob);
    EXPECT_EQ(frame->m_buttonStart->GetLabel(), "START");
    EXPECT_EQ(frame->Status(), "abgebrochen");
    EXPECT_FALSE(frame->m_inJob);
    EXPECT_EQ(site.RequestTargets().size(), 1u);
}

TEST(SearchRun, HelpOpenedDuringAJob)
{
    TempWorld world;
    LocalSite site(world, {"--delay", "1.5"});
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Ahorn|"});
    Frame frame;

    StartRun(frame.get());
    bool openedInJob = false;
    Later help(1300, [&] {
        openedInJob = frame->m_inJob;
        ChooseMenu(frame.get(), 1, 1);
    });
    ASSERT_TRUE(WaitForCount(frame.get()));
    EXPECT_TRUE(openedInJob);
    EXPECT_EQ(frame->Status(), "3 neue Treffer");
    EXPECT_EQ(HelpWindows().size(), 1u);
}

TEST(SearchRun, RunWhileTheInfoBoxIsOpen)
{
    TempWorld world;
    LocalSite site(world);
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Ahorn|"});
    Frame frame;
    StartRun(frame.get());

    // The box stays open (its loop runs) until the run has ended in it.
    bool ranInBox = false;
    wxTEST_DIALOG(ChooseMenu(frame.get(), 1, 0), PumpingBox([&] {
                      ranInBox = frame->Status() == "3 neue Treffer";
                      return ranInBox;
                  }));
    EXPECT_TRUE(ranInBox);
    EXPECT_EQ(frame->GetTitle(), "ORK - 3 neue Treffer");
    EXPECT_EQ(RowIds(frame.get()), "13;12;11;");
}

TEST(SearchRun, RunStartsOneSecondAfterStartUp)
{
    TempWorld world;
    LocalSite site(world);
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "2", {"Ahorn|", "Birke|"});
    wxStopWatch watch;
    Frame frame(Frame::Armed);
    EXPECT_EQ(frame->m_buttonStart->GetLabel(), "STOP");
    EXPECT_EQ(frame->GetTitle(), "Velunda - suche...");
    EXPECT_EQ(frame->m_textTitle->GetValue(), "Ahorn");
    frame->Show();
    // The request comes after the start delay of one second; the upper bound
    // is ten times the delay, which a busy machine keeps too.
    ASSERT_TRUE(YieldUntil([&] { return !site.RequestTargets().empty(); }, 10000));
    const long after = watch.Time();
    EXPECT_GE(after, 950);
    EXPECT_LT(after, 10000);
    ASSERT_TRUE(WaitForCount(frame.get()));
    EXPECT_EQ(frame->Status(), "5 neue Treffer");
    EXPECT_NE(site.RequestTargets()[0].find("allgemein[titel]=Ahorn&"), std::string::npos);
}

namespace
{
// Answers the dialog "Programmquelle" as a user would: picks the guides (with
// the text given, one per line) or the site, in the dialog's own controls.
class ChooseSource : public wxExpectModalBase<SourceDialog, ChooseSource>
{
public:
    explicit ChooseSource(const wxString& guides) : m_guides(guides) {}

protected:
    int OnInvoked(SourceDialog* dialog) const override
    {
        for (wxWindow* child : dialog->GetChildren())
        {
            auto* radio = dynamic_cast<wxRadioButton*>(child);
            if (radio && radio->GetLabel().StartsWith(m_guides.empty() ? "Programmseite" : "XMLTV"))
            {
                radio->SetValue(true);
                wxCommandEvent chosen(wxEVT_RADIOBUTTON, radio->GetId());
                chosen.SetEventObject(radio);
                radio->GetEventHandler()->ProcessEvent(chosen);
            }
            auto* field = dynamic_cast<wxTextCtrl*>(child);
            if (field && field->IsMultiLine() && !m_guides.empty())
                field->ChangeValue(m_guides);
        }
        return dialog->Validate() ? wxID_OK : wxID_CANCEL;
    }

private:
    wxString m_guides;
};
} // namespace

TEST(SearchRun, ChosenSourceIsSavedAtOnceAndTheNextRunUsesIt)
{
    TempWorld world;
    LocalSite site(world);
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Ahorn|"});
    const std::string guide =
        "<?xml version=\"1.0\"?>\n<tv><programme start=\"20991215201500 +0100\" channel=\"x\">"
        "<title>Ahorn im Programmf&#252;hrer</title></programme></tv>\n";
    WriteBytes(world.Work() + "/guide.xml", guide);
    Frame frame;
    ChooseMode(frame.get(), "nur einmal suchen");

    wxTEST_DIALOG(ChooseMenu(frame.get(), 0, 3), ChooseSource(" guide.xml \n\n"));
    EXPECT_EQ(StoredValue(world, "XMLTV"), "guide.xml");
    StartRun(frame.get());
    ASSERT_TRUE(WaitForCount(frame.get()));
    EXPECT_EQ(frame->Status(), "1 neue Treffer");
    EXPECT_TRUE(frame->m_listHits->GetString(0).EndsWith("|Ahorn im Programmfuehrer"));
    EXPECT_TRUE(site.RequestTargets().empty()) << "the site was asked";
    // The hit is in the calendar, with the guide's start.
    const std::string calendar = ReadBytes(world.Work() + "/velunda.ics");
    EXPECT_NE(calendar.find("DTSTART:20991215T191500Z\r\nSUMMARY:Ahorn im Programmf\xC3\xBChrer"),
              std::string::npos)
        << calendar;

    // Back to the site: the guides' value goes, and the site is asked.
    wxTEST_DIALOG(ChooseMenu(frame.get(), 0, 3), ChooseSource(wxString()));
    EXPECT_EQ(StoredValue(world, "XMLTV"), "<none>");
    EXPECT_EQ(StoredValue(world, "Host"), wxString(site.Host()));
    StartRun(frame.get());
    ASSERT_TRUE(WaitForCount(frame.get()));
    EXPECT_EQ(frame->Status(), "3 neue Treffer");
    EXPECT_EQ(site.RequestTargets().size(), 2u);

    // The row of the guide has no link: a double-click says so.
    frame->m_listHits->SetSelection(3);
    wxCommandEvent twice(wxEVT_LISTBOX_DCLICK, frame->m_listHits->GetId());
    frame->m_listHits->GetEventHandler()->ProcessEvent(twice);
    EXPECT_EQ(frame->Status(), "Dieser Treffer hat keinen Link.");
}
