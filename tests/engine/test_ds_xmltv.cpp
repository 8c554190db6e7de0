// The XMLTV guides' job: which programmes match which criterion, the rows
// they give, which count (not ended, in start order, the limit), the known
// hits across runs, and what each failure of a guide costs. Guides are files
// of the test, and downloads from the local listings site.
#include "conversions.h"
#include "ds_xmltv.h"
#include "file_bytes.h"
#include "listings_site.h"
#include "temp_folder.h"
#include "wire_server.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <random>

namespace
{
// 2026-12-09 12:00 UTC: the moment of every run here.
const std::int64_t kNow = 1796817600;

// Local time is Berlin's while a test runs.
class BerlinTime
{
public:
    BerlinTime()
    {
        if (const char* tz = std::getenv("TZ"))
            m_old = tz;
        ::setenv("TZ", "Europe/Berlin", 1);
        ::tzset();
    }
    ~BerlinTime()
    {
        if (m_old.empty())
            ::unsetenv("TZ");
        else
            ::setenv("TZ", m_old.c_str(), 1);
        ::tzset();
    }
    BerlinTime(const BerlinTime&) = delete;
    BerlinTime& operator=(const BerlinTime&) = delete;

private:
    std::string m_old;
};

std::string Programme(const std::string& start, const std::string& stop, const std::string& title,
                      const std::string& more = "", const std::string& channel = "eins")
{
    return "<programme start=\"" + start + "\"" + (stop.empty() ? "" : " stop=\"" + stop + "\"") +
           " channel=\"" + channel + "\"><title lang=\"de\">" + title + "</title>" + more +
           "</programme>\n";
}

std::string Guide(const std::string& programmes, const std::string& encoding = "UTF-8")
{
    return "<?xml version=\"1.0\" encoding=\"" + encoding +
           "\"?>\n<!DOCTYPE tv SYSTEM \"xmltv.dtd\">\n<tv>\n"
           "<channel id=\"eins\"><display-name lang=\"en\">One</display-name>"
           "<display-name lang=\"de\">Das Erste</display-name></channel>\n" +
           programmes + "</tv>\n";
}

std::string Gzip(const std::string& bytes)
{
    z_stream z{};
    deflateInit2(&z, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    std::string out(bytes.size() + 1024, '\0');
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    z.avail_in = static_cast<uInt>(bytes.size());
    z.next_out = reinterpret_cast<Bytef*>(&out[0]);
    z.avail_out = static_cast<uInt>(out.size());
    deflate(&z, Z_FINISH);
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

// One run over the guides (file names or addresses) for the criteria.
struct GuideRun
{
    GuideRun(const std::vector<std::string>& guides, const std::string& criteria, int maxHits = 300)
        : job("TVxml", "0", criteria)
    {
        for (const std::string& guide : guides)
            job.m_sources.push_back({guide, guide});
        job.m_now = kNow;
        job.m_maxHits = maxHits;
        job.m_messages = nullptr;
        result = job.Search();
    }
    DS_XMLTV job;
    bool result = false;
};

// The last column of each hit line: what the programme is.
std::vector<std::string> Texts(const DS_XMLTV& job)
{
    std::vector<std::string> texts;
    for (const std::string& line : job.m_hitLines)
        texts.push_back(line.substr(line.rfind('|') + 1));
    return texts;
}

using Texts_ = std::vector<std::string>;
} // namespace

TEST(DsXmltvMatch, TitleAndPersonCaseBlindAfterEntitiesAndTransliteration)
{
    const TempWorkDir dir;
    const BerlinTime berlin;
    WriteFileBytes(
        "guide.xml",
        Guide(Programme("20261215201500 +0100", "20261215214500 +0100", "Tatort",
                        "<sub-title>Der  Fall\n X</sub-title><desc>Ein Krimi.</desc>"
                        "<credits><actor>Axel M&#252;ller</actor><director>Jo Bau</director>"
                        "</credits><url>https://tv.example/tatort</url><x-extra>Tatort "
                        "Mueller</x-extra>") +
              Programme("20261216201500 +0100", "", "Heute",
                        "<title lang=\"en\">Today tatort</title><credits><presenter>Hans "
                        "MUELLER</presenter></credits>",
                        "zwei") +
              Programme("20261217060000", "", "Polizeiruf &amp;auml;rger") +
              Programme("20270330201500 +0200", "", "Tatort im Fr&#252;hling")));
    const struct
    {
        const char* criteria;
        Texts_ texts;
    } cases[] = {
        {"Tatort|#", {"Tatort - Der Fall X: Ein Krimi.", "Heute", "Tatort im Fruehling"}},
        {"TATORT|#", {"Tatort - Der Fall X: Ein Krimi.", "Heute", "Tatort im Fruehling"}},
        {"|M\xFCller#", {"Tatort - Der Fall X: Ein Krimi.", "Heute"}},
        {"|mueller#", {"Tatort - Der Fall X: Ein Krimi.", "Heute"}},
        {"Tatort|Bau#", {"Tatort - Der Fall X: Ein Krimi."}},
        {"\xC4rger|#", {"Polizeiruf aerger"}},
        {"fall|#", {}},
        {"|#",
         {"Tatort - Der Fall X: Ein Krimi.", "Heute", "Polizeiruf aerger", "Tatort im Fruehling"}},
    };
    for (const auto& one : cases)
    {
        {
            GuideRun run({"guide.xml"}, one.criteria);
            EXPECT_TRUE(run.result) << one.criteria;
            EXPECT_TRUE(run.job.m_errors.empty()) << one.criteria;
            EXPECT_EQ(Texts(run.job), one.texts) << one.criteria;
        }
        std::remove("TVxml.ref");
    }

    // The row: the criterion's byte, local time and day (summer time in
    // March), the channel's German name or its id, the link.
    GuideRun run({"guide.xml"}, "Tatort|#");
    ASSERT_EQ(run.job.m_hitLines.size(), 3u);
    EXPECT_EQ(run.job.m_hitLines[0], "T         |20:15 Uhr      |Di, 15.12.     |Das Erste      |"
                                     "Tatort - Der Fall X: Ein Krimi.");
    EXPECT_EQ(run.job.m_hitLines[1].substr(0, 59),
              "T         |20:15 Uhr      |Mi, 16.12.     |zwei           |");
    EXPECT_EQ(run.job.m_hitLines[2].substr(0, 59),
              "T         |20:15 Uhr      |Di, 30.03.     |Das Erste      |");
    EXPECT_EQ(run.job.m_hitLinks, (Texts_{"https://tv.example/tatort", "", ""}));
    ASSERT_EQ(run.job.m_hitTimes.size(), 3u);
    EXPECT_EQ(run.job.m_hitTimes[0].start, 1797362100);
    EXPECT_TRUE(run.job.m_hitTimes[0].hasStop);
    EXPECT_EQ(run.job.m_hitTimes[0].stop, 1797367500);
    EXPECT_EQ(run.job.m_hitTimes[0].channel, "Das Erste");
}

TEST(DsXmltvMatch, TitlesFoldedOnTheWayMatchAsTheirFoldedTextsDo)
{
    // Titles of pieces that fold every way (blanks, the two-byte letters,
    // an entity, "TUeV", bytes that only the whole conversion takes), and
    // criteria cut from the folded titles: a programme matches exactly when
    // its title, folded as a whole, holds the criterion.
    const TempWorkDir dir;
    const std::vector<std::string> pieces = {
        "a",        "b",        "e",          " ",        "  ",       "\t",          "T",
        "U",        "V",        "ss",         "Ae",       "TUeV",     "&amp;auml;",  "\xC3\xA4",
        "\xC3\x84", "\xC3\x9F", "T\xC3\x9CV", "\xC2\xB4", "\xC3\x80", "\xE2\x82\xAC"};
    const auto fold = [](std::string text) {
        std::string collapsed;
        for (const char c : text)
        {
            const bool blank = c == ' ' || c == '\t';
            if (!blank && !collapsed.empty() && collapsed.back() == '\x01')
                collapsed.back() = ' ';
            if (blank && !collapsed.empty() && collapsed.back() != '\x01')
                collapsed += '\x01';
            else if (!blank)
                collapsed += c;
        }
        if (!collapsed.empty() && collapsed.back() == '\x01')
            collapsed.pop_back();
        std::string folded = Transliterate(DecodeEntities(collapsed));
        for (char& c : folded)
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        return folded;
    };
    std::mt19937 random(99);
    std::string programmes;
    std::vector<std::string> folded;
    for (int n = 0; n < 300; ++n)
    {
        std::string title;
        for (std::size_t k = 1 + random() % 8; k > 0; --k)
            title += pieces[random() % pieces.size()];
        char start[32];
        std::snprintf(start, sizeof start, "202612%02d%02d%02d00", 10 + n / 60, n % 24, n % 60);
        programmes +=
            Programme(start, "", title, "<sub-title>#" + std::to_string(n) + "</sub-title>");
        std::string xml = title;
        for (std::string::size_type at = 0; (at = xml.find("&amp;", at)) != std::string::npos; ++at)
            xml.replace(at, 5, "&");
        folded.push_back(fold(xml));
    }
    WriteFileBytes("guide.xml", Guide(programmes));
    for (int c = 0; c < 40; ++c)
    {
        const std::string& from = folded[random() % folded.size()];
        if (from.empty())
            continue;
        const std::size_t at = random() % from.size();
        std::string criterion = from.substr(at, 1 + random() % 4);
        while (!criterion.empty() && criterion.back() == ' ')
            criterion.pop_back();
        if (criterion.empty() || criterion.front() == ' ' ||
            criterion.find_first_of("\x80\xC3") != std::string::npos)
            continue;
        std::vector<int> expected;
        for (std::size_t n = 0; n < folded.size(); ++n)
            if (folded[n].find(criterion) != std::string::npos)
                expected.push_back(static_cast<int>(n));
        std::vector<int> got;
        {
            GuideRun run({"guide.xml"}, criterion + "|#");
            for (const std::string& text : Texts(run.job))
                got.push_back(std::stoi(text.substr(text.rfind(" - #") + 4)));
            run.job.m_newRefs.clear();
        }
        std::sort(got.begin(), got.end());
        EXPECT_EQ(got, expected) << criterion;
    }
}

TEST(DsXmltvWhich, NotEndedInStartOrderAtMostTheLimitAndEachKnownUntilItEnds)
{
    const TempWorkDir dir;
    // In file order: ended, running (stop ahead), a start without stop in
    // the past, then five to come, out of order, two at the same time.
    WriteFileBytes("guide.xml", Guide(Programme("20261208200000", "20261208210000", "A ended") +
                                      Programme("20261209110000", "20261209130000", "A running") +
                                      Programme("20261209110000", "", "A started") +
                                      Programme("20261212200000", "", "A fifth") +
                                      Programme("20261210200000", "", "A second") +
                                      Programme("20261210200000", "", "A third") +
                                      Programme("20261211200000", "", "A fourth") +
                                      Programme("20261210100000", "", "A first")));
    const char* const tooMany =
        "Es wurden nicht alle Angebote beruecksichtigt, da sie zeitlich zu weit zurueck liegen!";
    {
        GuideRun run({"guide.xml"}, "A|#", 4);
        EXPECT_EQ(Texts(run.job), (Texts_{"A running", "A first", "A second", "A third"}));
        EXPECT_EQ(run.job.m_errors, Texts_{tooMany});
        EXPECT_TRUE(run.job.SaveGuideReferences());
    }
    // Known from now on; the rest follows.
    {
        GuideRun run({"guide.xml"}, "A|#", 4);
        EXPECT_EQ(Texts(run.job), (Texts_{"A fourth", "A fifth"}));
        EXPECT_TRUE(run.job.m_errors.empty());
    }
    // Each line carries its end; an ended broadcast leaves the file at the
    // next save, whatever the run found.
    const std::vector<std::string> lines = SplitLines(ReadFileBytes("TVxml.ref"));
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].substr(0, lines[0].find(' ')), "1796821200");
    {
        DS_XMLTV later("TVxml", "0", "A|#");
        later.m_sources = {{"guide.xml", "guide.xml"}};
        later.m_now = 1797076800; // 2026-12-12 12:00 UTC
        later.m_messages = nullptr;
        later.Search();
        EXPECT_TRUE(later.m_hitLines.empty());
    }
    EXPECT_EQ(SplitLines(ReadFileBytes("TVxml.ref")).size(), 1u) << "A fifth alone is to come";
}

TEST(DsXmltvKnown, TwentyThousandBroadcastsStayKnown)
{
    const TempWorkDir dir;
    std::string programmes;
    for (int i = 0; i < 20500; ++i)
    {
        char start[32];
        std::snprintf(start, sizeof start, "202612%02d%02d%02d00", 10 + i / 1440, i / 60 % 24,
                      i % 60);
        programmes += Programme(start, "", "Folge " + std::to_string(i));
    }
    WriteFileBytes("guide.xml", Guide(programmes));
    {
        GuideRun run({"guide.xml"}, "|#", 30000);
        EXPECT_EQ(run.job.m_hitLines.size(), 20500u);
        EXPECT_TRUE(run.job.SaveGuideReferences());
    }
    GuideRun again({"guide.xml"}, "|#", 30000);
    EXPECT_TRUE(again.job.m_hitLines.empty());
}

TEST(DsXmltvFailures, EachFailureIsAnErrorThatCostsOnlyItsGuide)
{
    const TempWorkDir dir;
    const std::string good = Guide(Programme("20261215201500", "", "Gut"));
    WriteFileBytes("good.xml", good);
    const std::string whole = Guide(Programme("20261215201500", "", "Schlecht"));
    WriteFileBytes("broken.xml", whole.substr(0, whole.size() - 20) + "</tx>\n");
    WriteFileBytes("notxmltv.xml", "<?xml version=\"1.0\"?>\n<rss><title>Schlecht</title></rss>\n");
    WriteFileBytes("encoding.xml", Guide(Programme("20261215201500", "", "Schlecht"), "EBCDIC-X"));
    std::string gz = Gzip(Guide(Programme("20261215201500", "", "Schlecht")));
    WriteFileBytes("cut.xml.gz", gz.substr(0, gz.size() - 12));
    gz[gz.size() / 2] = static_cast<char>(gz[gz.size() / 2] ^ 0x55);
    WriteFileBytes("broken.xml.gz", gz);
    std::filesystem::create_directory("folder.xml");
    // A download whose body stops before its Content-Length, and one that
    // is not there.
    const std::string body = Guide(Programme("20261215201500", "", "Schlecht"));
    WireServer server({{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                        "\r\n\r\n" + body.substr(0, body.size() / 2)},
                       {"HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n"}});
    const std::string cutAddress = "http://" + server.Host() + "/cut.xml";
    const std::string missingAddress = "http://" + server.Host() + "/fehlt.xml";

    const struct
    {
        std::string guide;
        std::string error;
    } cases[] = {
        {"fehlt.xml", "Die Programmdatei \x84"
                      "fehlt.xml\x93 gibt es nicht."},
        {"folder.xml", "Die Programmdatei \x84"
                       "folder.xml\x93 ist ein Ordner."},
        {"broken.xml", "(Zeile "},
        {"notxmltv.xml", "keine XMLTV-Datei"},
        {"encoding.xml", "EBCDIC-X"},
        {"cut.xml.gz", "endet mitten im Inhalt"},
        {"broken.xml.gz", "besch\xE4"
                          "digt"},
        {cutAddress, "Die Antwort der Programmquelle " + server.Host() +
                         " kam nicht vollst\xE4ndig an: die Verbindung endete nach"},
        {missingAddress, "Die Programmquelle " + server.Host() +
                             " antwortete mit \x84"
                             "404 Not Found\x93."},
        {"-", "velunda-suche --xmltv -"},
    };
    for (const auto& one : cases)
    {
        {
            GuideRun run({one.guide, "good.xml"}, "|#");
            EXPECT_FALSE(run.result) << one.guide;
            ASSERT_EQ(run.job.m_errors.size(), 1u) << one.guide;
            EXPECT_NE(run.job.m_errors[0].find(one.error), std::string::npos)
                << one.guide << ": " << run.job.m_errors[0];
            EXPECT_EQ(Texts(run.job), Texts_{"Gut"}) << one.guide;
            EXPECT_TRUE(run.job.SaveGuideReferences());
        }
        const std::string known = ReadFileBytes("TVxml.ref");
        EXPECT_NE(known.find("Gut"), std::string::npos) << one.guide;
        EXPECT_EQ(known.find("Schlecht"), std::string::npos) << one.guide;
        std::remove("TVxml.ref");
    }
}

TEST(DsXmltvDownload, UnchangedGuideIsAskedForWithItsValidatorsAndReadFromTheKeptCopy)
{
    const TempWorkDir dir;
    ListingsSite site;
    ASSERT_TRUE(site.Ok()) << site.Error();
    const std::string address = "http://" + site.Host() + "/xmltv.xml.gz";
    {
        GuideRun run({address}, "Weinprinzessin|#");
        EXPECT_TRUE(run.result) << (run.job.m_errors.empty() ? "" : run.job.m_errors[0]);
        EXPECT_FALSE(run.job.m_hitLines.empty());
        run.job.m_newRefs.clear(); // as a run that could not keep its hits
    }
    // The guide has not changed: the second run asks with the validators,
    // gets "304 Not Modified" and reads its copy (here made to differ).
    const std::string copy = GuideInput::CopyFiles(address)[0];
    ASSERT_GT(ReadFileBytes(copy).size(), 1000u);
    WriteFileBytes(copy, Guide(Programme("20991215201500", "", "Weinprinzessin aus der Kopie")));
    GuideRun again({address}, "Weinprinzessin|#");
    EXPECT_TRUE(again.result) << (again.job.m_errors.empty() ? "" : again.job.m_errors[0]);
    EXPECT_EQ(Texts(again.job), Texts_{"Weinprinzessin aus der Kopie"});
    const std::string log = site.Log();
    const std::string second = log.substr(log.rfind("GET "));
    EXPECT_NE(second.find("\r\nIf-None-Match: \""), std::string::npos) << second;
    EXPECT_NE(second.find("\r\nIf-Modified-Since: "), std::string::npos) << second;
    EXPECT_EQ(site.RequestLines().size(), 2u);
    for (const std::string& name : GuideInput::CopyFiles(address))
        EXPECT_TRUE(std::filesystem::exists(name)) << name;
}
