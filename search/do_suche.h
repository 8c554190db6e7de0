// DoSuche: the site-independent search job.
//
// One object lives for one search run. It builds request paths from a URL
// template, fetches result pages over HTTP into its page reader, keeps the
// per-criterion counters and limits, decides against the reference file
// whether a hit is new, and collects the new hits and error texts for the
// caller. Cutting a page into hits is the derived class's work (DS_ORK).
//
// All text is bytes (std::string) exactly as received.
#pragma once

#include "known_refs.h"
#include "page_reader.h"
#include "page_source.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class DoSuche
{
public:
    // jobName names the job's files (jobName + ".ref", ".trf", ".mlg", all in
    // the current directory); runMode is kept by the caller only; params is
    // the criteria text. Removes the stale ".trf" and ".mlg" files.
    DoSuche(const std::string& jobName, const std::string& runMode, const std::string& params);

    // Saves the references (unless SaveReferences already did), then prints
    // "<job name> BEENDET".
    virtual ~DoSuche();

    // Whether a new hit is listed for the caller; every hit here.
    virtual bool AcceptHit();

    // The hit line of one row: job name, six fields, link. This base version
    // joins the six fields with "|"; DS_ORK builds the display line.
    virtual std::string MakeHitLine(std::string job, std::string f1, std::string f2, std::string f3,
                                    std::string f4, std::string f5, std::string f6,
                                    std::string link);

    // m_page + 1, and m_url := m_urlTemplate with its first "%PAGE%" replaced
    // by the page number.
    void BuildUrl();

    // GETs path from host ("name", "name:port", either of them behind
    // "http://" or "https://"; http without a scheme) and appends the body to
    // m_reader's text byte for byte (a body that would take the held text
    // beyond kMaxPageTextBytes is cut there). False, with the reason reported
    // and collected, when no page came: "Konnte Verbindung nicht herstellen!"
    // when no server answered, else a German text that names what the server
    // did (an answer other than 2xx, a body that did not come whole, a failed
    // handshake, a page too big or too slow, a redirect that leads nowhere).
    // Nothing of a page that failed stays in m_reader.
    bool Fetch(const std::string& host, const std::string& path, const std::string& contentType,
               const std::string& referer);

    // Where Fetch gets its pages: m_pageSource, which is the job's own HTTP
    // client, made at the first fetch, unless another source was given.
    PageSource& Pages();

    // Start of a criterion: m_morePages := true, reference file appended to
    // m_knownRefs, m_params cut into m_personText and m_titleText; the new
    // references from here on are the criterion's own.
    void PrepareSearch();

    // Takes back the new references of the criterion in progress, for a
    // criterion that ends in an error: none of its hits becomes known, so the
    // next run walks all its pages again (the known rows of its first page
    // would otherwise end it there). Its hits stay in m_hitLines.
    void ForgetCriterionRefs();

    // Called once per hit row after its fields are filled: true while the
    // criterion goes on.
    bool RegisterHit();

    // Builds the hit line and, if it is new, records it. True when new.
    bool RecordHit();

    // The first half of RecordHit: transliterates the six fields, builds the
    // line from them through MakeHitLine into m_hitLine, and returns it.
    std::string BuildHitLine();

    // Cuts a criterion "title|person" as PrepareSearch does.
    static void CutCriterion(const std::string& text, std::string& person, std::string& title);
    // Cuts a criteria text ("title|person#title|person#...") into its
    // criteria: every "#"-terminated part, none after a "#" in the first
    // position.
    static std::vector<std::string> CutCriteriaText(const std::string& criteria);

    // Prints a non-empty message as one line on standard output, collects it
    // in m_errors when collect is set, and returns result.
    bool Report(bool collect, const std::string& message, bool result);

    // Halves runs of blanks, fills with blanks and cuts to width.
    static std::string PadColumn(std::string text, std::int32_t width);

    // Merges the new references into the known ones and rewrites the
    // reference file with the newest m_maxRefs + 1 of them, atomically. Once
    // per job: a second call, and the destructor's, do nothing. False when the
    // file could not be written.
    bool SaveReferences();

    static std::string Transliterate(std::string text);

    // Whether hitLine matches a known reference: an entry matches when its
    // first m_refCompareLen bytes equal those of hitLine (a shorter string
    // takes part with its whole length; a negative length compares whole
    // strings). Answered from the distinct prefixes of m_knownRefs, which
    // gives the same answer as walking its entries.
    bool IsKnown(const std::string& hitLine) const;

    PageReader m_reader;
    std::string m_url;
    std::string m_host;
    std::string m_urlTemplate;
    std::string m_jobName;
    std::string m_hitField1;
    std::string m_hitField2;
    std::string m_hitField3;
    std::string m_hitField4;
    std::string m_hitField5;
    std::string m_hitField6;
    std::string m_hitLink;
    // The reference file's lines once per criterion started, then the new
    // references; each distinct line is held once.
    KnownRefs m_knownRefs;
    std::vector<std::string> m_newRefs;
    // Where the new references of the criterion in progress begin.
    std::size_t m_criterionRefsStart = 0;
    std::string m_personText;
    std::string m_titleText;
    std::string m_params;
    std::string m_hitLine;
    std::vector<std::string> m_hitLines;
    std::vector<std::string> m_hitLinks;
    std::vector<std::string> m_errors;
    std::int32_t m_refCompareLen = 99;
    std::int32_t m_knownInARow = 0;
    bool m_morePages = false;
    std::int16_t m_page = 0;
    std::int16_t m_hitCount = 0;
    std::int32_t m_maxKnownInARow = 3;
    std::int32_t m_maxHits = 300;
    std::int32_t m_maxRefs = 1000;
    // Time-out of Fetch, for every wait of the HTTP client.
    std::int32_t m_timeoutSeconds = 120;
    // The longest time one page may take in all, redirects included.
    std::int32_t m_pageSeconds = 600;
    // Where the pages come from (a copy of the job shares it).
    std::shared_ptr<PageSource> m_pageSource;
    bool m_referencesSaved = false;
    // The server that gave the last page (name, and port where it is not
    // the scheme's own).
    std::string m_answeredBy;
    // Where Report and the end line write; nothing is written when null.
    std::FILE* m_messages = stdout;

    // The reference file's text as last read, kept for the job's life so
    // that a criterion does not allocate (and fault in) fresh memory.
    std::string m_refFileText;

private:
    void PrintLine(const std::string& text) const;
};

// What a criterion that has more rows, or new hits, than a job takes says.
extern const char kTooManyRowsText[];

// Appends DoSuche::PadColumn(text, width) to out without a temporary.
void AppendPadded(std::string& out, std::string_view text, std::int32_t width);

// The path with every control byte, 0x7F and every byte from 0x80 up written
// as %XX (upper-case hex); all other bytes unchanged.
std::string PercentEncodePath(const std::string& path);
