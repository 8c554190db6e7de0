// HttpPageSource: the listings site's result pages, one GET each.
#include "http_page_source.h"

#include <string_view>

namespace
{

// The page's address on the site as the user wrote it: without a scheme it
// is http, and the slashes at the site's end go. False, with the error in
// error, when the site names another scheme.
bool AddressOnSite(const PageRequest& request, std::string& url, std::string& error)
{
    std::string_view rest = request.site;
    url = "http://";
    if (StartsWithNoCase(rest, "http://"))
        rest.remove_prefix(7);
    else if (StartsWithNoCase(rest, "https://"))
    {
        url = "https://";
        rest.remove_prefix(8);
    }
    else
    {
        const std::string_view::size_type colon = rest.find("://");
        if (colon != std::string_view::npos && rest.find('/') > colon)
        {
            error = "Die Adresse " + QuotedText(request.site) +
                    " beginnt weder mit http:// noch mit https://.";
            return false;
        }
    }
    while (!rest.empty() && rest.back() == '/')
        rest.remove_suffix(1);
    url += rest;
    if (request.path.empty() || request.path[0] != '/')
        url += '/';
    url += request.path;
    return true;
}
} // namespace

PageAnswer HttpPageSource::Get(const PageRequest& request, const BodySink& body)
{
    PageAnswer answer;
    if (!IsOneHeaderLine(request.contentType) || !IsOneHeaderLine(request.referer))
    {
        answer.error = HttpNaming().noConnection;
        return answer;
    }
    HttpGet get;
    if (!AddressOnSite(request, get.url, answer.error))
        return answer;
    // The job's head, for every server of a redirect chain alike.
    get.head = [&request](const std::string& authority) {
        return "Referer: " + request.referer + "\r\nContent-type: " + request.contentType +
               "\r\nHost: " + authority + "\r\nUser-Agent: " + kUserAgent;
    };
    get.waitSeconds = request.waitSeconds;
    get.totalSeconds = request.pageSeconds;
    get.maxBodyBytes = request.maxBodyBytes;
    m_client.m_whileWaiting = m_whileWaiting;
    m_client.m_stopNow = m_stopNow;
    const HttpAnswer got = m_client.Get(get, body);
    answer.ok = got.ok;
    answer.error = got.error;
    answer.answeredBy = got.answeredBy;
    return answer;
}
