// DS_XMLTV: guides read, programmes matched, hits in start order.
#include "ds_xmltv.h"

#include "conversions.h"
#include "ds_ork.h"
#include "file_bytes.h"
#include "http_transfer.h"
#include "xmltv_reader.h"

#include <algorithm>
#include <ctime>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

namespace
{
const char* const kTooManyHits =
    "Es wurden nicht alle Angebote beruecksichtigt, da sie zeitlich zu weit zurueck liegen!";
const char* const kWeekdays[] = {"So", "Mo", "Di", "Mi", "Do", "Fr", "Sa"};

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Appends text with every run of white space as one blank.
void AppendCollapsed(std::string& out, const std::string& text)
{
    bool blank = false;
    for (const char c : text)
    {
        if (IsBlank(c))
            blank = true;
        else
        {
            if (blank && !out.empty() && out.back() != ' ')
                out += ' ';
            blank = false;
            out += c;
        }
    }
}

// The form in which texts are compared: entities decoded, letters
// transliterated, ASCII letters in lower case, white space collapsed. out
// keeps its buffer.
void Fold(const std::string& text, std::string& out)
{
    out.clear();
    AppendCollapsed(out, text);
    DecodeEntitiesInPlace(out);
    static_cast<void>(TransliterateInPlace(out));
    for (char& c : out)
    {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
}

// A new hit of one guide, waiting for its place among the criterion's hits.
struct Candidate
{
    std::int64_t start = 0;
    std::uint64_t order = 0;
    std::string line;
    std::string link;
    std::int64_t end = 0;
    GuideHit hit;
};

// Earlier start first; file order for equal starts.
struct Later
{
    bool operator()(const Candidate& a, const Candidate& b) const
    {
        return a.start != b.start ? a.start < b.start : a.order < b.order;
    }
};

// The earliest limit new hits of one criterion in one guide, and how many
// there were in all.
struct Earliest
{
    // A heap with the latest of them on top.
    std::vector<Candidate> heap;
    std::size_t found = 0;
};

struct Criterion
{
    std::string title;  // folded
    std::string person; // folded
};
} // namespace

// Takes the channels and programmes of one guide.
class DS_XMLTV::Collector : public XmltvHandler
{
public:
    Collector(DS_XMLTV& job, const std::vector<Criterion>& criteria)
        : m_job(job), m_criteria(criteria), m_earliest(criteria.size())
    {
        for (const Criterion& c : criteria)
        {
            m_needTitles = m_needTitles || !c.title.empty();
            m_needCredits = m_needCredits || !c.person.empty();
        }
    }

    void OnChannel(const XmltvChannel& channel) override
    {
        std::string name;
        AppendCollapsed(name, channel.name.empty() ? channel.id : channel.name);
        m_channels[channel.id] = name;
    }

    void OnProgramme(const XmltvProgramme& p) override
    {
        ++m_order;
        // Only what has not ended counts.
        if (p.hasStop ? p.stop <= m_job.m_now : p.start <= m_job.m_now)
            return;
        if (m_needTitles)
            FoldAll(p.titles, m_titles);
        if (m_needCredits)
            FoldAll(p.credits, m_credits);
        bool described = false;
        for (std::size_t i = 0; i < m_criteria.size(); ++i)
        {
            const Criterion& c = m_criteria[i];
            if (!c.title.empty() && m_titles.find(c.title) == std::string::npos)
                continue;
            if (!c.person.empty() && m_credits.find(c.person) == std::string::npos)
                continue;
            if (!described)
            {
                Describe(p);
                described = true;
            }
            Offer(i, p);
        }
    }

    std::vector<Earliest>& Hits() { return m_earliest; }

private:
    // The folded texts one after the other, each behind a byte that no
    // folded criterion holds, so that no match runs from one into the next.
    static void FoldAll(const std::vector<std::string>& texts, std::string& out)
    {
        out.clear();
        std::string folded;
        for (const std::string& text : texts)
        {
            Fold(text, folded);
            out += '\x01';
            out += folded;
        }
    }

    // The fields of the programme's row that every criterion shares.
    void Describe(const XmltvProgramme& p)
    {
        const auto start = static_cast<std::time_t>(p.start);
        std::tm local{};
        localtime_r(&start, &local);
        char clock[32];
        char day[32];
        std::snprintf(clock, sizeof clock, "%02d:%02d Uhr", local.tm_hour, local.tm_min);
        std::snprintf(day, sizeof day, "%s, %02d.%02d.", kWeekdays[local.tm_wday % 7],
                      local.tm_mday, local.tm_mon + 1);
        m_clock = clock;
        m_day = day;
        const auto channel = m_channels.find(p.channel);
        m_channel.clear();
        if (channel != m_channels.end())
            m_channel = channel->second;
        else
            AppendCollapsed(m_channel, p.channel);
        m_text.clear();
        AppendCollapsed(m_text, p.title);
        if (!p.subTitle.empty())
        {
            m_text += " - ";
            AppendCollapsed(m_text, p.subTitle);
        }
        if (!p.desc.empty())
        {
            m_text += ": ";
            AppendCollapsed(m_text, p.desc);
        }
        m_link.clear();
        AppendCollapsed(m_link, p.url);
    }

    void Offer(std::size_t i, const XmltvProgramme& p)
    {
        const std::string& criterion = m_job.m_parts[i];
        m_job.m_hitField1 = i < criterion.size() ? std::string(1, criterion[i]) : std::string();
        m_job.m_hitField2 = m_clock;
        m_job.m_hitField5 = m_day;
        m_job.m_hitField3 = m_channel;
        m_job.m_hitField4.clear();
        m_job.m_hitField6 = m_text;
        m_job.m_hitLink = m_link;
        std::string line = m_job.BuildHitLine();
        if (m_job.IsKnown(line))
            return;
        Earliest& earliest = m_earliest[i];
        ++earliest.found;
        if (earliest.heap.size() >= static_cast<std::size_t>(std::max(0, m_job.m_maxHits)))
        {
            if (earliest.heap.empty())
                return;
            const Candidate& last = earliest.heap.front();
            if (last.start < p.start || (last.start == p.start && last.order < m_order))
                return;
            std::pop_heap(earliest.heap.begin(), earliest.heap.end(), Later());
            earliest.heap.pop_back();
        }
        Candidate candidate;
        candidate.start = p.start;
        candidate.order = m_order;
        candidate.line = std::move(line);
        candidate.link = m_job.m_hitLink;
        candidate.end = p.hasStop ? p.stop : p.start;
        candidate.hit = {p.start, p.hasStop, p.stop, p.title, m_channel};
        earliest.heap.push_back(std::move(candidate));
        std::push_heap(earliest.heap.begin(), earliest.heap.end(), Later());
    }

    DS_XMLTV& m_job;
    const std::vector<Criterion>& m_criteria;
    std::vector<Earliest> m_earliest;
    std::unordered_map<std::string, std::string> m_channels;
    bool m_needTitles = false;
    bool m_needCredits = false;
    std::uint64_t m_order = 0;
    std::string m_titles;
    std::string m_credits;
    std::string m_clock;
    std::string m_day;
    std::string m_channel;
    std::string m_text;
    std::string m_link;
};

// The job's interface takes its three texts by value.
// cppcheck-suppress passedByValue
DS_XMLTV::DS_XMLTV(std::string jobName, std::string runMode, std::string criteria)
    : DoSuche(jobName, runMode, criteria), m_now(static_cast<std::int64_t>(std::time(nullptr)))
{
    m_host.clear();
    // This job keeps its references in its own form.
    m_referencesSaved = true;
    // Cut as the listings job cuts its criteria text.
    std::string::size_type start = 0;
    std::string::size_type pos = criteria.find('#');
    while (pos != std::string::npos && pos > 0)
    {
        m_parts.push_back(criteria.substr(start, pos - start));
        start = pos + 1;
        pos = criteria.find('#', start);
    }
}

DS_XMLTV::~DS_XMLTV()
{
    SaveGuideReferences();
}

std::string DS_XMLTV::MakeHitLine(std::string /*job*/, std::string f1, std::string f2,
                                  std::string f3, std::string /*f4*/, std::string f5,
                                  std::string f6, std::string /*link*/)
{
    return ListingLine(f1, std::move(f2), f3, f5, std::move(f6));
}

void DS_XMLTV::LoadGuideReferences()
{
    std::string text;
    if (!ReadFileText(m_jobName + ".ref", text))
        return;
    for (const std::string& line : SplitLines(text))
    {
        const std::string::size_type blank = line.find(' ');
        if (blank == std::string::npos || blank == 0)
            continue;
        std::int64_t end = 0;
        bool number = true;
        for (std::size_t i = 0; i < blank && number; ++i)
        {
            number = line[i] >= '0' && line[i] <= '9' && end < INT64_MAX / 10;
            end = end * 10 + (line[i] - '0');
        }
        if (!number)
            continue;
        m_knownRefs.push_back(std::string_view(line).substr(blank + 1));
        m_knownEnds.push_back(end);
    }
}

bool DS_XMLTV::Search()
{
    m_hitLines.clear();
    m_hitLinks.clear();
    m_hitTimes.clear();
    m_errors.clear();
    if (m_parts.empty())
        return true;
    LoadGuideReferences();

    std::vector<Criterion> criteria(m_parts.size());
    for (std::size_t i = 0; i < m_parts.size(); ++i)
    {
        std::string person;
        std::string title;
        CutCriterion(m_parts[i], person, title);
        Fold(Windows1252ToUtf8(title), criteria[i].title);
        Fold(Windows1252ToUtf8(person), criteria[i].person);
    }

    // Each guide's hits, or none of them when it failed.
    std::vector<std::vector<Earliest>> guides;
    bool allRead = true;
    for (const GuideSource& source : m_sources)
    {
        Collector collector(*this, criteria);
        XmltvReader reader(collector, source.shown);
        std::string error;
        bool ok = m_input.Read(
            source,
            [&reader](const char* data, std::size_t size) { return reader.Feed(data, size); },
            error);
        ok = reader.Finish() && ok;
        m_skipped += reader.SkippedProgrammes();
        if (ok)
        {
            guides.push_back(std::move(collector.Hits()));
            continue;
        }
        allRead = false;
        // The reader's error says more than the end of the feed it caused.
        Report(true, reader.Error().empty() || !error.empty() ? error : reader.Error(), false);
        if (error == kStoppedText)
            return false;
    }

    for (std::size_t i = 0; i < criteria.size(); ++i)
    {
        std::vector<Candidate> hits;
        std::size_t found = 0;
        for (std::vector<Earliest>& guide : guides)
        {
            Earliest& earliest = guide[i];
            found += earliest.found;
            std::move(earliest.heap.begin(), earliest.heap.end(), std::back_inserter(hits));
            earliest.heap.clear();
        }
        // Stable, and in guide order before: for equal starts and orders the
        // first guide's hits come first.
        std::stable_sort(hits.begin(), hits.end(), Later());
        const std::size_t limit = static_cast<std::size_t>(std::max(0, m_maxHits));
        if (hits.size() > limit)
            hits.resize(limit);
        for (Candidate& hit : hits)
        {
            m_newRefs.push_back(hit.line);
            m_newEnds.push_back(hit.end);
            if (!AcceptHit())
                continue;
            m_hitLines.push_back(std::move(hit.line));
            m_hitLinks.push_back(std::move(hit.link));
            m_hitTimes.push_back(std::move(hit.hit));
        }
        if (found > limit)
            Report(true, kTooManyHits, false);
    }
    return allRead;
}

bool DS_XMLTV::SaveGuideReferences()
{
    if (m_guideRefsSaved)
        return true;
    m_guideRefsSaved = true;
    // Nothing was read: the file stays as it is.
    if (m_knownRefs.empty() && m_newRefs.empty())
        return true;

    // The broadcasts still to come, oldest known first, then the new ones;
    // each line once.
    std::vector<std::pair<std::int64_t, std::string_view>> kept;
    std::unordered_set<std::string_view> seen;
    std::vector<std::string> known = m_knownRefs.Entries();
    for (std::size_t i = 0; i < known.size() && i < m_knownEnds.size(); ++i)
    {
        if (m_knownEnds[i] > m_now && seen.insert(known[i]).second)
            kept.emplace_back(m_knownEnds[i], known[i]);
    }
    for (std::size_t i = 0; i < m_newRefs.size() && i < m_newEnds.size(); ++i)
    {
        if (seen.insert(m_newRefs[i]).second)
            kept.emplace_back(m_newEnds[i], m_newRefs[i]);
    }
    const std::size_t first = kept.size() > m_maxGuideRefs ? kept.size() - m_maxGuideRefs : 0;
    std::string bytes;
    for (std::size_t i = first; i < kept.size(); ++i)
    {
        bytes += std::to_string(kept[i].first);
        bytes += ' ';
        bytes.append(kept[i].second.data(), kept[i].second.size());
        bytes += '\n';
    }
    return ReplaceFileBytes(m_jobName + ".ref", bytes);
}
