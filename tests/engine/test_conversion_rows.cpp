// The conversions skip rows that cannot apply and replace in place; these
// tests hold them against the tables applied row by row with ReplaceAll, on
// random texts built from pieces of the sources.
#include "conversions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <utility>
#include <vector>

namespace
{
using Rows = std::vector<std::pair<std::string, std::string>>;

const Rows& TransliterationRows()
{
    static const Rows rows = {
        {"\xC5\xA0", "S"},       {"\xC3\x89", "E"},  {"\xC3\xAB", "e"},  {"\xC3\x9F", "ss"},
        {"\xC3\xA4", "ae"},      {"\xC3\xB6", "oe"}, {"\xC3\xBC", "ue"}, {"\xC3\x84", "Ae"},
        {"\xC3\x96", "Oe"},      {"\xC3\x9C", "Ue"}, {"\xC3\xA8", "ee"}, {"\xC3\xA9", "ee"},
        {"\xC3\xA1", "aa"},      {"\xC3\xB3", "oo"}, {"\xC3\xBA", "uu"}, {"\xC2\xB4", ""},
        {"\xE2\x82\xAC", "EUR"}, {"\x80", "EUR"},    {"TUeV", "TUV"},
    };
    return rows;
}

const Rows& EntityRows()
{
    static const Rows rows = {
        {"&auml;", "ae"}, {"&ouml;", "oe"}, {"&uuml;", "ue"},  {"&Auml;", "Ae"},
        {"&Ouml;", "Oe"}, {"&Uuml;", "Ue"}, {"&szlig;", "ss"}, {"&ndash;", "-"},
    };
    return rows;
}

std::string ByTheRows(std::string text, const Rows& rows)
{
    for (const auto& row : rows)
        text = ReplaceAll(std::move(text), row.first, row.second);
    return text;
}

std::string RandomText(std::mt19937& random)
{
    static const std::string kPieces[] = {
        "\xC3", "\x9C",     "\xA4",     "\x80",         "\xC2",
        "\xB4", "\xE2",     "\x82",     "\xAC",         "\xC5",
        "\xA0", "\xC3\x9C", "\xC3\xBC", "\xE2\x82\xAC", "T",
        "U",    "e",        "V",        "TUeV",         "TU",
        "&",    "&auml;",   "&szlig;",  "&ndash;",      "uml;",
        "a",    " ",        "Kanal 3",  "x\ny",         std::string(1, '\0')};
    std::uniform_int_distribution<std::size_t> count(0, 12);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(kPieces) - 1);
    std::string text;
    for (std::size_t n = count(random); n > 0; --n)
        text += kPieces[pick(random)];
    return text;
}
} // namespace

TEST(ConversionRows, RandomTextsGiveTheResultOfTheTablesAppliedRowByRow)
{
    std::mt19937 random(20261207);
    int changed = 0;
    for (int i = 0; i < 20000; ++i)
    {
        const std::string text = RandomText(random);
        const std::string transliterated = Transliterate(text);
        ASSERT_EQ(transliterated, ByTheRows(text, TransliterationRows())) << "'" << text << "'";
        ASSERT_EQ(DecodeEntities(text), ByTheRows(text, EntityRows())) << "'" << text << "'";
        changed += transliterated != text ? 1 : 0;
    }
    EXPECT_GT(changed, 1000);
}

TEST(ConversionRows, PlainAsciiTextIsOnlyTouchedByTheLastRowAndEntitiesNeedAnAmpersand)
{
    EXPECT_EQ(Transliterate("TUeV Nord, 20:15 Uhr"), "TUV Nord, 20:15 Uhr");
    EXPECT_EQ(Transliterate("Kanal Eins"), "Kanal Eins");
    EXPECT_EQ(Transliterate(""), "");
    // A high byte anywhere makes every row count, also for ASCII sources.
    EXPECT_EQ(Transliterate("T\xC3\x9C"
                            "V \x80"),
              "TUV EUR");
    EXPECT_EQ(DecodeEntities("Gro&szlig;e Fahrt"), "Grosse Fahrt");
    EXPECT_EQ(DecodeEntities("ohne Entitaet"), "ohne Entitaet");
    EXPECT_EQ(DecodeEntities("&amp;"), "&amp;");
}

// Texts of single bytes drawn from the sources of both tables: sequences of
// a row often appear only after an earlier row has removed bytes between
// them, and entities appear cut and nested.
TEST(ConversionRows, RandomBytesOfTheSourcesGiveTheRowByRowResultInPlaceToo)
{
    std::string bytes;
    for (const auto* rows : {&TransliterationRows(), &EntityRows()})
    {
        for (const auto& row : *rows)
            bytes += row.first;
    }
    std::mt19937 random(7);
    std::uniform_int_distribution<std::size_t> count(0, 40);
    std::uniform_int_distribution<std::size_t> pick(0, bytes.size() - 1);
    int secondPassChanged = 0;
    for (int i = 0; i < 20000; ++i)
    {
        std::string text;
        for (std::size_t n = count(random); n > 0; --n)
            text += bytes[pick(random)];

        std::string transliterated = text;
        const bool ascii = TransliterateInPlace(transliterated);
        ASSERT_EQ(transliterated, ByTheRows(text, TransliterationRows())) << "'" << text << "'";
        const std::string twice = ByTheRows(transliterated, TransliterationRows());
        if (ascii)
        {
            ASSERT_EQ(twice, transliterated) << "reported settled: '" << text << "'";
        }
        const bool highByte = std::any_of(transliterated.begin(), transliterated.end(),
                                          [](char c) { return (c & 0x80) != 0; });
        ASSERT_EQ(ascii, !highByte) << "'" << text << "'";
        secondPassChanged += twice != transliterated ? 1 : 0;

        std::string decoded = text;
        DecodeEntitiesInPlace(decoded);
        ASSERT_EQ(decoded, ByTheRows(text, EntityRows())) << "'" << text << "'";
    }
    EXPECT_GT(secondPassChanged, 0) << "no text needed the second pass";
}

// Accented text as it usually comes: ASCII with "\xC3?" pairs, most of them
// with a row, some without, now and then a stray byte from 0x80 up or a pair
// cut at the end. The one-pass path for pairs must agree with the rows.
TEST(ConversionRows, TextsOfC3PairsGiveTheRowByRowResult)
{
    std::mt19937 random(1207);
    std::uniform_int_distribution<int> length(0, 50);
    std::uniform_int_distribution<int> kind(0, 99);
    std::uniform_int_distribution<int> anyByte(0x80, 0xFF);
    const std::string seconds = "\x89\xAB\x9F\xA4\xB6\xBC\x84\x96\x9C\xA8\xA9\xA1\xB3\xBA";
    std::uniform_int_distribution<std::size_t> second(0, seconds.size() - 1);
    for (int i = 0; i < 20000; ++i)
    {
        std::string text;
        for (int n = length(random); n > 0; --n)
        {
            const int k = kind(random);
            if (k < 70)
                text += "TUeV abc"[k % 8];
            else if (k < 92)
                text += std::string("\xC3") + seconds[second(random)];
            else if (k < 96)
                text += std::string("\xC3") + static_cast<char>(anyByte(random));
            else
                text += static_cast<char>(anyByte(random));
        }
        if (i % 7 == 0)
            text += '\xC3';
        std::string converted = text;
        const bool ascii = TransliterateInPlace(converted);
        ASSERT_EQ(converted, ByTheRows(text, TransliterationRows())) << "'" << text << "'";
        if (ascii)
        {
            ASSERT_EQ(ByTheRows(converted, TransliterationRows()), converted) << "'" << text << "'";
        }
    }
}
