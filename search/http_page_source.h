// HttpPageSource: result pages over HTTP and HTTPS, through libcurl.
//
// One GET per page on a connection of its own, with exactly the request head
// of the job (request line, then Referer, Content-type, Host and User-Agent);
// over https the same bytes go inside TLS, with the certificate checked
// against the system's CA store, or against the file that SSL_CERT_FILE
// names. Redirects (301, 302, 303, 307, 308) are followed, at most ten in a
// row and to http or https only, with the same request; libcurl resolves each
// Location. An answer other than 2xx, a failed handshake, a body beyond
// maxBodyBytes or a page beyond pageSeconds is an error with a German text,
// and so is a body that does not arrive whole: cut before its Content-Length,
// broken by a reset, or silent for waitSeconds. Only a body that ends with
// its Content-Length, or without one with a clean close, is a page. A wait
// without a byte for waitSeconds before the answer's head is complete is a
// connection error.
#pragma once

#include "page_source.h"

#include <functional>
#include <memory>

class HttpPageSource : public PageSource
{
public:
    HttpPageSource();
    ~HttpPageSource() override;
    HttpPageSource(const HttpPageSource&) = delete;
    HttpPageSource& operator=(const HttpPageSource&) = delete;

    PageAnswer Get(const PageRequest& request, const BodySink& body) override;

    // Called at least every kWaitSliceMs while a page is awaited, so that a
    // window can go on handling its events meanwhile. Without it the client
    // sleeps until the network has something for it.
    std::function<void()> m_whileWaiting;
    // Asked before a request goes out and while a page is awaited: once it
    // answers true, the page is dropped at once (no further request is sent)
    // and Get ends with kStoppedText.
    std::function<bool()> m_stopNow;

    static constexpr int kWaitSliceMs = 10;
    static constexpr int kMaxRedirects = 10;

private:
    struct Curl;
    std::unique_ptr<Curl> m_curl;
};

// The User-Agent value of every request: "Velunda/<version>".
extern const char* const kUserAgent;
// The error of a page that m_stopNow ended.
extern const char kStoppedText[];
