// The local listings site's XMLTV guide (tools/listings_site.py, /xmltv.xml
// and /xmltv.xml.gz) through the XMLTV reader: every broadcast of its data,
// moved to today unless asked not to, conditional requests, failure options.
#include "listings_site.h"
#include "xmltv_reader.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <ctime>
#include <fstream>
#include <string>
#include <vector>

namespace
{
struct Answer
{
    std::string status; // the status line
    std::string head;   // the header lines
    std::string body;
};

// One HTTP/1.0 request to the site; the answer is read to its end.
Answer Get(const ListingsSite& site, const std::string& target, const std::string& fields = "")
{
    Answer answer;
    const int connection = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(site.Port()));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(connection, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
    {
        ::close(connection);
        return answer;
    }
    const std::string request =
        "GET " + target + " HTTP/1.0\r\nHost: " + site.Host() + "\r\n" + fields + "\r\n";
    EXPECT_EQ(::send(connection, request.data(), request.size(), 0),
              static_cast<ssize_t>(request.size()));
    std::string bytes;
    char buffer[65536];
    ssize_t count;
    while ((count = ::recv(connection, buffer, sizeof buffer, 0)) > 0)
        bytes.append(buffer, static_cast<std::size_t>(count));
    ::close(connection);
    const std::size_t end = bytes.find("\r\n\r\n");
    const std::size_t lineEnd = bytes.find("\r\n");
    if (end == std::string::npos)
        return answer;
    answer.status = bytes.substr(0, lineEnd);
    answer.head = bytes.substr(lineEnd + 2, end - lineEnd);
    answer.body = bytes.substr(end + 4);
    return answer;
}

std::string Field(const Answer& answer, const std::string& name)
{
    const std::size_t at = answer.head.find(name + ": ");
    if (at == std::string::npos)
        return "";
    const std::size_t begin = at + name.size() + 2;
    return answer.head.substr(begin, answer.head.find("\r\n", begin) - begin);
}

struct Guide : XmltvHandler
{
    void OnChannel(const XmltvChannel& channel) override
    {
        channels.push_back(channel.id + "|" + channel.name);
    }
    void OnProgramme(const XmltvProgramme& p) override { programmes.push_back(p); }
    std::vector<std::string> channels;
    std::vector<XmltvProgramme> programmes;
    bool ok = false;
    std::string error;
};

Guide ReadGuide(const std::string& bytes)
{
    Guide guide;
    XmltvReader reader(guide, "Testseite");
    guide.ok = reader.Feed(bytes.data(), bytes.size()) && reader.Finish();
    guide.error = reader.Error();
    return guide;
}

// The broadcasts of the site's data: its lines but the header.
std::size_t DataRows()
{
    const std::string script = ListingsSite::ScriptPath();
    std::ifstream data(script.substr(0, script.rfind('/')) + "/listings_data.tsv");
    std::size_t rows = 0;
    std::string line;
    for (std::getline(data, line); std::getline(data, line);)
        rows += line.empty() ? 0 : 1;
    return rows;
}

TEST(ListingsSiteXmltv, EveryBroadcastInPlainAndGzip)
{
    ListingsSite site({"--xmltv-keep-dates"});
    ASSERT_TRUE(site.Ok()) << site.Error();
    for (const std::string target : {"/xmltv.xml", "/xmltv.xml.gz"})
    {
        const Answer answer = Get(site, target);
        EXPECT_EQ(answer.status, "HTTP/1.0 200 OK") << target;
        const Guide guide = ReadGuide(answer.body);
        ASSERT_TRUE(guide.ok) << target << ": " << guide.error;
        EXPECT_EQ(guide.programmes.size(), DataRows()) << target;
        EXPECT_EQ(guide.channels.size(), 12u);
        EXPECT_EQ(guide.channels.at(0), "alpen-tv.test|Alpen TV");
        EXPECT_EQ(guide.channels.at(11), "tv-sued.test|TV S\xC3\xBC"
                                         "d");
        // 1016: 2026-12-07 09:45 in Berlin, HTML entities in title and description.
        const XmltvProgramme* found = nullptr;
        for (const XmltvProgramme& p : guide.programmes)
            found = p.url == "http://" + site.Host() + "/sendung/1016.html" ? &p : found;
        ASSERT_NE(found, nullptr) << target;
        EXPECT_EQ(found->channel, "alpen-tv.test");
        EXPECT_EQ(found->title, "Das Geheimnis von Gr\xC3\xA4"
                                "fenau");
        EXPECT_EQ(found->start, 1796633100);
        EXPECT_EQ(found->stop, 1796633100 + 45 * 60);
        EXPECT_EQ(found->desc, "Krimi, Deutschland 2005. Gro\xC3\x9F"
                               "e Aufregung im Harz: Frieda "
                               "Eichholz plant ein Fest \xE2\x80\x93 und alles geht schief.");
        EXPECT_EQ(found->credits,
                  (std::vector<std::string>{"Frieda Eichholz",
                                            "Frieda Sch\xC3\xA4"
                                            "fer",
                                            "Marlene Wei\xC3\x9F", "Stefan Eichholz"}));
    }
    EXPECT_EQ(site.RequestTargets(), (std::vector<std::string>{"/xmltv.xml", "/xmltv.xml.gz"}));
}

TEST(ListingsSiteXmltv, MovedToTodayByWholeDays)
{
    ListingsSite kept({"--xmltv-keep-dates"});
    ListingsSite moved;
    ASSERT_TRUE(kept.Ok() && moved.Ok());
    const Guide before = ReadGuide(Get(kept, "/xmltv.xml").body);
    const Guide after = ReadGuide(Get(moved, "/xmltv.xml").body);
    ASSERT_TRUE(before.ok && after.ok) << before.error << after.error;
    ASSERT_EQ(before.programmes.size(), after.programmes.size());
    std::int64_t earliest = after.programmes.at(0).start;
    for (std::size_t i = 0; i < after.programmes.size(); ++i)
    {
        // Whole local days: in UTC a multiple of 24 hours, or an hour off
        // across a summer-time switch.
        const std::int64_t shift = after.programmes[i].start - before.programmes[i].start;
        const std::int64_t rest = ((shift % 86400) + 86400) % 86400;
        EXPECT_TRUE(rest == 0 || rest == 3600 || rest == 82800) << shift;
        EXPECT_EQ(after.programmes[i].stop - after.programmes[i].start, 45 * 60);
        earliest = std::min(earliest, after.programmes[i].start);
    }
    // The data's first broadcast is at 06:30 on its first day, now today.
    const std::int64_t now = std::time(nullptr);
    EXPECT_GT(earliest, now - 86400);
    EXPECT_LT(earliest, now + 86400);
}

TEST(ListingsSiteXmltv, ConditionalRequests)
{
    ListingsSite site;
    ASSERT_TRUE(site.Ok()) << site.Error();
    const Answer first = Get(site, "/xmltv.xml");
    const std::string etag = Field(first, "ETag");
    const std::string modified = Field(first, "Last-Modified");
    ASSERT_EQ(etag.size(), 34u) << first.head;
    ASSERT_FALSE(modified.empty());
    EXPECT_NE(Field(Get(site, "/xmltv.xml.gz"), "ETag"), etag);
    const struct
    {
        std::string fields;
        bool notModified;
    } cases[] = {
        {"If-None-Match: " + etag + "\r\n", true},
        {"If-None-Match: \"anders\", " + etag + "\r\n", true},
        {"If-None-Match: *\r\n", true},
        {"If-None-Match: \"anders\"\r\n", false},
        {"If-Modified-Since: " + modified + "\r\n", true},
        {"If-Modified-Since: Mon, 01 Jan 2024 00:00:00 GMT\r\n", false},
        {"If-Modified-Since: gestern\r\n", false},
        // The tag is asked first; a date then does not count.
        {"If-None-Match: \"anders\"\r\nIf-Modified-Since: " + modified + "\r\n", false},
    };
    for (const auto& c : cases)
    {
        const Answer answer = Get(site, "/xmltv.xml", c.fields);
        EXPECT_EQ(answer.status, c.notModified ? "HTTP/1.0 304 Not Modified" : "HTTP/1.0 200 OK")
            << c.fields;
        EXPECT_EQ(answer.body.empty(), c.notModified) << c.fields;
        EXPECT_EQ(Field(answer, "ETag"), etag) << c.fields;
    }
}

TEST(ListingsSiteXmltv, FailureOptionsApply)
{
    const struct
    {
        std::vector<std::string> args;
        std::string status;
        bool readable;
    } cases[] = {
        {{"--fail-on", "xmltv"}, "HTTP/1.0 500 Internal Server Error", false},
        {{"--fail-on", "xmltv", "--fail-how", "cut"}, "HTTP/1.0 200 OK", false},
        {{"--status", "503"}, "HTTP/1.0 503 Service Unavailable", true},
        {{"--mode", "close-mid-body"}, "HTTP/1.0 200 OK", false},
    };
    for (const auto& c : cases)
    {
        ListingsSite site(c.args);
        ASSERT_TRUE(site.Ok()) << site.Error();
        for (const std::string target : {"/xmltv.xml", "/xmltv.xml.gz"})
        {
            const Answer answer = Get(site, target);
            EXPECT_EQ(answer.status, c.status) << c.args[1] << " " << target;
            EXPECT_EQ(ReadGuide(answer.body).ok, c.readable) << c.args[1] << " " << target;
        }
    }
}
} // namespace
