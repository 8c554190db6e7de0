// The window and velunda-suche in the same kind of folder: a run without a
// window leaves exactly the files that the window's one-time run and a close
// with "Ende" leave.
#include "gui_support.h"
#include "run_support.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

TEST(SharedFolder, WindowlessRunLeavesTheFilesOfTheWindowsRunAndClose)
{
    // A result list with CR LF line ends and a last row without its link,
    // and a reference file that knows one hit already.
    const std::string refn = "Version\r\nSortierung\r\nalte Zeile\r\nalter Link\r\nohne Link\r\n";
    std::unique_ptr<LocalSite> site;
    std::string files[2][2];
    for (int windowless = 0; windowless < 2; ++windowless)
    {
        TempWorld world;
        if (!site)
            site = std::make_unique<LocalSite>(world);
        else
            StoreValue(world, "Host", site->Host());
        ASSERT_TRUE(site->Ok());
        StoreSettings(world, "3", {"Ahorn|", "Birke|", "|Uwe Eins"});
        WriteBytes(world.RefnFile(), refn);
        WriteBytes(world.Work() + "/TVmov.ref", "alter Treffer\n");
        if (windowless)
        {
            // HOME and the current folder are the world's.
            ASSERT_EQ(std::system(VELUNDA_SUCHE_PROGRAM " >/dev/null"), 0);
        }
        else
        {
            Frame frame;
            ChooseMode(frame.get(), "nur einmal suchen");
            StartRun(frame.get());
            ASSERT_TRUE(WaitForCount(frame.get()));
            ChooseMenu(frame.get(), 0, 0);
            ASSERT_TRUE(YieldUntil([&] { return frame.Gone(); }, 5000));
        }
        files[windowless][0] = ReadBytes(world.RefnFile());
        files[windowless][1] = ReadBytes(world.Work() + "/TVmov.ref");
    }
    EXPECT_NE(files[0][0].find("Birke: Folge 22.\n"), std::string::npos) << files[0][0];
    EXPECT_EQ(files[1][0], files[0][0]);
    EXPECT_EQ(files[1][1], files[0][1]);
}
