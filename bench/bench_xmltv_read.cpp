// The XMLTV reader as a search uses it: every programme of a guide is
// compared against 20 criteria (case-blind substrings of its titles and
// credits). Read in 64 KiB chunks like bench_bare_parse, its yardstick;
// prints the programmes, the hits, the seconds and the peak memory:
//
//     bench_xmltv_read guide.xml[.gz] [criterion ...]   (- : standard input)
#include "xmltv_reader.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <queue>
#include <string>
#include <sys/resource.h>
#include <vector>

namespace
{
const char* const kCriteria[] = {"Spur im Schnee",
                                 "Tatort",
                                 "weinprinzessin",
                                 "M\xC3\xB6ller",
                                 "Brandt",
                                 "Kommissar",
                                 "NORDSEE",
                                 "Zeitreise",
                                 "Gr\xC3\xA4"
                                 "fenau",
                                 "Wendehals",
                                 "\xC3\x96zdemir",
                                 "Helgoland",
                                 "Ren\xC3\xA9 Berg",
                                 "Backen",
                                 "Quandtmeier",
                                 "Nachtcaf\xC3\xA9",
                                 "Lindholm",
                                 "Xylophon",
                                 "Sommer",
                                 "Falkenried"};

const std::array<unsigned char, 256> kAsciiLower = [] {
    std::array<unsigned char, 256> lower{};
    for (std::size_t byte = 0; byte < 256; ++byte)
        lower[byte] = static_cast<unsigned char>(byte >= 'A' && byte <= 'Z' ? byte + 32 : byte);
    return lower;
}();

// Lower case for ASCII and for the Latin-1 capitals of UTF-8 (C3 80..C3 9E
// but the sign of multiplication), appended to out.
void AppendFolded(const std::string& text, std::string& out)
{
    unsigned char previous = 0;
    for (const char c : text)
    {
        auto byte = static_cast<unsigned char>(c);
        if (byte >= 'A' && byte <= 'Z')
            byte = static_cast<unsigned char>(byte + 32);
        else if (previous == 0xC3 && byte >= 0x80 && byte <= 0x9E && byte != 0x97)
            byte = static_cast<unsigned char>(byte + 32);
        out += static_cast<char>(byte);
        previous = static_cast<unsigned char>(c);
    }
}

// All criteria found in one pass over a text: an Aho-Corasick automaton
// with every transition filled in, so a byte costs one table step.
class Matcher
{
public:
    explicit Matcher(const std::vector<std::string>& criteria)
    {
        m_next.emplace_back();
        m_next[0].fill(-1);
        m_found.push_back(0);
        for (std::size_t n = 0; n < criteria.size(); ++n)
        {
            std::string folded;
            AppendFolded(criteria[n], folded);
            int state = 0;
            for (const char c : folded)
            {
                const auto byte = static_cast<unsigned char>(c);
                if (m_next[static_cast<std::size_t>(state)][byte] < 0)
                {
                    m_next[static_cast<std::size_t>(state)][byte] = static_cast<int>(m_next.size());
                    m_next.emplace_back();
                    m_next.back().fill(-1);
                    m_found.push_back(0);
                }
                state = m_next[static_cast<std::size_t>(state)][byte];
            }
            m_found[static_cast<std::size_t>(state)] |= 1u << n;
        }
        // Breadth first: a missing step goes where the longest proper suffix goes.
        std::vector<int> fail(m_next.size(), 0);
        std::queue<int> todo;
        for (int& target : m_next[0])
        {
            if (target < 0)
                target = 0;
            else
                todo.push(target);
        }
        while (!todo.empty())
        {
            const auto state = static_cast<std::size_t>(todo.front());
            todo.pop();
            m_found[state] |= m_found[static_cast<std::size_t>(fail[state])];
            for (std::size_t byte = 0; byte < 256; ++byte)
            {
                int& target = m_next[state][byte];
                const int viaFail = m_next[static_cast<std::size_t>(fail[state])][byte];
                if (target < 0)
                {
                    target = viaFail;
                }
                else
                {
                    fail[static_cast<std::size_t>(target)] = viaFail;
                    todo.push(target);
                }
            }
        }
    }

    // The criteria found in text, one bit each, folded on the way as
    // AppendFolded does.
    std::uint32_t Find(const std::string& text) const
    {
        std::uint32_t found = 0;
        std::size_t state = 0;
        unsigned char previous = 0;
        for (const char c : text)
        {
            auto byte = static_cast<unsigned char>(c);
            const unsigned char folded =
                previous == 0xC3 && byte >= 0x80 && byte <= 0x9E && byte != 0x97
                    ? static_cast<unsigned char>(byte + 32)
                    : kAsciiLower[byte];
            previous = byte;
            state = static_cast<std::size_t>(m_next[state][folded]);
            found |= m_found[state];
        }
        return found;
    }

private:
    std::vector<std::array<int, 256>> m_next;
    std::vector<std::uint32_t> m_found;
};

class SearchHandler : public XmltvHandler
{
public:
    explicit SearchHandler(const Matcher& matcher) : m_matcher(matcher) {}

    void OnProgramme(const XmltvProgramme& programme) override
    {
        std::uint32_t found = 0;
        for (const std::string& title : programme.titles)
            found |= m_matcher.Find(title);
        for (const std::string& person : programme.credits)
            found |= m_matcher.Find(person);
        ++programmes;
        if (found != 0)
            ++hits;
        matches += static_cast<std::uint64_t>(__builtin_popcount(found));
    }

    std::uint64_t programmes = 0;
    std::uint64_t hits = 0;
    std::uint64_t matches = 0;

private:
    const Matcher& m_matcher;
};
} // namespace

int main(int argc, char** argv)
{
    const bool fromStdin = argc < 2 || std::strcmp(argv[1], "-") == 0;
    std::vector<std::string> criteria(argv + std::min(argc, 2), argv + argc);
    if (criteria.empty())
        criteria.assign(std::begin(kCriteria), std::end(kCriteria));
    if (criteria.size() > 32)
    {
        std::fprintf(stderr, "at most 32 criteria\n");
        return 2;
    }
    std::FILE* in = fromStdin ? stdin : std::fopen(argv[1], "rb");
    if (!in)
    {
        std::perror(argv[1]);
        return 2;
    }
    const auto begin = std::chrono::steady_clock::now();
    const Matcher matcher(criteria);
    SearchHandler handler(matcher);
    XmltvReader reader(handler, fromStdin ? "-" : argv[1]);
    static char buffer[64 * 1024];
    std::size_t size;
    bool ok = true;
    while (ok && (size = std::fread(buffer, 1, sizeof buffer, in)) > 0)
        ok = reader.Feed(buffer, size);
    ok = ok && reader.Finish();
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    if (!fromStdin)
        std::fclose(in);
    if (!ok)
        std::fprintf(stderr, "%s\n", reader.Error().c_str());
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("bytes=%llu seconds=%.3f peak_mb=%.1f programmes=%llu hits=%llu matches=%llu "
                "skipped=%llu\n",
                static_cast<unsigned long long>(reader.DecompressedBytes()), seconds,
                static_cast<double>(usage.ru_maxrss) / 1024.0,
                static_cast<unsigned long long>(handler.programmes),
                static_cast<unsigned long long>(handler.hits),
                static_cast<unsigned long long>(handler.matches),
                static_cast<unsigned long long>(reader.SkippedProgrammes()));
    return ok ? 0 : 1;
}
