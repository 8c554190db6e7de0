// The XMLTV reader: zlib inflates gzip input into expat's own buffer, expat
// parses, and the element handlers below fill one reused XmltvProgramme.
// Character data is only taken inside the elements that are kept; every
// other element is skipped as a whole, its text included.
#include "xmltv_reader.h"
#include "xmltv_texts.h"

#include <expat.h>
#include <zlib.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace
{
constexpr std::size_t kChunk = std::size_t{64} << 10; // bytes handed to expat at a time
// Bounds that keep the memory of a hostile guide small. A real guide stays
// far below all of them.
constexpr std::size_t kMaxText = 1 << 20;                      // one text; beyond it, it is cut
constexpr std::size_t kMaxProgrammeText = 4 << 20;             // all texts of one programme
constexpr std::size_t kMaxTitles = 32;                         // titles kept per programme
constexpr std::size_t kMaxCredits = 256;                       // credits kept per programme
constexpr std::size_t kKeptCapacity = std::size_t{64} << 10;   // bigger buffers are given back
constexpr std::uint64_t kMaxUnpacked = std::uint64_t{2} << 30; // 2 GiB of XML from gzip
// expat's own memory: a giant tag or comment is held whole, deep nesting
// keeps every open tag; a real guide needs well under a MiB.
constexpr std::size_t kMaxExpatMemory = 16 << 20;
// Entity expansion: expat stops a document whose entities produce more than
// kMaxAmplification times its own bytes, checked once it has produced 4 MiB.
constexpr float kMaxAmplification = 100.0f;
constexpr unsigned long long kAmplificationThreshold = 4 << 20;

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void Trim(std::string& text)
{
    std::size_t end = text.size();
    while (end > 0 && IsBlank(text[end - 1]))
        --end;
    text.resize(end);
    std::size_t begin = 0;
    while (begin < end && IsBlank(text[begin]))
        ++begin;
    text.erase(0, begin);
}

// Empties text for reuse; a buffer a hostile guide made big is given back.
void Recycle(std::string& text)
{
    if (text.capacity() > kKeptCapacity)
        std::string().swap(text);
    else
        text.clear();
}

// Moves the strings of list to spare, so that the next programme takes them
// (and their buffers) back instead of allocating.
void Recycle(std::vector<std::string>& list, std::vector<std::string>& spare)
{
    for (std::string& text : list)
    {
        Recycle(text);
        spare.push_back(std::move(text));
    }
    list.clear();
}

std::string* NewText(std::vector<std::string>& list, std::vector<std::string>& spare)
{
    if (spare.empty())
    {
        list.emplace_back();
    }
    else
    {
        list.push_back(std::move(spare.back()));
        spare.pop_back();
        list.back().clear();
    }
    return &list.back();
}

// lang="de", also "de-DE" or "DE".
bool IsGerman(const XML_Char** atts)
{
    for (; *atts; atts += 2)
    {
        if (std::strcmp(atts[0], "lang") == 0)
        {
            const char* value = atts[1];
            return (value[0] == 'd' || value[0] == 'D') && (value[1] == 'e' || value[1] == 'E') &&
                   (value[2] == '\0' || value[2] == '-' || value[2] == '_');
        }
    }
    return false;
}

// expat allocates through these functions, so that each parser's memory is
// counted and an allocation beyond kMaxExpatMemory is refused: expat then
// ends the parse with XML_ERROR_NO_MEMORY instead of growing further.
struct ExpatMemory
{
    std::size_t held = 0;
    bool refused = false;
};
// The parser whose call is running on this thread (see MemoryScope).
thread_local ExpatMemory* t_memory = nullptr;

// In front of every block: its size and whose memory it counts in. 16
// bytes, so the block behind it keeps malloc's alignment.
struct BlockHeader
{
    std::size_t size;
    ExpatMemory* owner;
};
static_assert(sizeof(BlockHeader) == 16, "the header keeps the alignment of malloc");

void* ExpatMalloc(std::size_t size)
{
    ExpatMemory* owner = t_memory;
    if (owner && size > kMaxExpatMemory - owner->held)
    {
        owner->refused = true;
        return nullptr;
    }
    auto* header = static_cast<BlockHeader*>(std::malloc(sizeof(BlockHeader) + size));
    if (!header)
        return nullptr;
    header->size = size;
    header->owner = owner;
    if (owner)
        owner->held += size;
    return header + 1;
}

void ExpatFree(void* block)
{
    if (!block)
        return;
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    if (header->owner)
        header->owner->held -= header->size;
    std::free(header);
}

void* ExpatRealloc(void* block, std::size_t size)
{
    if (!block)
        return ExpatMalloc(size);
    BlockHeader* header = static_cast<BlockHeader*>(block) - 1;
    ExpatMemory* owner = header->owner;
    const std::size_t old = header->size;
    if (owner && size > old && size - old > kMaxExpatMemory - owner->held)
    {
        owner->refused = true;
        return nullptr;
    }
    auto* moved = static_cast<BlockHeader*>(std::realloc(header, sizeof(BlockHeader) + size));
    if (!moved)
        return nullptr;
    moved->size = size;
    if (owner)
        owner->held = owner->held - old + size;
    return moved + 1;
}

const XML_Memory_Handling_Suite kExpatMemory = {&ExpatMalloc, &ExpatRealloc, &ExpatFree};

// Makes memory the one that expat's allocations count in while it lives.
class MemoryScope
{
public:
    explicit MemoryScope(ExpatMemory& memory) : m_previous(t_memory) { t_memory = &memory; }
    ~MemoryScope() { t_memory = m_previous; }
    MemoryScope(const MemoryScope&) = delete;
    MemoryScope& operator=(const MemoryScope&) = delete;

private:
    ExpatMemory* m_previous;
};

// Which of two elements of the same kind the programme keeps: the first, or
// a later one in German when the kept one is not.
struct Preference
{
    bool seen = false;
    bool german = false;
};
} // namespace

class XmltvReader::Impl
{
public:
    Impl(XmltvHandler& handler, std::string source);
    ~Impl();
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;

    bool Feed(const char* data, std::size_t size);
    bool Finish();

    std::string m_error;
    XmltvError m_kind = XmltvError::None;
    std::uint64_t m_skipped = 0;
    std::uint64_t m_unpacked = 0; // bytes of XML, after inflating

private:
    enum class Input
    {
        Unknown, // fewer than two bytes seen
        Plain,
        Gzip
    };
    enum class Inside
    {
        Nothing,
        Channel,
        Programme
    };

    bool Begin(unsigned char first, unsigned char second);
    bool Pass(const char* data, std::size_t size);
    bool ParsePlain(const char* data, std::size_t size);
    bool ParseXml(const char* data, std::size_t size);
    bool Inflate(const char* data, std::size_t size);
    bool Fail(XmltvError kind, std::string text);
    bool XmlFailed();

    void StartElement(const XML_Char* name, const XML_Char** atts);
    void EndElement();
    void AddText(const XML_Char* text, std::size_t size);
    void BeginProgramme(const XML_Char** atts);
    void BeginProgrammePart(const XML_Char* name, const XML_Char** atts);
    void BeginChannel(const XML_Char** atts);
    void EndProgramme();
    void Prefer(std::string& text, Preference& preference, const XML_Char** atts);
    void Collect(std::string* text);
    void EndText();
    void Skip();

    static void XMLCALL OnStart(void* self, const XML_Char* name, const XML_Char** atts);
    static void XMLCALL OnEnd(void* self, const XML_Char* name);
    static void XMLCALL OnText(void* self, const XML_Char* text, int size);
    static int XMLCALL OnUnknownEncoding(void* self, const XML_Char* name, XML_Encoding* info);

    XmltvHandler& m_handler;
    std::string m_source;
    ExpatMemory m_memory;
    XML_Parser m_parser = nullptr;

    Input m_input = Input::Unknown;
    bool m_held = false; // the first byte, while the second is awaited
    char m_heldByte = 0;
    z_stream m_zlib{};
    bool m_zlibReady = false;
    bool m_memberOpen = false; // a gzip member has begun and not yet ended
    bool m_xmlStarted = false; // expat has been given XML
    bool m_firstXmlHeld = false;
    char m_firstXml = 0;
    bool m_finished = false;
    std::string m_encodingName;

    // Where the parse is: open elements, and from which depth on they are skipped.
    unsigned m_depth = 0;
    unsigned m_skipFrom = 0;
    Inside m_inside = Inside::Nothing;
    bool m_inCredits = false;
    std::string* m_text = nullptr; // the text being collected
    bool m_textFull = false;       // it was cut at its bound
    std::size_t m_budget = 0;      // bytes of text the current programme may still take

    XmltvChannel m_channel;
    Preference m_name;
    XmltvProgramme m_programme;
    std::vector<std::string> m_spareTitles;
    std::vector<std::string> m_spareCredits;
    std::size_t m_germanTitle = 0; // index into titles; titles.size() when none
    Preference m_subTitle;
    Preference m_desc;
    bool m_haveUrl = false;
};

XmltvReader::Impl::Impl(XmltvHandler& handler, std::string source)
    : m_handler(handler), m_source(std::move(source))
{
    const MemoryScope scope(m_memory);
    m_parser = XML_ParserCreate_MM(nullptr, &kExpatMemory, nullptr);
    if (!m_parser)
        return;
    XML_SetUserData(m_parser, this);
    XML_SetElementHandler(m_parser, &Impl::OnStart, &Impl::OnEnd);
    XML_SetUnknownEncodingHandler(m_parser, &Impl::OnUnknownEncoding, this);
    // No DTD and no external entity is ever read: without an external entity
    // handler expat skips references to them, and parameter entities stay off.
    XML_SetParamEntityParsing(m_parser, XML_PARAM_ENTITY_PARSING_NEVER);
    XML_SetBillionLaughsAttackProtectionMaximumAmplification(m_parser, kMaxAmplification);
    XML_SetBillionLaughsAttackProtectionActivationThreshold(m_parser, kAmplificationThreshold);
}

XmltvReader::Impl::~Impl()
{
    if (m_zlibReady)
        inflateEnd(&m_zlib);
    const MemoryScope scope(m_memory);
    if (m_parser)
        XML_ParserFree(m_parser);
}

bool XmltvReader::Impl::Fail(XmltvError kind, std::string text)
{
    if (m_kind == XmltvError::None)
    {
        m_kind = kind;
        m_error = std::move(text);
    }
    return false;
}

bool XmltvReader::Impl::Feed(const char* data, std::size_t size)
{
    if (m_kind != XmltvError::None || m_finished)
        return false;
    const MemoryScope scope(m_memory);
    if (!m_parser)
        return Fail(XmltvError::Xml, xmltv_texts::OutOfMemory(m_source));
    if (size == 0)
        return true;
    if (m_input != Input::Unknown)
        return Pass(data, size);
    if (!m_held)
    {
        if (size == 1)
        {
            m_held = true;
            m_heldByte = data[0];
            return true;
        }
        return Begin(static_cast<unsigned char>(data[0]), static_cast<unsigned char>(data[1])) &&
               Pass(data, size);
    }
    m_held = false;
    const char first = m_heldByte;
    return Begin(static_cast<unsigned char>(first), static_cast<unsigned char>(data[0])) &&
           Pass(&first, 1) && Pass(data, size);
}

bool XmltvReader::Impl::Begin(unsigned char first, unsigned char second)
{
    if (first != 0x1f || second != 0x8b)
    {
        m_input = Input::Plain;
        return true;
    }
    m_input = Input::Gzip;
    // 16 + MAX_WBITS: a gzip header and trailer around the deflate data.
    if (inflateInit2(&m_zlib, 16 + MAX_WBITS) != Z_OK)
        return Fail(XmltvError::GzipBroken, xmltv_texts::OutOfMemory(m_source));
    m_zlibReady = true;
    return true;
}

bool XmltvReader::Impl::Pass(const char* data, std::size_t size)
{
    return m_input == Input::Gzip ? Inflate(data, size) : ParsePlain(data, size);
}

// expat guesses the encoding from the first piece it gets and settles on
// UTF-8 when that is a single byte; so the first byte of XML waits for the
// second, and a guide reads the same however its bytes are cut.
bool XmltvReader::Impl::ParsePlain(const char* data, std::size_t size)
{
    m_unpacked += size;
    if (m_xmlStarted || size == 0)
        return ParseXml(data, size);
    if (!m_firstXmlHeld && size == 1)
    {
        m_firstXmlHeld = true;
        m_firstXml = data[0];
        return true;
    }
    m_xmlStarted = true;
    if (!m_firstXmlHeld)
        return ParseXml(data, size);
    m_firstXmlHeld = false;
    char start[64];
    start[0] = m_firstXml;
    const std::size_t more = std::min(size, sizeof start - 1);
    std::memcpy(start + 1, data, more);
    return ParseXml(start, more + 1) && ParseXml(data + more, size - more);
}

bool XmltvReader::Impl::ParseXml(const char* data, std::size_t size)
{
    while (size > 0)
    {
        const std::size_t piece = std::min(size, kChunk);
        if (XML_Parse(m_parser, data, static_cast<int>(piece), XML_FALSE) != XML_STATUS_OK)
            return XmlFailed();
        data += piece;
        size -= piece;
    }
    return true;
}

bool XmltvReader::Impl::Inflate(const char* data, std::size_t size)
{
    // zlib counts its input in uInt; a caller's piece is handed over in parts.
    while (size > kChunk)
    {
        if (!Inflate(data, kChunk))
            return false;
        data += kChunk;
        size -= kChunk;
    }
    m_zlib.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    m_zlib.avail_in = static_cast<uInt>(size);
    bool outputFull = false;
    while (m_zlib.avail_in > 0 || outputFull)
    {
        if (!m_memberOpen)
        {
            if (m_zlib.avail_in == 0)
                break;
            // The next member of a stream of several (a new header follows).
            inflateReset(&m_zlib);
            m_memberOpen = true;
        }
        // Inflated straight into expat's buffer, no copy in between; only the
        // first bytes go the way of plain input.
        char head[64];
        void* buffer = head;
        std::size_t room = sizeof head;
        if (m_xmlStarted)
        {
            buffer = XML_GetBuffer(m_parser, static_cast<int>(kChunk));
            room = kChunk;
            if (!buffer)
                return XmlFailed();
        }
        m_zlib.next_out = static_cast<Bytef*>(buffer);
        m_zlib.avail_out = static_cast<uInt>(room);
        const int status = inflate(&m_zlib, Z_NO_FLUSH);
        if (status == Z_STREAM_END)
            m_memberOpen = false;
        else if (status != Z_OK && status != Z_BUF_ERROR)
            return Fail(XmltvError::GzipBroken,
                        xmltv_texts::GzipBroken(m_source, m_zlib.msg ? m_zlib.msg : "zlib"));
        const std::size_t produced = room - m_zlib.avail_out;
        outputFull = m_zlib.avail_out == 0;
        if (produced > 0)
        {
            if (m_unpacked + produced > kMaxUnpacked)
                return Fail(XmltvError::TooLarge, xmltv_texts::UnpackedTooLarge(m_source));
            if (buffer == head)
            {
                if (!ParsePlain(head, produced))
                    return false;
            }
            else
            {
                m_unpacked += produced;
                if (XML_ParseBuffer(m_parser, static_cast<int>(produced), XML_FALSE) !=
                    XML_STATUS_OK)
                    return XmlFailed();
            }
        }
        else if (status == Z_BUF_ERROR)
        {
            break; // no progress without more input
        }
    }
    return true;
}

// expat's error (or ours: the handlers stop the parser on a root that is
// not <tv>) as the reader's.
bool XmltvReader::Impl::XmlFailed()
{
    if (m_kind != XmltvError::None)
        return false;
    const XML_Error code = XML_GetErrorCode(m_parser);
    const std::uint64_t line = XML_GetCurrentLineNumber(m_parser);
    // expat counts columns from 0; people count them from 1.
    const std::uint64_t column = XML_GetCurrentColumnNumber(m_parser) + 1;
    switch (code)
    {
    case XML_ERROR_UNKNOWN_ENCODING:
        return Fail(XmltvError::Encoding, xmltv_texts::UnknownEncoding(m_source, m_encodingName));
    case XML_ERROR_AMPLIFICATION_LIMIT_BREACH:
        return Fail(XmltvError::EntityBomb, xmltv_texts::EntityBomb(m_source, line, column));
    case XML_ERROR_NO_MEMORY:
        if (m_memory.refused)
            return Fail(XmltvError::TooLarge, xmltv_texts::ExpatMemoryExceeded(m_source, line));
        break;
    case XML_ERROR_NO_ELEMENTS:
        if (m_unpacked == 0)
            return Fail(XmltvError::Xml, xmltv_texts::Empty(m_source));
        break;
    default:
        break;
    }
    return Fail(XmltvError::Xml, xmltv_texts::BrokenXml(m_source, code, line, column));
}

bool XmltvReader::Impl::Finish()
{
    if (m_finished || m_kind != XmltvError::None)
    {
        m_finished = true;
        return m_kind == XmltvError::None;
    }
    m_finished = true;
    const MemoryScope scope(m_memory);
    if (!m_parser)
        return Fail(XmltvError::Xml, xmltv_texts::OutOfMemory(m_source));
    if (m_held)
    {
        m_held = false;
        m_input = Input::Plain;
        if (!ParsePlain(&m_heldByte, 1))
            return false;
    }
    if (m_input == Input::Gzip && m_memberOpen)
        return Fail(XmltvError::GzipCut, xmltv_texts::GzipCut(m_source));
    if (m_firstXmlHeld)
    {
        m_firstXmlHeld = false;
        if (!ParseXml(&m_firstXml, 1))
            return false;
    }
    return XML_Parse(m_parser, nullptr, 0, XML_TRUE) == XML_STATUS_OK || XmlFailed();
}

// ---- the element handlers ----
//
// Depth 1 is <tv>, 2 its <channel> and <programme> elements, 3 their parts,
// 4 the children of <credits>. An element the reader does not keep is
// skipped with all it holds: m_skipFrom is its depth until it ends.

void XMLCALL XmltvReader::Impl::OnStart(void* self, const XML_Char* name, const XML_Char** atts)
{
    static_cast<Impl*>(self)->StartElement(name, atts);
}

void XMLCALL XmltvReader::Impl::OnEnd(void* self, const XML_Char*)
{
    static_cast<Impl*>(self)->EndElement();
}

void XMLCALL XmltvReader::Impl::OnText(void* self, const XML_Char* text, int size)
{
    static_cast<Impl*>(self)->AddText(text, static_cast<std::size_t>(size));
}

void XmltvReader::Impl::StartElement(const XML_Char* name, const XML_Char** atts)
{
    ++m_depth;
    if (m_skipFrom != 0)
        return;
    switch (m_depth)
    {
    case 1:
        if (std::strcmp(name, "tv") != 0)
        {
            Fail(XmltvError::NotXmltv, xmltv_texts::NotXmltv(m_source, name));
            XML_StopParser(m_parser, XML_FALSE);
        }
        return;
    case 2:
        if (name[0] == 'p' && std::strcmp(name, "programme") == 0)
            BeginProgramme(atts);
        else if (name[0] == 'c' && std::strcmp(name, "channel") == 0)
            BeginChannel(atts);
        else
            Skip();
        return;
    case 3:
        if (m_inside == Inside::Programme)
            BeginProgrammePart(name, atts);
        else if (m_inside == Inside::Channel && std::strcmp(name, "display-name") == 0)
            Prefer(m_channel.name, m_name, atts);
        else
            Skip();
        return;
    case 4:
        // Every child of <credits> but the x- ones, up to the bound.
        if (m_inCredits && !(name[0] == 'x' && name[1] == '-') &&
            m_programme.credits.size() < kMaxCredits)
            Collect(NewText(m_programme.credits, m_spareCredits));
        else
            Skip();
        return;
    default:
        Skip();
        return;
    }
}

void XmltvReader::Impl::EndElement()
{
    if (m_skipFrom != 0)
    {
        if (m_depth == m_skipFrom)
        {
            m_skipFrom = 0;
            if (m_text && !m_textFull)
                XML_SetCharacterDataHandler(m_parser, &Impl::OnText);
        }
        --m_depth;
        return;
    }
    switch (m_depth)
    {
    case 4:
        EndText();
        break;
    case 3:
        if (m_text)
            EndText();
        else
            m_inCredits = false;
        break;
    case 2:
        if (m_inside == Inside::Programme)
            EndProgramme();
        else if (m_inside == Inside::Channel)
            m_handler.OnChannel(m_channel);
        m_inside = Inside::Nothing;
        break;
    default:
        break;
    }
    --m_depth;
}

void XmltvReader::Impl::BeginProgramme(const XML_Char** atts)
{
    const XML_Char* start = nullptr;
    const XML_Char* stop = nullptr;
    const XML_Char* channel = nullptr;
    for (const XML_Char** att = atts; *att; att += 2)
    {
        const XML_Char* name = att[0];
        if (name[0] == 's' && std::strcmp(name, "start") == 0)
            start = att[1];
        else if (name[0] == 's' && std::strcmp(name, "stop") == 0)
            stop = att[1];
        else if (name[0] == 'c' && std::strcmp(name, "channel") == 0)
            channel = att[1];
    }
    XmltvProgramme& programme = m_programme;
    programme.hasStop = stop != nullptr;
    programme.stop = 0;
    if (!start || !ReadXmltvTime(start, programme.start) ||
        (stop && !ReadXmltvTime(stop, programme.stop)))
    {
        ++m_skipped;
        Skip();
        return;
    }
    Recycle(programme.channel);
    programme.channel.assign(channel ? channel : "");
    programme.line = XML_GetCurrentLineNumber(m_parser);
    Recycle(programme.titles, m_spareTitles);
    Recycle(programme.credits, m_spareCredits);
    Recycle(programme.title);
    Recycle(programme.subTitle);
    Recycle(programme.desc);
    Recycle(programme.url);
    m_germanTitle = 0;
    m_subTitle = Preference();
    m_desc = Preference();
    m_haveUrl = false;
    m_budget = kMaxProgrammeText;
    m_inside = Inside::Programme;
}

void XmltvReader::Impl::BeginProgrammePart(const XML_Char* name, const XML_Char** atts)
{
    XmltvProgramme& programme = m_programme;
    switch (name[0])
    {
    case 't':
        if (std::strcmp(name, "title") == 0 && programme.titles.size() < kMaxTitles)
        {
            // While no title was German, m_germanTitle is the number of
            // titles, so it moves on with each title that is not.
            if (m_germanTitle == programme.titles.size() && !IsGerman(atts))
                ++m_germanTitle;
            Collect(NewText(programme.titles, m_spareTitles));
            return;
        }
        break;
    case 's':
        if (std::strcmp(name, "sub-title") == 0)
        {
            Prefer(programme.subTitle, m_subTitle, atts);
            return;
        }
        break;
    case 'd':
        if (std::strcmp(name, "desc") == 0)
        {
            Prefer(programme.desc, m_desc, atts);
            return;
        }
        break;
    case 'c':
        if (std::strcmp(name, "credits") == 0)
        {
            m_inCredits = true;
            return;
        }
        break;
    case 'u':
        if (std::strcmp(name, "url") == 0 && !m_haveUrl)
        {
            m_haveUrl = true;
            Collect(&programme.url);
            return;
        }
        break;
    default:
        break;
    }
    Skip();
}

void XmltvReader::Impl::BeginChannel(const XML_Char** atts)
{
    const XML_Char* id = "";
    for (const XML_Char** att = atts; *att; att += 2)
    {
        if (std::strcmp(att[0], "id") == 0)
            id = att[1];
    }
    Recycle(m_channel.id);
    m_channel.id.assign(id);
    Recycle(m_channel.name);
    m_name = Preference();
    m_budget = kMaxProgrammeText;
    m_inside = Inside::Channel;
}

void XmltvReader::Impl::EndProgramme()
{
    XmltvProgramme& programme = m_programme;
    if (programme.titles.empty())
        programme.title.clear();
    else
        programme.title =
            programme.titles[m_germanTitle < programme.titles.size() ? m_germanTitle : 0];
    m_handler.OnProgramme(programme);
}

void XmltvReader::Impl::Prefer(std::string& text, Preference& preference, const XML_Char** atts)
{
    const bool german = IsGerman(atts);
    if (preference.seen && (preference.german || !german))
    {
        Skip();
        return;
    }
    preference.seen = true;
    preference.german = german;
    text.clear();
    Collect(&text);
}

void XmltvReader::Impl::Collect(std::string* text)
{
    m_text = text;
    m_textFull = false;
    XML_SetCharacterDataHandler(m_parser, &Impl::OnText);
}

void XmltvReader::Impl::AddText(const XML_Char* text, std::size_t size)
{
    std::string& target = *m_text;
    const std::size_t room = std::min(kMaxText - target.size(), m_budget);
    if (size > room)
    {
        // Cut at the bound, not inside a UTF-8 sequence, and take nothing
        // more for this text.
        size = room;
        while (size > 0 && (static_cast<unsigned char>(text[size]) & 0xC0) == 0x80)
            --size;
        m_textFull = true;
        XML_SetCharacterDataHandler(m_parser, nullptr);
    }
    target.append(text, size);
    m_budget -= size;
}

void XmltvReader::Impl::EndText()
{
    Trim(*m_text);
    m_text = nullptr;
    XML_SetCharacterDataHandler(m_parser, nullptr);
}

void XmltvReader::Impl::Skip()
{
    m_skipFrom = m_depth;
    XML_SetCharacterDataHandler(m_parser, nullptr);
}

int XMLCALL XmltvReader::Impl::OnUnknownEncoding(void* self, const XML_Char* name,
                                                 XML_Encoding* info)
{
    const std::uint16_t* upper = xmltv_texts::SingleByteEncoding(name);
    if (!upper)
    {
        static_cast<Impl*>(self)->m_encodingName = xmltv_texts::ToWindows1252(name, 40);
        return XML_STATUS_ERROR;
    }
    for (int byte = 0; byte < 0x80; ++byte)
        info->map[byte] = byte;
    for (int byte = 0x80; byte < 0x100; ++byte)
        info->map[byte] = upper[byte - 0x80];
    info->data = nullptr;
    info->convert = nullptr;
    info->release = nullptr;
    return XML_STATUS_OK;
}

// ---- XmltvReader ----

XmltvReader::XmltvReader(XmltvHandler& handler, std::string sourceName)
    : m_impl(std::make_unique<Impl>(handler, std::move(sourceName)))
{}

XmltvReader::~XmltvReader() = default;

bool XmltvReader::Feed(const char* data, std::size_t size)
{
    return m_impl->Feed(data, size);
}

bool XmltvReader::Finish()
{
    return m_impl->Finish();
}

const std::string& XmltvReader::Error() const
{
    return m_impl->m_error;
}

XmltvError XmltvReader::ErrorKind() const
{
    return m_impl->m_kind;
}

std::uint64_t XmltvReader::SkippedProgrammes() const
{
    return m_impl->m_skipped;
}

std::uint64_t XmltvReader::DecompressedBytes() const
{
    return m_impl->m_unpacked;
}
