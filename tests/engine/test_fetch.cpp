// DoSuche::Fetch against a real HTTP server thread on 127.0.0.1: what goes out
// on the wire and how bodies of every kind come back.
#include "do_suche.h"
#include "temp_dir.h"
#include "wire_server.h"

#include <gtest/gtest.h>

#include <chrono>

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
} // namespace

TEST_F(FetchTest, SendsAnHttp10GetWithEmptyContentTypeAndReferer)
{
    WireServer server({{Ok("hello"), std::string::npos}});
    ASSERT_TRUE(m_job.Fetch(server.Host(), "/Suche.html?a=&b[c]=d%20e&page=1", "", ""));

    const auto requests = server.Requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string& head = requests[0];
    EXPECT_EQ(head.rfind("GET /Suche.html?a=&b[c]=d%20e&page=1 HTTP/1.0\r\n", 0), 0u) << head;
    EXPECT_NE(head.find("\r\nContent-type: \r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nReferer: \r\n"), std::string::npos) << head;
    EXPECT_EQ(m_job.m_reader.m_text, "hello");
    EXPECT_TRUE(m_job.m_errors.empty());
}

TEST_F(FetchTest, HeaderValuesGoOutAsGiven)
{
    WireServer server({{Ok("x")}});
    ASSERT_TRUE(m_job.Fetch(server.Host(), "/", "text/html", "http://ref.example/"));
    const std::string head = server.Requests().at(0);
    EXPECT_NE(head.find("\r\nContent-type: text/html\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nReferer: http://ref.example/\r\n"), std::string::npos) << head;
}

TEST_F(FetchTest, NonAsciiAndControlBytesOfThePathArrivePercentEncoded)
{
    WireServer server({{Ok("x")}});
    ASSERT_TRUE(m_job.Fetch(server.Host(), "/s?t=M\xFC" "ller&p=\xC3\xA4\x7F\x01",
                            "", ""));
    const std::string head = server.Requests().at(0);
    EXPECT_EQ(head.rfind("GET /s?t=M%FCller&p=%C3%A4%7F%01 HTTP/1.0\r\n", 0), 0u) << head;

    EXPECT_EQ(PercentEncodePath("/plain?a=b&c=%20d"), "/plain?a=b&c=%20d");
    EXPECT_EQ(PercentEncodePath(std::string("\0\x1f\x80\xff", 4)), "%00%1F%80%FF");
}

TEST_F(FetchTest, BodyBytesAreKeptExactlyAndPagesAppendInOrder)
{
    const std::string first("A\x80" "B\xC3" "C\0D\r\n", 9);
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
    EXPECT_EQ(m_job.m_errors.size(), 3u);
    EXPECT_TRUE(m_job.m_reader.m_text.empty());
}

TEST_F(FetchTest, ServerClosingMidBodyKeepsWhatArrived)
{
    const std::string response =
        "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\nfirst part of the body";
    WireServer server({{response, response.size() - 5}});
    ASSERT_TRUE(m_job.Fetch(server.Host(), "/", "", ""));
    EXPECT_EQ(m_job.m_reader.m_text, "first part of the");
    EXPECT_TRUE(m_job.m_errors.empty());
}

TEST_F(FetchTest, ByteAtATimeServerDeliversTheWholeBody)
{
    WireServer server({{Ok("slow\nbody\n"), std::string::npos, 0, 2}});
    ASSERT_TRUE(m_job.Fetch(server.Host(), "/", "", ""));
    EXPECT_EQ(m_job.m_reader.m_text, "slow\nbody\n");
}

TEST_F(FetchTest, StalledBodyEndsAtTheTimeOutWithWhatArrived)
{
    m_job.m_timeoutSeconds = 1;
    CannedResponse stalled{Ok("partial"), std::string::npos, 0, 0, true};
    WireServer server({stalled});
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(m_job.Fetch(server.Host(), "/", "", ""));
    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start);
    EXPECT_EQ(m_job.m_reader.m_text, "partial");
    EXPECT_LT(seconds.count(), 5.0);
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
    EXPECT_LT(seconds.count(), 5.0);
    EXPECT_EQ(m_job.m_errors, std::vector<std::string>{kConnectionError});
}

TEST_F(FetchTest, ErrorStatusIsRefusedByTheClient)
{
    WireServer server({{"HTTP/1.0 404 Not Found\r\n\r\n<html>weg</html>\n"}});
    EXPECT_FALSE(m_job.Fetch(server.Host(), "/", "", ""));
    EXPECT_EQ(m_job.m_errors, std::vector<std::string>{kConnectionError});
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
        {"HTTP/1.0 302 Found\r\nLocation: /else\r\n\r\nmoved"}, // not followed
    };
    WireServer server(responses);
    for (std::size_t i = 0; i < responses.size(); ++i)
        m_job.Fetch(server.Host(), "/", "", "");
    EXPECT_EQ(server.Requests().size(), responses.size());
    EXPECT_NE(m_job.m_reader.m_text.find("moved"), std::string::npos);
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
