// GuideInput: the bytes of an XMLTV guide from where the user named it: a
// file, standard input ("-"), or an http:// or https:// address.
//
// A download goes through the same HTTP client as the listings site's pages
// (certificates, redirects, German failure texts), streamed to the caller as
// it arrives. Its last copy is kept in the working folder with the ETag and
// Last-Modified of its answer, so that the next download asks with
// If-None-Match and If-Modified-Since; on "304 Not Modified" the kept copy is
// read instead.
#pragma once

#include "page_source.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct GuideSource
{
    // A file path as the file system takes it, an address, or "-".
    std::string location;
    // How texts name the guide (Windows-1252).
    std::string shown;
};

class GuideInput
{
public:
    // Hands the guide's bytes to feed, in pieces, until it is read whole
    // (true) or something failed (false, with the German text in error). A
    // feed that answers false ends the reading there, with error empty.
    bool Read(const GuideSource& source, const BodySink& feed, std::string& error);

    // Whether a location is an address to download.
    static bool IsAddress(const std::string& location);
    // The names of the kept copy of the guide at an address and of its
    // validators, in the working folder.
    static std::vector<std::string> CopyFiles(const std::string& address);
    // Whether a file name is one that CopyFiles gives.
    static bool IsCopyFile(std::string_view name);

    // Called between pieces and while a download is awaited; once m_stopNow
    // answers true the reading ends with the stop's text.
    std::function<void()> m_whileWaiting;
    std::function<bool()> m_stopNow;
    // Longest wait for the network, for every wait of a download.
    int m_waitSeconds = 120;
    // Where "-" reads from; -1 when standard input may not be read.
    int m_stdin = -1;

    // The largest guide taken, and the longest time a download may take.
    static constexpr std::size_t kMaxGuideBytes = std::size_t{2} << 30;
    static constexpr int kDownloadSeconds = 3600;

private:
    bool ReadFile(const GuideSource& source, int fd, const BodySink& feed, std::string& error);
    bool Download(const GuideSource& source, const BodySink& feed, std::string& error);
};
