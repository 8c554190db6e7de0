// FindBytes, FindByte and MultiFind against std::string_view::find: random
// texts over a small alphabet (so that first and last bytes of a needle match
// often without the middle), every start position, needles of every short
// length, texts long enough to run through whole sixteen-byte blocks and
// their remainders.
#include "byte_search.h"
#include "multi_find.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace
{
std::string RandomBytes(std::mt19937& random, std::size_t length, const std::string& alphabet)
{
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::string text;
    for (std::size_t i = 0; i < length; ++i)
        text += alphabet[pick(random)];
    return text;
}
} // namespace

TEST(FindBytes, GivesTheAnswerOfFindForRandomTextsNeedlesAndStarts)
{
    std::mt19937 random(4711);
    const std::string alphabets[] = {"ab", "<ta>", std::string("x\0\x80\xFF", 4)};
    std::uniform_int_distribution<std::size_t> textLength(0, 70);
    std::uniform_int_distribution<std::size_t> needleLength(0, 6);
    int found = 0;
    for (int round = 0; round < 3000; ++round)
    {
        const std::string& alphabet = alphabets[round % 3];
        const std::string text = RandomBytes(random, textLength(random), alphabet);
        // Half of the needles are cut from the text, so that they occur.
        std::string needle = RandomBytes(random, needleLength(random), alphabet);
        if (round % 2 == 0 && text.size() > needle.size())
            needle = text.substr(text.size() / 3, needle.size());
        for (std::size_t from = 0; from <= text.size() + 2; ++from)
        {
            const std::size_t expected = std::string_view(text).find(needle, from);
            ASSERT_EQ(FindBytes(text, needle, from), expected)
                << "text '" << text << "' needle '" << needle << "' from " << from;
            found += expected != std::string_view::npos ? 1 : 0;
            const char byte = alphabet[from % alphabet.size()];
            ASSERT_EQ(FindByte(text, byte, from), std::string_view(text).find(byte, from))
                << "text '" << text << "' byte " << int(byte) << " from " << from;
        }
    }
    EXPECT_GT(found, 10000);
}

TEST(FindBytes, FindsMarkersAtTheEdgesOfLongLines)
{
    // A marker that ends on the last byte, one that starts in the last block
    // and one only partly there: the block loop must neither miss nor read on.
    const std::string filler(100, 'x');
    const std::string text = "<table" + filler + "Uhr</td>" + filler + "<tab";
    EXPECT_EQ(FindBytes(text, "<table"), 0u);
    EXPECT_EQ(FindBytes(text, "<table", 1), std::string::npos);
    EXPECT_EQ(FindBytes(text, "Uhr</td>"), 106u);
    EXPECT_EQ(FindBytes(text, "<tab"), 0u);
    EXPECT_EQ(FindBytes(text, "<tab", 1), text.size() - 4);
    EXPECT_EQ(FindBytes(text, "x<tab"), text.size() - 5);
    EXPECT_EQ(FindBytes(text, "<tab", text.size()), std::string::npos);
    EXPECT_EQ(FindBytes(text, "", text.size()), text.size());
    EXPECT_EQ(FindBytes(text, "", text.size() + 1), std::string::npos);
    EXPECT_EQ(FindBytes(std::string(), "x"), std::string::npos);
}

TEST(MultiFind, FindsEveryNeedleWhereFindDoesInOnePass)
{
    // Needles that are suffixes and prefixes of each other, over a small
    // alphabet; capitals step as small letters when asked.
    std::mt19937 random(815);
    for (int round = 0; round < 300; ++round)
    {
        std::vector<std::string> needles;
        for (std::size_t n = random() % 8; n > 0; --n)
            needles.push_back(RandomBytes(random, random() % 4, "abc"));
        const bool caseBlind = round % 2 == 1;
        const MultiFind find(needles, caseBlind);
        const std::string text = RandomBytes(random, random() % 40, caseBlind ? "abcAB" : "abc");
        std::string lowered = text;
        for (char& c : lowered)
            c = caseBlind && c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        std::vector<bool> found(needles.size(), false);
        MultiFind::State state = MultiFind::kStart;
        for (const char c : text)
        {
            state = find.Next(state, c);
            for (const std::uint32_t n : find.Found(state))
                found[n] = true;
        }
        for (std::size_t n = 0; n < needles.size(); ++n)
            EXPECT_EQ(found[n],
                      !needles[n].empty() && lowered.find(needles[n]) != std::string::npos)
                << "needle " << needles[n] << " in " << text;
    }
}
