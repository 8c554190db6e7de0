// ListingsSearch: the listings job with the program's HTTP client.
#include "listings_search.h"

#include "ds_ork.h"
#include "http_page_source.h"
#include "listings_host.h"

#include <cstdio>

const char kRunJobName[] = "TVmov";

namespace
{
// The criteria text of the job: each criterion followed by "#".
std::string CriteriaText(const std::vector<std::string>& criteria)
{
    std::string text;
    for (const std::string& criterion : criteria)
    {
        text += criterion;
        text += '#';
    }
    return text;
}
} // namespace

ListingsSearch::ListingsSearch(const SearchRequest& request)
    : m_job(std::make_unique<DS_ORK>(kRunJobName, request.runMode, CriteriaText(request.criteria)))
{
    m_job->m_host = SiteForJob(request.site);
    m_job->m_timeoutSeconds = request.waitSeconds;
    m_job->m_messages = request.printJobLines ? stdout : nullptr;
    // The stop check is asked before every page and while one is awaited.
    auto pages = std::make_shared<HttpPageSource>();
    pages->m_whileWaiting = request.whileWaiting;
    pages->m_stopNow = request.stopNow;
    m_job->m_pageSource = std::move(pages);
}

ListingsSearch::~ListingsSearch()
{
    // Hits not recorded stay unknown; the job's own save then writes back
    // the references it read.
    m_job->m_newRefs.clear();
}

void ListingsSearch::Search()
{
    m_job->Search();
}

const std::vector<std::string>& ListingsSearch::HitLines() const
{
    return m_job->m_hitLines;
}

const std::vector<std::string>& ListingsSearch::HitLinks() const
{
    return m_job->m_hitLinks;
}

const std::vector<std::string>& ListingsSearch::Errors() const
{
    return m_job->m_errors;
}

bool ListingsSearch::RecordNewHits()
{
    return m_job->SaveReferences();
}
