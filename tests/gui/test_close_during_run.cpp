// Closing the main window in each way while a search job waits on the
// network: the job ends at once without its page, the close path saves (or
// does not) as it always does, and the hits found before are not lost.
#include "gui_support.h"
#include "run_support.h"

#include <gtest/gtest.h>

namespace
{

// The result rows of a saved "refn.txt": its display lines, each followed
// by ";".
std::string SavedRows(const TempWorld& world)
{
    const std::string bytes = ReadBytes(world.RefnFile());
    std::string rows;
    size_t start = 0;
    int line = 0;
    while (start < bytes.size())
    {
        size_t end = bytes.find('\n', start);
        if (end == std::string::npos)
            end = bytes.size();
        if (line >= 2 && line % 2 == 0)
        {
            const std::string text = bytes.substr(start, end - start);
            const size_t at = text.find(": Folge ");
            rows += (at == std::string::npos ? text : text.substr(at + 8)) + ";";
        }
        ++line;
        start = end + 1;
    }
    return rows;
}

// Starts a one-time run against a site that answers "Ahorn" at once and
// never answers "Birke", and calls close 1.5 s after START, while the run
// waits for the "Birke" page.
struct RunToClose
{
    explicit RunToClose(const std::vector<std::string>& siteArgs = {"--fail-on", "Birke",
                                                                    "--fail-how", "hang"})
        : site(world, siteArgs)
    {}
    TempWorld world;
    LocalSite site;
    bool hiddenAtOnce = false;
    bool stillThere = false;
    bool closedInJob = false;
    std::size_t requestsAtClose = 0;
    // From the close to the window's end.
    long goneAfterMs = -1;

    void Go(
        Frame& frame, const std::function<void()>& close,
        const std::function<void()>& setUp = [] {})
    {
        const int once = frame->m_choiceMode->FindString("nur einmal suchen");
        Choose(frame->m_choiceMode, once);
        setUp();
        StartRun(frame.get());
        wxStopWatch sinceClose;
        Later later(1500, [&] {
            closedInJob = frame->m_inJob;
            requestsAtClose = site.RequestTargets().size();
            sinceClose.Start();
            close();
            hiddenAtOnce = frame.get() && !frame->IsShown();
            stillThere = !frame.Gone();
        });
        if (YieldUntil([&] { return frame.Gone(); }, kRunTimeoutMs))
            goneAfterMs = sinceClose.Time();
    }

    // The run asked for no page after the close, and the window went at
    // once: the site would never have answered.
    void ExpectEndedAtOnce() const
    {
        EXPECT_EQ(site.RequestTargets().size(), requestsAtClose);
        EXPECT_GE(goneAfterMs, 0);
        EXPECT_LT(goneAfterMs, 10000);
    }
};

} // namespace

TEST(CloseDuringRun, CloseBoxAsksAtOnceHidesAndSavesAfterTheJob)
{
    RunToClose run;
    ASSERT_TRUE(run.site.Ok());
    StoreSettings(run.world, "2", {"Ahorn|", "Birke|"});
    WriteBytes(run.world.RefnFile(), "Version\nSortierung\nalte Zeile\nalter Link\n");
    Frame frame;
    SeenBox question;
    wxTEST_DIALOG(run.Go(frame,
                         [&] {
                             Type(frame->m_textTitle, "Eiche");
                             PressCloseBox(frame.get());
                             // A second close while the window waits is ignored.
                             PressCloseBox(frame.get());
                         }),
                  AnswerBox(wxYES, &question));
    ASSERT_TRUE(frame.Gone());
    EXPECT_TRUE(run.closedInJob);
    EXPECT_TRUE(run.hiddenAtOnce);
    EXPECT_TRUE(run.stillThere) << "the window went while its job was running";
    EXPECT_EQ(question.count, 1);
    EXPECT_EQ(question.message, kUnsavedMaskQuestion);
    EXPECT_EQ(StoredValue(run.world, "Aanz"), "2");
    EXPECT_EQ(StoredValue(run.world, "Auswahl0="), "Eiche|");
    // The hits found before the close were kept, on top of the old row.
    EXPECT_EQ(SavedRows(run.world), "13.;12.;11.;alte Zeile;");
    run.ExpectEndedAtOnce();
    EXPECT_EQ(run.requestsAtClose, 3u) << "Ahorn's two pages and the first of Birke";
    EXPECT_NE(ReadBytes(run.world.Work() + "/TVmov.ref").find("Folge 13."), std::string::npos);
}

TEST(CloseDuringRun, ExitMenuSavesAfterTheJob)
{
    RunToClose run;
    ASSERT_TRUE(run.site.Ok());
    StoreSettings(run.world, "2", {"Ahorn|", "Birke|"});
    Frame frame;
    bool savedAtOnce = false;
    run.Go(frame, [&] {
        ChooseMenu(frame.get(), 0, 0);
        savedAtOnce = ReadBytes(run.world.RefnFile()) == "Version\nSortierung\n";
    });
    ASSERT_TRUE(frame.Gone());
    EXPECT_TRUE(savedAtOnce);
    EXPECT_TRUE(run.closedInJob);
    EXPECT_TRUE(run.hiddenAtOnce);
    EXPECT_TRUE(run.stillThere);
    EXPECT_EQ(SavedRows(run.world), "13.;12.;11.;");
    EXPECT_EQ(StoredValue(run.world, "Aanz"), "2");
    run.ExpectEndedAtOnce();
}

TEST(CloseDuringRun, CloseAfterStopKeepsNothingOfTheRun)
{
    RunToClose run;
    ASSERT_TRUE(run.site.Ok());
    StoreSettings(run.world, "2", {"Ahorn|", "Birke|"});
    Frame frame;
    run.Go(frame, [&] {
        Click(frame->m_buttonStart); // STOP
        PressCloseBox(frame.get());
    });
    ASSERT_TRUE(frame.Gone());
    EXPECT_TRUE(run.stillThere);
    EXPECT_EQ(ReadBytes(run.world.RefnFile()), "Version\nSortierung\n");
    // Nothing of the stopped run is marked known.
    EXPECT_EQ(ReadBytes(run.world.Work() + "/TVmov.ref").find("Folge"), std::string::npos);
    run.ExpectEndedAtOnce();
}

TEST(CloseDuringRun, AbortWithoutSavingLeavesEverythingAsLastSaved)
{
    RunToClose run;
    ASSERT_TRUE(run.site.Ok());
    StoreSettings(run.world, "2", {"Ahorn|", "Birke|"});
    Frame frame;
    SeenBox question;
    wxTEST_DIALOG(run.Go(frame, [&] { ChooseMenu(frame.get(), 0, 1); }),
                  AnswerBox(wxYES, &question));
    ASSERT_TRUE(frame.Gone());
    EXPECT_EQ(question.count, 1);
    EXPECT_TRUE(run.closedInJob);
    EXPECT_TRUE(run.hiddenAtOnce);
    EXPECT_TRUE(run.stillThere);
    EXPECT_FALSE(wxFileExists(run.world.RefnFile()));
    // Not shown and not saved, so not marked as known either: the next
    // start reports these hits.
    EXPECT_EQ(ReadBytes(run.world.Work() + "/TVmov.ref").find("Folge"), std::string::npos);
    // The run stopped like a close stops it, asking for nothing more.
    run.ExpectEndedAtOnce();
}

TEST(CloseDuringRun, AbortAnsweredNoLetsTheRunFinish)
{
    RunToClose run({"--delay", "2"});
    ASSERT_TRUE(run.site.Ok());
    StoreSettings(run.world, "1", {"Ahorn|"});
    Frame frame;
    SeenBox question;
    bool finished = false;
    wxTEST_DIALOG(
        {
            StartRun(frame.get());
            Later later(1500, [&] { ChooseMenu(frame.get(), 0, 1); });
            finished =
                YieldUntil([&] { return frame->Status() == "3 neue Treffer"; }, kRunTimeoutMs);
        },
        AnswerBox(wxNO, &question));
    EXPECT_TRUE(finished);
    EXPECT_FALSE(frame.Gone());
    EXPECT_TRUE(frame->IsShown());
    EXPECT_EQ(RowIds(frame.get()), "13;12;11;");
}
