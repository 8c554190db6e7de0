// Hostile listings sites over loopback: silent, trickling, cut off, huge,
// redirecting, endless and failing servers. Every search ends within its
// time bound with the job's normal outcome, and the page text held is no more
// than what the site sent.
#include "ds_ork.h"
#include "fault_child.h"
#include "file_bytes.h"
#include "listings_site.h"
#include "temp_folder.h"
#include "wire_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <random>

namespace
{
// Bytes the job's fetches appended to its page text, dropped ones included.
std::size_t Received(const DoSuche& job)
{
    return static_cast<std::size_t>(job.m_reader.m_droppedBytes) + job.m_reader.m_text.size();
}
} // namespace

namespace
{
const char* const kConnectionError = "Konnte Verbindung nicht herstellen!";
const char* const kTooManyRows =
    "Es wurden nicht alle Angebote beruecksichtigt, da sie zeitlich zu weit zurueck liegen!";

std::string PageHead()
{
    return "<html>\n<h1>Suchergebnisse</h1>\n<p>1 Treffer</p>\n<table>\n";
}

std::string PageFoot()
{
    return "</table>\n<p>Seite zu Ende, dieser Text steht hinter der letzten Zeile.</p>\n";
}

std::string RowBlock(const std::string& day, const std::string& clock, const std::string& channel,
                     const std::string& link, const std::string& text)
{
    return "<tr><td>" + day + "</td><td>" + clock + " Uhr</td><td>" + channel +
           "</td></tr>\n<tr><td><table><tr><td><a href=\"" + link + "\">t</a></td></tr>\n" +
           "<div>" + text + "</div>\n";
}

std::string Http200(const std::string& body)
{
    return "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Broadcast data for the local site: one "Wetter" and twelve "Zeuge" rows.
std::string SiteData()
{
    std::string data = "id\tdate\ttime\tchannel\ttitle\tpersons\tdescription\n";
    data += "300\t2026-12-08\t20:15\tKanal Eins\tWetter am Abend\tLena Berg\tRegen.\n";
    for (int i = 0; i < 12; ++i)
        data += std::to_string(400 + i) + "\t2026-12-09\t1" + std::to_string(i % 10) +
                ":00\tKanal Zwei\tDer Zeuge\tKarl Zell\tFolge " + std::to_string(i) + ".\n";
    return data;
}

class HostileSiteTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFileBytes("site.tsv", SiteData());
        WriteFileBytes("TVmov.ref", kOldRefs);
    }

    std::vector<std::string> SiteArgs(std::vector<std::string> more = {}) const
    {
        std::vector<std::string> args = {"--data", (m_dir.Path() / "site.tsv").string()};
        args.insert(args.end(), more.begin(), more.end());
        return args;
    }

    // Runs the search with stdout captured; returns what it printed.
    static std::string Run(DS_ORK& job, bool& result)
    {
        testing::internal::CaptureStdout();
        result = job.Search();
        return testing::internal::GetCapturedStdout();
    }

    // Known references from earlier runs; every test checks that they
    // survive whatever the site did.
    const std::string kOldRefs = "old hit one\nold hit two\n";

    bool OldRefsSurvived() const
    {
        const std::vector<std::string> lines = SplitLines(ReadFileBytes("TVmov.ref"));
        return lines.size() >= 2 && lines[0] == "old hit one" && lines[1] == "old hit two";
    }

    TempWorkDir m_dir;
};

TEST_F(HostileSiteTest, SiteThatNeverAnswersIsAConnectionErrorAfterTheTimeOut)
{
    ListingsSite site(SiteArgs({"--delay", "600"}));
    ASSERT_TRUE(site.Ok()) << site.Error();
    const auto start = std::chrono::steady_clock::now();
    {
        DS_ORK job("TVmov", "0", "Wetter|#Zeuge|#");
        job.m_host = site.Host();
        job.m_timeoutSeconds = 2;
        bool result = true;
        EXPECT_EQ(Run(job, result), kConnectionError + std::string("\nX0\n"));
        EXPECT_FALSE(result);
        EXPECT_EQ(job.m_errors, std::vector<std::string>{kConnectionError});
        EXPECT_TRUE(job.m_hitLines.empty());
        EXPECT_TRUE(job.m_reader.m_text.empty());
    }
    const double seconds = SecondsSince(start);
    EXPECT_GE(seconds, 1.5);
    EXPECT_LT(seconds, 20.0) << "the time-out ends the wait";
    EXPECT_EQ(site.RequestLines().size(), 1u) << "the second criterion is not searched";
    EXPECT_TRUE(OldRefsSurvived());
}

TEST_F(HostileSiteTest, ByteAtATimeSiteGivesEveryHitThoughTheWholeRunOutlastsTheTimeOut)
{
    // Each byte comes well within the time-out, the pages take longer than
    // it: the time-out bounds each wait, not the page.
    ListingsSite site(SiteArgs({"--mode", "slow", "--byte-delay", "0.0008"}));
    ASSERT_TRUE(site.Ok()) << site.Error();
    const auto start = std::chrono::steady_clock::now();
    DS_ORK job("TVmov", "0", "Wetter|#");
    job.m_host = site.Host();
    job.m_timeoutSeconds = 1;
    bool result = false;
    EXPECT_EQ(Run(job, result), "");
    EXPECT_TRUE(result);
    const double seconds = SecondsSince(start);
    EXPECT_GT(seconds, 1.0);
    EXPECT_LT(seconds, 30.0);
    ASSERT_EQ(job.m_hitLines.size(), 1u);
    EXPECT_NE(job.m_hitLines[0].find("Regen."), std::string::npos);
    EXPECT_EQ(job.m_hitLinks[0], site.Host() + "/sendung/300.html");
    EXPECT_TRUE(job.m_errors.empty());
}

TEST_F(HostileSiteTest, PageCutShortCountsNoneOfItsRowsAndItsCriterionMarksNoHitKnown)
{
    // Twelve "Zeuge" rows in pages of five; the second page does not come
    // whole. The first page's rows are listed, but none of the criterion's
    // rows becomes known, so the next run walks all its pages again.
    for (const char* how : {"cut", "reset", "stall"})
    {
        WriteFileBytes("TVmov.ref", kOldRefs);
        ListingsSite site(SiteArgs({"--page-size", "5", "--fail-on", "page=2", "--fail-how", how}));
        ASSERT_TRUE(site.Ok()) << site.Error();
        std::vector<std::string> hits;
        {
            DS_ORK job("TVmov", "0", "Zeuge|#Wetter|#");
            job.m_host = site.Host();
            job.m_timeoutSeconds = 1;
            bool result = true;
            Run(job, result);
            EXPECT_FALSE(result) << how;
            ASSERT_EQ(job.m_errors.size(), 1u) << how;
            EXPECT_EQ(job.m_errors[0].rfind("Die Antwort der Suchseite " + site.Host() +
                                                " kam nicht vollst\xE4ndig an: ",
                                            0),
                      0u)
                << job.m_errors[0];
            hits = job.m_hitLines;
        }
        const std::vector<std::string> refs = SplitLines(ReadFileBytes("TVmov.ref"));
        EXPECT_TRUE(OldRefsSurvived());
        EXPECT_EQ(hits.size(), 5u) << how;
        EXPECT_EQ(refs.size(), 2u) << how << ": the old two alone";
        EXPECT_EQ(site.RequestLines().size(), 2u)
            << how << ": the second criterion is not searched";
    }
}

TEST_F(HostileSiteTest, CutOffBodyIsAnErrorAndNothingOfItIsKept)
{
    const std::string body =
        PageHead() + RowBlock("Mo", "20:15", "Eins", "a.html", "Text") + PageFoot();
    const std::string response =
        "HTTP/1.0 200 OK\r\nContent-Length: 100000\r\n\r\n" + body + std::string(5000, 'z');
    WireServer server({{response}});
    DS_ORK job("TVmov", "0", "x|#");
    job.m_host = server.Host();
    job.m_timeoutSeconds = 2;
    bool result = true;
    Run(job, result);
    EXPECT_FALSE(result);
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_EQ(Received(job), 0u);
    EXPECT_TRUE(job.m_hitLines.empty());
    EXPECT_EQ(job.m_errors,
              std::vector<std::string>{"Die Antwort der Suchseite " + server.Host() +
                                       " kam nicht vollst\xE4ndig an: die Verbindung endete nach " +
                                       std::to_string(body.size() + 5000) + " von 100000 Bytes."});
}

TEST_F(HostileSiteTest, FiftyMegabytesOfGarbageEndAtTheBodyLimitWithAnError)
{
    // Random bytes that cannot hold the marker, sent as fast as loopback
    // takes them.
    const std::size_t size = 50u << 20;
    std::string garbage(size, '\0');
    std::mt19937 random(7);
    for (char& c : garbage)
    {
        c = static_cast<char>(random() & 0xFF);
        if (c == '>')
            c = '?';
    }
    WireServer server({{"HTTP/1.0 200 OK\r\n\r\n" + garbage}});
    garbage.clear();
    garbage.shrink_to_fit();

    const auto start = std::chrono::steady_clock::now();
    {
        DS_ORK job("TVmov", "0", "Wetter|#Zeuge|#");
        job.m_host = server.Host();
        job.m_timeoutSeconds = 5;
        bool result = true;
        const std::string error = "Die Antwort der Suchseite " + server.Host() +
                                  " ist gr\xF6\xDF"
                                  "er als 16 MiB.";
        EXPECT_EQ(Run(job, result), error + "\nX0\n");
        EXPECT_FALSE(result);
        EXPECT_EQ(job.m_errors, std::vector<std::string>{error});
        EXPECT_TRUE(job.m_hitLines.empty());
        EXPECT_LE(Received(job), std::size_t{16} << 20) << "nothing beyond the limit is taken";
    }
    EXPECT_LT(SecondsSince(start), 20.0);
    EXPECT_EQ(server.Requests().size(), 1u);
    EXPECT_TRUE(OldRefsSurvived());
}

TEST_F(HostileSiteTest, TenMegabyteLineWithoutLineFeedIsNoResultPage)
{
    const std::size_t size = 10u << 20;
    WireServer server({{Http200(std::string(size, 'L'))}});
    DS_ORK job("TVmov", "0", "Wetter|#");
    job.m_host = server.Host();
    bool result = true;
    EXPECT_EQ(Run(job, result), "grober Fehler1!\n");
    EXPECT_FALSE(result);
    EXPECT_EQ(job.m_reader.m_text.size(), size);
}

TEST_F(HostileSiteTest, TenMegabyteHitRowIsCutIntoItsCellsBeyond32KiB)
{
    // The cells of the row line lie far beyond any 16-bit position.
    const std::string filler(10u << 20, 'f');
    std::string page = PageHead();
    const std::string channel = "Kanal " + filler.substr(0, 40000);
    page += "<tr class=\"" + filler + "\"><td>Mo 07.12.</td><td>20:15 Uhr</td><td>" + channel +
            "</td></tr>\n";
    page += "<tr><td><table><tr><td><a href=\"sendung/9.html\">t</a></td></tr>\n";
    page += "<div>" + filler.substr(0, 70000) + "</div>\n" + PageFoot();
    WireServer server({{Http200(page)}, {Http200(PageHead() + PageFoot())}});

    DS_ORK job("TVmov", "0", "Wetter|#");
    job.m_host = server.Host();
    bool result = false;
    EXPECT_EQ(Run(job, result), "");
    EXPECT_TRUE(result);
    ASSERT_EQ(job.m_hitLines.size(), 1u);
    const std::string& line = job.m_hitLines[0];
    EXPECT_EQ(line.substr(0, 59), DoSuche::PadColumn("W", 10) + "|" +
                                      DoSuche::PadColumn("20:15 Uhr", 15) + "|" +
                                      DoSuche::PadColumn("Mo 07.12.", 15) + "|" +
                                      DoSuche::PadColumn(channel, 15) + "|");
    EXPECT_EQ(line.size(), 59u + 70000u);
    EXPECT_EQ(job.m_hitLinks[0], server.Host() + "/sendung/9.html");
    EXPECT_EQ(Received(job), page.size() + PageHead().size() + PageFoot().size());
    EXPECT_LT(job.m_reader.m_text.size(), 4096u) << "the 10 MB page is dropped once passed";
    EXPECT_LE(job.m_reader.m_text.capacity(), std::size_t{2} << 20);
    EXPECT_LE(job.m_reader.m_line.capacity(), std::size_t{2} << 20);
}

TEST_F(HostileSiteTest, RedirectToAnotherServerIsFollowedAndItsBodyIsNotParsed)
{
    WireServer elsewhere(
        {{Http200(PageHead() + RowBlock("Mo", "20:15", "Eins", "b.html", "X") + PageFoot())},
         {Http200(PageHead() + PageFoot())}});
    const std::string moved = "<html><body>Verschoben nach <a href=\"http://" + elsewhere.Host() +
                              "/neu\">hier</a></body></html>\n";
    WireServer server(
        {{"HTTP/1.0 301 Moved Permanently\r\nLocation: http://" + elsewhere.Host() +
          "/neu\r\nContent-Length: " + std::to_string(moved.size()) + "\r\n\r\n" + moved}});
    DS_ORK job("TVmov", "0", "Wetter|#");
    job.m_host = server.Host();
    bool result = false;
    EXPECT_EQ(Run(job, result), "");
    EXPECT_TRUE(result);
    EXPECT_TRUE(job.m_errors.empty());
    ASSERT_EQ(job.m_hitLines.size(), 1u);
    EXPECT_EQ(job.m_hitLinks[0], server.Host() + "/b.html") << "links stay on the site as written";
    EXPECT_EQ(server.Requests().size(), 2u);
    EXPECT_EQ(elsewhere.Requests().size(), 2u);
    EXPECT_EQ(elsewhere.Requests()[0].rfind("GET /neu HTTP/1.0\r\n", 0), 0u);

    // An answer that is no result page is named after the server that gave
    // it, not after the one first asked.
    WireServer maintenance({{Http200("<html><body>Wartungsarbeiten</body></html>\n")}});
    WireServer pointing(
        {{"HTTP/1.0 302 Found\r\nLocation: http://" + maintenance.Host() + "/\r\n\r\n"}});
    DS_ORK redirected("TVmov", "0", "Wetter|#");
    redirected.m_host = pointing.Host();
    Run(redirected, result);
    EXPECT_EQ(redirected.m_errors,
              std::vector<std::string>{NotAResultPageText(maintenance.Host())});
}

TEST_F(HostileSiteTest, ThreeHundredAndOneOrTenThousandRowsStopAtThreeHundred)
{
    for (const char* rows : {"301", "10000"})
    {
        std::filesystem::remove("TVmov.ref");
        ListingsSite site(SiteArgs({"--mode", "many-rows", "--rows", rows}));
        ASSERT_TRUE(site.Ok()) << site.Error();
        const auto start = std::chrono::steady_clock::now();
        {
            DS_ORK job("TVmov", "0", "Reihe|#");
            job.m_host = site.Host();
            bool result = false;
            EXPECT_EQ(Run(job, result), kTooManyRows + std::string("\n")) << rows;
            EXPECT_TRUE(result);
            EXPECT_EQ(job.m_hitLines.size(), 300u);
            EXPECT_EQ(job.m_hitLinks.size(), 300u);
            EXPECT_EQ(job.m_errors, std::vector<std::string>{kTooManyRows});
            // 31 pages of ten rows and no more, of which the reader holds
            // what it has not passed: about the last page.
            EXPECT_LT(Received(job), 31u * 8000u);
            EXPECT_LT(job.m_reader.m_text.size(), 2u * 8000u);
        }
        EXPECT_EQ(site.RequestLines().size(), 31u) << rows;
        EXPECT_EQ(SplitLines(ReadFileBytes("TVmov.ref")).size(), 300u);
        EXPECT_LT(SecondsSince(start), 60.0);
    }
}

TEST_F(HostileSiteTest, HttpErrorStatusesEndTheSearchAndKeepEarlierHits)
{
    const std::string firstPage =
        PageHead() + RowBlock("Mo", "20:15", "Eins", "a.html", "Erster Treffer") + PageFoot();
    for (const char* status :
         {"400 Bad Request", "401 Unauthorized", "403 Forbidden", "404 Not Found", "410 Gone",
          "429 Too Many Requests", "500 Internal Server Error", "502 Bad Gateway",
          "503 Service Unavailable"})
    {
        std::filesystem::remove("TVmov.ref");
        // Criterion one: a page with a hit, a page without; criterion two:
        // the error status, with a body that looks like a result page.
        WireServer server({{Http200(firstPage)},
                           {Http200(PageHead() + PageFoot())},
                           {"HTTP/1.0 " + std::string(status) + "\r\n\r\n" + firstPage}});
        {
            DS_ORK job("TVmov", "0", "a|#b|#c|#");
            job.m_host = server.Host();
            bool result = true;
            const std::string error =
                "Die Suchseite " + server.Host() + " antwortete mit \x84" + status + "\x93.";
            EXPECT_EQ(Run(job, result), error + "\nX0\n") << status;
            EXPECT_FALSE(result);
            EXPECT_EQ(job.m_errors, std::vector<std::string>{error});
            ASSERT_EQ(job.m_hitLines.size(), 1u) << status;
            EXPECT_EQ(job.m_hitLinks[0], server.Host() + "/a.html");
        }
        EXPECT_EQ(server.Requests().size(), 3u) << "criterion c is not searched";
        EXPECT_EQ(SplitLines(ReadFileBytes("TVmov.ref")).size(), 1u) << "the hit is remembered";
    }
}
} // namespace

TEST_F(HostileSiteTest, EndlessOrTricklingBodyEndsAtItsLimitWithAnError)
{
    // Filler as fast as loopback takes it: the body limit ends the page.
    // One byte every 0.2 s, each well within the wait: the page's time does.
    ListingsSite endless(SiteArgs({"--mode", "endless"}));
    ListingsSite trickling(SiteArgs({"--mode", "endless", "--byte-delay", "0.2"}));
    ASSERT_TRUE(endless.Ok() && trickling.Ok());
    const struct
    {
        const ListingsSite& site;
        int pageSeconds;
        std::string error;
    } cases[] = {
        {endless, 600,
         "Die Antwort der Suchseite " + endless.Host() +
             " ist gr\xF6\xDF"
             "er als 16 MiB."},
        {trickling, 3,
         "Die Suchseite " + trickling.Host() +
             " brauchte f\xFC"
             "r eine Seite l\xE4"
             "nger als 3 Sekunden."},
    };
    for (const auto& one : cases)
    {
        const auto start = std::chrono::steady_clock::now();
        DS_ORK job("TVmov", "0", "Wetter|#Zeuge|#");
        job.m_host = one.site.Host();
        job.m_timeoutSeconds = 2;
        job.m_pageSeconds = one.pageSeconds;
        bool result = true;
        EXPECT_EQ(Run(job, result), one.error + "\nX0\n");
        EXPECT_FALSE(result);
        EXPECT_EQ(job.m_errors, std::vector<std::string>{one.error});
        EXPECT_LE(Received(job), std::size_t{16} << 20);
        EXPECT_LT(SecondsSince(start), 60.0);
        EXPECT_EQ(one.site.RequestLines().size(), 1u) << "the second criterion is not searched";
    }
}

namespace
{
// A server that closes before the empty line that ends the response head
// (the toolkit's own client would loop for ever on it). The fetch runs in a
// child process that is killed after ten seconds, so a hang fails the test.
TEST_F(HostileSiteTest, ResponseHeadCutOffBeforeItsEndIsAConnectionError)
{
    for (const char* head :
         {"HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n", "HTTP/1.0 200 OK\r\nX: y\r\n"})
    {
        WireServer server({{head}});
        const std::string host = server.Host();
        const ChildResult child = RunInChild(
            [&host] {
                DoSuche job("TVmov", "0", "");
                job.m_timeoutSeconds = 2;
                return job.Fetch(host, "/", "", "") ? 2 : 0;
            },
            false, 10000);
        EXPECT_EQ(child.code, 0) << (child.killed ? "the fetch hung" : "") << " on " << head;
    }
}
} // namespace
