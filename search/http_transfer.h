// HttpClient: GET requests over libcurl's multi interface, for the pages of
// the listings site and the downloads of guides.
//
// One request per connection. The head is the caller's, built anew for each
// server a redirect leads to (301, 302, 303, 307, 308, followed here, at most
// ten in a row, to http and https only; libcurl resolves each Location).
// Certificates are checked, host name included, against the system's CA
// store, or against the file that SSL_CERT_FILE names. While an answer is
// awaited a hook of the caller runs at least every kWaitSliceMs, and a stop
// check is asked before anything goes out and in every slice. An answer
// other than 2xx (or 304 where the caller asked for it), a failed handshake,
// a body beyond its limit or a transfer beyond its time is an error with a
// German text, and so is a body that does not arrive whole: cut before its
// Content-Length, broken by a reset, or silent for the wait. A wait without a
// byte before the answer's head is complete is a connection error.
#pragma once

#include "page_source.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

// How failure texts name what was asked for, in the cases German needs.
struct HttpNaming
{
    // "Die Suchseite X antwortete ...", "Die Antwort der Suchseite X ...".
    std::string noun = "Suchseite";
    // Where the user names the address: what to check, as subject
    // ("ob der Wert Host in ~/.velunda den Namen nennt"), as object ("Prüfen
    // Sie den Wert Host in ~/.velunda"), with "in" ("im Wert Host in
    // ~/.velunda"), and the pronoun for it ("stimmt er").
    std::string subject = "der Wert Host in ~/.velunda";
    std::string object = "den Wert Host in ~/.velunda";
    std::string within = "im Wert Host in ~/.velunda";
    std::string pronoun = "er";
    // When no server could be reached.
    std::string noConnection = "Konnte Verbindung nicht herstellen!";
};

// One GET, with its redirects.
struct HttpGet
{
    // The first address: absolute, with http:// or https://.
    std::string url;
    // The lines of the request head after the request line, for the server
    // named by authority ("name", or "name:port" where the port is not the
    // scheme's own), joined by "\r\n" without one at the end. libcurl adds
    // none of its own.
    std::function<std::string(const std::string& authority)> head;
    bool http10 = true;
    // Longest wait for the network, in seconds: for the connection, and for
    // each next byte of the answer.
    int waitSeconds = 120;
    // Longest time for the whole transfer, redirects included, in seconds.
    int totalSeconds = 600;
    // Largest body taken.
    std::size_t maxBodyBytes = std::size_t{16} << 20;
    // A "304 Not Modified" answer is no error (the head asked for it).
    bool notModifiedIsAnswer = false;
    HttpNaming naming;
};

// How a GET ended.
struct HttpAnswer
{
    // A whole 2xx body went to the sink.
    bool ok = false;
    // The server answered "304 Not Modified": no body, and no error.
    bool notModified = false;
    // When neither: why, in German, as Windows-1252 bytes.
    std::string error;
    // Name (and port, where it is not the scheme's own) of the server that
    // gave the last answer; empty when none answered.
    std::string answeredBy;
    // The validators of the last answer, as sent; empty when it had none.
    std::string etag;
    std::string lastModified;
};

class HttpClient
{
public:
    HttpClient();
    ~HttpClient();
    HttpClient(const HttpClient&) = delete;
    HttpClient& operator=(const HttpClient&) = delete;

    HttpAnswer Get(const HttpGet& get, const BodySink& body);

    // Called at least every kWaitSliceMs while an answer is awaited, so that
    // a window can go on handling its events meanwhile. Without it the client
    // sleeps until the network has something for it.
    std::function<void()> m_whileWaiting;
    // Asked before a request goes out and while an answer is awaited: once it
    // answers true, the transfer is dropped at once and Get ends with
    // kStoppedText.
    std::function<bool()> m_stopNow;

    static constexpr int kWaitSliceMs = 10;
    static constexpr int kMaxRedirects = 10;

private:
    struct Curl;
    std::unique_ptr<Curl> m_curl;
};

// The User-Agent value of every request: "Velunda/<version>".
extern const char* const kUserAgent;
// The error of a transfer that the stop check ended.
extern const char kStoppedText[];
// "„text“", in Windows-1252.
std::string QuotedText(const std::string& text);
// Whether text begins with prefix (written in lower case), ASCII letters of
// either case alike: how schemes and header names compare.
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// Whether a header value stays on its line (no CR, LF or NUL in it).
bool IsOneHeaderLine(const std::string& value);
