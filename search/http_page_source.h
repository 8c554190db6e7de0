// HttpPageSource: result pages over HTTP and HTTPS, through HttpClient.
//
// One GET per page on a connection of its own, with exactly the request head
// of the job (request line "GET <path> HTTP/1.0", then Referer, Content-type,
// Host and User-Agent); over https the same bytes go inside TLS. Redirects,
// certificates, limits and the failures that are errors are HttpClient's:
// only a whole body is a page.
#pragma once

#include "http_transfer.h"
#include "page_source.h"

#include <functional>

class HttpPageSource : public PageSource
{
public:
    PageAnswer Get(const PageRequest& request, const BodySink& body) override;

    // Called at least every kWaitSliceMs while a page is awaited, so that a
    // window can go on handling its events meanwhile. Without it the client
    // sleeps until the network has something for it.
    std::function<void()> m_whileWaiting;
    // Asked before a request goes out and while a page is awaited: once it
    // answers true, the page is dropped at once (no further request is sent)
    // and Get ends with kStoppedText.
    std::function<bool()> m_stopNow;

    static constexpr int kWaitSliceMs = HttpClient::kWaitSliceMs;
    static constexpr int kMaxRedirects = HttpClient::kMaxRedirects;

private:
    HttpClient m_client;
};
