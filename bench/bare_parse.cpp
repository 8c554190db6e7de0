// The yardstick of the XMLTV reader: expat over a guide with no handlers at
// all, read in 64 KiB chunks straight into expat's buffer; a file that
// starts with 1f 8b is inflated with zlib on the way, as the reader does.
// Prints the bytes of XML parsed, the seconds and the peak memory:
//
//     bench_bare_parse guide.xml[.gz]       (- or nothing: standard input)
#include <expat.h>
#include <zlib.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

namespace
{
const int kChunk = 64 * 1024;

bool Parsed(XML_Parser parser, int size, bool last)
{
    if (XML_ParseBuffer(parser, size, last) == XML_STATUS_OK)
        return true;
    std::fprintf(stderr, "XML error at line %lu: %s\n",
                 static_cast<unsigned long>(XML_GetCurrentLineNumber(parser)),
                 XML_ErrorString(XML_GetErrorCode(parser)));
    return false;
}

bool ParsePlain(XML_Parser parser, std::FILE* in, const unsigned char* head, std::size_t headSize,
                std::uint64_t& bytes)
{
    void* first = XML_GetBuffer(parser, kChunk);
    std::memcpy(first, head, headSize);
    std::size_t size = headSize;
    for (;;)
    {
        bytes += size;
        const bool last = size == 0;
        if (!Parsed(parser, static_cast<int>(size), last))
            return false;
        if (last)
            return true;
        void* buffer = XML_GetBuffer(parser, kChunk);
        size = std::fread(buffer, 1, kChunk, in);
    }
}

bool ParseGzip(XML_Parser parser, std::FILE* in, const unsigned char* head, std::size_t headSize,
               std::uint64_t& bytes)
{
    static unsigned char input[kChunk];
    z_stream zlib{};
    if (inflateInit2(&zlib, 16 + MAX_WBITS) != Z_OK)
        return false;
    std::memcpy(input, head, headSize);
    zlib.next_in = input;
    zlib.avail_in = static_cast<uInt>(headSize);
    bool ok = true;
    for (;;)
    {
        if (zlib.avail_in == 0)
        {
            zlib.next_in = input;
            zlib.avail_in = static_cast<uInt>(std::fread(input, 1, kChunk, in));
            if (zlib.avail_in == 0)
                break;
        }
        zlib.next_out = static_cast<Bytef*>(XML_GetBuffer(parser, kChunk));
        zlib.avail_out = kChunk;
        const int status = inflate(&zlib, Z_NO_FLUSH);
        const int produced = kChunk - static_cast<int>(zlib.avail_out);
        bytes += static_cast<std::uint64_t>(produced);
        if ((status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) ||
            !Parsed(parser, produced, false))
        {
            ok = false;
            break;
        }
        if (status == Z_STREAM_END)
            inflateReset(&zlib); // a further member may follow
    }
    inflateEnd(&zlib);
    return ok && Parsed(parser, 0, true);
}
} // namespace

int main(int argc, char** argv)
{
    const bool fromStdin = argc < 2 || std::strcmp(argv[1], "-") == 0;
    std::FILE* in = fromStdin ? stdin : std::fopen(argv[1], "rb");
    if (!in)
    {
        std::perror(argv[1]);
        return 2;
    }
    const auto begin = std::chrono::steady_clock::now();
    XML_Parser parser = XML_ParserCreate(nullptr);
    unsigned char head[2];
    const std::size_t headSize = std::fread(head, 1, sizeof head, in);
    std::uint64_t bytes = 0;
    const bool ok = headSize == 2 && head[0] == 0x1f && head[1] == 0x8b
                        ? ParseGzip(parser, in, head, headSize, bytes)
                        : ParsePlain(parser, in, head, headSize, bytes);
    XML_ParserFree(parser);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    if (!fromStdin)
        std::fclose(in);
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("bytes=%llu seconds=%.3f peak_mb=%.1f\n", static_cast<unsigned long long>(bytes),
                seconds, static_cast<double>(usage.ru_maxrss) / 1024.0);
    return ok ? 0 : 1;
}
