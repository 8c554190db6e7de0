// DoSuche without the network: URL building, criterion cutting, row limits,
// the new-hit decision, column padding and the standard-output lines.
#include "do_suche.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <random>

namespace
{
// A job whose rows are fed by the test: the row text goes into the first
// field, so the base hit line is "<text>|||||".
class RowJob : public DoSuche
{
public:
    explicit RowJob(const std::string& params = "") : DoSuche("TVmov", "0", params) {}

    bool Row(const std::string& text)
    {
        m_hitField1 = text;
        m_hitLink = "link/" + text;
        return RegisterHit();
    }

    void StartCriterion(const std::string& params)
    {
        m_page = 0;
        m_hitCount = 0;
        m_knownInARow = 0;
        m_params = params;
        PrepareSearch();
    }
};

std::string Line(const std::string& text)
{
    return text + "|||||";
}

class DoSucheTest : public ::testing::Test
{
protected:
    TempWorkDir m_dir;
};
} // namespace

TEST_F(DoSucheTest, InitialValuesOfTheTable)
{
    const DoSuche job("TVmov", "1", "a|b#");
    EXPECT_EQ(job.m_jobName, "TVmov");
    EXPECT_EQ(job.m_params, "a|b#");
    EXPECT_EQ(job.m_refCompareLen, 99);
    EXPECT_EQ(job.m_maxKnownInARow, 3);
    EXPECT_EQ(job.m_maxHits, 300);
    EXPECT_EQ(job.m_maxRefs, 1000);
    EXPECT_EQ(job.m_timeoutSeconds, 120);
    EXPECT_TRUE(job.m_host.empty() && job.m_urlTemplate.empty() && job.m_url.empty());
    EXPECT_TRUE(job.m_reader.m_text.empty());
    EXPECT_EQ(job.m_reader.m_readIndex, 0);
}

TEST_F(DoSucheTest, ConstructionRemovesTheStaleJobFilesQuietly)
{
    WriteFileBytes("TVmov.trf", "old");
    WriteFileBytes("TVmov.mlg", "old");
    WriteFileBytes("TVmov.ref", "kept\n");
    testing::internal::CaptureStdout();
    {
        const DoSuche job("TVmov", "0", "");
        EXPECT_FALSE(std::filesystem::exists("TVmov.trf"));
        EXPECT_FALSE(std::filesystem::exists("TVmov.mlg"));
        const DoSuche again("TVmov", "0", "");
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "TVmov BEENDET\nTVmov BEENDET\n");
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), "kept\n");
}

TEST_F(DoSucheTest, BuildUrlFillsTheFirstPagePlaceholderOnly)
{
    DoSuche job("TVmov", "0", "");
    job.m_urlTemplate = "/s?page=%PAGE%&again=%PAGE%";
    job.m_page = 0;
    job.BuildUrl();
    EXPECT_EQ(job.m_url, "/s?page=1&again=%PAGE%");
    job.BuildUrl();
    EXPECT_EQ(job.m_url, "/s?page=2&again=%PAGE%");

    job.m_urlTemplate = "/no/placeholder";
    job.BuildUrl();
    EXPECT_EQ(job.m_url, "/no/placeholder");
    EXPECT_EQ(job.m_page, 3);
}

TEST_F(DoSucheTest, PrepareSearchCutsTitleAndPersonWithTheWrappingCursor)
{
    struct Case
    {
        const char* params;
        const char* person;
        const char* title;
    };
    const Case cases[] = {
        {"Tatort|Anna Berg", "Anna Berg", "Tatort"},
        {"|Anna Berg", "Anna Berg", ""},
        {"Tatort|", "", "Tatort"},
        {"no bar", "no bar", "no bar"},
        {"A|B|C", "B", "C"},
        {"", "", ""},
        {"|", "", ""},
    };
    for (const Case& c : cases)
    {
        DoSuche job("TVmov", "0", "");
        job.m_params = c.params;
        job.m_morePages = false;
        job.PrepareSearch();
        EXPECT_TRUE(job.m_morePages);
        EXPECT_EQ(job.m_personText, c.person) << c.params;
        EXPECT_EQ(job.m_titleText, c.title) << c.params;
    }
}

TEST_F(DoSucheTest, RowLimitStopsTheCriterionAtRow301WithOneMessage)
{
    RowJob job;
    job.StartCriterion("x|");
    testing::internal::CaptureStdout();
    for (int row = 1; row <= 300; ++row)
        ASSERT_TRUE(job.Row("row " + std::to_string(row)));
    EXPECT_FALSE(job.Row("row 301"));
    const std::string out = testing::internal::GetCapturedStdout();

    const std::string message =
        "Es wurden nicht alle Angebote beruecksichtigt, da sie zeitlich zu weit zurueck liegen!";
    EXPECT_EQ(job.m_errors, std::vector<std::string>{message});
    EXPECT_EQ(out, message + "\n");
    EXPECT_EQ(job.m_hitLines.size(), 300u);
    EXPECT_EQ(job.m_newRefs.size(), 300u) << "row 301 is not recorded";
}

TEST_F(DoSucheTest, FourthKnownHitInARowEndsTheCriterionQuietly)
{
    WriteFileBytes("TVmov.ref", Line("A") + "\n" + Line("B") + "\n" + Line("C") + "\n" + Line("E") +
                                    "\n" + Line("F") + "\n" + Line("G") + "\n" + Line("H") + "\n");
    RowJob job;
    job.StartCriterion("x|");
    const char* rows[] = {"A", "B", "C", "D", "E", "F", "G"};
    for (const char* row : rows)
        EXPECT_TRUE(job.Row(row)) << row;
    EXPECT_FALSE(job.Row("H"));
    EXPECT_TRUE(job.m_errors.empty());
    EXPECT_EQ(job.m_hitLines, std::vector<std::string>{Line("D")});
    EXPECT_EQ(job.m_hitLinks, std::vector<std::string>{"link/D"});
    EXPECT_EQ(job.m_newRefs, std::vector<std::string>{Line("D")});
}

TEST_F(DoSucheTest, KnownTestComparesThe99BytePrefixNewestFirst)
{
    const std::string prefix(95, 'p');
    WriteFileBytes("TVmov.ref", prefix + "AAAA-old tail\nshort\n");
    RowJob job;
    job.StartCriterion("x|");
    // The hit line is the field + "|||||": the 99 bytes are the prefix and "AAAA".
    job.m_hitField1 = prefix + "AAAA-new tail";
    EXPECT_FALSE(job.RecordHit()) << "differs only after byte 99";
    job.m_hitField1 = prefix + "AAAB-old tail";
    EXPECT_TRUE(job.RecordHit()) << "differs within the first 99 bytes";
    job.m_hitField1 = "short";
    EXPECT_TRUE(job.RecordHit()) << "a short entry matches only an equal line";
    job.m_knownRefs.push_back("short|||||");
    EXPECT_FALSE(job.RecordHit());

    job.m_refCompareLen = 3;
    EXPECT_TRUE(job.IsKnown("shoXXX"));
    EXPECT_FALSE(job.IsKnown("sh"));
}

TEST_F(DoSucheTest, FieldsAreTransliteratedBeforeTheLineIsBuilt)
{
    RowJob job;
    job.m_hitField1 = "K\xC3\xA4se";
    job.m_hitField2 = "T\xC3\x9CV";
    job.m_hitField6 = "12 \x80";
    job.m_hitLink = "l\xC3\xA4nk";
    EXPECT_TRUE(job.RecordHit());
    EXPECT_EQ(job.m_hitLine, "Kaese|TUV||||12 EUR");
    EXPECT_EQ(job.m_hitField1, "Kaese");
    EXPECT_EQ(job.m_hitLinks, std::vector<std::string>{"l\xC3\xA4nk"}) << "link unchanged";
}

TEST_F(DoSucheTest, TheLineTakesTheFieldsTransliteratedTwiceTheFieldsOnce)
{
    // Dropping the acute accent joins "\xC3" and "\xA4" only after their row
    // has run: the field keeps the joined pair, the line has "ae". Plain
    // fields and fields settled by the first pass are the same in both.
    RowJob job;
    job.m_hitField1 = "K\xC3\xC2\xB4\xA4se";
    job.m_hitField3 = "M\xC3\xBCritz";
    job.m_hitField5 = "TUeV";
    job.m_hitField6 = "\xC3\xC2\xB4\x9C"
                      "eV \xC3\x9C";
    EXPECT_TRUE(job.RecordHit());
    EXPECT_EQ(job.m_hitField1, "K\xC3\xA4se");
    EXPECT_EQ(job.m_hitField3, "Mueritz");
    EXPECT_EQ(job.m_hitField5, "TUV");
    EXPECT_EQ(job.m_hitField6, "\xC3\x9C"
                               "eV Ue");
    EXPECT_EQ(job.m_hitLine, "Kaese||Mueritz||TUV|UeeV Ue");
}

TEST_F(DoSucheTest, AllEmptyFieldsAreAnOrdinaryNewHit)
{
    RowJob job;
    EXPECT_TRUE(job.Row(""));
    EXPECT_EQ(job.m_hitLines, std::vector<std::string>{"|||||"});
}

TEST_F(DoSucheTest, RejectedHitCountsAsNewButIsNotListed)
{
    class PickyJob : public RowJob
    {
    public:
        bool AcceptHit() override { return false; }
    } job;
    EXPECT_TRUE(job.Row("A"));
    EXPECT_TRUE(job.m_hitLines.empty());
    EXPECT_EQ(job.m_newRefs, std::vector<std::string>{Line("A")});
}

TEST(PadColumn, HalvesBlankRunsFillsAndCuts)
{
    EXPECT_EQ(DoSuche::PadColumn("a  b", 6), "a b   ");
    EXPECT_EQ(DoSuche::PadColumn("abcdefgh", 6), "abcdef");
    EXPECT_EQ(DoSuche::PadColumn("", 7), "       ");
    EXPECT_EQ(DoSuche::PadColumn("x     y", 36), "x   y" + std::string(31, ' '));
    EXPECT_EQ(DoSuche::PadColumn("a   b    c", 8), "a  b  c ");
    EXPECT_EQ(DoSuche::PadColumn("abc", 0), "");
    EXPECT_EQ(DoSuche::PadColumn("abc", -4), "");
    EXPECT_EQ(DoSuche::PadColumn("abc", 50).size(), 39u) << "never more than text + 36";
}

namespace
{
// The column built the long way: every byte, the second blank of a pair
// dropped, 36 blanks, then the cut.
std::string PadColumnByHand(const std::string& text, std::int32_t width)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
    {
        out += text[i];
        if (text[i] == ' ' && i + 1 < text.size() && text[i + 1] == ' ')
            ++i;
    }
    out.append(36, ' ');
    if (width <= 0)
        return std::string();
    return out.substr(0, static_cast<std::size_t>(width));
}
} // namespace

TEST(PadColumn, RandomBlankRunsAndWidthsGiveTheLongWayResultAlsoWhenAppended)
{
    std::mt19937 random(99);
    std::uniform_int_distribution<int> length(0, 60);
    std::uniform_int_distribution<int> width(-2, 110);
    std::bernoulli_distribution blank(0.5);
    for (int i = 0; i < 5000; ++i)
    {
        std::string text;
        for (int n = length(random); n > 0; --n)
            text += blank(random) ? ' ' : 'x';
        const std::int32_t w = width(random);
        ASSERT_EQ(DoSuche::PadColumn(text, w), PadColumnByHand(text, w))
            << "'" << text << "' " << w;
        std::string line = "head|";
        AppendPadded(line, text, w);
        ASSERT_EQ(line, "head|" + PadColumnByHand(text, w));
    }
}

TEST_F(DoSucheTest, ReportPrintsNonEmptyMessagesAndCollectsOnRequest)
{
    DoSuche job("TVmov", "0", "");
    testing::internal::CaptureStdout();
    EXPECT_TRUE(job.Report(false, "", true));
    EXPECT_FALSE(job.Report(false, "nur Ausgabe", false));
    EXPECT_TRUE(job.Report(true, "", true));
    EXPECT_FALSE(job.Report(true, "gesammelt", false));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "nur Ausgabe\ngesammelt\n");
    EXPECT_EQ(job.m_errors, (std::vector<std::string>{"", "gesammelt"}));
}
