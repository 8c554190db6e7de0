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
// The markers of the result page, made once rather than per row.
const std::string kAnchor1 = ">Suchergebnisse<";
const std::string kAnchor2 = " Treffer";
const std::string kTable = "<table";
const std::string kRow = "Uhr</td>";
const std::string kCell = "<td";
const std::string kHref = "href=";
const std::string kDiv = "<div";
const char* const kNoText = "kein Text";

// text := value in the buffer text already has (assign goes through the
// general replace, which costs more for these short copies).
void SetText(std::string& text, std::string_view value)
{
    text.clear();
    text.append(value.data(), value.size());
}

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
    : DoSuche(jobName, runMode, criteria), m_parts(CutCriteriaText(criteria))
{
    m_host = kListingsHost;
    m_urlTemplate = kUrlTemplate;
    m_refCompareLen = 99;
}

DS_ORK::~DS_ORK() = default;

std::string DS_ORK::MakeHitLine(std::string /*job*/, std::string f1, std::string f2, std::string f3,
                                std::string /*f4*/, std::string f5, std::string f6,
                                std::string /*link*/)
{
    return ListingLine(f1, std::move(f2), f3, f5, std::move(f6));
}

std::string ListingLine(std::string_view f1, std::string f2, std::string_view f3,
                        std::string_view f5, std::string f6)
{
    DecodeEntitiesInPlace(f2);
    DecodeEntitiesInPlace(f6);
    std::string line;
    line.reserve(10 + 15 + 15 + 15 + 4 + f6.size());
    AppendPadded(line, f1, 10);
    line += '|';
    AppendPadded(line, f2, 15);
    line += '|';
    AppendPadded(line, f5, 15);
    line += '|';
    AppendPadded(line, f3, 15);
    line += '|';
    line += f6;
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
            {
                ForgetCriterionRefs();
                return Report(false, "X0", false);
            }

            if (m_reader.SkipToMarker(kAnchor1) == -1)
                return NotAResultPage("grober Fehler1!");
            if (m_reader.SkipToMarker(kAnchor2) == -1)
                return NotAResultPage("grober Fehler3!");
            if (m_reader.SkipToMarker(kTable) == -1)
                return NotAResultPage("grober Fehler5!");

            // The first column: the byte of the criterion string at the
            // criterion's index in the run, empty where the string is shorter.
            m_hitField1 = i < m_params.size() ? std::string(1, m_params[i]) : std::string();
            m_morePages = false;

            // The fields are views into the reader's line, copied into the
            // members' own buffers before the next line is read.
            for (;;)
            {
                if (!m_reader.ReadLine())
                    break;
                if (m_reader.SkipToMarker(kRow) == -1)
                    break;
                m_morePages = true;

                m_reader.NextPieceView(0);
                SetText(m_hitField5, m_reader.NextPieceView(-1));
                m_reader.NextPieceView(-1);
                SetText(m_hitField2, m_reader.NextPieceView(-1));
                m_reader.NextPieceView(-1);
                SetText(m_hitField3, m_reader.NextPieceView(-1));

                m_reader.SkipToMarker(kTable);
                m_reader.SkipToMarker(kCell);
                SetText(m_hitLink, m_host);
                m_hitLink += '/';
                m_hitLink.append(m_reader.QuotedViewAfter(kHref, 0));

                SetText(m_hitField6, kNoText);
                if (m_reader.FindInNextLines(kDiv, 0))
                {
                    std::string_view text = m_reader.NextPieceView(0);
                    for (int tries = 0; tries < 3 && text.empty(); ++tries)
                        text = m_reader.NextPieceView(-1);
                    if (!text.empty())
                        SetText(m_hitField6, text);
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

bool DS_ORK::NotAResultPage(const char* parseError)
{
    Report(false, parseError, false);
    m_errors.push_back(NotAResultPageText(m_answeredBy.empty() ? m_host : m_answeredBy));
    ForgetCriterionRefs();
    return false;
}

std::string NotAResultPageText(const std::string& host)
{
    return "Die Antwort von " + host + " war keine Ergebnisseite.";
}

std::string DS_ORK::DecodeEntities(std::string text)
{
    return ::DecodeEntities(std::move(text));
}
