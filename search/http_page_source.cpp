// HttpPageSource: one page per GET, redirects, time-outs and limits.
#include "http_page_source.h"

#include "velunda_version.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <mutex>
#include <string_view>

const char* const kUserAgent = "Velunda/" VELUNDA_VERSION;
const char kStoppedText[] = "Der Suchlauf wurde abgebrochen.";

namespace
{
using Clock = std::chrono::steady_clock;

const char kConnectionError[] = "Konnte Verbindung nicht herstellen!";
// Parts of the German texts with umlauts, as Windows-1252 bytes.
const char kTookTooLong[] = " brauchte f\xFCr eine Seite l\xE4nger als ";
const char kBiggerThan[] = " ist gr\xF6\xDF"
                           "er als ";
const char kNoValidTarget[] = " weiter, nannte aber kein g\xFCltiges Ziel.";
const char kNoValidAnswer[] = " gab keine g\xFCltige HTTP-Antwort (";
const char kNotWhole[] = " kam nicht vollst\xE4ndig an: ";
const char kWasReset[] = " zur\xFC"
                         "ckgesetzt.";

// The texts are Windows-1252 bytes, like every text of the job. „ and “ are
// 0x84 and 0x93.
std::string Quoted(std::string_view text)
{
    std::string quoted = "\x84";
    quoted += text;
    quoted += "\x93";
    return quoted;
}

std::string Join(std::initializer_list<std::string_view> pieces)
{
    std::string text;
    for (const std::string_view piece : pieces)
        text += piece;
    return text;
}

bool StartsWithNoCase(std::string_view text, std::string_view prefix)
{
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
    {
        const char a = text[i];
        const char lower = a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a;
        if (lower != prefix[i])
            return false;
    }
    return true;
}

// The site as a URL base ("http://name:port"); false for a scheme other
// than http and https.
bool SiteBase(const std::string& site, std::string& base)
{
    std::string_view rest = site;
    std::string scheme = "http";
    if (StartsWithNoCase(rest, "http://"))
        rest.remove_prefix(7);
    else if (StartsWithNoCase(rest, "https://"))
    {
        scheme = "https";
        rest.remove_prefix(8);
    }
    else
    {
        const std::string_view::size_type colon = rest.find("://");
        if (colon != std::string_view::npos && rest.find('/') > colon)
            return false;
    }
    while (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    base = scheme + "://";
    base += rest;
    return true;
}

// A header value must stay on its line.
bool OneLine(const std::string& value)
{
    return value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
}

// The parts of a URL that a request needs, as libcurl reads them.
struct Target
{
    bool ok = false;
    bool https = false;
    // "name" or "name:port" where the port is not the scheme's own: the Host
    // header, and how the server is named in messages.
    std::string authority;
};

Target ParseTarget(const std::string& url)
{
    Target target;
    CURLU* parsed = curl_url();
    if (!parsed)
        return target;
    char* scheme = nullptr;
    char* host = nullptr;
    char* port = nullptr;
    if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_PATH_AS_IS) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_SCHEME, &scheme, 0) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_HOST, &host, 0) == CURLUE_OK && host[0] != '\0')
    {
        target.https = std::strcmp(scheme, "https") == 0;
        target.ok = target.https || std::strcmp(scheme, "http") == 0;
        target.authority = host;
        if (curl_url_get(parsed, CURLUPART_PORT, &port, CURLU_NO_DEFAULT_PORT) == CURLUE_OK)
        {
            target.authority += ':';
            target.authority += port;
        }
    }
    curl_free(scheme);
    curl_free(host);
    curl_free(port);
    curl_url_cleanup(parsed);
    return target;
}

// The absolute address a Location leads to from url, resolved by libcurl as
// it resolves one itself; empty when there is none.
std::string ResolveLocation(const std::string& url, const std::string& location)
{
    std::string resolved;
    CURLU* parsed = curl_url();
    if (!parsed || location.empty())
    {
        curl_url_cleanup(parsed);
        return resolved;
    }
    char* text = nullptr;
    if (curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_PATH_AS_IS) == CURLUE_OK &&
        curl_url_set(parsed, CURLUPART_URL, location.c_str(),
                     CURLU_URLENCODE | CURLU_ALLOW_SPACE | CURLU_NON_SUPPORT_SCHEME |
                         CURLU_PATH_AS_IS) == CURLUE_OK &&
        curl_url_get(parsed, CURLUPART_URL, &text, 0) == CURLUE_OK)
        resolved = text;
    curl_free(text);
    curl_url_cleanup(parsed);
    return resolved;
}

bool IsRedirect(long status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

bool IsTlsFailure(CURLcode code)
{
    switch (code)
    {
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_USE_SSL_FAILED:
        return true;
    default:
        return false;
    }
}

// OpenSSL's verify results (X509_V_ERR_...) that get a sentence of their
// own; libcurl hands them out as CURLINFO_SSL_VERIFYRESULT.
enum : long
{
    kVerifyOk = 0,
    kVerifyUnspecified = 1,
    kUnableToGetIssuerCert = 2,
    kCertNotYetValid = 9,
    kCertHasExpired = 10,
    kSelfSignedCert = 18,
    kSelfSignedCertInChain = 19,
    kUnableToGetIssuerCertLocally = 20,
    kUnableToVerifyLeafSignature = 21,
    kHostnameMismatch = 62,
};

// Why a secure connection failed, as a German sentence (Windows-1252) that
// says what went wrong and what to do; libcurl's own text follows in
// parentheses where the reason has no sentence of its own.
std::string TlsFailureReason(CURL* easy, CURLcode result, const char* curlError)
{
    std::string curlText = curlError[0] ? curlError : curl_easy_strerror(result);
    while (!curlText.empty() && curlText.back() == ' ')
        curlText.pop_back();
    long verify = kVerifyOk;
    curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &verify);
    if (result == CURLE_PEER_FAILED_VERIFICATION)
    {
        switch (verify)
        {
        case kUnableToGetIssuerCert:
        case kSelfSignedCertInChain:
        case kUnableToGetIssuerCertLocally:
        case kUnableToVerifyLeafSignature:
            return "Das Zertifikat der Seite stammt von einer Zertifizierungsstelle, der dieser "
                   "Rechner nicht vertraut. Pr\xFC"
                   "fen Sie den Wert Host in ~/.velunda; stimmt er, fehlt dem System diese Stelle "
                   "(Paket ca-certificates, oder nennen Sie sie in SSL_CERT_FILE).";
        case kSelfSignedCert:
            return "Die Seite hat ihr Zertifikat selbst ausgestellt, und dieser Rechner vertraut "
                   "ihm nicht. Pr\xFC"
                   "fen Sie den Wert Host in ~/.velunda; ist es die richtige Seite, nennen Sie ihr "
                   "Zertifikat in SSL_CERT_FILE.";
        case kCertHasExpired:
            return "Das Zertifikat der Seite ist abgelaufen. Stimmen Datum und Uhrzeit dieses "
                   "Rechners, muss der Betreiber der Seite es erneuern.";
        case kCertNotYetValid:
            return "Das Zertifikat der Seite gilt erst ab einem sp\xE4teren Datum. Pr\xFC"
                   "fen Sie Datum und Uhrzeit dieses Rechners.";
        // libcurl checks the name itself once OpenSSL has accepted the
        // chain, before it takes OpenSSL's result; the result then still
        // holds libcurl's placeholder.
        case kVerifyOk:
        case kVerifyUnspecified:
        case kHostnameMismatch:
            return "Das Zertifikat der Seite gilt f\xFCr einen anderen Namen. Pr\xFC"
                   "fen Sie, ob der Wert Host in ~/.velunda den Namen nennt, f\xFCr den das "
                   "Zertifikat ausgestellt ist.";
        default:
            return "Das Zertifikat der Seite ist nicht g\xFCltig (" + curlText + ").";
        }
    }
    if (result == CURLE_SSL_CONNECT_ERROR)
        return "Der Aufbau der verschl\xFCsselten Verbindung scheiterte. Pr\xFC"
               "fen Sie, ob die Seite unter dieser Adresse https spricht (sonst http:// im "
               "Wert Host in ~/.velunda), und versuchen Sie es sp\xE4ter noch einmal (" +
               curlText + ").";
    if (result == CURLE_SSL_CACERT_BADFILE)
    {
        const char* caFile = std::getenv("SSL_CERT_FILE");
        if (caFile && *caFile)
            return "Die Zertifikate in " + Quoted(caFile) +
                   " (SSL_CERT_FILE) lassen sich nicht lesen. Nennen Sie dort eine lesbare "
                   "PEM-Datei, oder lassen Sie SSL_CERT_FILE weg.";
        return "Die Zertifikate des Systems lassen sich nicht lesen. Installieren Sie das Paket "
               "ca-certificates.";
    }
    return "Die Verschl\xFCsselung scheiterte (" + curlText + ").";
}

// A limit as the user reads it: "10 Minuten", "16 MiB".
std::string Duration(int seconds)
{
    if (seconds >= 60 && seconds % 60 == 0)
        return std::to_string(seconds / 60) + (seconds == 60 ? " Minute" : " Minuten");
    return std::to_string(seconds) + (seconds == 1 ? " Sekunde" : " Sekunden");
}

std::string Bytes(std::size_t bytes)
{
    return std::to_string(bytes) + (bytes == 1 ? " Byte" : " Bytes");
}

std::string Size(std::size_t bytes)
{
    const std::size_t mib = std::size_t{1} << 20;
    if (bytes >= mib && bytes % mib == 0)
        return std::to_string(bytes / mib) + " MiB";
    return Bytes(bytes);
}

// Why a transfer was ended from this side.
enum class Stop
{
    None,
    NotNeeded,  // the head said all there is to know
    TooBig,     // the body grew beyond the limit
    ByReceiver, // the sink took no more
    Silent,     // no byte for the wait time
    TooLong,    // the page took longer than its time
    Stopped,    // the caller wants no more
};

// One transfer: one request and its answer.
struct Transfer
{
    CURL* easy = nullptr;
    const BodySink* sink = nullptr;
    std::size_t maxBodyBytes = 0;
    std::size_t received = 0;
    Clock::time_point lastActivity;
    bool connected = false;
    bool headDone = false;
    long status = 0;
    std::string reason;
    // The first Location header of the answer, as sent.
    std::string location;
    Stop stop = Stop::None;
};

std::size_t OnHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    Transfer& t = *static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    t.lastActivity = Clock::now();
    std::string_view line(data, length);
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
    if (line.substr(0, 5) == "HTTP/")
    {
        // "HTTP/1.1 503 Service Unavailable": the reason is what follows the
        // code, without control bytes and within reason.
        t.reason.clear();
        const std::string_view::size_type code = line.find(' ');
        const std::string_view::size_type text =
            code == std::string_view::npos ? code : line.find(' ', code + 1);
        if (text != std::string_view::npos)
        {
            for (const char c : line.substr(text + 1, 200))
                t.reason += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
        }
        t.location.clear();
    }
    else if (StartsWithNoCase(line, "location:") && t.location.empty())
    {
        std::string_view value = line.substr(9);
        while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
            value.remove_prefix(1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
            value.remove_suffix(1);
        t.location = value;
    }
    else if (line.empty())
    {
        long status = 0;
        curl_easy_getinfo(t.easy, CURLINFO_RESPONSE_CODE, &status);
        if (status >= 200)
        {
            // The final answer's head (1xx heads are only interim). A body is
            // wanted only from a 2xx answer; for any other, a redirect's
            // included, the head is enough.
            t.headDone = true;
            t.status = status;
            if (status / 100 != 2)
            {
                t.stop = Stop::NotNeeded;
                return 0;
            }
        }
    }
    return length;
}

std::size_t OnBody(char* data, std::size_t size, std::size_t count, void* user)
{
    Transfer& t = *static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    t.lastActivity = Clock::now();
    if (length > t.maxBodyBytes - t.received)
    {
        t.stop = Stop::TooBig;
        return 0;
    }
    t.received += length;
    if (!(*t.sink)(data, length))
    {
        t.stop = Stop::ByReceiver;
        return 0;
    }
    return length;
}

// Runs one transfer to its end, or until the site stays silent for wait
// (once connected: the connection's own wait is libcurl's) or the page
// reaches its end time, or stopNow answers true; in between, whileWaiting
// (when set) runs at least every kWaitSliceMs. Returns libcurl's result of the
// transfer.
CURLcode RunTransfer(CURLM* multi, Transfer& t, std::chrono::seconds wait,
                     Clock::time_point pageEnd, const std::function<void()>& whileWaiting,
                     const std::function<bool()>& stopNow)
{
    CURL* const easy = t.easy;
    if (curl_multi_add_handle(multi, easy) != CURLM_OK)
        return CURLE_FAILED_INIT;
    CURLcode result = CURLE_OK;
    for (;;)
    {
        int running = 0;
        if (curl_multi_perform(multi, &running) != CURLM_OK)
        {
            result = CURLE_FAILED_INIT;
            break;
        }
        if (running == 0)
        {
            int left = 0;
            while (CURLMsg* message = curl_multi_info_read(multi, &left))
            {
                if (message->msg == CURLMSG_DONE)
                    result = message->data.result;
            }
            break;
        }
        if (stopNow && stopNow())
        {
            t.stop = Stop::Stopped;
            break;
        }
        const Clock::time_point now = Clock::now();
        if (!t.connected)
        {
            // The wait for the answer begins once the request is about to go.
            curl_off_t sent = 0;
            curl_easy_getinfo(easy, CURLINFO_PRETRANSFER_TIME_T, &sent);
            if (sent > 0)
            {
                t.connected = true;
                t.lastActivity = now;
            }
        }
        if (t.connected && now - t.lastActivity >= wait)
        {
            t.stop = Stop::Silent;
            break;
        }
        if (now >= pageEnd)
        {
            t.stop = Stop::TooLong;
            break;
        }
        auto left = std::min(pageEnd - now, t.lastActivity + wait - now);
        if (whileWaiting)
            left = std::min<Clock::duration>(
                left, std::chrono::milliseconds(HttpPageSource::kWaitSliceMs));
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(left).count();
        curl_multi_poll(multi, nullptr, 0, static_cast<int>(std::max<long long>(1, ms)), nullptr);
        if (whileWaiting)
            whileWaiting();
    }
    curl_multi_remove_handle(multi, easy);
    return result;
}

// How a body came to an end before it was whole, and how much of it came.
std::string WhyNotWhole(CURL* easy, const Transfer& t, CURLcode result, int waitSeconds)
{
    if (t.stop == Stop::Silent)
        return Join(
            {"nach ", Bytes(t.received), " kam ", Duration(waitSeconds), " lang nichts mehr."});
    curl_off_t expected = -1;
    curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected);
    const std::string arrived =
        expected >= 0
            ? Join({std::to_string(t.received), " von ", Bytes(static_cast<std::size_t>(expected))})
            : Bytes(t.received);
    if (result == CURLE_RECV_ERROR)
        return Join({"die Verbindung wurde nach ", arrived, kWasReset});
    if (result == CURLE_PARTIAL_FILE)
        return Join({"die Verbindung endete nach ", arrived, "."});
    return Join({"nach ", arrived, " (", curl_easy_strerror(result), ")."});
}

// libcurl's global set-up, once per process.
void InitCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}
} // namespace

struct HttpPageSource::Curl
{
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    char error[CURL_ERROR_SIZE] = {};
};

HttpPageSource::HttpPageSource() : m_curl(std::make_unique<Curl>())
{
    InitCurlOnce();
    m_curl->multi = curl_multi_init();
    m_curl->easy = curl_easy_init();
    CURL* easy = m_curl->easy;
    if (!m_curl->multi || !easy)
        return;
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_curl->error);
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_0));
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // The job's requests go to the site itself, as written, each on a
    // connection of its own, and a redirect is followed here, not by
    // libcurl, so that the next request keeps the same head.
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_PATH_AS_IS, 1L);
    curl_easy_setopt(easy, CURLOPT_DISALLOW_USERNAME_IN_URL, 1L);
    curl_easy_setopt(easy, CURLOPT_FORBID_REUSE, 1L);
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    // OpenSSL's convention: SSL_CERT_FILE names the CA certificates to trust
    // instead of the system's store.
    const char* caFile = std::getenv("SSL_CERT_FILE");
    if (caFile && *caFile)
    {
        curl_easy_setopt(easy, CURLOPT_CAINFO, caFile);
        curl_easy_setopt(easy, CURLOPT_CAPATH, static_cast<char*>(nullptr));
    }
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, OnHeader);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, OnBody);
}

HttpPageSource::~HttpPageSource()
{
    if (m_curl->easy)
        curl_easy_cleanup(m_curl->easy);
    if (m_curl->multi)
        curl_multi_cleanup(m_curl->multi);
}

PageAnswer HttpPageSource::Get(const PageRequest& request, const BodySink& body)
{
    PageAnswer answer;
    answer.error = kConnectionError;
    CURL* const easy = m_curl->easy;
    CURLM* const multi = m_curl->multi;
    if (!easy || !multi || !OneLine(request.contentType) || !OneLine(request.referer))
        return answer;

    std::string base;
    if (!SiteBase(request.site, base))
    {
        answer.error =
            "Die Adresse " + Quoted(request.site) + " beginnt weder mit http:// noch mit https://.";
        return answer;
    }
    std::string url = base;
    if (request.path.empty() || request.path[0] != '/')
        url += '/';
    url += request.path;

    const auto wait = std::chrono::seconds(std::max(1, request.waitSeconds));
    const Clock::time_point pageEnd =
        Clock::now() + std::chrono::seconds(std::max(1, request.pageSeconds));
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     static_cast<long>(std::chrono::milliseconds(wait).count()));

    Target target = ParseTarget(url);
    if (!target.ok)
        return answer;
    for (int redirects = 0;; ++redirects)
    {
        answer.answeredBy = target.authority;

        // libcurl drops a header line whose value is empty (and writes
        // "Name;" without the blank), so the four lines go to it as one
        // block; its own Host and Accept lines are switched off.
        const std::string block =
            Join({"Referer: ", request.referer, "\r\nContent-type: ", request.contentType,
                  "\r\nHost: ", target.authority, "\r\nUser-Agent: ", kUserAgent});
        curl_slist* headers = curl_slist_append(nullptr, "Host:");
        headers = curl_slist_append(headers, "Accept:");
        headers = curl_slist_append(headers, block.c_str());

        Transfer t;
        t.easy = easy;
        t.sink = &body;
        t.maxBodyBytes = request.maxBodyBytes;
        t.lastActivity = Clock::now();
        m_curl->error[0] = '\0';
        curl_easy_setopt(easy, CURLOPT_URL, url.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);

        const CURLcode result = RunTransfer(multi, t, wait, pageEnd, m_whileWaiting, m_stopNow);
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
        curl_slist_free_all(headers);

        const std::string& by = answer.answeredBy;
        const std::string status =
            Quoted(Join({std::to_string(t.status), t.reason.empty() ? "" : " ", t.reason}));
        switch (t.stop)
        {
        case Stop::TooLong:
            answer.error =
                Join({"Die Suchseite ", by, kTookTooLong, Duration(request.pageSeconds), "."});
            return answer;
        case Stop::TooBig:
            answer.error = Join(
                {"Die Antwort der Suchseite ", by, kBiggerThan, Size(request.maxBodyBytes), "."});
            return answer;
        case Stop::ByReceiver:
            answer.ok = true;
            return answer;
        case Stop::Stopped:
            answer.error = kStoppedText;
            return answer;
        case Stop::Silent:
        case Stop::None:
        case Stop::NotNeeded:
            break;
        }

        if (t.headDone && t.status / 100 == 2)
        {
            // Only a whole body is a page: the rows of a part would be taken
            // as known, and the rows after the cut never reported.
            answer.ok = t.stop == Stop::None && result == CURLE_OK;
            if (!answer.ok)
                answer.error = Join({"Die Antwort der Suchseite ", by, kNotWhole,
                                     WhyNotWhole(easy, t, result, request.waitSeconds)});
            return answer;
        }
        if (t.headDone && IsRedirect(t.status))
        {
            const std::string next = ResolveLocation(url, t.location);
            if (next.empty())
            {
                answer.error =
                    Join({"Die Suchseite ", by, " leitete mit ", status, kNoValidTarget});
                return answer;
            }
            Target nextTarget = ParseTarget(next);
            if (!nextTarget.ok)
            {
                answer.error =
                    Join({"Die Suchseite ", by, " leitete nach ", Quoted(next),
                          " weiter; Velunda folgt nur Adressen mit http:// und https://."});
                return answer;
            }
            if (redirects == kMaxRedirects)
            {
                answer.error = Join({"Die Suchseite ", by, " leitete mehr als ",
                                     std::to_string(kMaxRedirects), "-mal in Folge weiter."});
                return answer;
            }
            url = next;
            target = std::move(nextTarget);
            continue;
        }
        if (t.headDone)
        {
            answer.error = Join({"Die Suchseite ", by, " antwortete mit ", status, "."});
            return answer;
        }
        if (IsTlsFailure(result))
        {
            answer.error =
                Join({"Die sichere Verbindung zu ", by,
                      " kam nicht zustande: ", TlsFailureReason(easy, result, m_curl->error)});
            return answer;
        }
        if (t.connected && t.stop == Stop::None &&
            (result == CURLE_WEIRD_SERVER_REPLY || result == CURLE_UNSUPPORTED_PROTOCOL ||
             result == CURLE_BAD_CONTENT_ENCODING || result == CURLE_OUT_OF_MEMORY))
        {
            const char* why = m_curl->error[0] ? m_curl->error : curl_easy_strerror(result);
            answer.error = Join({"Die Suchseite ", by, kNoValidAnswer, why, ")."});
            return answer;
        }
        return answer;
    }
}
