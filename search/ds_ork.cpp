// DS_ORK: criteria and page loops and the result-page parser.
#include "ds_ork.h"

#include "conversions.h"
#include "listings_host.h"

const char* const DS_ORK::kUrlTemplate =
    "/Suchergebnisse_TV.211.0.html?&tv[wochentag]=&tv[zeitrahmen]=&tv[sender]=&tv[alter]="
    "&allgemein[titel]=#1&allgemein[person]=#2&tvsparte[alle]=alle"
    "&tvsparte[Spielfilm]=Spielfilm&tvsparte[Serien]=Serien"
    "&tvsparte[Unterhaltung]=Unterhaltung&tvsparte[Talkshow]=Talkshow"
    "&tvsparte[Reportagen]=Reportagen&tvsparte[Sport]=Sport&tvsparte[Kinder]=Kinder"
    "&tvsparte[Premiere]=Premiere&tvsparte[Erotik]=Erotik&page=%PAGE%";

namespace
{
void ReplaceFirst(std::string& text, const std::string& from, const std::string& to)
{
    const std::string::size_type at = text.find(from);
    if (at != std::string::npos)
        text.replace(at, from.size(), to);
}
} // namespace

// The job's interface takes its three texts by value.
// cppcheck-suppress passedByValue
DS_ORK::DS_ORK(std::string jobName, std::string runMode, std::string criteria)
    : DoSuche(jobName, runMode, criteria)
{
    m_host = kListingsHost;
    m_urlTemplate = kUrlTemplate;
    m_refCompareLen = 99;

    // Every "#"-terminated part is one criterion; text after the last "#" is
    // dropped, and a "#" in the first position ends the cut at once.
    if (!criteria.empty())
    {
        std::string::size_type start = 0;
        std::string::size_type pos = criteria.find('#', start);
        while (pos != std::string::npos && pos > 0)
        {
            m_parts.push_back(criteria.substr(start, pos - start));
            start = pos + 1;
            pos = criteria.find('#', start);
        }
    }
}

DS_ORK::~DS_ORK() = default;

std::string DS_ORK::MakeHitLine(std::string /*job*/, std::string f1, std::string f2,
                                std::string f3, std::string /*f4*/, std::string f5,
                                std::string f6, std::string /*link*/)
{
    std::string line = PadColumn(std::move(f1), 10);
    line += '|';
    line += PadColumn(DecodeEntities(std::move(f2)), 15);
    line += '|';
    line += PadColumn(std::move(f5), 15);
    line += '|';
    line += PadColumn(std::move(f3), 15);
    line += '|';
    line += DecodeEntities(std::move(f6));
    return line;
}

bool DS_ORK::FetchPage()
{
    return Fetch(m_host, m_url, std::string(), std::string());
}

bool DS_ORK::Search()
{
    m_hitLines.clear();
    m_hitLinks.clear();
    m_errors.clear();

    for (std::size_t i = 0; i < m_parts.size(); ++i)
    {
        m_page = 0;
        m_hitCount = 0;
        m_knownInARow = 0;
        m_params = m_parts[i];
        PrepareSearch();

        bool criterionGoesOn = true;
        while (m_morePages && criterionGoesOn)
        {
            BuildUrl();
            ReplaceFirst(m_url, "#1", m_titleText);
            ReplaceFirst(m_url, "#2", m_personText);
            m_url = ReplaceAll(m_url, " ", "%20");

            if (!FetchPage())
                return Report(false, "X0", false);

            if (m_reader.SkipToMarker(">Suchergebnisse<") == -1)
                return Report(false, "grober Fehler1!", false);
            if (m_reader.SkipToMarker(" Treffer") == -1)
                return Report(false, "grober Fehler3!", false);
            if (m_reader.SkipToMarker("<table") == -1)
                return Report(false, "grober Fehler5!", false);

            // The first column: the byte of the criterion string at the
            // criterion's index in the run, empty where the string is shorter.
            m_hitField1 = i < m_params.size() ? std::string(1, m_params[i]) : std::string();
            m_morePages = false;

            for (;;)
            {
                if (!m_reader.ReadLine())
                    break;
                if (m_reader.SkipToMarker("Uhr</td>") == -1)
                    break;
                m_morePages = true;

                m_reader.NextPiece(0);
                m_hitField5 = m_reader.NextPiece(-1);
                m_reader.NextPiece(-1);
                m_hitField2 = m_reader.NextPiece(-1);
                m_reader.NextPiece(-1);
                m_hitField3 = m_reader.NextPiece(-1);

                m_reader.SkipToMarker("<table");
                m_reader.SkipToMarker("<td");
                m_hitLink = m_host + "/" + m_reader.QuotedAfter("href=", 0);

                m_hitField6 = "kein Text";
                if (m_reader.FindInNextLines("<div", 0))
                {
                    m_hitField6 = m_reader.NextPiece(0);
                    for (int tries = 0; tries < 3 && m_hitField6.empty(); ++tries)
                        m_hitField6 = m_reader.NextPiece(-1);
                    if (m_hitField6.empty())
                        m_hitField6 = "kein Text";
                }

                if (!RegisterHit())
                {
                    criterionGoesOn = false;
                    break;
                }
            }
        }
    }
    return true;
}

std::string DS_ORK::DecodeEntities(std::string text)
{
    return ::DecodeEntities(std::move(text));
}
