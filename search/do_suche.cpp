// DoSuche: URL building, HTTP fetch, hit bookkeeping and the reference file.
#include "do_suche.h"

#include "conversions.h"
#include "file_bytes.h"
#include "http_page_source.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <unordered_set>

namespace
{} // namespace

const char kTooManyRowsText[] =
    "Es wurden nicht alle Angebote beruecksichtigt, da sie zeitlich zu weit zurueck liegen!";

std::vector<std::string> DoSuche::CutCriteriaText(const std::string& criteria)
{
    // Every "#"-terminated part is one criterion; text after the last "#" is
    // dropped, and a "#" in the first position ends the cut at once.
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    std::string::size_type pos = criteria.find('#', start);
    while (pos != std::string::npos && pos > 0)
    {
        parts.push_back(criteria.substr(start, pos - start));
        start = pos + 1;
        pos = criteria.find('#', start);
    }
    return parts;
}

std::string PercentEncodePath(const std::string& path)
{
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size());
    for (const char c : path)
    {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte >= 0x7F)
        {
            out += '%';
            out += kHex[byte >> 4];
            out += kHex[byte & 0x0F];
        }
        else
            out += c;
    }
    return out;
}

DoSuche::DoSuche(const std::string& jobName, const std::string& /*runMode*/,
                 const std::string& params)
    : m_jobName(jobName), m_params(params)
{
    // Stale files of an older version of the job; their absence is normal.
    for (const char* suffix : {".trf", ".mlg"})
        std::remove((m_jobName + suffix).c_str());
}

DoSuche::~DoSuche()
{
    SaveReferences();
    PrintLine(m_jobName + " BEENDET");
}

void DoSuche::PrintLine(const std::string& text) const
{
    if (!m_messages)
        return;
    std::string line = text;
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), m_messages);
    std::fflush(m_messages);
}

bool DoSuche::AcceptHit()
{
    return true;
}

std::string DoSuche::MakeHitLine(std::string /*job*/, std::string f1, std::string f2,
                                 std::string f3, std::string f4, std::string f5, std::string f6,
                                 std::string /*link*/)
{
    return f1 + "|" + f2 + "|" + f3 + "|" + f4 + "|" + f5 + "|" + f6;
}

void DoSuche::BuildUrl()
{
    ++m_page;
    char number[16];
    std::snprintf(number, sizeof number, "%i", static_cast<int>(m_page));
    m_url = m_urlTemplate;
    const std::string::size_type at = m_url.find("%PAGE%");
    if (at != std::string::npos)
        m_url.replace(at, 6, number);
}

bool DoSuche::Fetch(const std::string& host, const std::string& path,
                    const std::string& contentType, const std::string& referer)
{
    PageRequest request;
    request.site = host;
    // Bytes outside printable ASCII go out percent-encoded, as a URL needs.
    request.path = PercentEncodePath(path);
    request.contentType = contentType;
    request.referer = referer;
    request.waitSeconds = m_timeoutSeconds;
    request.pageSeconds = m_pageSeconds;
    // The page text grows by doubling, but never beyond what the unread text
    // and the largest body can take: a body at the limit then costs about its
    // own size, not twice that and the copy of one more doubling.
    const std::size_t unread =
        m_reader.m_text.size() -
        std::min<std::size_t>(m_reader.m_text.size(),
                              std::max<std::int32_t>(m_reader.m_readIndex, 0));
    const std::size_t ceiling = unread + request.maxBodyBytes;
    const std::int64_t textEnd = m_reader.TextEnd();
    const PageAnswer answer =
        Pages().Get(request, [this, ceiling](const char* data, std::size_t size) {
            std::string& text = m_reader.m_text;
            if (text.size() + size > text.capacity() && text.size() + size <= ceiling)
                text.reserve(std::min(std::max(2 * text.capacity(), text.size() + size), ceiling));
            return m_reader.Append(data, size) == size;
        });
    m_answeredBy = answer.answeredBy;
    if (!answer.ok)
    {
        // Nothing of a page that did not come whole is read.
        m_reader.CutTextAt(textEnd);
        return Report(true, answer.error, false);
    }
    return true;
}

PageSource& DoSuche::Pages()
{
    if (!m_pageSource)
        m_pageSource = std::make_shared<HttpPageSource>();
    return *m_pageSource;
}

void DoSuche::PrepareSearch()
{
    m_morePages = true;
    m_criterionRefsStart = m_newRefs.size();
    if (ReadFileText(m_jobName + ".ref", m_refFileText))
        m_knownRefs.AppendFileText(m_refFileText);

    CutCriterion(m_params, m_personText, m_titleText);
}

void DoSuche::CutCriterion(const std::string& text, std::string& person, std::string& title)
{
    // Three steps, each taking the text up to the next bar from the cursor;
    // a step without a further bar takes the rest and wraps the cursor to 0.
    std::string::size_type cursor = 0;
    std::string fields[3];
    for (std::string& field : fields)
    {
        const std::string::size_type bar = text.find('|', cursor);
        if (bar != std::string::npos)
        {
            field = text.substr(cursor, bar - cursor);
            cursor = bar + 1;
        }
        else
        {
            field = text.substr(cursor);
            cursor = 0;
        }
    }
    person = fields[1];
    title = fields[2];
}

void DoSuche::ForgetCriterionRefs()
{
    if (m_criterionRefsStart < m_newRefs.size())
        m_newRefs.resize(m_criterionRefsStart);
}

bool DoSuche::RegisterHit()
{
    ++m_hitCount;
    if (m_hitCount > m_maxHits)
        return Report(true, kTooManyRowsText, false);
    if (!RecordHit())
    {
        ++m_knownInARow;
        return m_knownInARow <= m_maxKnownInARow;
    }
    m_knownInARow = 0;
    return true;
}

std::string DoSuche::BuildHitLine()
{
    // The fields keep their transliteration, and the line is built from the
    // fields transliterated once more. The second pass only has work where
    // the first one left bytes from 0x80 up (removing an accent can join two
    // bytes into a sequence of an earlier row).
    std::string* fields[] = {&m_hitField1, &m_hitField2, &m_hitField3,
                             &m_hitField4, &m_hitField5, &m_hitField6};
    bool settled[6];
    for (std::size_t i = 0; i < 6; ++i)
        settled[i] = TransliterateInPlace(*fields[i]);
    const auto again = [&](std::size_t i) {
        return settled[i] ? *fields[i] : Transliterate(*fields[i]);
    };

    // m_hitLine takes a copy into the buffer it already has, and the new line
    // itself goes on to m_newRefs, which saves an allocation per row.
    // A CR inside a field or a link would end a line when "TVmov.ref" or the
    // result list is read back; it becomes a blank, before the known test, so
    // the test, the row and both files see the same bytes.
    std::replace(m_hitLink.begin(), m_hitLink.end(), '\r', ' ');
    std::string line = MakeHitLine(m_jobName, again(0), again(1), again(2), again(3), again(4),
                                   again(5), m_hitLink);
    std::replace(line.begin(), line.end(), '\r', ' ');
    m_hitLine.assign(line);
    return line;
}

bool DoSuche::RecordHit()
{
    std::string line = BuildHitLine();
    if (IsKnown(m_hitLine))
        return false;

    m_newRefs.push_back(std::move(line));
    if (!AcceptHit())
        return true;
    m_hitLines.push_back(m_hitLine);
    m_hitLinks.push_back(m_hitLink);
    return true;
}

bool DoSuche::IsKnown(const std::string& hitLine) const
{
    return m_knownRefs.Contains(m_refCompareLen, hitLine);
}

bool DoSuche::Report(bool collect, const std::string& message, bool result)
{
    if (!message.empty())
        PrintLine(message);
    if (collect)
        m_errors.push_back(message);
    return result;
}

// The job's interface takes its texts by value.
// cppcheck-suppress passedByValue
std::string DoSuche::PadColumn(std::string text, std::int32_t width)
{
    std::string out;
    AppendPadded(out, text, width);
    return out;
}

void AppendPadded(std::string& out, std::string_view text, std::int32_t width)
{
    // The column is the text with every second blank of a pair dropped, then
    // 36 blanks, cut to width; only the bytes that survive the cut are made.
    if (width <= 0)
        return;
    const auto limit = static_cast<std::size_t>(width);
    const std::size_t start = out.size();
    out.resize(start + std::min(limit, text.size() + 36));
    char* const column = &out[start];
    std::size_t written = 0;
    for (std::size_t i = 0; i < text.size() && written < limit; ++i)
    {
        column[written++] = text[i];
        if (text[i] == ' ' && i + 1 < text.size() && text[i + 1] == ' ')
            ++i;
    }
    const std::size_t blanks = std::min<std::size_t>(36, limit - written);
    std::memset(column + written, ' ', blanks);
    out.resize(start + written + blanks);
}

bool DoSuche::SaveReferences()
{
    if (m_referencesSaved)
        return true;
    m_referencesSaved = true;
    // Nothing was loaded and nothing is new (no criterion was started, or
    // there was no file and no hit): the file is left as it is rather than
    // replaced by an empty one.
    if (m_knownRefs.empty() && m_newRefs.empty())
        return true;

    std::unordered_set<std::string> seen;
    for (const std::string& ref : m_newRefs)
    {
        if (seen.insert(ref).second)
            m_knownRefs.push_back(ref);
    }

    const auto n = static_cast<std::int64_t>(m_knownRefs.size());
    std::int64_t start = n - m_maxRefs;
    if (start < 1)
        start = 1;
    std::string bytes;
    for (auto i = static_cast<std::size_t>(start - 1); i < m_knownRefs.size(); ++i)
    {
        bytes += m_knownRefs[i];
        bytes += '\n';
    }
    return ReplaceFileBytes(m_jobName + ".ref", bytes);
}

std::string DoSuche::Transliterate(std::string text)
{
    return ::Transliterate(std::move(text));
}
