// SearchRun: the listings job with the program's HTTP client.
#include "search_run.h"

#include "listings_host.h"

const char kRunJobName[] = "TVmov";

SearchRun::SearchRun(const std::string& mode, const std::string& criteria, const std::string& site)
    : DS_ORK(kRunJobName, mode, criteria)
{
    m_host = SiteForJob(site);
    m_pageSource = &m_pages;
}

void SearchRun::WhileWaiting(std::function<void()> handle)
{
    m_pages.m_whileWaiting = std::move(handle);
}

void SearchRun::StopWhen(std::function<bool()> stop)
{
    m_stop = std::move(stop);
}

bool SearchRun::FetchPage()
{
    return !(m_stop && m_stop()) && DS_ORK::FetchPage();
}

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
