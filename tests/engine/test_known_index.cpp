// The known test answers from the distinct prefixes of the known references;
// these tests hold it against the plain rule (walk m_knownRefs, compare the
// first m_refCompareLen bytes) on random data and on every way the list and
// the length can change.
#include "do_suche.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>

namespace
{
// The rule as written: newest entry first, compare(0, n) on both sides.
template <class List>
bool KnownByWalk(const List& refs, std::int32_t compareLen, const std::string& hitLine)
{
    const std::string::size_type n =
        compareLen < 0 ? std::string::npos : static_cast<std::string::size_type>(compareLen);
    for (std::size_t i = refs.size(); i-- > 0;)
    {
        if (refs[i].compare(0, n, hitLine, 0, n) == 0)
            return true;
    }
    return false;
}

// Random lines that collide often: a small alphabet, lengths clustered
// around the compare length, shared heads, empty lines.
class LineMaker
{
public:
    explicit LineMaker(unsigned seed) : m_random(seed) {}

    std::string Fresh()
    {
        static const std::int32_t kLengths[] = {0, 1, 2, 3, 50, 97, 98, 99, 100, 101, 150};
        std::int32_t length = kLengths[Below(std::size(kLengths))];
        if (Below(4) == 0)
            length = static_cast<std::int32_t>(Below(160));
        std::string line;
        // Most lines begin with one of a few heads, as hit lines of one
        // criterion share their first columns.
        if (Below(3) != 0)
            line = std::string(static_cast<std::size_t>(Below(4)) * 30, "ab|"[Below(3)]);
        while (line.size() < static_cast<std::size_t>(length))
            line += "ab |\xC3"[Below(5)];
        line.resize(static_cast<std::size_t>(length));
        return line;
    }

    // A line near one of the known ones: equal, cut, lengthened, or changed
    // at one byte (before, at or after the compare length).
    std::string Near(const std::string& known)
    {
        std::string line = known;
        switch (Below(6))
        {
        case 0:
            break;
        case 1:
            line.resize(static_cast<std::size_t>(Below(line.size() + 1)));
            break;
        case 2:
            line += std::string(1 + Below(5), 'z');
            break;
        default:
            if (!line.empty())
            {
                const std::size_t at = Below(4) == 0
                                           ? Below(line.size())
                                           : std::min<std::size_t>(line.size() - 1, 96 + Below(5));
                line[at] = static_cast<char>(line[at] ^ 1);
            }
            break;
        }
        return line;
    }

    std::size_t Below(std::size_t bound)
    {
        return bound == 0 ? 0 : std::uniform_int_distribution<std::size_t>(0, bound - 1)(m_random);
    }

private:
    std::mt19937 m_random;
};

class KnownIndexTest : public ::testing::Test
{
protected:
    // Asks the job and the plain rule the same questions.
    void CrossCheck(DoSuche& job, LineMaker& lines, int questions)
    {
        for (int q = 0; q < questions; ++q)
        {
            std::string hit;
            if (!job.m_knownRefs.empty() && lines.Below(3) != 0)
                hit = lines.Near(job.m_knownRefs[lines.Below(job.m_knownRefs.size())]);
            else
                hit = lines.Fresh();
            ASSERT_EQ(job.IsKnown(hit), KnownByWalk(job.m_knownRefs, job.m_refCompareLen, hit))
                << "hit line '" << hit << "' (" << hit.size() << " bytes), compare length "
                << job.m_refCompareLen << ", " << job.m_knownRefs.size() << " references";
            ++m_asked;
        }
    }

    TempWorkDir m_dir;
    long m_asked = 0;
};
} // namespace

TEST_F(KnownIndexTest, RandomListsGrowingBetweenQuestionsGiveTheAnswersOfTheWalk)
{
    long knownAnswers = 0;
    for (unsigned seed = 1; seed <= 40; ++seed)
    {
        LineMaker lines(seed);
        DoSuche job("TVmov", "0", "");
        CrossCheck(job, lines, 20); // empty list
        for (int batch = 0; batch < 6; ++batch)
        {
            const std::size_t count = lines.Below(40);
            for (std::size_t i = 0; i < count; ++i)
                job.m_knownRefs.push_back(lines.Below(3) == 0 && !job.m_knownRefs.empty()
                                              ? lines.Near(job.m_knownRefs.back())
                                              : lines.Fresh());
            CrossCheck(job, lines, 60);
        }
        for (std::size_t i = 0; i < job.m_knownRefs.size(); ++i)
        {
            const std::string& ref = job.m_knownRefs[i];
            EXPECT_TRUE(job.IsKnown(ref)) << ref;
            ++knownAnswers;
        }
    }
    EXPECT_GT(knownAnswers, 100);
    EXPECT_GT(m_asked, 10000);
}

TEST_F(KnownIndexTest, ShortAndEmptyLinesMatchOnlyEqualLines)
{
    DoSuche job("TVmov", "0", "");
    EXPECT_FALSE(job.IsKnown(""));
    job.m_knownRefs.push_back("abc");
    job.m_knownRefs.push_back(std::string(120, 'x'));
    EXPECT_TRUE(job.IsKnown("abc"));
    EXPECT_FALSE(job.IsKnown("ab"));
    EXPECT_FALSE(job.IsKnown("abcd"));
    EXPECT_FALSE(job.IsKnown(""));
    EXPECT_TRUE(job.IsKnown(std::string(99, 'x')));
    EXPECT_TRUE(job.IsKnown(std::string(99, 'x') + "different tail"));
    EXPECT_FALSE(job.IsKnown(std::string(98, 'x')));

    job.m_knownRefs.push_back("");
    EXPECT_TRUE(job.IsKnown(""));
    EXPECT_FALSE(job.IsKnown("a"));
}

TEST_F(KnownIndexTest, AnotherCompareLengthIsTakenUpAtTheNextQuestion)
{
    for (unsigned seed = 100; seed < 110; ++seed)
    {
        LineMaker lines(seed);
        DoSuche job("TVmov", "0", "");
        for (int i = 0; i < 80; ++i)
            job.m_knownRefs.push_back(lines.Fresh());
        for (const std::int32_t length : {99, 3, 0, 99, -1, 1000, 98, 100, 99})
        {
            job.m_refCompareLen = length;
            CrossCheck(job, lines, 150);
        }
    }
}

TEST_F(KnownIndexTest, ClearedListsAreIndexedAfresh)
{
    LineMaker lines(7);
    DoSuche job("TVmov", "0", "");
    for (int i = 0; i < 50; ++i)
        job.m_knownRefs.push_back(lines.Fresh());
    CrossCheck(job, lines, 100);

    const std::string dropped = job.m_knownRefs.back();
    job.m_knownRefs.clear();
    EXPECT_FALSE(job.IsKnown(dropped));
    job.m_knownRefs.push_back("only");
    EXPECT_TRUE(job.IsKnown("only"));
    EXPECT_FALSE(job.IsKnown(dropped));
    CrossCheck(job, lines, 100);
}

TEST_F(KnownIndexTest, RowsOfAJobWithTheReferenceFileLoadedPerCriterionAreDecidedByTheRule)
{
    // The job's own growth path: the file is appended once per criterion, and
    // the decision of every row is held against the walk over the same list.
    LineMaker lines(3);
    std::vector<std::string> fileLines;
    std::string file;
    for (int i = 0; i < 300; ++i)
    {
        fileLines.push_back(i % 13 == 0 ? std::string() : lines.Fresh());
        file += fileLines.back() + "\n";
    }
    {
        std::ofstream out("TVmov.ref", std::ios::binary);
        out << file;
    }
    DoSuche job("TVmov", "0", "x|");
    for (int criterion = 0; criterion < 5; ++criterion)
    {
        job.m_params = "x|";
        job.PrepareSearch();
        ASSERT_EQ(job.m_knownRefs.size(), fileLines.size() * (criterion + 1));
        // The lines are held once, however many criteria appended them.
        EXPECT_LE(job.m_knownRefs.DistinctLines(), fileLines.size());
        for (std::size_t i = 0; i < job.m_knownRefs.size(); i += 37)
            ASSERT_EQ(job.m_knownRefs[i], fileLines[i % fileLines.size()]) << i;
        for (int row = 0; row < 200; ++row)
        {
            const std::string hit = lines.Below(2) == 0
                                        ? lines.Near(fileLines[lines.Below(fileLines.size())])
                                        : lines.Fresh();
            const bool expected = KnownByWalk(job.m_knownRefs, job.m_refCompareLen, hit);
            ASSERT_EQ(job.IsKnown(hit), expected) << hit;
        }
    }
    job.m_knownRefs.clear(); // nothing to save
    job.m_newRefs.clear();
}

TEST_F(KnownIndexTest, ACopiedJobAnswersFromItsOwnList)
{
    DoSuche job("TVmov", "0", "");
    job.m_knownRefs.push_back("eins");
    job.m_knownRefs.push_back("zwei");
    EXPECT_TRUE(job.IsKnown("eins"));
    DoSuche copy = job;
    copy.m_knownRefs.push_back("drei");
    job.m_knownRefs.clear();
    EXPECT_TRUE(copy.IsKnown("eins"));
    EXPECT_TRUE(copy.IsKnown("drei"));
    EXPECT_FALSE(job.IsKnown("eins"));
    EXPECT_FALSE(job.IsKnown("drei"));
}
