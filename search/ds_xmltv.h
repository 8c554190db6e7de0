// DS_XMLTV: the search job for XMLTV guides.
//
// Reads each guide once, streamed, and compares every programme that has not
// ended with every criterion: the title text must be contained in one of its
// titles, the person text in one of its credits (an empty text matches
// anything), case-blind, after entities are decoded and letters
// transliterated as the site's fields are. The hits of a criterion are taken
// in start order (file order for equal times), at most m_maxHits new ones;
// their lines have the columns of the site's rows. Usage by the search run:
//
//     DS_XMLTV job("TVxml", mode, criteria);
//     job.m_sources = {...};
//     job.Search();
//     ... read job.m_hitLines, m_hitLinks, m_hitTimes, m_errors ...
//     job.SaveGuideReferences();   // once the hits are kept
//
// A guide that cannot be read whole (missing, broken, cut, not XMLTV)
// collects its error, and none of its hits count; the other guides count as
// usual. The known hits of the guides are their own reference file,
// "<job name>.ref": each line the end of the broadcast (UTC seconds), a
// blank and the hit line. Ended broadcasts leave it at every save, so it
// holds many more than the site's 1001 lines.
#pragma once

#include "do_suche.h"
#include "guide_input.h"

#include <cstdint>
#include <string>
#include <vector>

// What the calendar needs of a guide's hit: its times, title and channel
// (UTF-8, as the guide has them).
struct GuideHit
{
    std::int64_t start = 0;
    bool hasStop = false;
    std::int64_t stop = 0;
    std::string title;
    std::string channel;
};

class DS_XMLTV : public DoSuche
{
public:
    DS_XMLTV(std::string jobName, std::string runMode, std::string criteria);
    ~DS_XMLTV() override;

    // The line of DS_ORK: four padded columns, then the description.
    std::string MakeHitLine(std::string job, std::string f1, std::string f2, std::string f3,
                            std::string f4, std::string f5, std::string f6,
                            std::string link) override;

    // Reads every guide and lists the new hits. False when a guide failed.
    bool Search();

    // Merges the new references into the known ones, drops the broadcasts
    // that have ended and rewrites the reference file, atomically. Once per
    // job (the destructor calls it too). False when it could not be written.
    bool SaveGuideReferences();

    // The guides, in order.
    std::vector<GuideSource> m_sources;
    // How guides are read (hooks, the wait, standard input).
    GuideInput m_input;
    // The moment of the run: programmes that ended before it do not count.
    std::int64_t m_now;
    // Programmes skipped because their time could not be read.
    std::uint64_t m_skipped = 0;
    // The criterion strings; index i is criterion i of the run.
    std::vector<std::string> m_parts;
    // One entry per entry of m_hitLines.
    std::vector<GuideHit> m_hitTimes;
    // Most known references kept.
    std::size_t m_maxGuideRefs = 100000;

private:
    class Collector;
    void LoadGuideReferences();

    // The end of each known reference (same index as m_knownRefs) and of
    // each new one (same index as m_newRefs).
    std::vector<std::int64_t> m_knownEnds;
    std::vector<std::int64_t> m_newEnds;
    bool m_guideRefsSaved = false;
};
