// The reference file: loading per criterion, the saved tail, line ends, odd
// file contents and the old file's permissions.
#include "do_suche.h"
#include "file_bytes.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace
{
class RefJob : public DoSuche
{
public:
    RefJob() : DoSuche("TVmov", "0", "") {}

    void StartCriterion()
    {
        m_hitCount = 0;
        m_knownInARow = 0;
        m_params = "t|p";
        PrepareSearch();
    }

    bool Row(const std::string& text)
    {
        m_hitField1 = text;
        return RegisterHit();
    }
};

std::string Numbered(int from, int to)
{
    std::string text;
    for (int i = from; i < to; ++i)
        text += "ref " + std::to_string(i) + "\n";
    return text;
}

std::vector<std::string> FileLines(const std::string& name)
{
    return SplitLines(ReadFileBytes(name));
}

class ReferenceFileTest : public ::testing::Test
{
protected:
    TempWorkDir m_dir;
};
} // namespace

TEST_F(ReferenceFileTest, NoFileFirstRunSavesTheNewHitsEachWithLineFeed)
{
    {
        RefJob job;
        job.StartCriterion();
        for (const char* row : {"1", "2", "3", "4", "5"})
            EXPECT_TRUE(job.Row(row));
        EXPECT_EQ(job.m_hitLines.size(), 5u);
    }
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), "1|||||\n2|||||\n3|||||\n4|||||\n5|||||\n");

    // The same five rows again: nothing new, the fourth known row stops.
    {
        RefJob job;
        job.StartCriterion();
        EXPECT_TRUE(job.Row("1"));
        EXPECT_TRUE(job.Row("2"));
        EXPECT_TRUE(job.Row("3"));
        EXPECT_FALSE(job.Row("4"));
        EXPECT_TRUE(job.m_hitLines.empty());
    }
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), "1|||||\n2|||||\n3|||||\n4|||||\n5|||||\n");
}

TEST_F(ReferenceFileTest, SavedTailIsAllUpTo1000EntriesAndTheNewest1001Beyond)
{
    for (const int n : {999, 1000, 1001, 1500})
    {
        WriteFileBytes("TVmov.ref", Numbered(0, n));
        {
            RefJob job;
            job.StartCriterion();
        }
        const auto lines = FileLines("TVmov.ref");
        const int expected = n <= 1000 ? n : 1001;
        ASSERT_EQ(static_cast<int>(lines.size()), expected) << n;
        EXPECT_EQ(lines.front(), "ref " + std::to_string(n - expected)) << n;
        EXPECT_EQ(lines.back(), "ref " + std::to_string(n - 1)) << n;
    }
}

TEST_F(ReferenceFileTest, TwoCriteriaOverTenLinesWithThreeNewHitsWrite23Lines)
{
    const std::string old = Numbered(0, 10);
    WriteFileBytes("TVmov.ref", old);
    {
        RefJob job;
        job.StartCriterion();
        EXPECT_TRUE(job.Row("new 1"));
        EXPECT_TRUE(job.Row("new 2"));
        job.StartCriterion();
        EXPECT_TRUE(job.Row("new 3"));
        EXPECT_EQ(job.m_knownRefs.size(), 20u);
    }
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), old + old + "new 1|||||\nnew 2|||||\nnew 3|||||\n");
}

TEST_F(ReferenceFileTest, SameNewHitUnderTwoCriteriaIsListedTwiceAndSavedOnce)
{
    {
        RefJob job;
        job.StartCriterion();
        EXPECT_TRUE(job.Row("twice"));
        job.StartCriterion();
        EXPECT_TRUE(job.Row("twice"));
        EXPECT_EQ(job.m_hitLines, (std::vector<std::string>{"twice|||||", "twice|||||"}));
        EXPECT_EQ(job.m_newRefs.size(), 2u);
    }
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), "twice|||||\n");
}

TEST_F(ReferenceFileTest, CrLfAndCrFilesAreReadByLineAndWrittenBackWithLf)
{
    WriteFileBytes("TVmov.ref", "one|||||\r\ntwo|||||\r\nthree|||||\rfour|||||\r\n");
    {
        RefJob job;
        job.StartCriterion();
        job.Row("two");
        job.Row("three");
        EXPECT_TRUE(job.m_newRefs.empty()) << "both known";
    }
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), "one|||||\ntwo|||||\nthree|||||\nfour|||||\n");
}

TEST_F(ReferenceFileTest, EmptyFileHoldsNoReferenceAndTakesTheNewHits)
{
    WriteFileBytes("TVmov.ref", ""); // as made by touch
    {
        RefJob job;
        job.StartCriterion();
        job.StartCriterion();
        EXPECT_TRUE(job.Row("1"));
    }
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), "1|||||\n");
}

TEST_F(ReferenceFileTest, OddContentRoundTripsByteForByte)
{
    const std::string longLine(1 << 20, 'L');
    const std::string content = std::string("\n\nnul\0inside\n", 13) + "\x80\xC3 lone\n" +
                                longLine + "\n\xFF\xFE no final line feed";
    WriteFileBytes("TVmov.ref", content);
    {
        RefJob job;
        job.StartCriterion();
        EXPECT_EQ(job.m_knownRefs.size(), 6u);
        EXPECT_EQ(job.m_knownRefs[2], std::string("nul\0inside", 10));
    }
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), content + "\n");
}

TEST_F(ReferenceFileTest, JobWithoutCriterionLeavesTheFileAlone)
{
    WriteFileBytes("TVmov.ref", "known one\r\nknown two");
    {
        RefJob job;
    }
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), "known one\r\nknown two");
}

TEST_F(ReferenceFileTest, UnwritableTargetIsPassedOverQuietly)
{
    std::filesystem::create_directory("TVmov.ref");
    testing::internal::CaptureStdout();
    {
        RefJob job;
        job.StartCriterion();
        EXPECT_TRUE(job.Row("hit"));
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "TVmov BEENDET\n");
    EXPECT_TRUE(std::filesystem::is_directory("TVmov.ref"));
}

TEST_F(ReferenceFileTest, SavedFileKeepsThePermissionsOfTheOldOne)
{
    WriteFileBytes("TVmov.ref", "x\n");
    std::filesystem::permissions("TVmov.ref", std::filesystem::perms::owner_read |
                                                  std::filesystem::perms::owner_write |
                                                  std::filesystem::perms::group_read);
    {
        RefJob job;
        job.StartCriterion();
        job.Row("y");
    }
    EXPECT_EQ(std::filesystem::status("TVmov.ref").permissions(),
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                  std::filesystem::perms::group_read);
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), "x\ny|||||\n");
}
