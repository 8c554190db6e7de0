// Fuzz target: arbitrary bytes through the XMLTV reader, whole and in
// pieces, plain and wrapped in gzip. Whatever the bytes, the pieces must not
// change the outcome (programmes, channels, the error), every delivered text is
// valid UTF-8, trimmed and within the reader's bounds, and a gzip wrapping
// gives what the plain bytes give.
//
// Input: the first byte chooses the piece sizes (a seed) and whether the
// rest is also read wrapped in gzip (bit 0), in two members (bit 1); the
// rest is the guide.
#include "xmltv_reader.h"

#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
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

bool IsUtf8(const std::string& text)
{
    for (std::size_t at = 0; at < text.size();)
    {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if ((lead >= 0x80 && lead < 0xC2) || lead > 0xF4 || at + length > text.size())
            return false;
        for (std::size_t i = 1; i < length; ++i)
        {
            if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80)
                return false;
        }
        at += length;
    }
    return true;
}

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void CheckText(const std::string& text)
{
    Check(text.size() <= (std::size_t{1} << 20));
    Check(IsUtf8(text));
    Check(text.empty() || (!IsBlank(text.front()) && !IsBlank(text.back())));
}

// Everything a read delivered, as one text to compare.
struct Record : XmltvHandler
{
    void OnChannel(const XmltvChannel& channel) override
    {
        CheckText(channel.name);
        all += "C" + channel.id + "|" + channel.name + "\n";
    }
    void OnProgramme(const XmltvProgramme& p) override
    {
        Check(p.titles.size() <= 32 && p.credits.size() <= 256 && p.line >= 1);
        all += "P" + p.channel + "|" + std::to_string(p.start) + "|" + std::to_string(p.hasStop) +
               std::to_string(p.stop) + "|" + p.title + "|" + p.subTitle + "|" + p.desc + "|" +
               p.url + "|" + std::to_string(p.line);
        for (const std::string* text : {&p.title, &p.subTitle, &p.desc, &p.url})
            CheckText(*text);
        // The title shown is one of the titles, or empty when there is none.
        bool titleFound = p.titles.empty() && p.title.empty();
        for (const std::string& title : p.titles)
        {
            CheckText(title);
            titleFound = titleFound || title == p.title;
            all += "|T" + title;
        }
        Check(titleFound);
        for (const std::string& person : p.credits)
        {
            CheckText(person);
            all += "|K" + person;
        }
        all += "\n";
    }
    std::string all;
};

struct Outcome
{
    std::string delivered;
    bool ok = false;
    XmltvError kind = XmltvError::None;
    std::string error;
    std::uint64_t skipped = 0;
    std::uint64_t unpacked = 0;
};

// Feeds bytes in pieces of 1 to 4096 bytes drawn from seed (0: all at once).
Outcome Read(const std::string& bytes, unsigned seed)
{
    Record record;
    XmltvReader reader(record, "Fuzz");
    std::uint32_t state = seed * 2654435761u + 1;
    bool fed = true;
    for (std::size_t at = 0; fed && at < bytes.size();)
    {
        state = state * 1103515245u + 12345u;
        std::size_t piece = seed == 0 ? bytes.size() : 1 + (state >> 8) % (state & 1 ? 16 : 4096);
        piece = std::min(piece, bytes.size() - at);
        fed = reader.Feed(bytes.data() + at, piece);
        at += piece;
    }
    Outcome out;
    out.ok = reader.Finish();
    Check(fed || !out.ok);
    out.delivered = record.all;
    out.kind = reader.ErrorKind();
    out.error = reader.Error();
    out.skipped = reader.SkippedProgrammes();
    out.unpacked = reader.DecompressedBytes();
    Check(out.ok == (out.kind == XmltvError::None) && out.ok == out.error.empty());
    return out;
}

// The same outcome. Of a document that is not well-formed, expat may name
// another fault first when the bytes come in other pieces (after the root,
// "disp<h" is junk when read byte by byte, an invalid token when whole), so
// there only the kind must agree.
bool Same(const Outcome& a, const Outcome& b)
{
    return a.delivered == b.delivered && a.ok == b.ok && a.kind == b.kind &&
           (a.kind == XmltvError::Xml || a.error == b.error) && a.skipped == b.skipped;
}

std::string Gzip(const std::string& bytes)
{
    z_stream zlib{};
    Check(deflateInit2(&zlib, 1, Z_DEFLATED, 16 + MAX_WBITS, 8, Z_DEFAULT_STRATEGY) == Z_OK);
    std::string out(deflateBound(&zlib, bytes.size()), '\0');
    zlib.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.data()));
    zlib.avail_in = static_cast<uInt>(bytes.size());
    zlib.next_out = reinterpret_cast<Bytef*>(&out[0]);
    zlib.avail_out = static_cast<uInt>(out.size());
    Check(deflate(&zlib, Z_FINISH) == Z_STREAM_END);
    out.resize(zlib.total_out);
    deflateEnd(&zlib);
    return out;
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const unsigned control = data[0];
    const std::string guide(reinterpret_cast<const char*>(data) + 1, size - 1);

    const Outcome whole = Read(guide, 0);
    const Outcome pieces = Read(guide, control | 1);
    Check(Same(whole, pieces));
    Check(!whole.ok || whole.unpacked == guide.size());

    // Bytes that begin like gzip are read as gzip in the plain read already.
    const bool looksPacked = guide.size() >= 2 && static_cast<unsigned char>(guide[0]) == 0x1f &&
                             static_cast<unsigned char>(guide[1]) == 0x8b;
    if ((control & 1) && !looksPacked)
    {
        const std::size_t cut = (control & 2) ? guide.size() / 2 : guide.size();
        const std::string packed = Gzip(guide.substr(0, cut)) + Gzip(guide.substr(cut));
        const Outcome unpacked = Read(packed, control >> 2);
        Check(Same(whole, unpacked));
        Check(!whole.ok || unpacked.unpacked == guide.size());
    }
    return 0;
}
