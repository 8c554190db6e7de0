// The hold on the working folder, within one process: every hold opens the
// folder anew, and the lock belongs to that opening. (Two programs in one
// folder: tests/gui/program_folder_hold_test.py and tests/suche.)
#include "folder_hold.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

TEST(FolderHold, SecondHoldIsRefusedUntilTheFirstGoes)
{
    const TempWorkDir folder(false);
    const std::string path = folder.Path().string();
    {
        const FolderHold first(path);
        EXPECT_FALSE(first.HeldElsewhere());
        const FolderHold second(path);
        EXPECT_TRUE(second.HeldElsewhere());
    }
    const FolderHold again(path);
    EXPECT_FALSE(again.HeldElsewhere());
    EXPECT_EQ(EntriesIn(folder.Path()), 0u) << "the hold makes no file";
    // A folder that cannot be opened refuses nothing.
    EXPECT_FALSE(FolderHold(path + "/missing").HeldElsewhere());
}
