// HttpClient: one GET and its redirects, waits, limits and German texts.
//
// Get takes three steps per request: build it (the address, read once as
// libcurl reads it), run it (one transfer and the wait for it), and classify
// the answer (a body, a redirect to follow, or one kind of failure). The
// German texts of the failures stand together in FailureText.
#include "http_transfer.h"

#include "velunda_version.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <initializer_list>
#include <mutex>
#include <string_view>

const char* const kUserAgent = "Velunda/" VELUNDA_VERSION;
const char kStoppedText[] = "Der Suchlauf wurde abgebrochen.";

namespace
{
using Clock = std::chrono::steady_clock;

std::string Join(std::initializer_list<std::string_view> pieces)
{
    std::string text;
    for (const std::string_view piece : pieces)
        text += piece;
    return text;
}

// Where a GET stands after each step. Ready: a request is built and goes
// out next. Page, Redirect and NotModified: what an answer comes to when it
// is no failure. Every other value is one kind of failure, with its own text in
// FailureText.
enum class Outcome
{
    Ready,
    Page,
    Redirect,
    NotModified,
    NoConnection,
    Stopped,
    TooLong,
    TooBig,
    BodySilent,
    BodyReset,
    BodyCut,
    BodyBroken,
    Status,
    RedirectWithoutTarget,
    RedirectNotHttp,
    TooManyRedirects,
    NoHttpAnswer,
    CertificateUntrustedIssuer,
    CertificateSelfSigned,
    CertificateExpired,
    CertificateNotYetValid,
    CertificateOtherName,
    CertificateInvalid,
    HandshakeFailed,
    CaFileUnreadable,
    SystemCaUnreadable,
    TlsFailed,
};

// The address of one request.
struct Address
{
    // As it goes to libcurl.
    std::string url;
    // "name" or "name:port" where the port is not the scheme's own: the Host
    // header, and how the server is named in messages.
    std::string authority;
};

// One part of a URL that libcurl has read; false when it has none.
bool UrlPart(CURLU* parsed, CURLUPart part, unsigned int flags, std::string& value)
{
    char* text = nullptr;
    const bool ok = curl_url_get(parsed, part, &text, flags) == CURLUE_OK;
    if (ok)
        value = text;
    curl_free(text);
    return ok;
}

// Reads url as libcurl reads it into the address of a request; with a
// location, the redirect's target resolved against url as libcurl resolves
// one itself. RedirectWithoutTarget: no URL comes of it. RedirectNotHttp:
// the URL (then in address.url) has a scheme other than http and https, or
// no host.
Outcome ReadAddress(const std::string& url, const std::string* location, Address& address)
{
    const unsigned int asLocation =
        CURLU_URLENCODE | CURLU_ALLOW_SPACE | CURLU_NON_SUPPORT_SCHEME | CURLU_PATH_AS_IS;
    CURLU* const parsed = curl_url();
    std::string scheme;
    std::string port;
    Outcome outcome = Outcome::Ready;
    address.url = url;
    if (!parsed ||
        curl_url_set(parsed, CURLUPART_URL, url.c_str(), CURLU_PATH_AS_IS) != CURLUE_OK ||
        (location &&
         (location->empty() ||
          curl_url_set(parsed, CURLUPART_URL, location->c_str(), asLocation) != CURLUE_OK ||
          !UrlPart(parsed, CURLUPART_URL, 0, address.url))))
        outcome = Outcome::RedirectWithoutTarget;
    else if (!UrlPart(parsed, CURLUPART_SCHEME, 0, scheme) ||
             (scheme != "http" && scheme != "https") ||
             !UrlPart(parsed, CURLUPART_HOST, 0, address.authority) || address.authority.empty())
        outcome = Outcome::RedirectNotHttp;
    else if (UrlPart(parsed, CURLUPART_PORT, CURLU_NO_DEFAULT_PORT, port))
        address.authority += ':' + port;
    curl_url_cleanup(parsed);
    return outcome;
}

// The address a redirect leads to, as the next request's; the redirects
// before it are counted in redirects.
Outcome FollowRedirect(Address& address, const std::string& location, int redirects)
{
    const std::string from = address.url;
    const Outcome outcome = ReadAddress(from, &location, address);
    if (outcome == Outcome::Ready && redirects == HttpClient::kMaxRedirects)
        return Outcome::TooManyRedirects;
    return outcome;
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
    std::chrono::seconds wait{0};
    Clock::time_point pageEnd;
    std::size_t received = 0;
    Clock::time_point lastActivity;
    bool connected = false;
    bool headDone = false;
    long status = 0;
    std::string reason;
    // The first Location, ETag and Last-Modified headers of the answer, as
    // sent.
    std::string location;
    std::string etag;
    std::string lastModified;
    Stop stop = Stop::None;
    // What libcurl says of the transfer once it has ended.
    CURLcode result = CURLE_OK;
    std::string curlError;
    curl_off_t contentLength = -1;
    long verifyResult = 0;
    // The CA file that SSL_CERT_FILE names, if any.
    std::string caFile;
};

// The value of a header line whose name takes nameLength bytes, without
// the blanks around it.
std::string HeaderValue(std::string_view line, std::size_t nameLength)
{
    std::string_view value = line.substr(nameLength);
    while (!value.empty() && (value.front() == ' ' || value.front() == '\t'))
        value.remove_prefix(1);
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t'))
        value.remove_suffix(1);
    return std::string(value);
}

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
        t.etag.clear();
        t.lastModified.clear();
    }
    else if (StartsWithNoCase(line, "location:") && t.location.empty())
        t.location = HeaderValue(line, 9);
    else if (StartsWithNoCase(line, "etag:") && t.etag.empty())
        t.etag = HeaderValue(line, 5);
    else if (StartsWithNoCase(line, "last-modified:") && t.lastModified.empty())
        t.lastModified = HeaderValue(line, 14);
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

// Runs one transfer to its end, or until the server stays silent for t.wait
// (once connected: the connection's own wait is libcurl's) or the transfer
// reaches t.pageEnd, or stopNow answers true; in between, whileWaiting (when
// set) runs at least every kWaitSliceMs. Returns libcurl's result of the
// transfer.
CURLcode RunTransfer(CURLM* multi, Transfer& t, const std::function<void()>& whileWaiting,
                     const std::function<bool()>& stopNow)
{
    CURL* const easy = t.easy;
    if (curl_multi_add_handle(multi, easy) != CURLM_OK)
        return CURLE_FAILED_INIT;
    CURLcode result = CURLE_OK;
    for (;;)
    {
        // Asked before libcurl does anything, so that a stopped run sends no
        // request.
        if (stopNow && stopNow())
        {
            t.stop = Stop::Stopped;
            break;
        }
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
        if (t.connected && now - t.lastActivity >= t.wait)
        {
            t.stop = Stop::Silent;
            break;
        }
        if (now >= t.pageEnd)
        {
            t.stop = Stop::TooLong;
            break;
        }
        auto left = std::min(t.pageEnd - now, t.lastActivity + t.wait - now);
        if (whileWaiting)
            left = std::min<Clock::duration>(left,
                                             std::chrono::milliseconds(HttpClient::kWaitSliceMs));
        const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(left).count();
        curl_multi_poll(multi, nullptr, 0, static_cast<int>(std::max<long long>(1, ms)), nullptr);
        if (whileWaiting)
            whileWaiting();
    }
    curl_multi_remove_handle(multi, easy);
    return result;
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

Outcome CertificateFailure(long verifyResult)
{
    switch (verifyResult)
    {
    case kUnableToGetIssuerCert:
    case kSelfSignedCertInChain:
    case kUnableToGetIssuerCertLocally:
    case kUnableToVerifyLeafSignature:
        return Outcome::CertificateUntrustedIssuer;
    case kSelfSignedCert:
        return Outcome::CertificateSelfSigned;
    case kCertHasExpired:
        return Outcome::CertificateExpired;
    case kCertNotYetValid:
        return Outcome::CertificateNotYetValid;
    // libcurl checks the name itself once OpenSSL has accepted the chain,
    // before it takes OpenSSL's result; the result then still holds
    // libcurl's placeholder.
    case kVerifyOk:
    case kVerifyUnspecified:
    case kHostnameMismatch:
        return Outcome::CertificateOtherName;
    default:
        return Outcome::CertificateInvalid;
    }
}

// What the answer of one transfer comes to: our own reason to stop decides
// first, then the answer's status, then libcurl's result.
Outcome Classify(const Transfer& t, bool notModifiedIsAnswer)
{
    switch (t.stop)
    {
    case Stop::TooLong:
        return Outcome::TooLong;
    case Stop::TooBig:
        return Outcome::TooBig;
    case Stop::ByReceiver:
        return Outcome::Page;
    case Stop::Stopped:
        return Outcome::Stopped;
    case Stop::Silent:
    case Stop::None:
    case Stop::NotNeeded:
        break;
    }
    if (t.headDone && t.status / 100 == 2)
    {
        // Only a whole body is a page: the rows of a part would be taken as
        // known, and the rows after the cut never reported.
        if (t.stop == Stop::None && t.result == CURLE_OK)
            return Outcome::Page;
        if (t.stop == Stop::Silent)
            return Outcome::BodySilent;
        if (t.result == CURLE_RECV_ERROR)
            return Outcome::BodyReset;
        return t.result == CURLE_PARTIAL_FILE ? Outcome::BodyCut : Outcome::BodyBroken;
    }
    if (t.headDone && t.status == 304 && notModifiedIsAnswer)
        return Outcome::NotModified;
    if (t.headDone)
    {
        const long s = t.status;
        const bool redirect = s == 301 || s == 302 || s == 303 || s == 307 || s == 308;
        return redirect ? Outcome::Redirect : Outcome::Status;
    }
    switch (t.result)
    {
    case CURLE_PEER_FAILED_VERIFICATION:
        return CertificateFailure(t.verifyResult);
    case CURLE_SSL_CONNECT_ERROR:
        return Outcome::HandshakeFailed;
    case CURLE_SSL_CACERT_BADFILE:
        return t.caFile.empty() ? Outcome::SystemCaUnreadable : Outcome::CaFileUnreadable;
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_ENGINE_NOTFOUND:
    case CURLE_SSL_ENGINE_SETFAILED:
    case CURLE_USE_SSL_FAILED:
        return Outcome::TlsFailed;
    // An answer came, but no HTTP one; that it ended otherwise is no
    // answer at all.
    case CURLE_WEIRD_SERVER_REPLY:
    case CURLE_UNSUPPORTED_PROTOCOL:
    case CURLE_BAD_CONTENT_ENCODING:
    case CURLE_OUT_OF_MEMORY:
        return t.connected && t.stop == Stop::None ? Outcome::NoHttpAnswer : Outcome::NoConnection;
    default:
        return Outcome::NoConnection;
    }
}

// The texts are Windows-1252 bytes, like every text of the job. „ and “ are
// 0x84 and 0x93. A letter that a hex digit follows is written in octal
// ("Pr\374fen"): a hex escape would take the digit in.
std::string Quoted(std::string_view text)
{
    return Join({"\x84", text, "\x93"});
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

// The text of a failure: what went wrong, naming by, the server that
// answered last, and where a redirect led (url); a failed secure connection
// also says what to do, with libcurl's own text in parentheses where the
// reason has no sentence of its own.
std::string FailureText(Outcome failure, const HttpGet& request, const std::string& by,
                        const Transfer& t, const std::string& url)
{
    const HttpNaming& n = request.naming;
    const std::string site = Join({"Die ", n.noun, " ", by});
    const std::string notWhole =
        Join({"Die Antwort der ", n.noun, " ", by, " kam nicht vollst\xE4ndig an: "});
    const std::string notSecure = Join({"Die sichere Verbindung zu ", by, " kam nicht zustande: "});
    const std::string status =
        Quoted(Join({std::to_string(t.status), t.reason.empty() ? "" : " ", t.reason}));
    const std::string arrived = t.contentLength >= 0
                                    ? Join({std::to_string(t.received), " von ",
                                            Bytes(static_cast<std::size_t>(t.contentLength))})
                                    : Bytes(t.received);
    const std::string curlSays = t.curlError.empty() ? curl_easy_strerror(t.result) : t.curlError;
    const std::string curlSaysTrimmed = curlSays.substr(0, curlSays.find_last_not_of(' ') + 1);
    switch (failure)
    {
    case Outcome::Ready:
    case Outcome::Page:
    case Outcome::Redirect:
    case Outcome::NotModified:
        break;
    case Outcome::NoConnection:
        return n.noConnection;
    case Outcome::Stopped:
        return kStoppedText;
    case Outcome::TooLong:
        return Join({site, " brauchte f\xFCr eine Seite l\xE4nger als ",
                     Duration(request.totalSeconds), "."});
    case Outcome::TooBig:
        return Join({"Die Antwort der ", n.noun, " ", by, " ist gr\366\337er als ",
                     Size(request.maxBodyBytes), "."});
    case Outcome::BodySilent:
        return Join({notWhole, "nach ", Bytes(t.received), " kam ", Duration(request.waitSeconds),
                     " lang nichts mehr."});
    case Outcome::BodyReset:
        return notWhole + "die Verbindung wurde nach " + arrived + " zur\374ckgesetzt.";
    case Outcome::BodyCut:
        return Join({notWhole, "die Verbindung endete nach ", arrived, "."});
    case Outcome::BodyBroken:
        return Join({notWhole, "nach ", arrived, " (", curl_easy_strerror(t.result), ")."});
    case Outcome::Status:
        return Join({site, " antwortete mit ", status, "."});
    case Outcome::RedirectWithoutTarget:
        return Join({site, " leitete mit ", status, " weiter, nannte aber kein g\xFCltiges Ziel."});
    case Outcome::RedirectNotHttp:
        return Join({site, " leitete nach ", Quoted(url),
                     " weiter; Velunda folgt nur Adressen mit http:// und https://."});
    case Outcome::TooManyRedirects:
        return Join({site, " leitete mehr als ", std::to_string(HttpClient::kMaxRedirects),
                     "-mal in Folge weiter."});
    case Outcome::NoHttpAnswer:
        return Join({site, " gab keine g\xFCltige HTTP-Antwort (", curlSays, ")."});
    case Outcome::CertificateUntrustedIssuer: {
        const std::string_view why = "Das Zertifikat der Seite stammt von einer "
                                     "Zertifizierungsstelle, der dieser Rechner nicht vertraut. ";
        const std::string_view missing = ", fehlt dem System diese Stelle (Paket ca-certificates, "
                                         "oder nennen Sie sie in SSL_CERT_FILE).";
        return Join({notSecure, why, "Pr\374fen Sie ", n.object, "; stimmt ", n.pronoun, missing});
    }
    case Outcome::CertificateSelfSigned: {
        const std::string_view why = "Die Seite hat ihr Zertifikat selbst ausgestellt, und dieser "
                                     "Rechner vertraut ihm nicht. ";
        return Join({notSecure, why, "Pr\374fen Sie ", n.object,
                     "; ist es die richtige Seite, nennen Sie ihr Zertifikat in SSL_CERT_FILE."});
    }
    case Outcome::CertificateExpired:
        return notSecure +
               "Das Zertifikat der Seite ist abgelaufen. Stimmen Datum und Uhrzeit dieses "
               "Rechners, muss der Betreiber der Seite es erneuern.";
    case Outcome::CertificateNotYetValid:
        return notSecure +
               "Das Zertifikat der Seite gilt erst ab einem sp\xE4teren Datum. Pr\374fen Sie "
               "Datum und Uhrzeit dieses Rechners.";
    case Outcome::CertificateOtherName:
        return Join({notSecure,
                     "Das Zertifikat der Seite gilt f\xFCr einen anderen Namen. Pr\374fen Sie, ob ",
                     n.subject, " den Namen nennt, f\xFCr den das Zertifikat ausgestellt ist."});
    case Outcome::CertificateInvalid:
        return Join(
            {notSecure, "Das Zertifikat der Seite ist nicht g\xFCltig (", curlSaysTrimmed, ")."});
    case Outcome::HandshakeFailed: {
        const std::string_view failed =
            "Der Aufbau der verschl\xFCsselten Verbindung scheiterte. Pr\374fen Sie, ob die Seite "
            "unter dieser Adresse https spricht (sonst http:// ";
        return Join({notSecure, failed, n.within, "), und versuchen Sie es sp\xE4ter noch einmal (",
                     curlSaysTrimmed, ")."});
    }
    case Outcome::CaFileUnreadable:
        return Join({notSecure, "Die Zertifikate in ", Quoted(t.caFile),
                     " (SSL_CERT_FILE) lassen sich nicht lesen. Nennen Sie dort eine lesbare "
                     "PEM-Datei, oder lassen Sie SSL_CERT_FILE weg."});
    case Outcome::SystemCaUnreadable:
        return notSecure + "Die Zertifikate des Systems lassen sich nicht lesen. Installieren "
                           "Sie das Paket ca-certificates.";
    case Outcome::TlsFailed:
        return Join({notSecure, "Die Verschl\xFCsselung scheiterte (", curlSaysTrimmed, ")."});
    }
    return std::string();
}

// libcurl's global set-up, once per process.
void InitCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}
} // namespace

std::string QuotedText(const std::string& text)
{
    return Quoted(text);
}

bool IsOneHeaderLine(const std::string& value)
{
    return value.find_first_of(std::string("\r\n\0", 3)) == std::string::npos;
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

struct HttpClient::Curl
{
    CURLM* multi = nullptr;
    CURL* easy = nullptr;
    char error[CURL_ERROR_SIZE] = {};

    // Sends the request for address and takes its answer, the body into
    // body; the transfer that comes back holds all that the answer's
    // classification and its text need.
    Transfer Run(const Address& address, const HttpGet& get, const BodySink& body,
                 Clock::time_point end, const HttpClient& client)
    {
        // libcurl drops a header line whose value is empty (and writes
        // "Name;" without the blank), so the caller's lines go to it as one
        // block; its own Host and Accept lines are switched off.
        const std::string block = get.head ? get.head(address.authority) : std::string();
        curl_slist* headers = curl_slist_append(nullptr, "Host:");
        headers = curl_slist_append(headers, "Accept:");
        if (!block.empty())
            headers = curl_slist_append(headers, block.c_str());

        Transfer t;
        t.easy = easy;
        t.sink = &body;
        t.maxBodyBytes = get.maxBodyBytes;
        t.wait = std::chrono::seconds(std::max(1, get.waitSeconds));
        t.pageEnd = end;
        t.lastActivity = Clock::now();
        error[0] = '\0';
        curl_easy_setopt(
            easy, CURLOPT_HTTP_VERSION,
            static_cast<long>(get.http10 ? CURL_HTTP_VERSION_1_0 : CURL_HTTP_VERSION_1_1));
        curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                         static_cast<long>(std::chrono::milliseconds(t.wait).count()));
        curl_easy_setopt(easy, CURLOPT_URL, address.url.c_str());
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
        curl_easy_setopt(easy, CURLOPT_HEADERDATA, &t);
        curl_easy_setopt(easy, CURLOPT_WRITEDATA, &t);

        t.result = RunTransfer(multi, t, client.m_whileWaiting, client.m_stopNow);
        curl_easy_setopt(easy, CURLOPT_HTTPHEADER, static_cast<curl_slist*>(nullptr));
        curl_slist_free_all(headers);
        t.curlError = error;
        curl_easy_getinfo(easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &t.contentLength);
        curl_easy_getinfo(easy, CURLINFO_SSL_VERIFYRESULT, &t.verifyResult);
        if (const char* caFile = std::getenv("SSL_CERT_FILE"))
            t.caFile = caFile;
        return t;
    }
};

HttpClient::HttpClient() : m_curl(std::make_unique<Curl>())
{
    InitCurlOnce();
    m_curl->multi = curl_multi_init();
    m_curl->easy = curl_easy_init();
    CURL* easy = m_curl->easy;
    if (!m_curl->multi || !easy)
        return;
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, m_curl->error);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // The requests go to the server itself, as written, each on a
    // connection of its own, and a redirect is followed here, not by
    // libcurl, so that the next request gets its head from the caller.
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

HttpClient::~HttpClient()
{
    if (m_curl->easy)
        curl_easy_cleanup(m_curl->easy);
    if (m_curl->multi)
        curl_multi_cleanup(m_curl->multi);
}

HttpAnswer HttpClient::Get(const HttpGet& get, const BodySink& body)
{
    const Clock::time_point end =
        Clock::now() + std::chrono::seconds(std::max(1, get.totalSeconds));
    HttpAnswer answer;
    Transfer t;
    // Build the request: the first address, read once.
    Address address;
    Outcome outcome = Outcome::NoConnection;
    if (m_curl->easy && m_curl->multi && ReadAddress(get.url, nullptr, address) == Outcome::Ready)
        outcome = Outcome::Ready;
    for (int redirects = 0; outcome == Outcome::Ready; ++redirects)
    {
        answer.answeredBy = address.authority;
        // Run it.
        t = m_curl->Run(address, get, body, end, *this);
        // Classify the answer; a redirect builds the next request.
        outcome = Classify(t, get.notModifiedIsAnswer);
        if (outcome == Outcome::Redirect)
            outcome = FollowRedirect(address, t.location, redirects);
    }
    answer.ok = outcome == Outcome::Page;
    answer.notModified = outcome == Outcome::NotModified;
    answer.etag = t.etag;
    answer.lastModified = t.lastModified;
    if (!answer.ok && !answer.notModified)
        answer.error = FailureText(outcome, get, answer.answeredBy, t, address.url);
    return answer;
}
