// DS_ORK: criteria cut, request building, result-page parsing and hit lines;
// pages fed from memory through the same parser, and end to end against the
// local listings site over loopback.
#include "ds_ork.h"
#include "file_bytes.h"
#include "listings_host.h"
#include "listings_site.h"
#include "memory_pages.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

namespace
{
// A result page with the given row blocks.
std::string Page(const std::vector<std::string>& rowBlocks)
{
    std::string page = "<html>\n<h1>Suchergebnisse</h1>\n<p>3 Treffer</p>\n<table>\n";
    for (const std::string& block : rowBlocks)
        page += block;
    return page + "</table>\n<p>footer text that keeps rows out of the end zone</p>\n";
}

std::string Row(const std::string& date, const std::string& time, const std::string& channel,
                const std::string& link, const std::string& description)
{
    return "<tr><td>" + date + "</td><td>" + time + " Uhr</td><td>" + channel +
           "</td></tr>\n<tr><td><table><tr><td><a href=\"" + link + "\">t</a></td></tr>\n" +
           "<div>" + description + "</div>\n";
}

// The canned pages, then pages without rows.
MemoryPages::Answer Pages(std::vector<std::string> pages)
{
    return MemoryPages::InTurn(std::move(pages), Page({}));
}

std::string Expected(const std::string& f1, const std::string& time, const std::string& date,
                     const std::string& channel, const std::string& text)
{
    return DoSuche::PadColumn(f1, 10) + "|" + DoSuche::PadColumn(time, 15) + "|" +
           DoSuche::PadColumn(date, 15) + "|" + DoSuche::PadColumn(channel, 15) + "|" + text;
}

// Broadcast data for the site: twelve of "Der stille Zeuge", a few others.
std::string TestData()
{
    std::string data = "id\tdate\ttime\tchannel\ttitle\tpersons\tdescription\n";
    for (int i = 0; i < 12; ++i)
    {
        char clock[8];
        std::snprintf(clock, sizeof clock, "%02d:15", 8 + i);
        data += std::to_string(100 + i) + "\t2026-12-07\t" + clock +
                "\tKanal Eins\tDer stille Zeuge\tAnna Berg;Karl Zell\tFolge " +
                std::to_string(i + 1) + " mit Gro&szlig;aufgebot.\n";
    }
    data += "200\t2026-12-08\t20:15\tTV S\xC3\xBC"
            "d\tDie Br\xC3\xBC"
            "cke am Flu\xC3\x9F\t"
            "J\xC3\xBCrgen M\xC3\xB6ller\tDrama am Fluss.\n";
    data += "201\t2026-12-09\t21:00\tHeimat Drei\tWetterleuchten\tLena Berg\tGewitter &ndash; "
            "und Liebe.\n";
    return data;
}

class DsOrkTest : public ::testing::Test
{
protected:
    void SetUp() override { WriteFileBytes("site.tsv", TestData()); }

    std::vector<std::string> SiteArgs(std::vector<std::string> more = {}) const
    {
        std::vector<std::string> args = {"--data", (m_dir.Path() / "site.tsv").string()};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    TempWorkDir m_dir;
};

// Runs the search with its standard-output lines swallowed.
template <class Job> bool SearchQuietly(Job& job)
{
    testing::internal::CaptureStdout();
    const bool result = job.Search();
    testing::internal::GetCapturedStdout();
    return result;
}

std::string PageOf(const std::string& target)
{
    const std::string::size_type at = target.rfind("&page=");
    return at == std::string::npos ? "" : target.substr(at + 6);
}
} // namespace

TEST(DsOrkTemplate, IsExactly405CharactersWithItsPlaceholders)
{
    const std::string tmpl = DS_ORK::kUrlTemplate;
    EXPECT_EQ(tmpl.size(), 405u);
    EXPECT_EQ(tmpl,
              "/Suchergebnisse_TV.211.0.html?&tv[wochentag]=&tv[zeitrahmen]=&tv[sender]=&tv[alter]="
              "&allgemein[titel]=#1&allgemein[person]=#2&tvsparte[alle]=alle&tvsparte[Spielfilm]="
              "Spielfilm&tvsparte[Serien]=Serien&tvsparte[Unterhaltung]=Unterhaltung&tvsparte["
              "Talkshow]=Talkshow&tvsparte[Reportagen]=Reportagen&tvsparte[Sport]=Sport&tvsparte["
              "Kinder]=Kinder&tvsparte[Premiere]=Premiere&tvsparte[Erotik]=Erotik&page=%PAGE%");
    TempWorkDir dir;
    const DS_ORK job("TVmov", "0", "");
    EXPECT_EQ(job.m_urlTemplate, tmpl);
    EXPECT_EQ(job.m_host, kListingsHost);
    EXPECT_EQ(job.m_refCompareLen, 99);
    const std::string host = kListingsHost;
    EXPECT_EQ(host.substr(host.size() - 8), ".example");
}

TEST(DsOrkCut, CriteriaTextIsCutAtEveryHash)
{
    TempWorkDir dir;
    using Parts = std::vector<std::string>;
    EXPECT_EQ(DS_ORK("TVmov", "0", "A|a#B|b#").m_parts, (Parts{"A|a", "B|b"}));
    EXPECT_EQ(DS_ORK("TVmov", "0", "A|a#B|b").m_parts, (Parts{"A|a"})) << "no final #";
    EXPECT_EQ(DS_ORK("TVmov", "0", "#A|a#").m_parts, Parts{}) << "leading #";
    EXPECT_EQ(DS_ORK("TVmov", "0", "A|a##B|b#").m_parts, (Parts{"A|a", "", "B|b"}));
    EXPECT_EQ(DS_ORK("TVmov", "0", "").m_parts, Parts{});
    EXPECT_EQ(DS_ORK("TVmov", "0", "no hash at all").m_parts, Parts{});
}

TEST(DsOrkLine, FourPaddedColumnsAndTheDescription)
{
    TempWorkDir dir;
    DS_ORK job("TVmov", "0", "");
    const std::string line = job.MakeHitLine("J", "x", "ab", "ef", "F4", "cd", "gh", "L");
    EXPECT_EQ(line, "x" + std::string(9, ' ') + "|ab" + std::string(13, ' ') + "|cd" +
                        std::string(13, ' ') + "|ef" + std::string(13, ' ') + "|gh");
    EXPECT_EQ(line.size(), 61u);

    const std::string entities = job.MakeHitLine("J", "", "&auml;", "&ouml;", "", "&uuml;",
                                                 std::string(60, 'd') + "&szlig;", "");
    EXPECT_EQ(entities.substr(11, 2), "ae") << "second column decoded";
    EXPECT_EQ(entities.substr(27, 6), "&uuml;") << "fifth field left alone";
    EXPECT_EQ(entities.substr(43, 6), "&ouml;") << "third field left alone";
    EXPECT_EQ(entities.substr(59), std::string(60, 'd') + "ss") << "description decoded, not cut";
}

TEST(DsOrkLine, IsKnownWhenItsFirst99BytesEqualAReference)
{
    TempWorkDir dir;
    DS_ORK job("TVmov", "0", "");
    job.m_hitField6 = std::string(50, 'd');
    const std::string line = job.MakeHitLine("", "", "", "", "", "", job.m_hitField6, "");
    std::string at99 = line;
    std::string at100 = line;
    at99[98] = at100[99] = 'x';
    job.m_knownRefs.push_back(at99);
    EXPECT_TRUE(job.RecordHit()) << "differs at byte 99";
    job.m_knownRefs.push_back(at100);
    EXPECT_FALSE(job.RecordHit()) << "differs at byte 100 only";
}

TEST(DsOrkEmpty, NoCriterionReturnsAtOnceAndKeepsTheReferenceFile)
{
    TempWorkDir dir;
    WriteFileBytes("TVmov.ref", "old\n");
    {
        MemoryJob job("", Pages({}));
        job.m_errors.push_back("stale");
        EXPECT_TRUE(job.Search());
        EXPECT_TRUE(job.m_pages.m_paths.empty());
        EXPECT_TRUE(job.m_hitLines.empty() && job.m_errors.empty());
    }
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), "old\n");
}

TEST(DsOrkParse, RowCellsLinkAndDescriptionFromMemoryPages)
{
    TempWorkDir dir;
    const std::string page1 = Page(
        {Row("Mo, 07.12.", "20&auml;15", "Kanal &auml;", "sendung/1.html", "Erster Text"),
         // The div element is empty; the paragraph's text is the third piece.
         "<tr><td>Di</td><td>21:00 Uhr</td><td>Zwei</td></tr>\n<table><td><a href=\"s/2\">x</a>\n"
         "<div class=\"d\"></div><p>Absatztext</p>\n",
         // Four empty pieces and no href on the link line.
         "<tr><td>Mi</td><td>22:00 Uhr</td></tr>\n<table><td>no link here\n"
         "<div></div><p></p>\n",
         // The text in the fourth piece, the last one looked at.
         "<tr><td>Do</td><td>23:00 Uhr</td></tr>\n<table><td><a href=\"s/4\">x</a>\n"
         "<div class=\"d\"></div><p><b>Vierter</b>\n"});
    MemoryJob job("Zeuge|Berg#", Pages({page1}));
    EXPECT_TRUE(SearchQuietly(job));

    ASSERT_EQ(job.m_hitLines.size(), 4u);
    EXPECT_EQ(job.m_hitLines[0],
              Expected("Z", "20ae15 Uhr", "Mo, 07.12.", "Kanal &auml;", "Erster Text"));
    EXPECT_EQ(job.m_hitLines[1], Expected("Z", "21:00 Uhr", "Di", "Zwei", "Absatztext"));
    EXPECT_EQ(job.m_hitLines[2], Expected("Z", "22:00 Uhr", "Mi", "", "kein Text"));
    EXPECT_EQ(job.m_hitLines[3], Expected("Z", "23:00 Uhr", "Do", "", "Vierter"));
    const std::string host = kListingsHost;
    EXPECT_EQ(job.m_hitLinks, (std::vector<std::string>{host + "/sendung/1.html", host + "/s/2",
                                                        host + "/", host + "/s/4"}));

    ASSERT_EQ(job.m_pages.m_paths.size(), 2u) << "page 2 has no rows and ends the criterion";
    EXPECT_NE(job.m_pages.m_paths[0].find("allgemein[titel]=Zeuge&allgemein[person]=Berg&"),
              std::string::npos);
    EXPECT_EQ(PageOf(job.m_pages.m_paths[0]), "1");
    EXPECT_EQ(PageOf(job.m_pages.m_paths[1]), "2");
}

TEST(DsOrkParse, FirstColumnIsTheCriterionByteAtTheCriterionIndexOrEmpty)
{
    TempWorkDir dir;
    const std::string page = Page({Row("d", "t", "c", "l", "text")});
    MemoryJob job("abc|#xyz|#|#", Pages({page, Page({}), page, Page({}), page}));
    EXPECT_TRUE(SearchQuietly(job));
    ASSERT_EQ(job.m_hitLines.size(), 3u);
    EXPECT_EQ(job.m_hitLines[0].substr(0, 11), "a         |");
    EXPECT_EQ(job.m_hitLines[1].substr(0, 11), "y         |");
    EXPECT_EQ(job.m_hitLines[2].substr(0, 11), "          |") << "criterion \"|\" has no byte 2";

    // Criterion "|" at index 1 ends right before it: the string's closing NUL
    // reaches neither the line nor the reference file.
    {
        MemoryJob exact("x|#|#", Pages({Page({}), page}));
        EXPECT_TRUE(SearchQuietly(exact));
        EXPECT_EQ(exact.m_hitLines,
                  std::vector<std::string>{Expected("", "t Uhr", "d", "c", "text")});
    }
    EXPECT_EQ(ReadFileBytes("TVmov.ref").find('\0'), std::string::npos);
}

TEST(DsOrkParse, AnchorsOnOneLineAndRowScanFromTheNextLine)
{
    TempWorkDir dir;
    const std::string page =
        "<div>Suchergebnisse: <h1>Suchergebnisse</h1> 1 Treffer <table> 09:00 Uhr</td> ignored\n" +
        Row("d", "10:00", "c", "l", "found") + "</table>\nfooter footer footer\n";
    MemoryJob job("x|#", Pages({page}));
    EXPECT_TRUE(SearchQuietly(job));
    ASSERT_EQ(job.m_hitLines.size(), 1u);
    EXPECT_NE(job.m_hitLines[0].find("10:00 Uhr"), std::string::npos);
}

TEST(DsOrkParse, EachMissingAnchorPrintsItsErrorAndStopsTheSearch)
{
    struct Case
    {
        std::string page;
        std::string message;
    };
    const Case cases[] = {
        {"<h1>Ergebnisse</h1>\n<p>1 Treffer</p>\n<table>\nend of page here\n", "grober Fehler1!"},
        {"<h1>Suchergebnisse</h1>\n<p>Anzahl 1</p>\n<table>\nend of page here\n",
         "grober Fehler3!"},
        {"<h1>Suchergebnisse</h1>\n<p>1 Treffer</p>\n<ul>\nend of page here\n", "grober Fehler5!"},
    };
    for (const Case& c : cases)
    {
        TempWorkDir dir;
        MemoryJob job("eins|#zwei|#", Pages({c.page}));
        testing::internal::CaptureStdout();
        EXPECT_FALSE(job.Search());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.message + "\n");
        EXPECT_EQ(job.m_errors,
                  std::vector<std::string>{"Die Antwort von " + std::string(kListingsHost) +
                                           " war keine Ergebnisseite."});
        EXPECT_EQ(job.m_pages.m_paths.size(), 1u) << "the second criterion is not searched";
    }
}

TEST(DsOrkParse, RandomPagesNeitherCrashNorHang)
{
    std::mt19937 random(12345);
    const std::string pieces[] = {">Suchergebnisse<",
                                  " Treffer",
                                  "<table",
                                  "Uhr</td>",
                                  "<td",
                                  "<div",
                                  "href=\"",
                                  "\"",
                                  "<",
                                  ">",
                                  "\n",
                                  "\r\n",
                                  " ",
                                  "x",
                                  std::string(1, '\0'),
                                  "\xC3",
                                  "\x80",
                                  "&auml;",
                                  "OutputStream"};
    for (int round = 0; round < 200; ++round)
    {
        TempWorkDir dir;
        std::vector<std::string> pages;
        const int pageCount = static_cast<int>(random() % 4);
        for (int p = 0; p < pageCount; ++p)
        {
            std::string page;
            const int length = static_cast<int>(random() % 400);
            for (int i = 0; i < length; ++i)
                page += pieces[random() % (sizeof pieces / sizeof pieces[0])];
            pages.push_back(page);
        }
        MemoryJob job("a|b#|#c|#", Pages(pages));
        testing::internal::CaptureStdout();
        job.Search();
        testing::internal::GetCapturedStdout();
        EXPECT_LE(job.m_pages.m_paths.size(), 2000u);
    }
}

TEST(DsOrkParse, EndlessRowsStopAt300PerCriterion)
{
    TempWorkDir dir;
    std::vector<std::string> pages;
    int row = 0;
    for (int p = 0; p < 40; ++p)
    {
        std::vector<std::string> rows;
        for (int i = 0; i < 10; ++i, ++row)
            rows.push_back(Row("d", std::to_string(row), "c", "l", "t"));
        pages.push_back(Page(rows));
    }
    MemoryJob job("x|#", Pages(pages));
    EXPECT_TRUE(SearchQuietly(job));
    EXPECT_EQ(job.m_hitLines.size(), 300u);
    EXPECT_EQ(job.m_pages.m_paths.size(), 31u);
    EXPECT_EQ(job.m_errors.size(), 1u);
}

// ---- End to end against the local listings site ----

TEST_F(DsOrkTest, FindsExactHitLinesAndLinksPageByPage)
{
    ListingsSite site(SiteArgs());
    ASSERT_TRUE(site.Ok()) << site.Error();
    {
        DS_ORK job("TVmov", "0", "stille zeuge|#");
        job.m_host = site.Host();
        EXPECT_TRUE(SearchQuietly(job));

        ASSERT_EQ(job.m_hitLines.size(), 12u);
        EXPECT_EQ(job.m_hitLines[0], Expected("s", "08:15 Uhr", "Mo, 07.12.", "Kanal Eins",
                                              "Der stille Zeuge: Folge 1 mit Grossaufgebot."));
        EXPECT_EQ(job.m_hitLines[11], Expected("s", "19:15 Uhr", "Mo, 07.12.", "Kanal Eins",
                                               "Der stille Zeuge: Folge 12 mit Grossaufgebot."));
        EXPECT_EQ(job.m_hitLinks[0], site.Host() + "/sendung/100.html");
        EXPECT_EQ(job.m_hitLinks[11], site.Host() + "/sendung/111.html");
        EXPECT_TRUE(job.m_errors.empty());
    }
    const auto lines = site.RequestLines();
    ASSERT_EQ(lines.size(), 3u);
    for (std::size_t i = 0; i < lines.size(); ++i)
    {
        EXPECT_EQ(lines[i].rfind("GET /Suchergebnisse_TV.211.0.html?&tv[wochentag]=", 0), 0u);
        EXPECT_NE(lines[i].find("&allgemein[titel]=stille%20zeuge&allgemein[person]=&"),
                  std::string::npos);
        EXPECT_NE(lines[i].find("&page=" + std::to_string(i + 1) + " HTTP/1.0"), std::string::npos);
    }
    EXPECT_NE(site.Log().find("\r\nContent-type: \r\n"), std::string::npos) << site.Log();
    EXPECT_NE(site.Log().find("\r\nReferer: \r\n"), std::string::npos);
    EXPECT_EQ(SplitLines(ReadFileBytes("TVmov.ref")).size(), 12u);

    // The link leads to the broadcast's detail page.
    {
        DoSuche detail("detail", "0", "");
        ASSERT_TRUE(detail.Fetch(site.Host(), "/sendung/100.html", "", ""));
        EXPECT_NE(detail.m_reader.m_text.find("<h1>Der stille Zeuge</h1>"), std::string::npos);
    }

    // The same query again: nothing new, the fourth known row ends it on page 1.
    {
        DS_ORK job("TVmov", "0", "stille zeuge|#");
        job.m_host = site.Host();
        testing::internal::CaptureStdout();
        EXPECT_TRUE(job.Search());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
        EXPECT_TRUE(job.m_hitLines.empty());
        EXPECT_EQ(job.m_hitCount, 4);
    }
    EXPECT_EQ(site.RequestLines().size(), 5u) << "three, the detail page, one";
    EXPECT_EQ(SplitLines(ReadFileBytes("TVmov.ref")).size(), 12u);
}

TEST_F(DsOrkTest, TwoCriteriaInOneText)
{
    ListingsSite site(SiteArgs());
    ASSERT_TRUE(site.Ok()) << site.Error();
    DS_ORK job("TVmov", "0", "Wetter|#|Berg#");
    job.m_host = site.Host();
    EXPECT_TRUE(SearchQuietly(job));

    ASSERT_EQ(job.m_hitLines.size(), 14u) << "1 for the title, 13 for the person";
    EXPECT_EQ(job.m_hitLines[0], Expected("W", "21:00 Uhr", "Mi, 09.12.", "Heimat Drei",
                                          "Wetterleuchten: Gewitter - und Liebe."));
    EXPECT_EQ(job.m_hitLines[1].substr(0, 11), "B         |") << "byte 1 of \"|Berg\"";
    const auto targets = site.RequestTargets();
    ASSERT_EQ(targets.size(), 5u);
    EXPECT_NE(targets[0].find("titel]=Wetter&allgemein[person]=&"), std::string::npos);
    EXPECT_NE(targets[2].find("titel]=&allgemein[person]=Berg&"), std::string::npos);
    EXPECT_EQ(PageOf(targets[2]), "1");
    EXPECT_EQ(PageOf(targets[4]), "3");
}

TEST_F(DsOrkTest, UmlautsGoOutPercentEncodedInEitherEncoding)
{
    ListingsSite site(SiteArgs());
    ASSERT_TRUE(site.Ok()) << site.Error();
    DS_ORK job("TVmov", "0",
               "Br\xFC"
               "cke|#|M\xC3\xB6ller#");
    job.m_host = site.Host();
    EXPECT_TRUE(SearchQuietly(job));
    ASSERT_EQ(job.m_hitLines.size(), 2u);
    EXPECT_EQ(job.m_hitLines[0], Expected("B", "20:15 Uhr", "Di, 08.12.", "TV Sued",
                                          "Die Bruecke am Fluss: Drama am Fluss."));
    const auto targets = site.RequestTargets();
    ASSERT_EQ(targets.size(), 4u);
    EXPECT_NE(targets[0].find("titel]=Br%FCcke&"), std::string::npos) << targets[0];
    EXPECT_NE(targets[2].find("person]=M%C3%B6ller&"), std::string::npos) << targets[2];
}

TEST_F(DsOrkTest, SiteWithoutHrefGivesTheBareHostLink)
{
    ListingsSite site(SiteArgs({"--mode", "no-href"}));
    ASSERT_TRUE(site.Ok()) << site.Error();
    DS_ORK job("TVmov", "0", "Wetter|#");
    job.m_host = site.Host();
    EXPECT_TRUE(SearchQuietly(job));
    EXPECT_EQ(job.m_hitLinks, std::vector<std::string>{site.Host() + "/"});
}

TEST_F(DsOrkTest, AnchorsOnOneLineFromTheSite)
{
    ListingsSite site(SiteArgs({"--mode", "anchors-one-line"}));
    ASSERT_TRUE(site.Ok()) << site.Error();
    DS_ORK job("TVmov", "0", "stille|#");
    job.m_host = site.Host();
    EXPECT_TRUE(SearchQuietly(job));
    EXPECT_EQ(job.m_hitLines.size(), 12u);
}

TEST_F(DsOrkTest, MissingAnchorsFromTheSiteStopTheLaterCriteria)
{
    const std::pair<const char*, const char*> cases[] = {
        {"no-anchor1", "grober Fehler1!\n"},
        {"no-anchor2", "grober Fehler3!\n"},
        {"no-anchor3", "grober Fehler5!\n"},
    };
    for (const auto& c : cases)
    {
        ListingsSite site(SiteArgs({"--mode", c.first}));
        ASSERT_TRUE(site.Ok()) << site.Error();
        DS_ORK job("TVmov", "0", "stille|#Wetter|#");
        job.m_host = site.Host();
        testing::internal::CaptureStdout();
        EXPECT_FALSE(job.Search());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), c.second);
        EXPECT_EQ(job.m_errors, std::vector<std::string>{NotAResultPageText(site.Host())});
        EXPECT_EQ(site.RequestLines().size(), 1u);
    }
}

TEST_F(DsOrkTest, RefusedConnectionAndErrorStatusEndTheSearchWithTheirText)
{
    for (const char* mode : {"refuse", "error-status"})
    {
        ListingsSite site(SiteArgs({"--mode", mode}));
        ASSERT_TRUE(site.Ok()) << site.Error();
        DS_ORK job("TVmov", "0", "stille|#Wetter|#");
        job.m_host = site.Host();
        const std::string error = std::string(mode) == "refuse"
                                      ? "Konnte Verbindung nicht herstellen!"
                                      : "Die Suchseite " + site.Host() +
                                            " antwortete mit \x84"
                                            "500 Internal Server Error\x93.";
        testing::internal::CaptureStdout();
        EXPECT_FALSE(job.Search());
        EXPECT_EQ(testing::internal::GetCapturedStdout(), error + "\nX0\n");
        EXPECT_EQ(job.m_errors, std::vector<std::string>{error});
        EXPECT_TRUE(job.m_hitLines.empty());
    }
}

TEST_F(DsOrkTest, SlowFirstByteBeyondTheTimeOutIsAConnectionError)
{
    // The site answers after ten minutes; the bound is ten times the time-out.
    ListingsSite site(SiteArgs({"--delay", "600"}));
    ASSERT_TRUE(site.Ok()) << site.Error();
    DS_ORK job("TVmov", "0", "stille|#");
    job.m_host = site.Host();
    job.m_timeoutSeconds = 1;
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(SearchQuietly(job));
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(),
              10.0);
}

TEST_F(DsOrkTest, HostileSitesEndWithTheNormalOutcome)
{
    {
        ListingsSite site(SiteArgs({"--mode", "many-rows", "--rows", "350"}));
        ASSERT_TRUE(site.Ok()) << site.Error();
        DS_ORK job("TVmov", "0", "x|#");
        job.m_host = site.Host();
        EXPECT_TRUE(SearchQuietly(job));
        EXPECT_EQ(job.m_hitLines.size(), 300u);
        EXPECT_EQ(job.m_errors.size(), 1u);
        EXPECT_EQ(site.RequestLines().size(), 31u);
    }
    {
        ListingsSite site(SiteArgs({"--mode", "huge-line"}));
        ASSERT_TRUE(site.Ok()) << site.Error();
        std::filesystem::remove("TVmov.ref");
        DS_ORK job("TVmov", "0", "Wetter|#");
        job.m_host = site.Host();
        EXPECT_TRUE(SearchQuietly(job));
        EXPECT_EQ(job.m_hitLines.size(), 1u);
    }
    {
        ListingsSite site(SiteArgs({"--mode", "garbage"}));
        ASSERT_TRUE(site.Ok()) << site.Error();
        DS_ORK job("TVmov", "0", "Wetter|#stille|#");
        job.m_host = site.Host();
        testing::internal::CaptureStdout();
        EXPECT_FALSE(job.Search());
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(out.rfind("grober Fehler", 0), 0u) << out;
    }
    {
        ListingsSite site(SiteArgs({"--mode", "close-mid-body"}));
        ASSERT_TRUE(site.Ok()) << site.Error();
        DS_ORK job("TVmov", "0", "stille|#");
        job.m_host = site.Host();
        testing::internal::CaptureStdout();
        // A half page is no page: an error, and none of its rows.
        EXPECT_FALSE(job.Search());
        testing::internal::GetCapturedStdout();
        ASSERT_EQ(job.m_errors.size(), 1u);
        EXPECT_EQ(
            job.m_errors[0].rfind("Die Antwort der Suchseite " + site.Host() + " kam nicht", 0),
            0u);
        EXPECT_TRUE(job.m_hitLines.empty());
    }
    {
        ListingsSite site(SiteArgs({"--mode", "slow", "--byte-delay", "0.0002"}));
        ASSERT_TRUE(site.Ok()) << site.Error();
        std::filesystem::remove("TVmov.ref");
        DS_ORK job("TVmov", "0", "Wetter|#");
        job.m_host = site.Host();
        EXPECT_TRUE(SearchQuietly(job));
        EXPECT_EQ(job.m_hitLines.size(), 1u);
    }
}
