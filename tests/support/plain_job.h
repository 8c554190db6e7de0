// The plain model of the listings job, for differential tests: the page text
// kept whole and read one byte at a time, the known references as a plain
// list walked newest first, and the result-page parse step by step as the
// job's rules say. Only the text conversions and the column padding are the
// program's own (they are not what the model checks). Header only, so that
// the engine tests and the fuzz targets share it.
#pragma once

#include "conversions.h"
#include "do_suche.h"
#include "ds_ork.h"
#include "file_bytes.h"
#include "listings_host.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

// The page reader over the whole text, nothing ever dropped.
struct PlainReader
{
    std::string m_line;
    std::int64_t m_linePos = 0;
    std::int64_t m_readIndex = 0;
    std::int64_t m_textLength = 0;
    std::string m_text;

    bool AtEnd() const { return m_readIndex >= m_textLength - 5; }

    bool ReadLine()
    {
        m_line.clear();
        m_textLength = static_cast<std::int64_t>(m_text.size());
        m_linePos = 0;
        while (!AtEnd())
        {
            const char c = m_text[static_cast<std::size_t>(m_readIndex++)];
            if (c == '\n')
                break;
            m_line += c;
        }
        return !AtEnd();
    }

    std::int64_t IndexIn(const std::string& needle, std::int64_t from) const
    {
        if (from < 0)
            return -1;
        const std::size_t at = m_line.find(needle, static_cast<std::size_t>(from));
        return at == std::string::npos ? -1 : static_cast<std::int64_t>(at);
    }

    int SkipToMarker(const std::string& m0, const std::string& m1 = std::string(),
                     const std::string& m2 = std::string(), const std::string& m3 = std::string())
    {
        const std::string* markers[] = {&m0, &m1, &m2, &m3};
        for (;;)
        {
            for (int k = 0; k < 4; ++k)
            {
                if (markers[k]->empty())
                    continue;
                m_linePos = IndexIn(*markers[k], 0);
                if (m_linePos >= 0)
                    return k;
            }
            ReadLine();
            if (m_line.find("OutputStream") != std::string::npos)
                return -1;
            if (AtEnd())
                return -1;
        }
    }

    bool FindInNextLines(const std::string& marker, std::int64_t start)
    {
        for (;;)
        {
            if (AtEnd())
                return false;
            ReadLine();
            if (AtEnd())
                return false;
            m_linePos = IndexIn(marker, start);
            if (m_linePos >= 0)
                return true;
        }
    }

    std::string PieceAt(std::int64_t from)
    {
        const std::int64_t p = IndexIn(">", from);
        m_linePos = p >= 0 ? IndexIn("<", p) : -1;
        if (m_linePos < 0)
            return std::string();
        return m_line.substr(static_cast<std::size_t>(p) + 1,
                             static_cast<std::size_t>(m_linePos - p - 1));
    }

    std::string NextPiece(std::int64_t start)
    {
        if (start >= 0)
            m_linePos = start;
        return PieceAt(m_linePos);
    }

    // With fewer than two quotes after the marker: none gives the line up to
    // its first quote (all of it without one), one gives the rest behind it.
    std::string QuotedAfter(const std::string& marker, std::int64_t start)
    {
        const std::int64_t p = IndexIn(marker, start);
        if (p < 0)
            return std::string();
        const std::int64_t q1 = IndexIn("\"", p);
        const std::int64_t q2 = IndexIn("\"", q1 + 1);
        m_linePos = q2;
        if (q1 < 0)
            return q2 < 0 ? m_line : m_line.substr(0, static_cast<std::size_t>(q2));
        if (q2 < 0)
            return m_line.substr(static_cast<std::size_t>(q1) + 1);
        return m_line.substr(static_cast<std::size_t>(q1) + 1,
                             static_cast<std::size_t>(q2 - q1 - 1));
    }
};

// Everything a run shows outside: what the window, the files and standard
// output get.
struct RunOutcome
{
    bool result = false;
    std::vector<std::string> requests;
    std::vector<std::string> hitLines;
    std::vector<std::string> hitLinks;
    std::vector<std::string> errors;
    std::string out;        // standard output
    bool saved = false;     // whether the reference file was written
    std::string savedBytes; // and what it was written with
};

// One listings job, the model's way. fetch(n, url, text) appends the n-th page
// (from 0) to text and returns false where the real job's fetch fails.
class PlainJob
{
public:
    using Fetcher = std::function<bool(std::size_t, const std::string&, std::string&)>;

    PlainJob(const std::string& criteria, Fetcher fetch, std::int32_t maxRefs = 1000)
        : m_fetch(std::move(fetch)), m_maxRefs(maxRefs)
    {
        std::string::size_type start = 0;
        std::string::size_type pos = criteria.find('#');
        while (!criteria.empty() && pos != std::string::npos && pos > 0)
        {
            m_parts.push_back(criteria.substr(start, pos - start));
            start = pos + 1;
            pos = criteria.find('#', start);
        }
    }

    // Search, then the end of the job: the save and the end line.
    RunOutcome Run()
    {
        m_outcome.result = Search();
        Save();
        m_outcome.out += "TVmov BEENDET\n";
        return m_outcome;
    }

private:
    bool Report(bool collect, const std::string& message, bool result)
    {
        if (!message.empty())
            m_outcome.out += message + "\n";
        if (collect)
            m_outcome.errors.push_back(message);
        return result;
    }

    static void ReplaceFirst(std::string& text, const std::string& from, const std::string& to)
    {
        const std::string::size_type at = text.find(from);
        if (at != std::string::npos)
            text.replace(at, from.size(), to);
    }

    void Prepare(const std::string& criterion)
    {
        std::string text;
        ReadFileText("TVmov.ref", text);
        for (std::string& line : SplitLines(text))
            m_known.push_back(std::move(line));
        std::string fields[3];
        std::string::size_type cursor = 0;
        for (std::string& field : fields)
        {
            const std::string::size_type bar = criterion.find('|', cursor);
            field = criterion.substr(cursor, bar == std::string::npos ? bar : bar - cursor);
            cursor = bar == std::string::npos ? 0 : bar + 1;
        }
        m_person = fields[1];
        m_title = fields[2];
    }

    bool Search()
    {
        for (std::size_t i = 0; i < m_parts.size(); ++i)
        {
            std::int32_t page = 0;
            m_hitCount = 0;
            m_knownInARow = 0;
            const std::string criterion = m_parts[i];
            Prepare(criterion);
            m_criterionRefs = m_newRefs.size();
            bool morePages = true;
            bool goesOn = true;
            while (morePages && goesOn)
            {
                std::string url = DS_ORK::kUrlTemplate;
                ReplaceFirst(url, "%PAGE%", std::to_string(++page));
                ReplaceFirst(url, "#1", m_title);
                ReplaceFirst(url, "#2", m_person);
                url = ReplaceAll(url, " ", "%20");
                // The request as it goes out: bytes outside printable ASCII
                // percent-encoded.
                m_outcome.requests.push_back(PercentEncodePath(url));
                if (!m_fetch(m_fetches++, url, m_reader.m_text))
                {
                    Report(true, "Konnte Verbindung nicht herstellen!", false);
                    m_newRefs.resize(m_criterionRefs);
                    return Report(false, "X0", false);
                }
                if (m_reader.SkipToMarker(">Suchergebnisse<") == -1)
                    return NotAResultPage("grober Fehler1!");
                if (m_reader.SkipToMarker(" Treffer") == -1)
                    return NotAResultPage("grober Fehler3!");
                if (m_reader.SkipToMarker("<table") == -1)
                    return NotAResultPage("grober Fehler5!");
                m_field[0] = i < criterion.size() ? std::string(1, criterion[i]) : std::string();
                morePages = false;
                while (m_reader.ReadLine() && m_reader.SkipToMarker("Uhr</td>") != -1)
                {
                    morePages = true;
                    m_reader.NextPiece(0);
                    m_field[4] = m_reader.NextPiece(-1);
                    m_reader.NextPiece(-1);
                    m_field[1] = m_reader.NextPiece(-1);
                    m_reader.NextPiece(-1);
                    m_field[2] = m_reader.NextPiece(-1);
                    m_reader.SkipToMarker("<table");
                    m_reader.SkipToMarker("<td");
                    m_link = m_host + "/" + m_reader.QuotedAfter("href=", 0);
                    m_field[5] = "kein Text";
                    if (m_reader.FindInNextLines("<div", 0))
                    {
                        m_field[5] = m_reader.NextPiece(0);
                        for (int k = 0; k < 3 && m_field[5].empty(); ++k)
                            m_field[5] = m_reader.NextPiece(-1);
                        if (m_field[5].empty())
                            m_field[5] = "kein Text";
                    }
                    if (!RegisterHit())
                    {
                        goesOn = false;
                        break;
                    }
                }
            }
        }
        return true;
    }

    // The parse error on standard output, the German text for the run.
    bool NotAResultPage(const char* parseError)
    {
        Report(false, parseError, false);
        m_outcome.errors.push_back("Die Antwort von " + m_host + " war keine Ergebnisseite.");
        m_newRefs.resize(m_criterionRefs);
        return false;
    }

    bool RegisterHit()
    {
        if (++m_hitCount > 300)
            return Report(true,
                          "Es wurden nicht alle Angebote beruecksichtigt, da sie zeitlich zu weit "
                          "zurueck liegen!",
                          false);
        if (!RecordHit())
            return ++m_knownInARow <= 3;
        m_knownInARow = 0;
        return true;
    }

    bool RecordHit()
    {
        for (std::string& field : m_field)
            field = Transliterate(field);
        std::string f[6];
        for (int k = 0; k < 6; ++k)
            f[k] = Transliterate(m_field[k]);
        std::string line = DoSuche::PadColumn(f[0], 10) + "|" +
                           DoSuche::PadColumn(DecodeEntities(f[1]), 15) + "|" +
                           DoSuche::PadColumn(f[4], 15) + "|" + DoSuche::PadColumn(f[2], 15) + "|" +
                           DecodeEntities(f[5]);
        // A CR would split the line when the files are read back.
        std::replace(line.begin(), line.end(), '\r', ' ');
        std::replace(m_link.begin(), m_link.end(), '\r', ' ');
        for (auto entry = m_known.rbegin(); entry != m_known.rend(); ++entry)
        {
            if (entry->compare(0, 99, line, 0, 99) == 0)
                return false;
        }
        m_newRefs.push_back(line);
        m_outcome.hitLines.push_back(line);
        m_outcome.hitLinks.push_back(m_link);
        return true;
    }

    // Nothing loaded and nothing new leaves the file alone.
    void Save()
    {
        if (m_known.empty() && m_newRefs.empty())
            return;
        std::vector<std::string> distinct;
        for (const std::string& ref : m_newRefs)
        {
            bool seen = false;
            for (const std::string& other : distinct)
                seen = seen || other == ref;
            if (!seen)
                distinct.push_back(ref);
        }
        m_known.insert(m_known.end(), distinct.begin(), distinct.end());
        const auto n = static_cast<std::int64_t>(m_known.size());
        std::int64_t s = n - m_maxRefs;
        if (s < 1)
            s = 1;
        m_outcome.saved = true;
        for (std::int64_t k = s - 1; k < n; ++k)
            m_outcome.savedBytes += m_known[static_cast<std::size_t>(k)] + "\n";
    }

public:
    std::string m_host = kListingsHost;
    PlainReader m_reader;

private:
    Fetcher m_fetch;
    std::int32_t m_maxRefs;
    std::vector<std::string> m_parts;
    std::vector<std::string> m_known;
    std::vector<std::string> m_newRefs;
    // New references before the criterion in progress: one that ends in an
    // error keeps none of its own.
    std::size_t m_criterionRefs = 0;
    std::string m_field[6];
    std::string m_link;
    std::string m_person;
    std::string m_title;
    std::int32_t m_hitCount = 0;
    std::int32_t m_knownInARow = 0;
    std::size_t m_fetches = 0;
    RunOutcome m_outcome;
};
