// The job as built (page text dropped once passed, known references held
// once per line) against the plain model of tests/support/plain_job.h (whole
// text, plain list), over the same page sequences: the fuzz corpus, generated
// result pages cut at random points so that lines run over page boundaries,
// and random walks of the reader itself. Everything observable must agree.
#include "ds_ork.h"
#include "listings_site.h"
#include "page_reader.h"
#include "memory_pages.h"
#include "plain_job.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <iterator>
#include <random>

namespace
{
const char* const kAbsent = "<no file>";

std::string FileState()
{
    return std::filesystem::exists("TVmov.ref") ? ReadFileBytes("TVmov.ref") : kAbsent;
}

void SetFile(const std::string& bytes)
{
    if (bytes == kAbsent)
        std::filesystem::remove("TVmov.ref");
    else
        WriteFileBytes("TVmov.ref", bytes);
}

// The job as built, its pages from the same fetcher as the model's; it
// notes whether after every fetch the reader held exactly what it had not yet
// passed and the new page.
class FedJob : public MemoryJob
{
public:
    FedJob(const std::string& criteria, PlainJob::Fetcher fetch)
        : MemoryJob(criteria, std::move(fetch))
    {}

    bool m_heldOnlyUnread = true;

protected:
    bool FetchPage() override
    {
        const auto received = [this] {
            return m_reader.m_droppedBytes + static_cast<std::int64_t>(m_reader.m_text.size());
        };
        const std::size_t unread =
            m_reader.m_text.size() - static_cast<std::size_t>(m_reader.m_readIndex);
        const std::int64_t before = received();
        if (!MemoryJob::FetchPage())
            return false;
        const auto page = static_cast<std::size_t>(received() - before);
        m_heldOnlyUnread = m_heldOnlyUnread && m_reader.m_text.size() == unread + page;
        return true;
    }
};

struct Case
{
    std::string criteria;
    std::vector<std::string> pages;
    bool endPages = true;                    // beyond the pages: pages without rows
    std::string file = kAbsent;              // "TVmov.ref" at the start
    std::size_t rewriteAt = ~std::size_t{0}; // fetch before which the file changes
    std::string rewritten;
    std::int32_t maxRefs = 1000;
};

PlainJob::Fetcher FetcherOf(const Case& c)
{
    return [&c](std::size_t n, const std::string&, std::string& text) {
        if (n == c.rewriteAt)
            SetFile(c.rewritten);
        if (n < c.pages.size())
            text += c.pages[n];
        else if (c.endPages)
            text += "<h1>Suchergebnisse</h1>\n<p>0 Treffer</p>\n<table>\n</table>\n<p>Ende</p>\n";
        else
            return false;
        return true;
    };
}

// Runs both, compares everything observable; returns the hits found.
std::size_t Compare(const Case& c, const std::string& label)
{
    SetFile(c.file);
    RunOutcome built;
    bool heldOnlyUnread = false;
    std::size_t pageBytes = 0;
    testing::internal::CaptureStdout();
    {
        FedJob job(c.criteria, FetcherOf(c));
        job.m_maxRefs = c.maxRefs;
        built.result = job.Search();
        built.requests = job.m_pages.m_paths;
        built.hitLines = job.m_hitLines;
        built.hitLinks = job.m_hitLinks;
        built.errors = job.m_errors;
        heldOnlyUnread = job.m_heldOnlyUnread;
        pageBytes =
            static_cast<std::size_t>(job.m_reader.m_droppedBytes) + job.m_reader.m_text.size();
    }
    built.out = testing::internal::GetCapturedStdout();
    const std::string builtFile = FileState();

    SetFile(c.file);
    PlainJob model(c.criteria, FetcherOf(c), c.maxRefs);
    const RunOutcome plain = model.Run();
    if (plain.saved)
        SetFile(plain.savedBytes);

    EXPECT_EQ(built.result, plain.result) << label;
    EXPECT_EQ(built.requests, plain.requests) << label;
    EXPECT_EQ(built.hitLines, plain.hitLines) << label;
    EXPECT_EQ(built.hitLinks, plain.hitLinks) << label;
    EXPECT_EQ(built.errors, plain.errors) << label;
    EXPECT_EQ(built.out, plain.out) << label;
    EXPECT_EQ(builtFile, FileState()) << label;
    EXPECT_EQ(pageBytes, model.m_reader.m_text.size()) << label;
    EXPECT_TRUE(heldOnlyUnread) << label;
    return plain.hitLines.size();
}

// Cuts the concatenated pages again at random points (inside lines, inside
// markers, between CR and LF, in the last bytes), so lines cross fetches.
std::vector<std::string> Recut(const std::vector<std::string>& pages, std::mt19937& random)
{
    std::string all;
    for (const std::string& page : pages)
        all += page;
    std::vector<std::string> pieces;
    std::size_t at = 0;
    while (at < all.size())
    {
        const std::size_t length = 1 + random() % (random() % 4 == 0 ? 8 : 400);
        pieces.push_back(all.substr(at, length));
        at += length;
    }
    return pieces;
}

std::vector<std::string> SplitCorpusInput(const std::string& input, std::string& criteria)
{
    const std::string separator = "\n=====PAGE=====\n";
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (std::string::size_type at; (at = input.find(separator, start)) != std::string::npos;)
    {
        parts.push_back(input.substr(start, at - start));
        start = at + separator.size();
    }
    parts.push_back(input.substr(start));
    criteria = "stille|#Wetter|Anna#";
    if (parts.size() > 1)
    {
        criteria = parts.front();
        parts.erase(parts.begin());
    }
    return parts;
}

// A result page of the listings site with some of the ways pages go wrong:
// rows without link or description, CR bytes, entities and UTF-8, lines that
// stop the scans ("OutputStream"), anchors on one line, no final line feed.
std::string GeneratedPage(std::mt19937& random, int rows)
{
    static const char* const kTexts[] = {"Ein Krimi am See.",
                                         "Fu\xC3\x9F"
                                         "ball &auml;rger",
                                         "Teil 1\rTeil 2",
                                         "",
                                         "<p>versteckt</p>",
                                         "T\xC3\x9C"
                                         "V-Bericht &ndash; 80\x80",
                                         "Wetter"};
    const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
    std::string page = pick(4) == 0
                           ? "<div><h1>Suchergebnisse</h1> 3 Treffer <table class=\"e\">\n"
                           : "<html>\n<h1>Suchergebnisse</h1>\n<p>3 Treffer</p>\n<table>\n";
    for (int r = 0; r < rows; ++r)
    {
        const std::string eol = pick(5) == 0 ? "\r\n" : "\n";
        page += "<tr><td>Mo " + std::to_string(1 + pick(3)) + ".12.</td><td>2" +
                std::to_string(pick(2)) + ":15 Uhr</td><td>" + kTexts[pick(7)] + "</td></tr>" + eol;
        if (pick(8) != 0)
            page += "<tr><td><table><tr><td><a href=\"sendung/" + std::to_string(pick(6)) +
                    ".html\">t</a></td></tr>" + eol;
        if (pick(10) == 0)
            page += "OutputStream" + eol;
        if (pick(6) != 0)
            page += "<div>" + std::string(kTexts[pick(7)]) + "</div>" + eol;
    }
    page += "</table>\n<p>Ende der Seite</p>";
    if (pick(3) != 0)
        page += "\n";
    return page;
}
} // namespace

class DifferentialTest : public ::testing::Test
{
protected:
    TempWorkDir m_dir;
};

TEST_F(DifferentialTest, FuzzCorpusAsFetchedAndCutAcrossPagesGivesTheModelsOutcome)
{
    const std::string top = ListingsSite::ScriptPath().substr(
        0, ListingsSite::ScriptPath().size() - std::string("/tools/listings_site.py").size());
    std::mt19937 random(5);
    int inputs = 0;
    for (const auto& entry : std::filesystem::directory_iterator(top + "/fuzz/corpus/fuzz_pages"))
    {
        Case c;
        c.pages = SplitCorpusInput(ReadFileBytes(entry.path().string()), c.criteria);
        c.endPages = false; // as in the fuzz target: no page beyond the input
        Compare(c, entry.path().filename().string());
        for (int cut = 0; cut < 3; ++cut)
        {
            Case recut = c;
            recut.pages = Recut(c.pages, random);
            Compare(recut, entry.path().filename().string() + " recut " + std::to_string(cut));
        }
        ++inputs;
    }
    EXPECT_GE(inputs, 8);
}

TEST_F(DifferentialTest, GeneratedPagesWithLinesOverPageBoundariesGiveTheModelsOutcome)
{
    std::size_t hits = 0;
    std::size_t knownRuns = 0;
    for (unsigned seed = 1; seed <= 60; ++seed)
    {
        std::mt19937 random(seed);
        Case c;
        const int criteria = 1 + static_cast<int>(random() % 12);
        for (int i = 0; i < criteria; ++i)
            c.criteria += (random() % 3 == 0 ? "|Anna" : "Titel " + std::to_string(i) + "|") +
                          std::string("#");
        for (int p = static_cast<int>(random() % 14); p > 0; --p)
            c.pages.push_back(GeneratedPage(random, static_cast<int>(random() % 7)));
        if (random() % 2 == 0)
            c.pages = Recut(c.pages, random);
        c.maxRefs = random() % 2 == 0 ? static_cast<std::int32_t>(random() % 40) : 1000;

        // A first run without a file finds the hits; the second starts with
        // some of them (and other lines) as its file, so rows become known,
        // and the file may change between two criteria.
        const std::string label = "seed " + std::to_string(seed);
        hits += Compare(c, label + ", no file");
        std::string file = FileState();
        if (file == kAbsent)
            continue;
        file.insert(0, "alte Zeile\r\n\n");
        file += "noch eine ohne Zeilenende";
        c.file = file;
        c.rewriteAt = random() % 5;
        // The same file, its last line changed, other lines, empty, gone.
        const std::string rewrites[] = {file, file + "x", "ganz\nandere\n" + file.substr(0, 300),
                                        "", kAbsent};
        c.rewritten = rewrites[random() % 5];
        Compare(c, label + ", with file");
        ++knownRuns;
    }
    EXPECT_GT(hits, 100u);
    EXPECT_GT(knownRuns, 20u);
}

TEST(ReaderDifferential, RandomWalksOverTextAppendedInPiecesAnswerAsOverTheWholeText)
{
    static const char* const kBits[] = {"\n",           "\r\n",       "<td", ">x<",
                                        "Uhr</td>",     "href=\"a\"", "\"",  "<div>",
                                        "OutputStream", "ab",         "\0",  " "};
    static const std::string kMarkers[] = {"", "<td", "Uhr</td>", "\"", ">", "x", "ab"};
    long checks = 0;
    for (unsigned seed = 1; seed <= 200; ++seed)
    {
        std::mt19937 random(seed);
        const auto pick = [&](std::size_t n) { return static_cast<std::size_t>(random() % n); };
        PageReader built;
        PlainReader plain;
        for (int step = 0; step < 400; ++step)
        {
            std::string answer;
            std::string expected;
            const std::string& marker = kMarkers[1 + pick(std::size(kMarkers) - 1)];
            const std::int32_t start = static_cast<std::int32_t>(pick(12)) - 2;
            switch (pick(8))
            {
            case 0: {
                std::string piece;
                for (std::size_t n = pick(12); n > 0; --n)
                {
                    const char* bit = kBits[pick(std::size(kBits))];
                    piece.append(bit, *bit ? std::strlen(bit) : 1);
                }
                built.Append(piece);
                plain.m_text += piece;
                break;
            }
            case 1:
                answer = std::to_string(built.ReadLine());
                expected = std::to_string(plain.ReadLine());
                break;
            case 2: {
                const std::string& m1 = kMarkers[pick(std::size(kMarkers))];
                answer = std::to_string(built.SkipToMarker(marker, m1));
                expected = std::to_string(plain.SkipToMarker(marker, m1));
                break;
            }
            case 3:
                answer = std::to_string(built.FindInNextLines(marker, start));
                expected = std::to_string(plain.FindInNextLines(marker, start));
                break;
            case 4:
                answer = built.NextPiece(start % 3 == 0 ? -1 : start);
                expected = plain.NextPiece(start % 3 == 0 ? -1 : start);
                break;
            case 5:
                answer = built.PieceAt(start);
                expected = plain.PieceAt(start);
                break;
            case 6:
                answer = built.QuotedAfter(marker, start);
                expected = plain.QuotedAfter(marker, start);
                break;
            default:
                answer = std::to_string(built.AtEnd());
                expected = std::to_string(plain.AtEnd());
                break;
            }
            ASSERT_EQ(answer, expected) << "seed " << seed << " step " << step;
            ASSERT_EQ(built.m_line, plain.m_line) << "seed " << seed << " step " << step;
            ASSERT_EQ(built.m_linePos, plain.m_linePos) << "seed " << seed << " step " << step;
            ASSERT_EQ(built.m_droppedBytes + built.m_readIndex, plain.m_readIndex);
            ASSERT_EQ(built.m_droppedBytes + built.m_textLength, plain.m_textLength);
            // What is held is the whole text from the dropped bytes on.
            ASSERT_EQ(built.m_text,
                      plain.m_text.substr(static_cast<std::size_t>(built.m_droppedBytes)));
            ++checks;
        }
    }
    EXPECT_GT(checks, 50000);
}
