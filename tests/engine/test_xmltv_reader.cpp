// XMLTV reader: times, what a guide delivers, encodings, gzip, every kind of
// failure, hostile guides (external entities, entity bombs, giant texts) and
// the independence of the result from how the bytes are cut into pieces.
#include "xmltv_reader.h"
#include "temp_folder.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace
{
struct Collected : XmltvHandler
{
    void OnChannel(const XmltvChannel& channel) override
    {
        channels.push_back(channel.id + "|" + channel.name);
    }
    void OnProgramme(const XmltvProgramme& p) override
    {
        std::string text = p.channel + "|" + std::to_string(p.start) + "|" +
                           (p.hasStop ? std::to_string(p.stop) : "-") + "|" + p.title + "|";
        for (const std::string& title : p.titles)
            text += title + ";";
        text += "|" + p.subTitle + "|" + p.desc + "|";
        for (const std::string& person : p.credits)
            text += person + ";";
        programmes.push_back(text + "|" + p.url + "|" + std::to_string(p.line));
    }
    std::vector<std::string> channels;
    std::vector<std::string> programmes;
};

struct Outcome
{
    Collected got;
    bool ok = false;
    XmltvError kind = XmltvError::None;
    std::string error;
    std::uint64_t skipped = 0;
    std::uint64_t unpacked = 0;
};

// Reads bytes fed in pieces of the sizes next() gives (all at once by default).
template <typename Sizes> Outcome ReadPieces(const std::string& bytes, Sizes next)
{
    Outcome out;
    XmltvReader reader(out.got, "Test \xFC");
    bool fed = true;
    for (std::size_t at = 0; fed && at < bytes.size();)
    {
        const std::size_t piece = std::min(next(), bytes.size() - at);
        fed = reader.Feed(bytes.data() + at, piece);
        at += piece;
    }
    out.ok = reader.Finish();
    if (!fed)
    {
        EXPECT_FALSE(out.ok) << "Finish after a failed Feed";
    }
    out.kind = reader.ErrorKind();
    out.error = reader.Error();
    out.skipped = reader.SkippedProgrammes();
    out.unpacked = reader.DecompressedBytes();
    return out;
}

Outcome Read(const std::string& bytes, std::size_t piece = 1 << 30)
{
    return ReadPieces(bytes, [piece] { return piece; });
}

// gzip members, one for each of the texts.
std::string Gzip(const std::vector<std::string>& members)
{
    std::string packed;
    for (const std::string& member : members)
    {
        z_stream zlib{};
        deflateInit2(&zlib, 6, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY);
        std::string out(deflateBound(&zlib, member.size()), '\0');
        zlib.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(member.data()));
        zlib.avail_in = static_cast<uInt>(member.size());
        zlib.next_out = reinterpret_cast<Bytef*>(&out[0]);
        zlib.avail_out = static_cast<uInt>(out.size());
        EXPECT_EQ(deflate(&zlib, Z_FINISH), Z_STREAM_END);
        out.resize(zlib.total_out);
        deflateEnd(&zlib);
        packed += out;
    }
    return packed;
}

std::string Repeated(const std::string& text, std::size_t times)
{
    std::string out;
    for (std::size_t i = 0; i < times; ++i)
        out += text;
    return out;
}

std::string Guide(const std::string& body, const std::string& encoding = "UTF-8")
{
    return "<?xml version=\"1.0\" encoding=\"" + encoding + "\"?>\n<tv>\n" + body + "</tv>\n";
}

// One line each, so the line numbers below are those of the programmes.
const char* const kGuide =
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
    "<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n"
    "<tv generator-info-name=\"Test\">\n"
    "<channel id=\"eins.test\"><display-name lang=\"en\">One</display-name>"
    "<display-name lang=\"de\">Eins</display-name><display-name lang=\"de\">Zwei</display-name>"
    "</channel>\n"
    "<channel id=\"zwei.test\"><display-name>\n  Zwo \t</display-name>"
    "<display-name lang=\"fr\">Deux</display-name></channel>\n"
    "<channel id=\"drei.test\"><icon src=\"drei.png\"/></channel>\n"
    "<programme start=\"20261207201500 +0100\" stop=\"20261207211500 +0100\" channel=\"eins.test\">"
    "<title lang=\"en\">The Silent Witness</title><title lang=\"de-DE\">\r\n Der stille Zeuge </title>"
    "<title>Le t\xC3\xA9moin</title><sub-title lang=\"en\">Episode 1</sub-title>"
    "<sub-title lang=\"de\">Teil 1</sub-title>"
    "<desc>Erst &amp; <x-hervor>nie</x-hervor>dann<b>nicht</b> &#228;&lt;</desc><desc>B</desc>"
    "<category lang=\"de\">Krimi</category><x-velunda>verborgen</x-velunda>"
    "<credits><director>Regie Eins</director><actor role=\"Zeuge\">Anna Berg<image>b.jpg</image>"
    "</actor><actor> Karl Zell </actor><writer>W</writer><adapter>A</adapter>"
    "<producer>P</producer><composer>C</composer><editor>E</editor><presenter>Pr</presenter>"
    "<commentator>Co</commentator><guest>G</guest><x-fan>nicht</x-fan><stuntman>S</stuntman>"
    "</credits><url>http://a.test/1</url><url>http://a.test/2</url></programme>\n"
    "<x-extra><programme start=\"20261207000000\"><title>Versteckt</title></programme></x-extra>\n"
    "<programme start=\"20261207201500 +0100\" channel=\"nirgends.test\"><title lang=\"en\">First"
    "</title><title lang=\"fr\">Second</title><desc lang=\"de\">Deutsch</desc>"
    "<desc lang=\"en\">English</desc></programme>\n"
    "<programme start=\"20261207\" channel=\"eins.test\"/>\n"
    "</tv>\n";

const std::vector<std::string> kGuideProgrammes = {
    "eins.test|1796670900|1796674500|Der stille Zeuge|The Silent Witness;Der stille Zeuge;"
    "Le t\xC3\xA9moin;|Teil 1|Erst & dann \xC3\xA4<|Regie Eins;Anna Berg;Karl Zell;W;A;P;C;E;"
    "Pr;Co;G;S;|http://a.test/1|8",
    "nirgends.test|1796670900|-|First|First;Second;||Deutsch|||11",
    "eins.test|1796601600|-|||||||12",
};

TEST(XmltvTime, Table)
{
    const struct
    {
        const char* text;
        bool ok;
        std::int64_t utc;
    } cases[] = {
        {"20261207201500 +0100", true, 1796670900},
        {"20261207201500+0100", true, 1796670900},
        {"202612072015   +0100", true, 1796670900},
        {"2026120720 +0100", true, 1796670000},
        {"20261207", true, 1796601600},
        {"20261207201500", true, 1796674500},
        {"20261207201500 -0530", true, 1796694300},
        {"20261207201500 CET", true, 1796670900},
        {"20261207211500 cest", true, 1796670900},
        {"20261207201500 GMT", true, 1796674500},
        {"20261207201500 utc", true, 1796674500},
        {"20261207211500 BST", true, 1796674500},
        // Europe's switches: the last second of winter time and the first
        // of summer time are one second apart in UTC, and the other way round.
        {"20260329015959 +0100", true, 1774745999},
        {"20260329030000 +0200", true, 1774746000},
        {"20260329030000 CEST", true, 1774746000},
        {"20261025025959 +0200", true, 1792889999},
        {"20261025020000 +0100", true, 1792890000},
        {"20240229120000", true, 1709208000},
        {"19691231235959", true, -1},
        {"20230229120000", false, 0},
        {"20261301000000", false, 0},
        {"20261200000000", false, 0},
        {"20260431000000", false, 0},
        {"20261207240000", false, 0},
        {"20261207206000", false, 0},
        {"20261207201560", false, 0},
        {"2026120720150", false, 0},
        {"202612072", false, 0},
        {"202612072015001", false, 0},
        {"2026-12-07", false, 0},
        {"", false, 0},
        {" 20261207201500", false, 0},
        {"20261207201500 +01", false, 0},
        {"20261207201500 +2400", false, 0},
        {"20261207201500 +0160", false, 0},
        {"20261207201500 EST", false, 0},
        {"20261207201500 +0100 x", false, 0},
    };
    for (const auto& c : cases)
    {
        std::int64_t utc = 0;
        EXPECT_EQ(ReadXmltvTime(c.text, utc), c.ok) << c.text;
        if (c.ok)
        {
            EXPECT_EQ(utc, c.utc) << c.text;
        }
    }
}

TEST(XmltvReader, DeliversChannelsAndProgrammes)
{
    const Outcome out = Read(kGuide);
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(out.got.channels,
              (std::vector<std::string>{"eins.test|Eins", "zwei.test|Zwo", "drei.test|"}));
    EXPECT_EQ(out.got.programmes, kGuideProgrammes);
    EXPECT_EQ(out.skipped, 0u);
    EXPECT_EQ(out.unpacked, std::string(kGuide).size());
}

TEST(XmltvReader, SkipsProgrammesWithUnreadableTimes)
{
    const Outcome out = Read(Guide(
        "<programme channel=\"k\"><title>ohne Beginn</title></programme>\n"
        "<programme start=\"morgen\" channel=\"k\"><title>kaputt</title></programme>\n"
        "<programme start=\"20261207\" stop=\"bald\" channel=\"k\"><title>x</title></programme>\n"
        "<programme start=\"20261207\" stop=\"20261208\" channel=\"k\"><title>gut</title>"
        "</programme>\n"));
    ASSERT_TRUE(out.ok) << out.error;
    EXPECT_EQ(out.got.programmes,
              (std::vector<std::string>{"k|1796601600|1796688000|gut|gut;|||||6"}));
    EXPECT_EQ(out.skipped, 3u);
}

TEST(XmltvReader, Encodings)
{
    const std::string title = " \xE4 \x80 \x84\x93 \x81 \xA4";
    const struct
    {
        const char* encoding;
        std::string bytes;
        std::string utf8;
    } cases[] = {
        {"UTF-8", "\xC3\xA4 \xE2\x82\xAC", "\xC3\xA4 \xE2\x82\xAC"},
        {"US-ASCII", "&#228; &#8364;", "\xC3\xA4 \xE2\x82\xAC"},
        {"ISO-8859-1", title, "\xC3\xA4 \xC2\x80 \xC2\x84\xC2\x93 \xC2\x81 \xC2\xA4"},
        {"windows-1252", title, "\xC3\xA4 \xE2\x82\xAC \xE2\x80\x9E\xE2\x80\x9C \xC2\x81 \xC2\xA4"},
        {"CP1252", title, "\xC3\xA4 \xE2\x82\xAC \xE2\x80\x9E\xE2\x80\x9C \xC2\x81 \xC2\xA4"},
        {"ISO-8859-15", title, "\xC3\xA4 \xC2\x80 \xC2\x84\xC2\x93 \xC2\x81 \xE2\x82\xAC"},
    };
    for (const auto& c : cases)
    {
        const Outcome out = Read(Guide("<programme start=\"20261207\" channel=\"k\"><title>" +
                                           c.bytes + "</title></programme>\n",
                                       c.encoding));
        ASSERT_TRUE(out.ok) << c.encoding << ": " << out.error;
        ASSERT_EQ(out.got.programmes.size(), 1u);
        EXPECT_EQ(out.got.programmes[0], "k|1796601600|-|" + c.utf8 + "|" + c.utf8 + ";|||||3")
            << c.encoding;
    }
}

TEST(XmltvReader, Utf16WithoutDeclarationInAnyPieces)
{
    // expat takes a byte and a NUL for UTF-16LE; fed one byte at a time it
    // must see the first two together too.
    const std::string ascii =
        "\n<tv><programme start=\"20261207\"><title>Tor</title></programme></tv>";
    std::string utf16;
    for (const char c : ascii)
        utf16 += std::string{c, '\0'};
    for (const std::size_t piece : {std::size_t{1}, utf16.size()})
    {
        for (const std::string& bytes : {utf16, Gzip({utf16.substr(0, 1), utf16.substr(1)})})
        {
            const Outcome out = Read(bytes, piece);
            ASSERT_TRUE(out.ok) << out.error;
            EXPECT_EQ(out.got.programmes,
                      (std::vector<std::string>{"|1796601600|-|Tor|Tor;|||||2"}));
        }
    }
}

TEST(XmltvReader, GzipWholeByteByByteAndInMembers)
{
    const std::string guide = kGuide;
    const std::size_t third = guide.size() / 3;
    const std::vector<std::string> packings = {
        Gzip({guide}),
        Gzip({guide.substr(0, third), guide.substr(third, third), guide.substr(2 * third)}),
        Gzip({guide, ""}), // an empty member at the end
    };
    for (const std::string& packed : packings)
    {
        for (const std::size_t piece : {std::size_t{1}, std::size_t{7}, packed.size()})
        {
            const Outcome out = Read(packed, piece);
            ASSERT_TRUE(out.ok) << out.error;
            EXPECT_EQ(out.got.programmes, kGuideProgrammes) << "pieces of " << piece;
            EXPECT_EQ(out.unpacked, guide.size());
        }
    }
}

TEST(XmltvReader, Failures)
{
    const std::string guide = kGuide;
    std::string damaged = Gzip({guide});
    damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x55);
    damaged[12] = static_cast<char>(damaged[12] ^ 0x55);
    const std::string lol = "<!ENTITY a \"lollollollollollollollollollol\">"
                            "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\">"
                            "<!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;\">"
                            "<!ENTITY d \"&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;\">"
                            "<!ENTITY e \"&d;&d;&d;&d;&d;&d;&d;&d;&d;&d;\">"
                            "<!ENTITY f \"&e;&e;&e;&e;&e;&e;&e;&e;&e;&e;\">"
                            "<!ENTITY g \"&f;&f;&f;&f;&f;&f;&f;&f;&f;&f;\">"
                            "<!ENTITY h \"&g;&g;&g;&g;&g;&g;&g;&g;&g;&g;\">"
                            "<!ENTITY i \"&h;&h;&h;&h;&h;&h;&h;&h;&h;&h;\">";
    const std::string source = "Die Programmdatei \x84Test \xFC\x93 ";
    const struct
    {
        const char* what;
        std::string bytes;
        XmltvError kind;
        std::string error; // the whole text, or a piece of it
    } cases[] = {
        {"mismatched tag", "<tv>\n<programme start=\"20261207\">\n  <title>x</titel>",
         XmltvError::Xml,
         "ist kein g\xFCltiges XML: ein schlie\xDF"
         "endes Tag passt nicht zum offenen Element "
         "(Zeile 3, Spalte 13)."},
        {"invalid token", "<tv>\n<programme start=\"1\" & />", XmltvError::Xml,
         "(Zeile 2, Spalte 22)."},
        {"duplicate attribute", "<tv a=\"1\" a=\"2\"/>", XmltvError::Xml, "zweimal"},
        {"undefined entity", "<tv>&auml;</tv>", XmltvError::Xml, "unbekannte Entity"},
        {"junk after the document", "<tv/><tv/>", XmltvError::Xml, "weiterer Inhalt"},
        {"document cut short", guide.substr(0, guide.size() - 20), XmltvError::Xml,
         "ist kein g\xFCltiges XML: die Datei endet"},
        {"only a declaration", "<?xml version=\"1.0\"?>\n", XmltvError::Xml, "vollst\xE4ndig"},
        {"empty", "", XmltvError::Xml, source.substr(0, source.size() - 1) + " ist leer."},
        {"root not tv", "<?xml version=\"1.0\"?><html><tv/></html>", XmltvError::NotXmltv,
         source + "ist keine XMLTV-Datei: ihr erstes Element ist <html>, nicht <tv>."},
        {"unknown encoding", Guide("", "KOI8-R"), XmltvError::Encoding,
         source + "hat eine unbekannte Zeichenkodierung (\x84KOI8-R\x93)."},
        {"entity bomb in the text",
         "<!DOCTYPE tv [" + lol +
             "]><tv><programme start=\"20261207\">"
             "<title>&i;</title></programme></tv>",
         XmltvError::EntityBomb, "vervielfachen"},
        {"entity bomb in an attribute",
         "<!DOCTYPE tv [" + lol + "]><tv><programme start=\"&i;\"/></tv>", XmltvError::EntityBomb,
         "vervielfachen"},
        {"a comment of 20 MiB", "<tv>\n<!--" + std::string(20 << 20, 'c') + "-->",
         XmltvError::TooLarge, "bei Zeile 2 br\xE4uchte der XML-Leser mehr als 16 MiB"},
        {"a million elements deep", "<tv>" + Repeated("<a>", 1000000), XmltvError::TooLarge,
         "mehr als 16 MiB"},
        {"broken gzip", damaged, XmltvError::GzipBroken,
         "Die gepackte Programmdatei \x84Test \xFC\x93 ist besch\xE4"
         "digt ("},
        {"cut gzip", Gzip({guide}).substr(0, 100), XmltvError::GzipCut,
         "Die gepackte Programmdatei \x84Test \xFC\x93 endet mitten im Inhalt."},
        {"cut gzip trailer", Gzip({guide}).substr(0, Gzip({guide}).size() - 4), XmltvError::GzipCut,
         "endet mitten im Inhalt."},
        {"gzip magic only", "\x1f\x8b", XmltvError::GzipCut, "endet mitten im Inhalt."},
    };
    for (const auto& c : cases)
    {
        for (const std::size_t piece : {std::size_t{4096}, std::size_t{1} << 30})
        {
            const Outcome out = Read(c.bytes, piece);
            EXPECT_FALSE(out.ok) << c.what;
            EXPECT_EQ(out.kind, c.kind) << c.what;
            EXPECT_NE(out.error.find(c.error), std::string::npos) << c.what << ": " << out.error;
            EXPECT_NE(out.error.find("\x84Test \xFC\x93"), std::string::npos) << c.what;
        }
    }
}

TEST(XmltvReader, EntityBombEndsQuicklyInBoundedMemory)
{
    // Ten levels of ten: 10^10 bytes if expanded, in an attribute value,
    // where expat would have to hold the whole expansion.
    std::string entities = "<!ENTITY e0 \"0123456789\">";
    for (int level = 1; level <= 10; ++level)
    {
        std::string refs;
        for (int i = 0; i < 10; ++i)
            refs += "&e" + std::to_string(level - 1) + ";";
        entities += "<!ENTITY e" + std::to_string(level) + " \"" + refs + "\">";
    }
    const auto peakKb = [] {
        std::ifstream status("/proc/self/status");
        std::string line;
        while (std::getline(status, line))
        {
            if (line.rfind("VmHWM:", 0) == 0)
                return std::stol(line.substr(6));
        }
        return 0L;
    };
    const long before = peakKb();
    const auto begin = std::chrono::steady_clock::now();
    const Outcome out = Read("<!DOCTYPE tv [" + entities +
                             "]><tv><programme start=\"&e10;\">"
                             "<title>&e10;</title></programme></tv>");
    EXPECT_EQ(out.kind, XmltvError::EntityBomb) << out.error;
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(10));
    EXPECT_LT(peakKb() - before, 200 * 1024) << "kB more at the peak";
}

TEST(XmltvReader, ExternalEntitiesAreNeverRead)
{
    TempWorkDir folder;
    const std::string secret = "GEHEIM-7f3a";
    WriteFileBytes("geheim.txt", secret);
    const std::string path = (folder.Path() / "geheim.txt").string();
    const std::string doctype = "<!DOCTYPE tv [<!ENTITY x SYSTEM \"file://" + path +
                                "\"><!ENTITY % p SYSTEM \"file://" + path + "\">%p;]>";
    for (const char* body :
         {"<tv><programme start=\"20261207\"><title>a&x;b</title><desc>&x;</desc>"
          "<credits><actor>&x;</actor></credits></programme></tv>",
          "<tv><programme start=\"20261207\" channel=\"&x;\"/></tv>"})
    {
        const Outcome out = Read(doctype + std::string(body));
        for (const std::string& text : out.got.programmes)
            EXPECT_EQ(text.find(secret), std::string::npos) << text;
        EXPECT_EQ(out.error.find(secret), std::string::npos) << out.error;
        if (out.ok)
        {
            EXPECT_EQ(out.got.programmes,
                      (std::vector<std::string>{"|1796601600|-|ab|ab;|||;||1"}));
        }
    }
}

TEST(XmltvReader, BoundsHostileTexts)
{
    // 2 MiB of "ä" in one description, 40 titles, 300 credits.
    std::string body = "<programme start=\"20261207\"><desc>";
    for (int i = 0; i < (1 << 20); ++i)
        body += "\xC3\xA4";
    body += "</desc>";
    for (int i = 0; i < 40; ++i)
        body += "<title>t" + std::to_string(i) + "</title>";
    body += "<credits>";
    for (int i = 0; i < 300; ++i)
        body += "<actor>a" + std::to_string(i) + "</actor>";
    body += "</credits></programme>\n";

    struct Sizes : XmltvHandler
    {
        void OnProgramme(const XmltvProgramme& p) override
        {
            desc = p.desc.size();
            descWhole = p.desc.size() % 2 == 0 && p.desc.compare(0, 2, "\xC3\xA4") == 0;
            titles = p.titles.size();
            credits = p.credits.size();
            lastTitle = p.titles.back();
        }
        std::size_t desc = 0, titles = 0, credits = 0;
        bool descWhole = false;
        std::string lastTitle;
    } sizes;
    XmltvReader reader(sizes, "x");
    const std::string guide = Guide(body);
    ASSERT_TRUE(reader.Feed(guide.data(), guide.size()) && reader.Finish()) << reader.Error();
    EXPECT_EQ(sizes.desc, std::size_t{1} << 20);
    EXPECT_TRUE(sizes.descWhole) << "cut inside a character";
    EXPECT_EQ(sizes.titles, 32u);
    EXPECT_EQ(sizes.lastTitle, "t31");
    EXPECT_EQ(sizes.credits, 256u);
}

TEST(XmltvReader, UnpackedBeyondTwoGibIsAnError)
{
    // 33 members of 64 MiB of blanks inside <tv>: 2 GiB and a bit.
    const std::string member = Gzip({std::string(64 << 20, ' ')});
    Collected got;
    XmltvReader reader(got, "Riesig");
    const std::string head = Gzip({"<tv>"});
    bool ok = reader.Feed(head.data(), head.size());
    for (int i = 0; ok && i < 33; ++i)
        ok = reader.Feed(member.data(), member.size());
    EXPECT_FALSE(ok);
    EXPECT_EQ(reader.ErrorKind(), XmltvError::TooLarge);
    EXPECT_EQ(reader.Error(), "Die gepackte Programmdatei \x84Riesig\x93 ist entpackt gr\xF6\xDF"
                              "er als 2 GiB.");
    EXPECT_LE(reader.DecompressedBytes(), std::uint64_t{2} << 30);
}

TEST(XmltvReader, SameResultInAnyPieces)
{
    // The test guide many times over, with texts of every length, so pieces
    // end everywhere: in tags, entities, characters and the gzip data.
    std::string body;
    for (int i = 0; i < 60; ++i)
        body += "<programme start=\"2026120720" + std::to_string(10 + i % 50) +
                "00 +0100\" channel=\"k" + std::to_string(i) + "\"><title lang=\"de\">T&#228;" +
                std::string(static_cast<std::size_t>(i * 7), 'x') +
                "</title><credits><actor>Anna &amp; " + std::to_string(i) +
                "</actor></credits></programme>\n";
    const std::string guide = Guide(body);
    const std::string packed = Gzip({guide.substr(0, 999), guide.substr(999)});
    const Outcome whole = Read(guide);
    ASSERT_TRUE(whole.ok) << whole.error;
    ASSERT_EQ(whole.got.programmes.size(), 60u);
    std::mt19937 random(20261207);
    for (int round = 0; round < 40; ++round)
    {
        const std::size_t most = round % 2 ? 16 : 3000;
        const auto next = [&] {
            return std::uniform_int_distribution<std::size_t>(1, most)(random);
        };
        const Outcome plain = ReadPieces(guide, next);
        const Outcome gzip = ReadPieces(packed, next);
        EXPECT_EQ(plain.got.programmes, whole.got.programmes) << "round " << round;
        EXPECT_EQ(gzip.got.programmes, whole.got.programmes) << "round " << round;
    }
}
} // namespace
