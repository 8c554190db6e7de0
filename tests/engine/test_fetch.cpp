// DoSuche::Fetch against real servers on 127.0.0.1 (a thread of the test, or
// the local listings site over HTTP and HTTPS): what goes out on the wire, how
// bodies of every kind come back, redirects and certificates.
#include "do_suche.h"
#include "ds_ork.h"
#include "fault_child.h"
#include "http_page_source.h"
#include "listings_host.h"
#include "listings_site.h"
#include "temp_folder.h"
#include "wire_server.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>

namespace
{
std::string Ok(const std::string& body)
{
    return "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n" + body;
}

class FetchTest : public ::testing::Test
{
protected:
    TempWorkDir m_dir;
    DoSuche m_job{"TVmov", "0", ""};
};

const char* const kConnectionError = "Konnte Verbindung nicht herstellen!";

// Sets (or, with nullopt, removes) an environment variable while it lives.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

std::string Redirect(int status, const std::string& location)
{
    return "HTTP/1.0 " + std::to_string(status) + " Weiter\r\n" +
           (location.empty() ? "" : "Location: " + location + "\r\n") + "\r\nbody\n";
}

// The whole request head of a page, byte for byte: libcurl adds nothing of
// its own (no "Accept: */*").
std::string Head(const std::string& target, const std::string& host,
                 const std::string& contentType = "", const std::string& referer = "")
{
    return "GET " + target + " HTTP/1.0\r\nReferer: " + referer +
           "\r\nContent-type: " + contentType + "\r\nHost: " + host +
           "\r\nUser-Agent: " + kUserAgent + "\r\n\r\n";
}

// A request head without its Host line, for comparing requests to two servers.
std::string WithoutHost(std::string head)
{
    const std::string::size_type host = head.find("\r\nHost: ");
    if (host != std::string::npos)
        head.erase(host, head.find("\r\n", host + 2) - host);
    return head;
}
} // namespace

TEST_F(FetchTest, SendsAnHttp10GetWithEmptyContentTypeAndReferer)
{
    WireServer server({{Ok("hello"), std::string::npos}});
    ASSERT_TRUE(m_job.Fetch(server.Host(), "/Suche.html?a=&b[c]=d%20e&page=1", "", ""));

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], Head("/Suche.html?a=&b[c]=d%20e&page=1", server.Host()));
    EXPECT_EQ(m_job.m_reader.m_text, "hello");
    EXPECT_TRUE(m_job.m_errors.empty());
}

TEST_F(FetchTest, HeaderValuesGoOutAsGiven)
{
    WireServer server({{Ok("x")}});
    ASSERT_TRUE(m_job.Fetch(server.Host(), "/", "text/html", "http://ref.example/"));
    EXPECT_EQ(server.Requests().at(0),
              Head("/", server.Host(), "text/html", "http://ref.example/"));
}

TEST_F(FetchTest, NonAsciiAndControlBytesOfThePathArrivePercentEncoded)
{
    WireServer server({{Ok("x")}});
    ASSERT_TRUE(m_job.Fetch(server.Host(),
                            "/s?t=M\xFC"
                            "ller&p=\xC3\xA4\x7F\x01",
                            "", ""));
    const std::string head = server.Requests().at(0);
    EXPECT_EQ(head.rfind("GET /s?t=M%FCller&p=%C3%A4%7F%01 HTTP/1.0\r\n", 0), 0u) << head;

    EXPECT_EQ(PercentEncodePath("/plain?a=b&c=%20d"), "/plain?a=b&c=%20d");
    EXPECT_EQ(PercentEncodePath(std::string("\0\x1f\x80\xff", 4)), "%00%1F%80%FF");
}

TEST_F(FetchTest, BodyBytesAreKeptExactlyAndPagesAppendInOrder)
{
    const std::string first("A\x80"
                            "B\xC3"
                            "C\0D\r\n",
                            9);
    const std::string second("second page \xE2\x82\xAC\n");
    WireServer server({{Ok(first)}, {Ok(second)}});
    ASSERT_TRUE(m_job.Fetch(server.Host(), "/1", "", ""));
    ASSERT_TRUE(m_job.Fetch(server.Host(), "/2", "", ""));
    EXPECT_EQ(m_job.m_reader.m_text, first + second);
    EXPECT_EQ(server.Requests().size(), 2u) << "a new connection per page";
}

TEST_F(FetchTest, LargeBodyWithContentLengthArrivesWhole)
{
    std::string body;
    for (int i = 0; body.size() < 300000; ++i)
        body += "<tr><td>" + std::to_string(i) + "</td></tr>\n";
    WireServer server({{"HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                        "\r\n\r\n" + body}});
    ASSERT_TRUE(m_job.Fetch(server.Host(), "/", "", ""));
    EXPECT_EQ(m_job.m_reader.m_text, body);
}

TEST_F(FetchTest, ConnectionSlowerThanASecondIsWaitedFor)
{
    // A connection that takes a second or more (a far or busy site) is
    // waited for as long as any other wait of the page.
    m_job.m_timeoutSeconds = 10;
    WireServer slow({{Ok("spaet")}}, 500);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(m_job.Fetch(slow.Host(), "/", "", "")) << testing::PrintToString(m_job.m_errors);
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    EXPECT_GE(seconds.count(), 0.9) << "the connection was not slow";
    EXPECT_EQ(m_job.m_reader.m_text, "spaet");
}

TEST_F(FetchTest, RefusedConnectionReportsOnceAndAppendsNothing)
{
    m_job.m_reader.m_text = "before";
    testing::internal::CaptureStdout();
    EXPECT_FALSE(m_job.Fetch("127.0.0.1:" + std::to_string(WireServer::UnusedPort()), "/", "", ""));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), std::string(kConnectionError) + "\n");
    EXPECT_EQ(m_job.m_errors, std::vector<std::string>{kConnectionError});
    EXPECT_EQ(m_job.m_reader.m_text, "before");
}

TEST_F(FetchTest, UnknownHostAndBadPortAreConnectionErrors)
{
    EXPECT_FALSE(m_job.Fetch("no-such-host.invalid", "/", "", ""));
    EXPECT_FALSE(m_job.Fetch("127.0.0.1:99999", "/", "", ""));
    EXPECT_FALSE(m_job.Fetch("", "/", "", ""));
    EXPECT_FALSE(m_job.Fetch("ftp://127.0.0.1", "/", "", ""));
    EXPECT_EQ(m_job.m_errors.size(), 4u);
    EXPECT_EQ(m_job.m_errors.back(), "Die Adresse \x84"
                                     "ftp://127.0.0.1\x93 beginnt weder mit http:// noch mit "
                                     "https://.");
    EXPECT_TRUE(m_job.m_reader.m_text.empty());
}

TEST_F(FetchTest, BodyThatDoesNotComeWholeIsAnErrorAndNothingOfItIsKept)
{
    // The rows of a part would be taken as known, and those after the cut
    // never reported: such a page is no page.
    const std::string response =
        "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\nfirst part of the body";
    const std::size_t npos = std::string::npos;
    const struct
    {
        const char* name;
        CannedResponse response;
        std::string why;
    } cases[] = {
        {"closed early", {response}, "die Verbindung endete nach 22 von 1000 Bytes."},
        {"reset",
         {response, npos, 0, 0, false, true},
         " zur\xFC"
         "ckgesetzt."},
        {"silent", {response, npos, 0, 0, true}, "nach 22 Bytes kam 1 Sekunde lang nichts mehr."},
    };
    for (const auto& one : cases)
    {
        WireServer server({one.response});
        DoSuche job("TVmov", "0", "");
        job.m_timeoutSeconds = 1;
        job.m_reader.m_text = "before";
        testing::internal::CaptureStdout();
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(job.Fetch(server.Host(), "/", "", "")) << one.name;
        const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
        testing::internal::GetCapturedStdout();
        EXPECT_LT(took.count(), 10.0) << one.name;
        EXPECT_EQ(job.m_reader.m_text, "before") << one.name;
        ASSERT_EQ(job.m_errors.size(), 1u) << one.name;
        const std::string prefix =
            "Die Antwort der Suchseite " + server.Host() + " kam nicht vollst\xE4ndig an: ";
        EXPECT_EQ(job.m_errors[0].rfind(prefix, 0), 0u) << job.m_errors[0];
        EXPECT_NE(job.m_errors[0].find(one.why, prefix.size()), std::string::npos)
            << one.name << ": " << job.m_errors[0];
    }
}

TEST_F(FetchTest, ByteAtATimeServerDeliversTheWholeBody)
{
    WireServer server({{Ok("slow\nbody\n"), std::string::npos, 0, 2}});
    ASSERT_TRUE(m_job.Fetch(server.Host(), "/", "", ""));
    EXPECT_EQ(m_job.m_reader.m_text, "slow\nbody\n");
}

TEST_F(FetchTest, CountedBodyFromAServerThatKeepsTheConnectionEndsWithoutWaiting)
{
    // The body is whole by its Content-Length; the open connection behind it
    // must not cost the time-out (with the default one, two minutes a page).
    m_job.m_timeoutSeconds = 5;
    const std::string body = "whole body";
    CannedResponse lingering{"HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(body.size()) +
                                 "\r\n\r\n" + body,
                             std::string::npos, 0, 0, true};
    WireServer server({lingering});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(m_job.Fetch(server.Host(), "/", "", ""));
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(m_job.m_reader.m_text, body);
    EXPECT_LT(seconds.count(), 2.0);
}

TEST_F(FetchTest, SilentServerIsAConnectionErrorAfterTheTimeOut)
{
    m_job.m_timeoutSeconds = 1;
    CannedResponse silent{"", std::string::npos, 0, 0, true};
    WireServer server({silent});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(m_job.Fetch(server.Host(), "/", "", ""));
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    EXPECT_LT(seconds.count(), 10.0);
    EXPECT_EQ(m_job.m_errors, std::vector<std::string>{kConnectionError});
}

TEST_F(FetchTest, ErrorStatusIsReportedWithItsCodeReasonAndServer)
{
    WireServer server({{"HTTP/1.0 404 Not Found\r\n\r\n<html>weg</html>\n"}});
    EXPECT_FALSE(m_job.Fetch(server.Host(), "/", "", ""));
    EXPECT_EQ(m_job.m_errors, std::vector<std::string>{"Die Suchseite " + server.Host() +
                                                       " antwortete mit \x84"
                                                       "404 Not Found\x93."});
    EXPECT_TRUE(m_job.m_reader.m_text.empty());
}

TEST_F(FetchTest, OddResponsesNeitherCrashNorHang)
{
    m_job.m_timeoutSeconds = 1;
    std::string garbage;
    for (int i = 0; i < 5000; ++i)
        garbage += static_cast<char>((i * 7919) % 256);
    const std::vector<CannedResponse> responses = {
        {garbage},                                             // no status line at all
        {"HTTP/1.0 200 OK\r\n" + std::string(200000, 'h')},    // head never ends
        {"HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\nbody"}, // nonsense length
        {"HTTP/1.0 200 OK\r\n\r\n"},                           // empty body
        {""},                                                  // closed at once
    };
    WireServer server(responses);
    for (std::size_t i = 0; i < responses.size(); ++i)
        m_job.Fetch(server.Host(), "/", "", "");
    EXPECT_EQ(server.Requests().size(), responses.size());
}

TEST_F(FetchTest, CutOrBrokenResponseHeadIsAnErrorWithinTheTimeOut)
{
    const struct
    {
        const char* name;
        std::string response;
    } cases[] = {
        {"nothing", ""},
        {"half a status line", "HTTP/1.0 20"},
        {"status line", "HTTP/1.0 200 OK\r\n"},
        {"a header", "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n"},
        {"half a header", "HTTP/1.0 200 OK\r\nX: y"},
        {"NUL in the head", std::string("HTTP/1.0 200 OK\r\nX: \0y\r\n\r\nbody", 29)},
        {"overlong head",
         "HTTP/1.0 200 OK\r\nX-Extra: " + std::string(std::size_t{1} << 20, 'x') + "\r\n\r\n"},
    };
    for (const auto& one : cases)
    {
        WireServer server({{one.response}});
        const std::string host = server.Host();
        // In a child process, so that a hang fails the test instead of
        // stopping the suite.
        const ChildResult child = RunInChild(
            [&host] {
                DoSuche job("TVmov", "0", "");
                job.m_timeoutSeconds = 5;
                return !job.Fetch(host, "/", "", "") && job.m_errors.size() == 1 &&
                               job.m_reader.m_text.empty()
                           ? 0
                           : 1;
            },
            false, 15000);
        EXPECT_FALSE(child.killed) << one.name << ": the request hung";
        EXPECT_EQ(child.code, 0) << one.name;
    }
}

TEST_F(FetchTest, EachRedirectStatusIsFollowedWithTheSameRequest)
{
    for (const int status : {301, 302, 303, 307, 308})
    {
        WireServer server({{Redirect(status, "/neu?seite=2")}, {Ok("angekommen")}});
        DoSuche job("TVmov", "0", "");
        ASSERT_TRUE(job.Fetch(server.Host(), "/alt?seite=1", "", "")) << status;
        EXPECT_EQ(job.m_reader.m_text, "angekommen") << "the redirect's own body is not kept";
        EXPECT_EQ(server.Requests(),
                  (std::vector<std::string>{Head("/alt?seite=1", server.Host()),
                                            Head("/neu?seite=2", server.Host())}))
            << status;
    }
}

TEST_F(FetchTest, RedirectChainOverHttpAndHttpsKeepsTheRequestAndNamesEachHost)
{
    ListingsSite end({"--tls-dir", (m_dir.Path() / "tls").string()});
    ASSERT_TRUE(end.Ok()) << end.Error();
    ListingsSite middle({"--redirect-to", "https://localhost:" + std::to_string(end.Port()),
                         "--redirect-status", "302"});
    ListingsSite start({"--redirect-to", "http://" + middle.Host()});
    ASSERT_TRUE(middle.Ok() && start.Ok());
    ScopedEnv trust("SSL_CERT_FILE", (m_dir.Path() / "tls" / "ca.pem").string());

    DS_ORK job("TVmov", "0", "Wetter|#");
    job.m_host = start.Host();
    testing::internal::CaptureStdout();
    EXPECT_TRUE(job.Search());
    testing::internal::GetCapturedStdout();
    ASSERT_FALSE(job.m_hitLines.empty()) << (job.m_errors.empty() ? "" : job.m_errors[0]);
    EXPECT_TRUE(job.m_errors.empty());
    // Every page went through both redirects; each server saw the same head
    // but for the Host line, which names it.
    const std::vector<std::string> heads = {start.Log(), middle.Log(), end.Log()};
    const std::string first = heads[0].substr(0, heads[0].find("\r\n\r\n") + 4);
    EXPECT_NE(first.find("\r\nHost: " + start.Host() + "\r\n"), std::string::npos) << first;
    EXPECT_NE(end.Log().find("\r\nHost: localhost:" + std::to_string(end.Port()) + "\r\n"),
              std::string::npos);
    for (const std::string& head : heads)
        EXPECT_EQ(WithoutHost(head.substr(0, head.find("\r\n\r\n") + 4)), WithoutHost(first));
    EXPECT_EQ(start.RequestLines(), end.RequestLines());
    // The links are built on the site as written.
    EXPECT_EQ(job.m_hitLinks[0].rfind("http://", 0), std::string::npos);
    EXPECT_EQ(job.m_hitLinks[0].rfind(start.Host() + "/sendung/", 0), 0u);
}

TEST_F(FetchTest, RedirectsThatLeadNowhereAreErrors)
{
    ListingsSite loop({"--redirect-to", "self"});
    ASSERT_TRUE(loop.Ok()) << loop.Error();
    EXPECT_FALSE(m_job.Fetch(loop.Host(), "/kreis", "", ""));
    EXPECT_EQ(loop.RequestLines().size(), 11u) << "the first request and ten redirects";

    WireServer noLocation({{Redirect(301, "")}});
    EXPECT_FALSE(m_job.Fetch(noLocation.Host(), "/", "", ""));
    WireServer ftp({{Redirect(302, "ftp://127.0.0.1/datei")}});
    EXPECT_FALSE(m_job.Fetch(ftp.Host(), "/", "", ""));
    WireServer file({{Redirect(307, "file:///etc/passwd")}});
    EXPECT_FALSE(m_job.Fetch(file.Host(), "/", "", ""));
    EXPECT_EQ(m_job.m_errors,
              (std::vector<std::string>{
                  "Die Suchseite " + loop.Host() + " leitete mehr als 10-mal in Folge weiter.",
                  "Die Suchseite " + noLocation.Host() +
                      " leitete mit \x84"
                      "301 Weiter\x93 weiter, nannte aber kein g\xFCltiges Ziel.",
                  "Die Suchseite " + ftp.Host() +
                      " leitete nach \x84"
                      "ftp://127.0.0.1/datei\x93 weiter; Velunda folgt nur "
                      "Adressen mit http:// und https://.",
                  "Die Suchseite " + file.Host() +
                      " leitete nach \x84"
                      "file:///etc/passwd\x93 weiter; Velunda folgt nur "
                      "Adressen mit http:// und https://.",
              }));
    EXPECT_TRUE(m_job.m_reader.m_text.empty());
}

TEST_F(FetchTest, HttpsSendsTheSameRequestInsideTlsAndLinksKeepTheScheme)
{
    ListingsSite plain;
    ListingsSite secure({"--tls-dir", (m_dir.Path() / "tls").string()});
    ASSERT_TRUE(plain.Ok() && secure.Ok()) << secure.Error();
    ScopedEnv trust("SSL_CERT_FILE", (m_dir.Path() / "tls" / "ca.pem").string());
    std::vector<std::string> links;
    for (const std::string& site : {plain.Host() + "/", "https://" + secure.Host() + "/"})
    {
        std::filesystem::remove("TVmov.ref");
        DS_ORK job("TVmov", "0", "Wetter|#");
        job.m_host = SiteForJob(site);
        testing::internal::CaptureStdout();
        EXPECT_TRUE(job.Search()) << site;
        testing::internal::GetCapturedStdout();
        ASSERT_FALSE(job.m_hitLinks.empty()) << site;
        links.push_back(job.m_hitLinks[0]);
    }
    ASSERT_EQ(links[0].rfind(plain.Host() + "/sendung/", 0), 0u) << links[0];
    EXPECT_EQ(links[1], "https://" + secure.Host() + links[0].substr(plain.Host().size()));
    for (const ListingsSite* site : {&plain, &secure})
    {
        const std::string log = site->Log();
        EXPECT_EQ(log.substr(0, log.find("\r\n\r\n") + 4),
                  Head(site->RequestTargets().at(0), site->Host()));
    }
}

TEST_F(FetchTest, CertificateThatDoesNotVerifyIsAnErrorBeforeAnyRequest)
{
    const auto tls = [this](const char* dir) { return (m_dir.Path() / dir).string(); };
    ListingsSite ownCa({"--tls-dir", tls("a")});
    ListingsSite otherName({"--tls-dir", tls("b"), "--tls-name", "other.example"});
    ListingsSite selfSigned({"--tls-dir", tls("c"), "--tls-fault", "self-signed"});
    ListingsSite expired({"--tls-dir", tls("d"), "--tls-fault", "expired"});
    ListingsSite hangUp({"--tls-dir", tls("e"), "--tls-fault", "hang-up"});
    ListingsSite chain({"--tls-dir", tls("f"), "--tls-fault", "chain"});
    ASSERT_TRUE(ownCa.Ok() && otherName.Ok() && selfSigned.Ok() && expired.Ok() && hangUp.Ok() &&
                chain.Ok());
    // Each reason in German, saying what to do.
    const struct
    {
        const char* name;
        const ListingsSite& site;
        std::optional<std::string> caFile;
        std::string reason;
    } cases[] = {
        {"unknown CA, system store", ownCa, std::nullopt,
         "stammt von einer Zertifizierungsstelle, der dieser Rechner nicht vertraut. Pr\xFC"
         "fen Sie den Wert Host in ~/.velunda"},
        {"self-signed", selfSigned, std::nullopt,
         "Die Seite hat ihr Zertifikat selbst ausgestellt"},
        // The site sends its own self-signed root along: the advice is about
        // that authority, not about a certificate the site made for itself.
        {"self-signed root in the chain", chain, std::nullopt,
         "stammt von einer Zertifizierungsstelle, der dieser Rechner nicht vertraut."},
        {"expired", expired, tls("d") + "/ca.pem",
         "Das Zertifikat der Seite ist abgelaufen. Stimmen Datum und Uhrzeit"},
        {"another name", otherName, tls("b") + "/ca.pem",
         "Das Zertifikat der Seite gilt f\xFCr einen anderen Namen. Pr\xFC"
         "fen Sie, ob der Wert Host"},
        {"handshake", hangUp, tls("e") + "/ca.pem",
         "Der Aufbau der verschl\xFCsselten Verbindung scheiterte. Pr\xFC"
         "fen Sie, ob die Seite"},
        {"CA file missing", ownCa, tls("nichts.pem"), "\x84" + tls("nichts.pem") + "\x93"},
    };
    for (const auto& one : cases)
    {
        ScopedEnv trust("SSL_CERT_FILE", one.caFile);
        DoSuche job("TVmov", "0", "");
        EXPECT_FALSE(job.Fetch("https://" + one.site.Host(), "/", "", "")) << one.name;
        ASSERT_EQ(job.m_errors.size(), 1u) << one.name;
        const std::string prefix =
            "Die sichere Verbindung zu " + one.site.Host() + " kam nicht zustande: ";
        EXPECT_EQ(job.m_errors[0].rfind(prefix, 0), 0u) << job.m_errors[0];
        EXPECT_NE(job.m_errors[0].find(one.reason, prefix.size()), std::string::npos)
            << one.name << ": " << job.m_errors[0];
        EXPECT_TRUE(one.site.RequestLines().empty()) << one.name << ": nothing was sent";
    }
}

TEST_F(FetchTest, StopCheckThatAnswersAtOnceMakesNoConnection)
{
    // A run stopped between two pages does not even connect for the next
    // one. The listening socket accepts nothing; a connection made to it
    // would wait in its backlog and make it readable.
    const int listening = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listening, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(listening, 4), 0);
    ASSERT_EQ(::getsockname(listening, reinterpret_cast<sockaddr*>(&address), &length), 0);
    HttpPageSource pages;
    pages.m_stopNow = [] { return true; };
    PageRequest request;
    request.site = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    request.path = "/";
    const PageAnswer answer = pages.Get(request, [](const char*, std::size_t) { return true; });
    EXPECT_FALSE(answer.ok);
    EXPECT_EQ(answer.error, kStoppedText);
    pollfd waiting{listening, POLLIN, 0};
    EXPECT_EQ(::poll(&waiting, 1, 300), 0) << "a connection was made";
    ::close(listening);
}

TEST(AppendBounded, StopsAtTheLimit)
{
    std::string text = "abc";
    EXPECT_EQ(AppendBounded(text, "defgh", 5, 6), 3u);
    EXPECT_EQ(text, "abcdef");
    EXPECT_EQ(AppendBounded(text, "x", 1, 6), 0u);
    EXPECT_EQ(AppendBounded(text, "xy", 2, 100), 2u);
    EXPECT_EQ(text, "abcdefxy");
    EXPECT_LT(kMaxPageTextBytes, static_cast<std::size_t>(INT32_MAX));
}
