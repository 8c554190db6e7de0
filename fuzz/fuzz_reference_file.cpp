// Fuzz target: arbitrary reference-file bytes through load, known test and
// save: the file is read as a criterion starts, every line read must count as
// known, and the save writes exactly the newest lines back.
//
// Input: the first byte sets the bound of saved references (0..15, to reach
// the tail logic with small inputs), the rest is the file "TVmov.ref".
#include "do_suche.h"
#include "file_bytes.h"

#include <algorithm>
#include "work_folder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <string>
#include <unistd.h>
#include <vector>

namespace
{
// A broken property: says which, then stops the fuzzer with the input.
void Fail(int line)
{
    std::fprintf(stderr, "property of line %d does not hold\n", line);
    std::abort();
}
#define Check(condition) ((condition) ? (void)0 : Fail(__LINE__))

std::string ReadAll(const char* name)
{
    std::string bytes;
    std::FILE* file = std::fopen(name, "rb");
    if (!file)
        return bytes;
    char buffer[65536];
    std::size_t count;
    while ((count = std::fread(buffer, 1, sizeof buffer, file)) > 0)
        bytes.append(buffer, count);
    std::fclose(file);
    return bytes;
}

// The known test as a walk over every entry, newest first: an entry matches
// when its first 99 bytes equal those of the line.
bool PlainWalk(const std::vector<std::string>& refs, const std::string& line)
{
    for (auto entry = refs.rbegin(); entry != refs.rend(); ++entry)
    {
        if (entry->compare(0, 99, line, 0, 99) == 0)
            return true;
    }
    return false;
}

class RefJob : public DoSuche
{
public:
    explicit RefJob(const std::string& params) : DoSuche("TVmov", "0", params) {}
    // The save is called explicitly below; the destructor's own save is not
    // needed a second time.
    ~RefJob() override
    {
        m_knownRefs.clear();
        m_newRefs.clear();
    }
};
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    EnterWorkFolder(argc, argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const int maxRefs = data[0] % 16;
    const std::string bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    {
        std::FILE* file = std::fopen("TVmov.ref", "wb");
        Check(file != nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
    }

    // The criterion text is the file's first bytes: the cut must not care.
    RefJob job(bytes.substr(0, 64));
    job.m_maxRefs = maxRefs;
    job.PrepareSearch();
    const std::vector<std::string> lines = SplitLines(bytes);
    Check(job.m_knownRefs.Entries() == lines);

    // Every line read is known; a line that differs only after the compared
    // prefix is known too; a line longer than a short known one is not.
    for (std::size_t i = 0; i < lines.size() && i < 64; ++i)
    {
        const std::string& line = lines[i];
        Check(job.IsKnown(line));
        if (line.size() >= 99)
            Check(job.IsKnown(line.substr(0, 99) + "\x01tail"));
    }

    // A second criterion reads the file again: the entries are the lines
    // twice, held once; the known test still agrees with a plain walk over
    // all entries, for lines read and for near misses.
    {
        RefJob twice(bytes.substr(0, 64));
        twice.PrepareSearch();
        twice.PrepareSearch();
        std::vector<std::string> both = lines;
        both.insert(both.end(), lines.begin(), lines.end());
        Check(twice.m_knownRefs.Entries() == both);
        Check(twice.m_knownRefs.DistinctLines() <= lines.size());
        for (std::size_t i = 0; i < lines.size() && i < 16; ++i)
        {
            const std::string& line = lines[i];
            for (const std::string& probe :
                 {line, line + "x", line.substr(0, line.size() / 2), line.substr(0, 98),
                  line.substr(0, 99) + "y", std::string("x") + line})
                Check(twice.IsKnown(probe) == PlainWalk(both, probe));
        }
    }

    // New references: every line once more with a mark, duplicates included.
    for (std::size_t i = 0; i < lines.size() && i < 8; ++i)
    {
        job.m_newRefs.push_back("new " + lines[i]);
        job.m_newRefs.push_back("new " + lines[i]);
    }
    std::vector<std::string> all = job.m_knownRefs.Entries();
    for (const std::string& ref : job.m_newRefs)
    {
        if (std::find(all.begin() + static_cast<std::ptrdiff_t>(job.m_knownRefs.size()), all.end(),
                      ref) == all.end())
            all.push_back(ref);
    }
    job.SaveReferences();

    // The file holds the newest max(1, n - maxRefs) .. n entries, LF ended,
    // and reading it back gives them (lines with a CR inside split there).
    std::size_t first = 0;
    if (all.size() > static_cast<std::size_t>(maxRefs) + 1)
        first = all.size() - static_cast<std::size_t>(maxRefs) - 1;
    std::string expected;
    for (std::size_t i = first; i < all.size(); ++i)
        expected += all[i] + "\n";
    if (!all.empty())
        Check(ReadAll("TVmov.ref") == expected);

    // No temporary file is left beside the reference file.
    DIR* folder = opendir(".");
    Check(folder != nullptr);
    while (const dirent* entry = readdir(folder))
    {
        const std::string name = entry->d_name;
        Check(name == "." || name == ".." || name == "TVmov.ref");
    }
    closedir(folder);
    return 0;
}
