// The HTTP client that receives the response head whole before parsing it:
// where the head ends, that every complete response comes back exactly as the
// toolkit's own client gives it, and that cut or broken heads end as network
// errors within the time-out instead of hanging.
#include "checked_http.h"
#include "fault_child.h"
#include "wire_server.h"

#include <gtest/gtest.h>


#include <chrono>
#include <memory>

namespace
{
std::size_t HeadEnd(const std::string& bytes)
{
    ResponseHeadScanner scanner;
    return scanner.Scan(bytes);
}

// What a client made of one response.
struct Answer
{
    int error = -1;
    int status = 0;
    int flags = 0;
    std::string contentType;
    std::string contentLength;
    std::string extra;
    bool stream = false;
    std::string body;
    std::string request;

    bool operator==(const Answer& other) const
    {
        return error == other.error && status == other.status && flags == other.flags &&
               contentType == other.contentType && contentLength == other.contentLength &&
               extra == other.extra && stream == other.stream && body == other.body &&
               request == other.request;
    }
};

std::ostream& operator<<(std::ostream& out, const Answer& a)
{
    return out << "error " << a.error << ", status " << a.status << ", flags " << a.flags
               << ", type '" << a.contentType
               << "', length '" << a.contentLength << "', extra '" << a.extra << "', stream "
               << a.stream << ", body '" << a.body << "', request '" << a.request << "'";
}

template <class Client> Answer Ask(const std::string& response)
{
    WireServer server({{response}});
    Answer answer;
    {
        Client http;
        http.Connect("127.0.0.1", static_cast<unsigned short>(server.Port()));
        http.SetHeader("Content-type", "");
        http.SetHeader("Referer", "");
        http.SetTimeout(3);
        std::unique_ptr<wxInputStream> body(http.GetInputStream("/s?a=1"));
        answer.error = http.GetError();
        answer.status = http.GetResponse();
        answer.flags = http.GetFlags();
        answer.contentType = http.GetHeader("Content-Type").ToStdString();
        answer.contentLength = http.GetHeader("Content-Length").ToStdString();
        answer.extra = http.GetHeader("X-Extra").ToStdString();
        answer.stream = body != nullptr;
        if (body)
        {
            char buffer[1024];
            do
            {
                body->Read(buffer, sizeof buffer);
                answer.body.append(buffer, body->LastRead());
            } while (body->LastRead() > 0);
        }
    }
    // The request as sent, without the Host line that names the server's port.
    answer.request = server.Requests().at(0);
    const std::string::size_type host = answer.request.find("\r\nHost: ");
    if (host != std::string::npos)
        answer.request.erase(host, answer.request.find("\r\n", host + 2) - host);
    return answer;
}
} // namespace

TEST(ResponseHeadScanner, FindsTheEndOfWhatTheClientReads)
{
    const std::size_t npos = std::string::npos;
    // Status lines of 1xx to 3xx need the headers up to the empty line.
    EXPECT_EQ(HeadEnd("HTTP/1.0 200 OK\r\n\r\nbody"), 19u);
    EXPECT_EQ(HeadEnd("HTTP/1.0 301 Moved\r\nLocation: x\r\n\r\n"), 35u);
    EXPECT_EQ(HeadEnd("HTTP/1.1 100 Continue\r\nA: b\r\n\r\n"), 31u);
    EXPECT_EQ(HeadEnd("HTTP/1.0  204  No\r\n\r\n"), 21u) << "blanks between the words";
    // Other statuses and lines without "HTTP/": the status line alone.
    EXPECT_EQ(HeadEnd("HTTP/1.0 404 Not Found\r\nA: b"), 24u);
    EXPECT_EQ(HeadEnd("HTTP/1.0\r\n"), 10u);
    EXPECT_EQ(HeadEnd("<html>\r\n<p>"), 8u);
    EXPECT_EQ(HeadEnd("\r\n"), 2u);
    // Not there yet.
    EXPECT_EQ(HeadEnd(""), npos);
    EXPECT_EQ(HeadEnd("HTTP/1.0 200 OK"), npos);
    EXPECT_EQ(HeadEnd("HTTP/1.0 200 OK\r"), npos);
    EXPECT_EQ(HeadEnd("HTTP/1.0 200 OK\r\nA: b\r\n"), npos);
    EXPECT_EQ(HeadEnd("HTTP/1.0 200 OK\r\nA: b\r\n\r"), npos);
    // Only CR LF ends a line for the client.
    EXPECT_EQ(HeadEnd("HTTP/1.0 200 OK\n\n"), npos);
    EXPECT_EQ(HeadEnd("HTTP/1.0 200 OK\r\nA: b\n\r\n"), npos);
    EXPECT_EQ(HeadEnd("HTTP/1.0 200 OK\r\nA: b\n\r\n\r\n"), 26u);
}

TEST(ResponseHeadScanner, ByteByByteFindsTheSameEnd)
{
    for (const std::string response :
         {"HTTP/1.0 200 OK\r\nA: b\r\nC: d\r\n\r\nbody", "HTTP/1.0 200 OK\r\n\r\n",
          "HTTP/1.0 500 No\r\nA: b", "no status\r\nx", "HTTP/1.0 200 OK\r\n\r\r\n\r\n"})
    {
        ResponseHeadScanner scanner;
        std::string bytes;
        std::size_t end = std::string::npos;
        for (const char c : response)
        {
            bytes += c;
            end = scanner.Scan(bytes);
            if (end != std::string::npos)
                break;
        }
        EXPECT_EQ(end, HeadEnd(response)) << response;
        EXPECT_EQ(end, bytes.size()) << "found with its last byte: " << response;
    }
}

TEST(CheckedHttp, CompleteResponsesComeBackAsFromTheToolkitsClient)
{
    const std::string body("<html>\r\nText \x80\xFF\r\n\0 end", 22);
    for (const std::string& response : std::vector<std::string>{
             "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nX-Extra: 1\r\n\r\n" + body,
             "HTTP/1.1 200 OK\r\nContent-Length: 8\r\n\r\n" + body,
             "HTTP/1.0 200 OK\r\nContent-Length: 5000\r\n\r\n" + body,
             "HTTP/1.0 200 OK\r\nContent-Length: many\r\n\r\n" + body,
             "HTTP/1.0  200  OK\r\nx-extra:  spaced \r\n\r\n" + body,
             "HTTP/1.0 200 OK\r\nX-Extra: a\nb\r\n\r\n" + body,
             "HTTP/1.0 301 Moved Permanently\r\nLocation: http://x.example/\r\n\r\n" + body,
             "HTTP/1.0 404 Not Found\r\nContent-Type: text/html\r\n\r\n" + body,
             "HTTP/1.0 500 Internal Server Error\r\n\r\n" + body,
             "HTTP/1.0\r\n\r\n" + body,
             "<html>no status line\r\n" + body,
             "HTTP/1.0 200 OK\r\n\r\n",
         })
    {
        const Answer checked = Ask<CheckedHttp>(response);
        const Answer toolkit = Ask<wxHTTP>(response);
        EXPECT_EQ(checked, toolkit) << response;
    }
}

TEST(CheckedHttp, CutOrBrokenHeadIsANetworkErrorNotAHang)
{
    const std::string overlong =
        "HTTP/1.0 200 OK\r\nX-Extra: " + std::string(kMaxResponseHeadBytes, 'x') + "\r\n\r\n";
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
        {"LF line ends", "HTTP/1.0 200 OK\n\n<html>\n"},
        {"NUL in the head", std::string("HTTP/1.0 200 OK\r\nX: \0y\r\n\r\nbody", 29)},
        {"overlong head", overlong},
    };
    for (const auto& one : cases)
    {
        WireServer server({{one.response}});
        const int port = server.Port();
        // In a child process, so that a hang fails the test instead of
        // stopping the suite.
        const ChildResult child = RunInChild(
            [port] {
                CheckedHttp http;
                http.Connect("127.0.0.1", static_cast<unsigned short>(port));
                http.SetTimeout(5);
                std::unique_ptr<wxInputStream> body(http.GetInputStream("/"));
                return body == nullptr && http.GetError() == wxPROTO_NETERR ? 0 : 1;
            },
            false, 15000);
        EXPECT_FALSE(child.killed) << one.name << ": the request hung";
        EXPECT_EQ(child.code, 0) << one.name;
    }
}

TEST(CheckedHttp, SilentServerEndsAfterTheTimeOut)
{
    CannedResponse silent;
    silent.bytes = "HTTP/1.0 200 OK\r\n";
    silent.stallAfter = true;
    WireServer server({silent});
    const auto start = std::chrono::steady_clock::now();
    CheckedHttp http;
    http.Connect("127.0.0.1", static_cast<unsigned short>(server.Port()));
    http.SetTimeout(1);
    std::unique_ptr<wxInputStream> body(http.GetInputStream("/"));
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_EQ(body, nullptr);
    EXPECT_EQ(http.GetError(), wxPROTO_NETERR);
    EXPECT_GE(seconds, 0.9);
    EXPECT_LT(seconds, 5.0);
}
