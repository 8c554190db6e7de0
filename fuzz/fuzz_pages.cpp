// Fuzz target: arbitrary page text through the page reader and the whole
// DS_ORK parse, pages fed from memory through the job's page source,
// and the same pages through the plain model of the job, whose outcome the
// job must give.
//
// Input layout: criteria text, then pages, each part separated by the line
// "\n=====PAGE=====\n". Without a separator the whole input is one page and
// the criteria text is a fixed one with two criteria.
#include "conversions.h"
#include "ds_ork.h"
#include "memory_pages.h"
#include "page_reader.h"
#include "plain_job.h"

#include "work_folder.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
const std::string kSeparator = "\n=====PAGE=====\n";

std::vector<std::string> Split(const std::string& input)
{
    std::vector<std::string> parts;
    std::string::size_type start = 0;
    for (;;)
    {
        const std::string::size_type at = input.find(kSeparator, start);
        if (at == std::string::npos)
        {
            parts.push_back(input.substr(start));
            return parts;
        }
        parts.push_back(input.substr(start, at - start));
        start = at + kSeparator.size();
    }
}

// Every reader operation over the text, the way the parser combines them.
void WalkReader(const std::string& text)
{
    PageReader reader;
    reader.m_text = text;
    std::size_t guard = 0;
    while (reader.ReadLine() && ++guard < 100000)
    {
        reader.NextPiece(0);
        for (int i = 0; i < 4; ++i)
            reader.NextPiece(-1);
        reader.QuotedAfter("href=", 0);
        reader.PieceAt(reader.m_linePos);
        Transliterate(reader.m_line);
        DecodeEntities(reader.m_line);
    }
    PageReader scanner;
    scanner.m_text = text;
    while (scanner.SkipToMarker("<td", "Uhr</td>", ">", "\"") >= 0 && ++guard < 200000)
    {
        if (!scanner.FindInNextLines("<div", 0))
            break;
        scanner.QuotedAfter("\"", scanner.m_linePos);
        if (!scanner.ReadLine())
            break;
    }
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    EnterWorkFolder(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string input(reinterpret_cast<const char*>(data), size);
    WalkReader(input);

    std::vector<std::string> parts = Split(input);
    std::string criteria = "stille|#Wetter|Anna#";
    if (parts.size() > 1)
    {
        criteria = parts.front();
        parts.erase(parts.begin());
        // Many criteria each needing pages only repeat the same path.
        if (criteria.size() > 256)
            criteria.resize(256);
    }

    MemoryJob job(criteria, MemoryPages::InTurn(parts));
    const bool result = job.Search();

    PlainJob model(criteria, [&parts](std::size_t n, const std::string&, std::string& text) {
        if (n >= parts.size())
            return false;
        text += parts[n];
        return true;
    });
    const RunOutcome plain = model.Run();
    if (result != plain.result || job.m_pages.m_paths != plain.requests ||
        job.m_hitLines != plain.hitLines || job.m_hitLinks != plain.hitLinks ||
        job.m_errors != plain.errors)
        std::abort();

    // Whatever the pages held: the lists stay parallel, the row limit holds
    // per criterion, and every hit line has its four fixed columns.
    if (job.m_hitLines.size() != job.m_hitLinks.size())
        std::abort();
    if (job.m_hitLines.size() > job.m_parts.size() * 300)
        std::abort();
    for (const std::string& line : job.m_hitLines)
    {
        if (line.size() < 59 || line[10] != '|' || line[26] != '|' || line[42] != '|' ||
            line[58] != '|')
            std::abort();
    }
    // The reference file is exercised by its own target; nothing is saved
    // here, so no file is written per input.
    job.m_knownRefs.clear();
    job.m_newRefs.clear();
    return 0;
}
