// The XMLTV reader's error texts (German, Windows-1252 bytes, as all of the
// engine's own texts) and the single-byte encodings it adds to expat's.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace xmltv_texts
{
// source is the guide's name as the caller gave it (Windows-1252).
std::string BrokenXml(const std::string& source, int expatCode, std::uint64_t line,
                      std::uint64_t column);
std::string Empty(const std::string& source);
std::string NotXmltv(const std::string& source, std::string_view rootUtf8);
std::string UnknownEncoding(const std::string& source, const std::string& name);
std::string EntityBomb(const std::string& source, std::uint64_t line, std::uint64_t column);
std::string ExpatMemoryExceeded(const std::string& source, std::uint64_t line);
std::string UnpackedTooLarge(const std::string& source);
std::string GzipBroken(const std::string& source, const char* zlibMessage);
std::string GzipCut(const std::string& source);
std::string OutOfMemory(const std::string& source);

// The code points of the bytes 0x80..0xFF of a single-byte encoding expat
// does not know itself (windows-1252, ISO-8859-15), by its name in any
// case; nullptr for any other name.
const std::uint16_t* SingleByteEncoding(std::string_view name);

// UTF-8 as Windows-1252 bytes, for a name in an error text: at most
// maxCharacters, then "..."; what Windows-1252 lacks becomes '?'.
std::string ToWindows1252(std::string_view utf8, std::size_t maxCharacters);
} // namespace xmltv_texts
