// SearchRun: one search run of the listings job, as the window and
// velunda-suche make it.
//
//     SearchRun run(mode, CriteriaText(criteria), host);
//     run.Search();
//     ... run.m_hitLines, run.m_hitLinks, run.m_errors ...
//
// The job's files ("TVmov.ref", the stale "TVmov.trf" and "TVmov.mlg") lie
// in the current folder; the reference file is saved when the run goes.
#pragma once

#include "ds_ork.h"
#include "http_page_source.h"

#include <functional>
#include <string>
#include <vector>

// The job name, and so the base name of the job's files.
extern const char kRunJobName[];

class SearchRun : public DS_ORK
{
public:
    // mode: the run mode as decimal text ("0" for one run over all
    // criteria); criteria: the criteria text; site: the listings site as the
    // user wrote it.
    SearchRun(const std::string& mode, const std::string& criteria, const std::string& site);

    // Called while a page is awaited, at least every few milliseconds.
    void WhileWaiting(std::function<void()> handle);
    // Once stop answers true, no further page is requested: the run ends
    // after the page it is waiting for.
    void StopWhen(std::function<bool()> stop);

protected:
    bool FetchPage() override;

private:
    HttpPageSource m_pages;
    std::function<bool()> m_stop;
};

// The criteria text of a run: each criterion in its string form
// (title|person), followed by "#", in list order.
std::string CriteriaText(const std::vector<std::string>& criteria);
