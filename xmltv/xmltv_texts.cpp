// The XMLTV reader's error texts and encoding tables.
#include "xmltv_texts.h"

#include <expat.h>

#include <array>

namespace
{
// Windows-1252 at 0x80..0x9F; its five unused bytes stand for the C1
// controls of the same number, as in the engine's lossless mapping.
const std::uint16_t kWindows1252[128] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160, 0x2039,
    0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178, 0x00A0, 0x00A1, 0x00A2, 0x00A3,
    0x00A4, 0x00A5, 0x00A6, 0x00A7, 0x00A8, 0x00A9, 0x00AA, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x00AF,
    0x00B0, 0x00B1, 0x00B2, 0x00B3, 0x00B4, 0x00B5, 0x00B6, 0x00B7, 0x00B8, 0x00B9, 0x00BA, 0x00BB,
    0x00BC, 0x00BD, 0x00BE, 0x00BF, 0x00C0, 0x00C1, 0x00C2, 0x00C3, 0x00C4, 0x00C5, 0x00C6, 0x00C7,
    0x00C8, 0x00C9, 0x00CA, 0x00CB, 0x00CC, 0x00CD, 0x00CE, 0x00CF, 0x00D0, 0x00D1, 0x00D2, 0x00D3,
    0x00D4, 0x00D5, 0x00D6, 0x00D7, 0x00D8, 0x00D9, 0x00DA, 0x00DB, 0x00DC, 0x00DD, 0x00DE, 0x00DF,
    0x00E0, 0x00E1, 0x00E2, 0x00E3, 0x00E4, 0x00E5, 0x00E6, 0x00E7, 0x00E8, 0x00E9, 0x00EA, 0x00EB,
    0x00EC, 0x00ED, 0x00EE, 0x00EF, 0x00F0, 0x00F1, 0x00F2, 0x00F3, 0x00F4, 0x00F5, 0x00F6, 0x00F7,
    0x00F8, 0x00F9, 0x00FA, 0x00FB, 0x00FC, 0x00FD, 0x00FE, 0x00FF};

// ISO-8859-15: ISO-8859-1 with the euro sign and seven letters in place of
// eight symbols.
const std::uint16_t* Latin9()
{
    static const std::array<std::uint16_t, 128> table = [] {
        std::array<std::uint16_t, 128> codes{};
        for (std::size_t i = 0; i < codes.size(); ++i)
            codes[i] = static_cast<std::uint16_t>(0x80 + i);
        const std::uint16_t changed[][2] = {{0xA4, 0x20AC}, {0xA6, 0x0160}, {0xA8, 0x0161},
                                            {0xB4, 0x017D}, {0xB8, 0x017E}, {0xBC, 0x0152},
                                            {0xBD, 0x0153}, {0xBE, 0x0178}};
        for (const auto& pair : changed)
            codes[pair[0] - 0x80] = pair[1];
        return codes;
    }();
    return table.data();
}

bool SameName(std::string_view name, std::string_view lower)
{
    if (name.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < name.size(); ++i)
    {
        const char c = name[i] >= 'A' && name[i] <= 'Z' ? static_cast<char>(name[i] + 32) : name[i];
        if (c != lower[i])
            return false;
    }
    return true;
}

std::string Quoted(const std::string& text)
{
    return "\x84" + text + "\x93";
}

std::string Guide(const std::string& source)
{
    return "Die Programmdatei " + Quoted(source);
}

std::string Packed(const std::string& source)
{
    return "Die gepackte Programmdatei " + Quoted(source);
}

std::string Place(std::uint64_t line, std::uint64_t column)
{
    return "(Zeile " + std::to_string(line) + ", Spalte " + std::to_string(column) + ")";
}

// What went wrong, as the end of a sentence after "ist kein gültiges XML: ".
std::string Reason(int expatCode)
{
    switch (static_cast<XML_Error>(expatCode))
    {
    case XML_ERROR_NO_MEMORY:
        return "der Speicher reicht nicht";
    case XML_ERROR_SYNTAX:
        return "ein Syntaxfehler";
    case XML_ERROR_NO_ELEMENTS:
        return "die Datei endet, bevor ihr Inhalt vollst\xE4ndig ist";
    case XML_ERROR_INVALID_TOKEN:
        return "ein ung\xFCltiges Zeichen oder Zeichen an falscher Stelle";
    case XML_ERROR_UNCLOSED_TOKEN:
        return "die Datei endet mitten in einem Tag oder Verweis";
    case XML_ERROR_PARTIAL_CHAR:
        return "die Datei endet mitten in einem Zeichen";
    case XML_ERROR_TAG_MISMATCH:
        return "ein schlie\xDF"
               "endes Tag passt nicht zum offenen Element";
    case XML_ERROR_DUPLICATE_ATTRIBUTE:
        return "ein Attribut steht zweimal im selben Tag";
    case XML_ERROR_JUNK_AFTER_DOC_ELEMENT:
        return "nach dem Ende des Hauptelements folgt weiterer Inhalt";
    case XML_ERROR_PARAM_ENTITY_REF:
        return "ein Verweis auf eine Parameter-Entity, wo keiner stehen darf";
    case XML_ERROR_UNDEFINED_ENTITY:
        return "ein Verweis auf eine unbekannte Entity";
    case XML_ERROR_RECURSIVE_ENTITY_REF:
        return "eine Entity verweist auf sich selbst";
    case XML_ERROR_ASYNC_ENTITY:
        return "eine Entity ist nicht in sich abgeschlossen";
    case XML_ERROR_BAD_CHAR_REF:
        return "ein Zeichenverweis auf ein Zeichen, das es in XML nicht gibt";
    case XML_ERROR_BINARY_ENTITY_REF:
        return "ein Verweis auf eine Entity mit Bin\xE4rdaten";
    case XML_ERROR_ATTRIBUTE_EXTERNAL_ENTITY_REF:
        return "ein Verweis auf eine externe Entity in einem Attribut";
    case XML_ERROR_MISPLACED_XML_PI:
        return "die XML-Deklaration steht nicht am Anfang der Datei";
    case XML_ERROR_INCORRECT_ENCODING:
        return "der Inhalt passt nicht zur angegebenen Zeichenkodierung";
    case XML_ERROR_UNCLOSED_CDATA_SECTION:
        return "ein CDATA-Abschnitt ist nicht abgeschlossen";
    case XML_ERROR_XML_DECL:
        return "die XML-Deklaration ist fehlerhaft";
    case XML_ERROR_PUBLICID:
        return "ein ung\xFCltiger PUBLIC-Name in der Dokumenttyp-Angabe";
    default:
        break;
    }
    const XML_LChar* english = XML_ErrorString(static_cast<XML_Error>(expatCode));
    return std::string("der XML-Leser meldet einen Fehler (") + (english ? english : "?") + ")";
}

// The next code point of UTF-8 at text[at], moving at past it; 0xFFFD for
// a byte that does not start a valid sequence (then at moves one byte).
std::uint32_t NextCodePoint(std::string_view text, std::size_t& at)
{
    const auto lead = static_cast<unsigned char>(text[at++]);
    if (lead < 0x80)
        return lead;
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC2 ? 2 : 0;
    if (length == 0 || at + length - 1 > text.size())
        return 0xFFFD;
    std::uint32_t value = lead & (0x7F >> length);
    for (std::size_t i = 0; i + 1 < length; ++i)
    {
        const auto next = static_cast<unsigned char>(text[at + i]);
        if ((next & 0xC0) != 0x80)
            return 0xFFFD;
        value = (value << 6) | (next & 0x3F);
    }
    at += length - 1;
    return value;
}
} // namespace

namespace xmltv_texts
{
std::string BrokenXml(const std::string& source, int expatCode, std::uint64_t line,
                      std::uint64_t column)
{
    return Guide(source) + " ist kein g\xFCltiges XML: " + Reason(expatCode) + " " +
           Place(line, column) + ".";
}

std::string Empty(const std::string& source)
{
    return Guide(source) + " ist leer.";
}

std::string NotXmltv(const std::string& source, std::string_view rootUtf8)
{
    return Guide(source) + " ist keine XMLTV-Datei: ihr erstes Element ist <" +
           ToWindows1252(rootUtf8, 40) + ">, nicht <tv>.";
}

std::string UnknownEncoding(const std::string& source, const std::string& name)
{
    return Guide(source) + " hat eine unbekannte Zeichenkodierung (" + Quoted(name) + ").";
}

std::string EntityBomb(const std::string& source, std::uint64_t line, std::uint64_t column)
{
    return Guide(source) +
           " wird nicht gelesen: ihre Entities vervielfachen den Text ins Ma\xDF"
           "lose " +
           Place(line, column) + ".";
}

std::string ExpatMemoryExceeded(const std::string& source, std::uint64_t line)
{
    return Guide(source) + " wird nicht gelesen: bei Zeile " + std::to_string(line) +
           " br\xE4uchte der XML-Leser mehr als 16 MiB Speicher (f\xFCr ein riesiges Tag, einen "
           "riesigen Kommentar oder zu tief geschachtelte Elemente).";
}

std::string UnpackedTooLarge(const std::string& source)
{
    return Packed(source) + " ist entpackt gr\xF6\xDF"
                            "er als 2 GiB.";
}

std::string GzipBroken(const std::string& source, const char* zlibMessage)
{
    return Packed(source) +
           " ist besch\xE4"
           "digt (" +
           zlibMessage + ").";
}

std::string GzipCut(const std::string& source)
{
    return Packed(source) + " endet mitten im Inhalt.";
}

std::string OutOfMemory(const std::string& source)
{
    return Guide(source) + " kann nicht gelesen werden: der Speicher reicht nicht.";
}

const std::uint16_t* SingleByteEncoding(std::string_view name)
{
    if (SameName(name, "windows-1252") || SameName(name, "cp1252") || SameName(name, "x-cp1252"))
        return kWindows1252;
    if (SameName(name, "iso-8859-15") || SameName(name, "iso8859-15") ||
        SameName(name, "latin-9") || SameName(name, "latin9"))
        return Latin9();
    return nullptr;
}

std::string ToWindows1252(std::string_view utf8, std::size_t maxCharacters)
{
    std::string bytes;
    std::size_t count = 0;
    for (std::size_t at = 0; at < utf8.size(); ++count)
    {
        if (count == maxCharacters)
            return bytes + "...";
        const std::uint32_t point = NextCodePoint(utf8, at);
        if (point < 0x80 || (point >= 0xA0 && point <= 0xFF))
        {
            bytes += static_cast<char>(point);
            continue;
        }
        char byte = '?';
        for (int i = 0; i < 32; ++i)
        {
            if (kWindows1252[i] == point)
                byte = static_cast<char>(0x80 + i);
        }
        bytes += byte;
    }
    return bytes;
}
} // namespace xmltv_texts
