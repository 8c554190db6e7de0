// ListingsSearch: the listings job with the program's HTTP client.
#include "listings_search.h"

#include "ds_ork.h"
#include "ds_xmltv.h"
#include "http_page_source.h"
#include "listings_host.h"

#include <cstdio>

const char kRunJobName[] = "TVmov";
const char kGuideJobName[] = "TVxml";
const char kNoSourceText[] =
    "Es ist keine Programmquelle eingerichtet: Velunda kennt weder eine Programmseite (Wert Host "
    "in ~/.velunda) noch einen XMLTV-Programmf\xFChrer (Wert XMLTV). W\xE4hlen Sie im Fenster "
    "\x84"
    "Datei > Programmquelle...\x93, oder nennen Sie velunda-suche einen Programmf\xFChrer "
    "mit --xmltv QUELLE.";

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
{
    // The stop check is asked before every request and while an answer is
    // awaited or a guide read.
    if (!request.guides.empty())
    {
        m_guides = std::make_unique<DS_XMLTV>(kGuideJobName, request.runMode,
                                              CriteriaText(request.criteria));
        m_guides->m_sources = request.guides;
        m_guides->m_input.m_waitSeconds = request.waitSeconds;
        m_guides->m_input.m_whileWaiting = request.whileWaiting;
        m_guides->m_input.m_stopNow = request.stopNow;
        m_guides->m_input.m_stdin = request.readStandardInput ? 0 : -1;
        m_job = m_guides.get();
    }
    else if (!request.site.empty())
    {
        m_listings =
            std::make_unique<DS_ORK>(kRunJobName, request.runMode, CriteriaText(request.criteria));
        m_listings->m_host = SiteForJob(request.site);
        m_listings->m_timeoutSeconds = request.waitSeconds;
        auto pages = std::make_shared<HttpPageSource>();
        pages->m_whileWaiting = request.whileWaiting;
        pages->m_stopNow = request.stopNow;
        m_listings->m_pageSource = std::move(pages);
        m_job = m_listings.get();
    }
    if (m_job)
        m_job->m_messages = request.printJobLines ? stdout : nullptr;
}

ListingsSearch::~ListingsSearch()
{
    // Hits not recorded stay unknown; the job's own save then writes back
    // the references it read.
    if (m_job)
        m_job->m_newRefs.clear();
}

void ListingsSearch::Search()
{
    if (m_guides)
        m_guides->Search();
    else if (m_listings)
        m_listings->Search();
    else
        m_noJob = {kNoSourceText};
}

const std::vector<std::string>& ListingsSearch::HitLines() const
{
    static const std::vector<std::string> none;
    return m_job ? m_job->m_hitLines : none;
}

const std::vector<std::string>& ListingsSearch::HitLinks() const
{
    static const std::vector<std::string> none;
    return m_job ? m_job->m_hitLinks : none;
}

const std::vector<std::string>& ListingsSearch::Errors() const
{
    return m_job ? m_job->m_errors : m_noJob;
}

const std::vector<GuideHit>* ListingsSearch::GuideHits() const
{
    return m_guides ? &m_guides->m_hitTimes : nullptr;
}

std::uint64_t ListingsSearch::SkippedProgrammes() const
{
    return m_guides ? m_guides->m_skipped : 0;
}

bool ListingsSearch::RecordNewHits()
{
    if (m_guides)
        return m_guides->SaveGuideReferences();
    return m_listings ? m_listings->SaveReferences() : true;
}
