// PageSource: where a search job gets its result pages from.
//
// The job asks for one page at a time and receives the body as it arrives.
// The program's source is the HTTP client (HttpPageSource); tests and
// benchmarks hand pages from memory through the same interface.
#pragma once

#include <cstddef>
#include <functional>
#include <string>

// One GET of a result page.
struct PageRequest
{
    // The listings site as the user wrote it: "name", "name:port", or either
    // behind "http://" or "https://". Without a scheme it means http.
    std::string site;
    // Path and query, sent exactly as given.
    std::string path;
    // The values of the "Content-type" and "Referer" headers; both lines go
    // out also when empty.
    std::string contentType;
    std::string referer;
    // Longest wait for the network, in seconds: for the connection, and for
    // each next byte of the answer.
    int waitSeconds = 120;
    // Longest time for the whole page, redirects included, in seconds.
    int pageSeconds = 600;
    // Largest body taken.
    std::size_t maxBodyBytes = std::size_t{16} << 20;
};

// How the fetch of one page ended.
struct PageAnswer
{
    // A page was received: its body went to the sink, whole or as far as it
    // arrived before the server closed or fell silent.
    bool ok = false;
    // When not ok: why, in German, as Windows-1252 bytes like every text of
    // the job.
    std::string error;
    // Name (and port, where it is not the scheme's own) of the server that
    // gave the last answer; empty when none answered.
    std::string answeredBy;
};

// Takes the body bytes as they arrive; false stops the page there.
using BodySink = std::function<bool(const char* data, std::size_t size)>;

class PageSource
{
public:
    virtual ~PageSource() = default;
    virtual PageAnswer Get(const PageRequest& request, const BodySink& body) = 0;
};
