// Starts the local listings site (tools/listings_site.py) as a child process
// on a free port of 127.0.0.1 and stops it again when the object goes.
//
//     ListingsSite site({"--mode", "slow", "--delay", "2"});
//     ASSERT_TRUE(site.Ok()) << site.Error();
//     job.m_host = site.Host();                  // "127.0.0.1:<port>"
//     ... site.RequestLines() ...                // what was sent, in order
//
// The script is found through the VELUNDA_SOURCE_DIR environment variable,
// else through the source directory compiled in. No test framework needed.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

class ListingsSite
{
public:
    // extraArgs go to the script as they stand (see its --help). A request
    // log is always kept in a temporary file.
    explicit ListingsSite(const std::vector<std::string>& extraArgs = {});
    ~ListingsSite();
    ListingsSite(const ListingsSite&) = delete;
    ListingsSite& operator=(const ListingsSite&) = delete;

    // Whether the site started and printed its port; Error() tells why not.
    bool Ok() const { return m_port > 0; }
    const std::string& Error() const { return m_error; }

    int Port() const { return m_port; }
    std::string Host() const { return "127.0.0.1:" + std::to_string(m_port); }

    // The raw request heads logged so far, and their request lines
    // ("GET <target> HTTP/1.0"), in the order received.
    std::string Log() const;
    std::vector<std::string> RequestLines() const;
    // The request targets of the lines, percent-encoding left as sent.
    std::vector<std::string> RequestTargets() const;
    const std::string& LogPath() const { return m_logPath; }

    // Stops the site now (also done by the destructor).
    void Stop();

    static std::string ScriptPath();

private:
    pid_t m_pid = -1;
    int m_port = 0;
    std::string m_error;
    std::string m_logPath;
};
