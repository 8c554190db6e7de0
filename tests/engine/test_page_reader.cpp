// PageReader: end zone, marker scans, pieces and quoted values.
#include "page_reader.h"

#include <gtest/gtest.h>

namespace
{
PageReader ReaderOn(const std::string& text)
{
    PageReader reader;
    reader.m_text = text;
    return reader;
}
} // namespace

TEST(PageReader, EndZoneHoldsBackTheLastFiveBytesUntilMoreArrive)
{
    PageReader reader = ReaderOn("line1\nline2\n");
    EXPECT_TRUE(reader.ReadLine());
    EXPECT_EQ(reader.m_line, "line1");
    EXPECT_FALSE(reader.ReadLine());
    EXPECT_EQ(reader.m_line, "l");
    EXPECT_TRUE(reader.AtEnd());

    reader.m_text += "more text follows here\nand here\n";
    EXPECT_TRUE(reader.ReadLine());
    EXPECT_EQ(reader.m_line, "ine2");
    EXPECT_TRUE(reader.ReadLine());
    EXPECT_EQ(reader.m_line, "more text follows here");
}

TEST(PageReader, ShortTextsGiveAnEmptyLineAndFalse)
{
    for (const char* text : {"", "a", "abcde", "\n\n\n\n\n"})
    {
        PageReader reader = ReaderOn(text);
        EXPECT_FALSE(reader.ReadLine()) << text;
        EXPECT_EQ(reader.m_line, "");
        EXPECT_EQ(reader.m_readIndex, 0);
    }
}

TEST(PageReader, CarriageReturnAndNulBytesStayInTheLine)
{
    PageReader reader = ReaderOn(std::string("a\0b\r\nsecond line\n", 17));
    EXPECT_TRUE(reader.ReadLine());
    EXPECT_EQ(reader.m_line, std::string("a\0b\r", 4));
}

TEST(PageReader, SkipToMarkerTakesTheFirstMarkerInOrderNotInPosition)
{
    PageReader reader = ReaderOn("0123456789m1 3456789m0 and more\nsecond\nthird line\n");
    reader.ReadLine();
    EXPECT_EQ(reader.SkipToMarker("m0", "m1"), 0);
    EXPECT_EQ(reader.m_linePos, 20);
    EXPECT_EQ(reader.SkipToMarker("", "xx", "m1"), 2);
    EXPECT_EQ(reader.m_linePos, 10);
}

TEST(PageReader, SkipToMarkerBeginsOnTheCurrentLineAndReadsOn)
{
    PageReader reader = ReaderOn("first\nsecond <table\nthird\n-----\n");
    reader.ReadLine();
    EXPECT_EQ(reader.SkipToMarker("<table"), 0);
    EXPECT_EQ(reader.m_line, "second <table");
    EXPECT_EQ(reader.SkipToMarker("<table"), 0) << "the current line is examined again";
    EXPECT_EQ(reader.SkipToMarker("missing"), -1);
    EXPECT_TRUE(reader.AtEnd());
}

TEST(PageReader, OutputStreamLineEndsTheScanUnlessItIsTheCurrentLine)
{
    PageReader reader = ReaderOn("start\nOutputStream marker\nmarker\n-----\n");
    reader.ReadLine();
    EXPECT_EQ(reader.SkipToMarker("marker"), -1);
    EXPECT_EQ(reader.m_line, "OutputStream marker");
    EXPECT_EQ(reader.SkipToMarker("marker"), 0) << "standing on the line, it is examined";
}

TEST(PageReader, FindInNextLinesNeverLooksAtTheCurrentLine)
{
    PageReader reader = ReaderOn("<div here\nplain\n  <div there\n-----\n");
    reader.ReadLine();
    EXPECT_TRUE(reader.FindInNextLines("<div", 0));
    EXPECT_EQ(reader.m_line, "  <div there");
    EXPECT_EQ(reader.m_linePos, 2);
    EXPECT_FALSE(reader.FindInNextLines("<div", 0));
    EXPECT_FALSE(reader.FindInNextLines("<div", 0));
}

TEST(PageReader, NextPieceWalksTheTextsBetweenTags)
{
    PageReader reader = ReaderOn("<b>x</b><i>y</i>\n-----\n");
    reader.ReadLine();
    EXPECT_EQ(reader.NextPiece(0), "x");
    EXPECT_EQ(reader.NextPiece(-1), "");
    EXPECT_EQ(reader.NextPiece(-1), "y");
    EXPECT_EQ(reader.NextPiece(-1), "");
    EXPECT_EQ(reader.NextPiece(-1), "");
    EXPECT_EQ(reader.m_linePos, -1);
    EXPECT_EQ(reader.NextPiece(-1), "");

    EXPECT_EQ(reader.PieceAt(-1), "");
    EXPECT_EQ(reader.PieceAt(1000), "");
}

TEST(PageReader, LineWithoutTagsGivesEmptyPieces)
{
    PageReader reader = ReaderOn("no tags at all\n-----\n");
    reader.ReadLine();
    for (std::int32_t start : {0, 3, -1, 200})
        EXPECT_EQ(reader.NextPiece(start), "");
}

TEST(PageReader, QuotedAfterCutsTheValueOrDegradesConsistently)
{
    PageReader reader = ReaderOn("<a x=\"1\" href=\"/detail/7\">go</a>\n-----\n");
    reader.ReadLine();
    EXPECT_EQ(reader.QuotedAfter("href=", 0), "/detail/7");
    EXPECT_EQ(reader.m_linePos, 24);

    reader.m_linePos = 5;
    EXPECT_EQ(reader.QuotedAfter("src=", 0), "");
    EXPECT_EQ(reader.m_linePos, 5) << "no marker leaves the position alone";

    reader.m_line = "say \"hi\" href=none";
    EXPECT_EQ(reader.QuotedAfter("href=", 0), "say ") << "no quote after the marker";
    reader.m_line = "href=none at all";
    EXPECT_EQ(reader.QuotedAfter("href=", 0), "href=none at all");
    reader.m_line = "href=\"open ended";
    EXPECT_EQ(reader.QuotedAfter("href=", 0), "open ended") << "one quote after the marker";
}

TEST(PageReader, LongLinesAreScannedWithFullPositions)
{
    const std::string filler(100000, 'x');
    PageReader reader = ReaderOn("<td>" + filler + "</td><td>after</td> href=\"far\"\n-----\n");
    reader.ReadLine();
    EXPECT_EQ(reader.m_line.size(), filler.size() + 34);
    EXPECT_EQ(reader.NextPiece(0), filler);
    EXPECT_EQ(reader.NextPiece(-1), "");
    EXPECT_EQ(reader.NextPiece(-1), "after");
    EXPECT_EQ(reader.QuotedAfter("href=", 0), "far");
    EXPECT_EQ(reader.SkipToMarker("</td> href"), 0);
    EXPECT_EQ(reader.m_linePos, static_cast<std::int32_t>(filler.size() + 18));
}

TEST(PageReader, ArbitraryBytesNeverLoopOrOverrun)
{
    std::string text;
    for (int i = 0; i < 5000; ++i)
        text += static_cast<char>((i * 7919) % 256);
    PageReader reader = ReaderOn(text);
    int lines = 0;
    while (reader.ReadLine())
    {
        reader.NextPiece(0);
        reader.NextPiece(-1);
        reader.QuotedAfter("=", 0);
        ++lines;
        ASSERT_LT(lines, 5000);
    }
    EXPECT_EQ(reader.SkipToMarker("never there"), -1);
    EXPECT_FALSE(reader.FindInNextLines("<div", 0));
}
