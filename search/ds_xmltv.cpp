// DS_XMLTV: guides read, programmes matched, hits in start order.
#include "ds_xmltv.h"

#include "conversions.h"
#include "ds_ork.h"
#include "file_bytes.h"
#include "multi_find.h"
#include "http_transfer.h"
#include "xmltv_reader.h"

#include <algorithm>
#include <array>
#include <ctime>
#include <iterator>
#include <unordered_map>
#include <unordered_set>

namespace
{
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

// The form in which texts are compared: white space collapsed, entities
// decoded, letters transliterated, ASCII letters in lower case. out keeps its
// buffer. (The collector folds most texts of a guide on the way instead.)
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

// The ASCII spellings that Transliterate gives the letters "\xC3\x80" to
// "\xC3\xBF" where it has a row for them, else null.
const char* C3Spelling(unsigned char second)
{
    switch (second)
    {
    case 0x89:
        return "E";
    case 0xAB:
        return "e";
    case 0x9F:
        return "ss";
    case 0xA4:
        return "ae";
    case 0xB6:
        return "oe";
    case 0xBC:
        return "ue";
    case 0x84:
        return "Ae";
    case 0x96:
        return "Oe";
    case 0x9C:
        return "Ue";
    case 0xA8:
    case 0xA9:
        return "ee";
    case 0xA1:
        return "aa";
    case 0xB3:
        return "oo";
    case 0xBA:
        return "uu";
    default:
        return nullptr;
    }
}

// What a byte is to the folding on the way: part of the text as it is, a
// blank, the "T" that may begin "TUeV", or one that needs more (an entity, a
// byte from 0x80 up).
enum class ByteKind : unsigned char
{
    Plain,
    Blank,
    CapitalT,
    More,
};

const std::array<ByteKind, 256> kByteKinds = [] {
    std::array<ByteKind, 256> kinds{};
    for (std::size_t byte = 0; byte < 256; ++byte)
        kinds[byte] = byte >= 0x80 || byte == '&'        ? ByteKind::More
                      : IsBlank(static_cast<char>(byte)) ? ByteKind::Blank
                      : byte == 'T'                      ? ByteKind::CapitalT
                                                         : ByteKind::Plain;
    return kinds;
}();

// Two digits of a number from 0 to 99.
void AppendTwoDigits(std::string& out, int number)
{
    out += static_cast<char>('0' + number / 10 % 10);
    out += static_cast<char>('0' + number % 10);
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

// Whether a comes before the programme at start, order: earlier start first,
// file order for equal starts.
bool Before(const Candidate& a, std::int64_t start, std::uint64_t order)
{
    return a.start != start ? a.start < start : a.order < order;
}

struct Later
{
    bool operator()(const Candidate& a, const Candidate& b) const
    {
        return Before(a, b.start, b.order);
    }
};

// The earliest limit new hits of one criterion in one guide, and whether
// there were more.
struct Earliest
{
    // A heap with the latest of them on top.
    std::vector<Candidate> heap;
    bool more = false;
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
    Collector(DS_XMLTV& job, const std::vector<Criterion>& criteria, const MultiFind& titles,
              const MultiFind& persons)
        : m_job(job), m_criteria(criteria), m_titleFind(titles), m_personFind(persons),
          m_earliest(criteria.size()), m_titleSeen(criteria.size(), 0),
          m_personSeen(criteria.size(), 0)
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
        ++m_programme;
        if (m_needTitles)
            for (const std::string& title : p.titles)
                Scan(title, m_titleFind, m_titleSeen);
        if (m_needCredits)
            for (const std::string& person : p.credits)
                Scan(person, m_personFind, m_personSeen);
        bool described = false;
        const std::size_t limit = static_cast<std::size_t>(std::max(0, m_job.m_maxHits));
        for (std::size_t i = 0; i < m_criteria.size(); ++i)
        {
            const Criterion& c = m_criteria[i];
            if ((!c.title.empty() && m_titleSeen[i] != m_programme) ||
                (!c.person.empty() && m_personSeen[i] != m_programme))
                continue;
            // A programme after the limit of new hits already found changes
            // nothing once it is known that there are more.
            const Earliest& earliest = m_earliest[i];
            if (earliest.more && earliest.heap.size() >= limit &&
                (limit == 0 || Before(earliest.heap.front(), p.start, m_order)))
                continue;
            if (!described)
            {
                Describe(p);
                described = true;
            }
            Offer(i, p, limit);
        }
    }

    std::vector<Earliest>& Hits() { return m_earliest; }

private:
    // Marks in seen the criteria whose text the folded text holds. Most
    // texts are folded on the way: blanks collapsed, the letters of
    // Transliterate's two-byte rows spelled out, letters lowered. A text with
    // anything else (an entity, another byte from 0x80 up, "TUeV") is folded
    // first.
    void Scan(const std::string& text, const MultiFind& find, std::vector<std::uint64_t>& seen)
    {
        MultiFind::State state = MultiFind::kStart;
        bool folded = true;
        // The finders step capitals as small letters.
        const auto step = [&](char c) {
            state = find.Next(state, c);
            for (const std::uint32_t n : find.Found(state))
                seen[n] = m_programme;
        };
        bool blank = false;
        bool any = false;
        for (std::size_t i = 0; folded && i < text.size(); ++i)
        {
            const char c = text[i];
            const ByteKind kind = kByteKinds[static_cast<unsigned char>(c)];
            if (kind == ByteKind::Blank)
            {
                blank = true;
                continue;
            }
            if (blank && any)
                step(' ');
            blank = false;
            any = true;
            // What was found before such a stop is found in the folded text
            // too: nothing of the text before it changes.
            if (kind == ByteKind::Plain ||
                (kind == ByteKind::CapitalT && text.compare(i, 4, "TUeV") != 0 &&
                 text.compare(i, 4, "T\xC3\x9CV") != 0))
                step(c);
            else if (const char* spelling =
                         static_cast<unsigned char>(c) == 0xC3 && i + 1 < text.size()
                             ? C3Spelling(static_cast<unsigned char>(text[i + 1]))
                             : nullptr)
            {
                ++i;
                for (; *spelling; ++spelling)
                    step(*spelling);
            }
            else
                folded = false;
        }
        if (folded)
            return;
        Fold(text, m_folded);
        state = MultiFind::kStart;
        for (const char f : m_folded)
            step(f);
    }

    // The fields of the programme's row that every criterion shares.
    void Describe(const XmltvProgramme& p)
    {
        const auto start = static_cast<std::time_t>(p.start);
        std::tm local{};
        localtime_r(&start, &local);
        // "20:15 Uhr" and "Di, 15.12."
        m_clock.clear();
        AppendTwoDigits(m_clock, local.tm_hour);
        m_clock += ':';
        AppendTwoDigits(m_clock, local.tm_min);
        m_clock += " Uhr";
        m_day = kWeekdays[((local.tm_wday % 7) + 7) % 7];
        m_day += ", ";
        AppendTwoDigits(m_day, local.tm_mday);
        m_day += '.';
        AppendTwoDigits(m_day, local.tm_mon + 1);
        m_day += '.';
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

    void Offer(std::size_t i, const XmltvProgramme& p, std::size_t limit)
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
        if (earliest.heap.size() >= limit)
        {
            earliest.more = true;
            if (earliest.heap.empty() || Before(earliest.heap.front(), p.start, m_order))
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
    const MultiFind& m_titleFind;
    const MultiFind& m_personFind;
    std::vector<Earliest> m_earliest;
    // For each criterion, the last programme whose titles, and whose
    // credits, hold its text.
    std::vector<std::uint64_t> m_titleSeen;
    std::vector<std::uint64_t> m_personSeen;
    std::unordered_map<std::string, std::string> m_channels;
    bool m_needTitles = false;
    bool m_needCredits = false;
    std::uint64_t m_order = 0;
    std::uint64_t m_programme = 0;
    std::string m_folded;
    std::string m_clock;
    std::string m_day;
    std::string m_channel;
    std::string m_text;
    std::string m_link;
};

// The job's interface takes its three texts by value.
// cppcheck-suppress passedByValue
DS_XMLTV::DS_XMLTV(std::string jobName, std::string runMode, std::string criteria)
    : DoSuche(jobName, runMode, criteria), m_now(static_cast<std::int64_t>(std::time(nullptr))),
      m_parts(CutCriteriaText(criteria))
{
    // This job keeps its references in its own form.
    m_referencesSaved = true;
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
    std::vector<std::string> titles;
    std::vector<std::string> persons;
    for (std::size_t i = 0; i < m_parts.size(); ++i)
    {
        std::string person;
        std::string title;
        CutCriterion(m_parts[i], person, title);
        Fold(Windows1252ToUtf8(title), criteria[i].title);
        Fold(Windows1252ToUtf8(person), criteria[i].person);
        titles.push_back(criteria[i].title);
        persons.push_back(criteria[i].person);
    }
    const MultiFind titleFind(titles, true);
    const MultiFind personFind(persons, true);

    // Each guide's hits, or none of them when it failed.
    std::vector<std::vector<Earliest>> guides;
    bool allRead = true;
    for (const GuideSource& source : m_sources)
    {
        Collector collector(*this, criteria, titleFind, personFind);
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
        // A feed that the reader refused leaves error empty: the reader's
        // own error tells what was wrong.
        Report(true, error.empty() ? reader.Error() : error, false);
        if (error == kStoppedText)
            return false;
    }

    for (std::size_t i = 0; i < criteria.size(); ++i)
    {
        std::vector<Candidate> hits;
        bool more = false;
        for (std::vector<Earliest>& guide : guides)
        {
            Earliest& earliest = guide[i];
            more = more || earliest.more;
            std::move(earliest.heap.begin(), earliest.heap.end(), std::back_inserter(hits));
            earliest.heap.clear();
        }
        // Stable, and in guide order before: for equal starts and orders the
        // first guide's hits come first.
        std::stable_sort(hits.begin(), hits.end(), Later());
        const std::size_t limit = static_cast<std::size_t>(std::max(0, m_maxHits));
        if (hits.size() > limit)
        {
            hits.resize(limit);
            more = true;
        }
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
        if (more)
            Report(true, kTooManyRowsText, false);
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
