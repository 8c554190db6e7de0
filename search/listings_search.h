// ListingsSearch: one search run, of the listings site or of XMLTV guides,
// the way into the search engine for the programs.
//
//     ListingsSearch run(request);
//     run.Search();
//     ... save the result list with run.HitLines() and run.HitLinks() ...
//     run.RecordNewHits();   // only now "TVmov.ref" takes them as known
//
// A run whose new hits were not recorded (a run the user stopped, or whose
// list could not be saved) leaves them unknown, so the next run reports them
// again. The job's files ("TVmov.ref", the stale "TVmov.trf" and
// "TVmov.mlg"; for guides "TVxml.ref" and the kept copies of downloaded
// guides) lie in the current folder.
#pragma once

#include "guide_input.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class DoSuche;
class DS_ORK;
class DS_XMLTV;
struct GuideHit;

// The job names, and so the base names of the jobs' files: the listings
// site's, and the guides'.
extern const char kRunJobName[];
extern const char kGuideJobName[];

// The error of a run that has neither a site nor a guide to ask.
extern const char kNoSourceText[];

// What a run is asked to do. Texts are Windows-1252 bytes.
struct SearchRequest
{
    // The criteria in list order, each as "title|person".
    std::vector<std::string> criteria;
    // The listings site as the user wrote it ("name", "name:port", either
    // behind "http://" or "https://"); empty when none is set up.
    std::string site;
    // The XMLTV guides; while there are any, they are searched instead of
    // the site.
    std::vector<GuideSource> guides;
    // Whether a guide "-" may be read from standard input.
    bool readStandardInput = false;
    // The run mode as decimal text; the job keeps it and makes no use of it.
    std::string runMode = "0";
    // Longest wait for the site, for every wait of the HTTP client.
    int waitSeconds = 120;
    // Called at least every few milliseconds while a page is awaited.
    std::function<void()> whileWaiting;
    // Once this answers true the run ends at once: the page in flight is
    // dropped and no further page is asked for.
    std::function<bool()> stopNow;
    // Whether the job's own lines (its messages, "TVmov BEENDET") go to
    // standard output.
    bool printJobLines = true;
};

class ListingsSearch
{
public:
    explicit ListingsSearch(const SearchRequest& request);
    // Rewrites "TVmov.ref" as every job does at its end, without the new hits
    // unless RecordNewHits took them.
    ~ListingsSearch();
    ListingsSearch(const ListingsSearch&) = delete;
    ListingsSearch& operator=(const ListingsSearch&) = delete;

    // Searches every criterion in turn.
    void Search();

    // The display line and link of each new hit, in the order found, and
    // the error texts met.
    const std::vector<std::string>& HitLines() const;
    const std::vector<std::string>& HitLinks() const;
    const std::vector<std::string>& Errors() const;
    // For each hit line of a run of guides, its times, title and channel;
    // null for a run of the site.
    const std::vector<GuideHit>* GuideHits() const;
    // Programmes of the guides left out because their time could not be read.
    std::uint64_t SkippedProgrammes() const;

    // Marks the new hits known: "TVmov.ref" is rewritten with them. Call it
    // after the list that shows them is saved. False when the file could not
    // be written.
    bool RecordNewHits();

private:
    std::unique_ptr<DS_ORK> m_listings;
    std::unique_ptr<DS_XMLTV> m_guides;
    // The job at work, or null when there is nothing to ask.
    DoSuche* m_job = nullptr;
    std::vector<std::string> m_noJob;
};
