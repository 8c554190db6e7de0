// Transliterate and DecodeEntities: ordered byte replacements.
#include "conversions.h"

#include <gtest/gtest.h>

TEST(Transliterate, RowOrderTurnsTuevIntoTuv)
{
    EXPECT_EQ(Transliterate("T\xC3\x9CV-gepr\xC3\xBC"
                            "ft"),
              "TUV-geprueft");
    EXPECT_EQ(Transliterate("TUeV"), "TUV");
    EXPECT_EQ(Transliterate("Stra\xC3\x9F"
                            "e \xC5\xA0koda \xC3\x89t\xC3\xA9 \xC3\xA1\xC3\xB3\xC3\xBA"),
              "Strasse Skoda Etee aaoouu");
}

TEST(Transliterate, EuroSignsAndAccent)
{
    EXPECT_EQ(Transliterate("12 \xE2\x82\xAC"), "12 EUR");
    EXPECT_EQ(Transliterate("12 \x80"), "12 EUR");
    EXPECT_EQ(Transliterate("Caf\xC2\xB4"
                            "e"),
              "Cafe");
    // A letter whose second UTF-8 byte is 0x80 loses it to the one-byte euro row.
    EXPECT_EQ(Transliterate("\xC3\x80nne"), "\xC3"
                                            "EURnne");
}

TEST(Transliterate, LeavesOtherBytesAndNulAlone)
{
    const std::string bytes("a\0\xFF\xC3\r\n", 6);
    EXPECT_EQ(Transliterate(bytes), bytes);
    EXPECT_EQ(Transliterate(""), "");
}

TEST(DecodeEntities, NamedUmlautsOnly)
{
    EXPECT_EQ(DecodeEntities("Stra&szlig;e &Auml;rger &ouml;de &Uuml;ber &ndash; Ende"),
              "Strasse Aerger oede Ueber - Ende");
    EXPECT_EQ(DecodeEntities("Tom &amp; Jerry &auml"), "Tom &amp; Jerry &auml");
}

TEST(ReplaceAll, DoesNotRescanItsOwnOutput)
{
    EXPECT_EQ(ReplaceAll("aaaa", "aa", "a"), "aa");
    EXPECT_EQ(ReplaceAll("  x   y", "  ", " "), " x  y");
    EXPECT_EQ(ReplaceAll("abc", "", "z"), "abc");
}
