// A streaming reader of XMLTV guides: the bytes are pushed in as they come
// (a download's body, a file read in chunks), gzip-compressed or not, and
// each channel and programme is handed to a handler as soon as its element
// ends. The reader holds one programme at a time, so its memory does not
// grow with the guide.
//
// Delivered texts are UTF-8 (whatever the guide's encoding), entities
// decoded, white space at both ends trimmed. Error texts are German, as
// Windows-1252 bytes like all of the engine's own texts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct XmltvChannel
{
    std::string id;
    // The first <display-name lang="de">, else the first <display-name>, else empty.
    std::string name;
};

struct XmltvProgramme
{
    std::string channel;    // the channel attribute, as written
    std::int64_t start = 0; // UTC, seconds since 1970
    bool hasStop = false;
    std::int64_t stop = 0;
    std::vector<std::string> titles;  // every <title>, in file order
    std::string title;                // the first with lang="de", else the first
    std::string subTitle;             // the first <sub-title> (lang="de" preferred)
    std::string desc;                 // the first <desc> (lang="de" preferred)
    std::vector<std::string> credits; // the text of every child of <credits>
    std::string url;                  // the first <url>
    std::uint64_t line = 0;           // line of the <programme> start tag
};

class XmltvHandler
{
public:
    virtual ~XmltvHandler() = default;
    // Called while the reader parses, so they must not throw. The reference
    // is valid during the call only: the reader reuses its buffers.
    virtual void OnChannel(const XmltvChannel&) {}
    virtual void OnProgramme(const XmltvProgramme&) {}
};

// What ended a read; the text of Error() says it to the user.
enum class XmltvError
{
    None,
    Xml,        // not well-formed, or it ends too early (an empty input too)
    NotXmltv,   // the root element is not <tv>
    Encoding,   // a character encoding the reader does not know
    EntityBomb, // entities that multiply the text without bound
    TooLarge,   // more than 2 GiB unpacked, or expat would need more than 16 MiB
    GzipBroken, // the gzip data is damaged
    GzipCut,    // the gzip data ends in the middle
};

class XmltvReader
{
public:
    // sourceName names the guide in error texts (Windows-1252 bytes).
    XmltvReader(XmltvHandler& handler, std::string sourceName);
    ~XmltvReader();
    XmltvReader(const XmltvReader&) = delete;
    XmltvReader& operator=(const XmltvReader&) = delete;

    // The next bytes of the guide, in any sizes. gzip is recognised by its
    // first two bytes (1f 8b), not by a name, and inflated on the fly, also a
    // stream of several gzip members. False once an error happened.
    bool Feed(const char* data, std::size_t size);
    // The end of the input: a gzip stream or a document that is not complete
    // is an error. False when the read failed (now or before).
    bool Finish();

    // The first error, German, Windows-1252; empty while all is fine.
    const std::string& Error() const;
    XmltvError ErrorKind() const;
    // Programmes left out because their start is missing or unreadable, or
    // their stop is there but unreadable.
    std::uint64_t SkippedProgrammes() const;
    // Bytes of XML read so far (after inflating).
    std::uint64_t DecompressedBytes() const;

private:
    class Impl;
    std::unique_ptr<Impl> m_impl;
};

// Reads an XMLTV time: YYYYMMDD, optionally followed by hh, hhmm or hhmmss,
// then optionally blanks and an offset +hhmm/-hhmm or one of the zone names
// UTC, GMT, BST, CET, CEST (any case). Without either it is UTC. False for
// anything else, or a field out of range.
bool ReadXmltvTime(std::string_view text, std::int64_t& utcSeconds);
