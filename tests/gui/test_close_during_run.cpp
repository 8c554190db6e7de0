// Closing the main window in each way while a search job waits on the
// network: the window goes only after the job has returned, the close path
// saves (or does not) as it always does, and the hits are not lost.
#include "gui_support.h"
#include "run_support.h"

#include <gtest/gtest.h>

namespace
{

const int kRunTimeoutMs = 20000;

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

// Starts a one-time run over two criteria against a site that answers after
// two seconds, and calls close 1.5 s after START, inside the first wait.
struct RunToClose
{
    TempWorld world;
    LocalSite site{world, {"--delay", "2"}};
    bool hiddenAtOnce = false;
    bool stillThere = false;
    bool closedInJob = false;

    void Go(
        Frame& frame, const std::function<void()>& close,
        const std::function<void()>& setUp = [] {})
    {
        const int once = frame->m_choiceMode->FindString("nur einmal suchen");
        Choose(frame->m_choiceMode, once);
        setUp();
        StartRun(frame.get());
        Later later(1500, [&] {
            closedInJob = frame->m_inJob;
            close();
            hiddenAtOnce = frame.get() && !frame->IsShown();
            stillThere = !frame.Gone();
        });
        YieldUntil([&] { return frame.Gone(); }, kRunTimeoutMs);
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
    // The hits of the interrupted run were kept, on top of the old row.
    EXPECT_EQ(SavedRows(run.world), "13.;12.;11.;alte Zeile;");
    // No page was asked for after the close: the job ended after the first.
    EXPECT_EQ(run.site.RequestTargets().size(), 1u);
    EXPECT_NE(ReadBytes(run.world.Work() + "/TVmov.ref").find("Folge 13."), std::string::npos);
}

TEST(CloseDuringRun, ExitMenuSavesAfterTheJob)
{
    RunToClose run;
    ASSERT_TRUE(run.site.Ok());
    StoreSettings(run.world, "1", {"Ahorn|"});
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
    EXPECT_EQ(StoredValue(run.world, "Aanz"), "1");
}

TEST(CloseDuringRun, CloseAfterStopKeepsNothingOfTheRun)
{
    RunToClose run;
    ASSERT_TRUE(run.site.Ok());
    StoreSettings(run.world, "1", {"Ahorn|"});
    Frame frame;
    run.Go(frame, [&] {
        Click(frame->m_buttonStart); // STOP
        PressCloseBox(frame.get());
    });
    ASSERT_TRUE(frame.Gone());
    EXPECT_TRUE(run.stillThere);
    EXPECT_EQ(ReadBytes(run.world.RefnFile()), "Version\nSortierung\n");
}

TEST(CloseDuringRun, AbortWithoutSavingLeavesEverythingAsLastSaved)
{
    RunToClose run;
    ASSERT_TRUE(run.site.Ok());
    StoreSettings(run.world, "1", {"Ahorn|"});
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
}

TEST(CloseDuringRun, AbortAnsweredNoLetsTheRunFinish)
{
    RunToClose run;
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
