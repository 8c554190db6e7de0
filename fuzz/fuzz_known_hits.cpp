// Fuzz target: arbitrary "refn.txt" bytes through the loading code of the
// result list (the byte-level loader the window uses), and back through the
// writer.
//
// The loader has no window part: ReadFileHead, ParseKnownHits,
// FormatKnownHits and ReplaceFile are plain functions on bytes and files.
#include "file_bytes.h"
#include "known_hits_file.h"

#include "work_folder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include <wx/init.h>

namespace
{
void WriteRaw(const char* name, const std::string& bytes)
{
    std::FILE* file = std::fopen(name, "wb");
    if (!file)
        std::abort();
    std::fwrite(bytes.data(), 1, bytes.size(), file);
    std::fclose(file);
}

// A broken property: says which, then stops the fuzzer with the input.
void Fail(int line)
{
    std::fprintf(stderr, "property of line %d does not hold\n", line);
    std::abort();
}
#define Check(condition) ((condition) ? (void)0 : Fail(__LINE__))
} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    EnterWorkFolder(argc, argv);
    // The program runs the loader with the toolkit initialised.
    static wxInitializer initializer;
    if (!initializer.IsOk())
        std::abort();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);

    // Whole file, as read at start.
    WriteRaw("refn.txt", bytes);
    std::string read;
    bool truncated = true;
    Check(ReadFileHead("refn.txt", kKnownHitsMaxBytes, &read, &truncated));
    Check(read == bytes && !truncated);
    const KnownHits hits = ParseKnownHits(read, truncated);
    Check(hits.links.size() <= hits.lines.size());
    Check(hits.lines.size() <= hits.links.size() + 1);

    // The same file cut short by a small read limit: never more rows than the
    // whole file gives, and never a row whose link was cut off.
    const std::size_t limit = size == 0 ? 0 : data[0] % (size + 1);
    std::string head;
    Check(ReadFileHead("refn.txt", limit, &head, &truncated));
    Check(head.size() == std::min(limit, size) && truncated == (size > limit));
    const KnownHits partial = ParseKnownHits(head, truncated);
    Check(partial.lines.size() <= hits.lines.size());
    if (truncated)
        Check(partial.links.size() == partial.lines.size() ||
              partial.lines.size() == kKnownHitsMaxRows);

    // Saving what was loaded and loading it again gives the same rows; a row
    // without a link comes back with an empty one.
    const std::string saved = FormatKnownHits(hits);
    const KnownHits again = ParseKnownHits(saved, false);
    Check(again.lines == hits.lines);
    for (std::size_t i = 0; i < again.links.size(); ++i)
        Check(again.links[i] == (i < hits.links.size() ? hits.links[i] : std::string()));

    // The atomic replace leaves exactly the new bytes; done for every 16th
    // input only, as it syncs the file to disk.
    if (size > 0 && data[size - 1] % 16 == 0)
    {
        Check(ReplaceFile("refn.txt", saved));
        std::string back;
        Check(ReadFileHead("refn.txt", kKnownHitsMaxBytes, &back, &truncated));
        Check(back == saved);
    }
    return 0;
}
