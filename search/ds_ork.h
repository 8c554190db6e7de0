// DS_ORK: the search job for the TV-listings site.
//
// Cuts the criteria text ("title|person#title|person#...") into criteria,
// queries the listings site criterion by criterion and page by page, parses
// each result page with the page reader and hands every hit row to
// RegisterHit. Usage by the search run:
//
//     DS_ORK job("TVmov", mode, criteria);
//     job.m_host = otherHost;          // optional, before Search(); may be "name:port"
//     job.Search();
//     ... read job.m_hitLines, job.m_hitLinks, job.m_errors ...
//
// The reference file is written when the job is destroyed.
#pragma once

#include "do_suche.h"

#include <string>
#include <vector>

class DS_ORK : public DoSuche
{
public:
    // Path and query of a search request: "#1" title, "#2" person, "%PAGE%"
    // the page number from 1.
    static const char* const kUrlTemplate;

    // Sets m_host to kListingsHost and m_urlTemplate to kUrlTemplate, and cuts
    // the criteria text at every "#".
    DS_ORK(std::string jobName, std::string runMode, std::string criteria);
    ~DS_ORK() override;

    // The display line: four padded columns (10, 15, 15, 15 wide, each
    // followed by "|") of f1, f2 (entities decoded), f5, f3, then the entity
    // decoded description f6 as it stands. job, f4 and link are not used.
    std::string MakeHitLine(std::string job, std::string f1, std::string f2, std::string f3,
                            std::string f4, std::string f5, std::string f6,
                            std::string link) override;

    // Searches every criterion in turn. False when a page could not be
    // fetched or lacked one of its anchors (the later criteria are skipped).
    // A page without its anchors prints its parse error on standard output
    // and collects the German text of NotAResultPageText in m_errors, so the
    // run shows it. The criterion that failed keeps its hits in m_hitLines
    // but marks none of them known.
    bool Search();

    static std::string DecodeEntities(std::string text);

    // The criterion strings, index i is criterion i of the run.
    std::vector<std::string> m_parts;

protected:
    // Appends the result page at m_url to the reader's text: Fetch from
    // m_host with two empty extra headers. A subclass may feed pages from
    // memory instead, through the same parser.
    virtual bool FetchPage();

private:
    bool NotAResultPage(const char* parseError);
};

// The display line of a listing row, as DS_ORK::MakeHitLine builds it from
// its fields.
std::string ListingLine(std::string_view f1, std::string f2, std::string_view f3,
                        std::string_view f5, std::string f6);

// The error text for an answer from host that is no result page.
std::string NotAResultPageText(const std::string& host);
