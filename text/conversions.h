// Text conversions to plain ASCII spellings, on bytes.
#pragma once

#include <string>
#include <string_view>

// Replaces the UTF-8 (and one Windows-1252) byte sequences of accented
// letters, the euro sign and the acute accent, then "TUeV" by "TUV".
std::string Transliterate(std::string text);

// Replaces the named HTML entities of German umlauts, sharp s and en dash.
std::string DecodeEntities(std::string text);

// The same two conversions on text itself. Text that no row changes is left
// untouched, and rows that shorten the text work in its own buffer.
// TransliterateInPlace returns whether the text is now plain ASCII: such a
// text holds no "TUeV" either, so a further Transliterate leaves it as it is.
bool TransliterateInPlace(std::string& text);
void DecodeEntitiesInPlace(std::string& text);

// Replaces every occurrence of from by to, left to right, without rescanning
// the replacement text.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);

// The character of a Windows-1252 byte: the 27 typographic characters of
// 0x80 to 0x9F, the five bytes that the code page leaves undefined as U+0081,
// U+008D, U+008F, U+0090 and U+009D, every other byte as Latin-1.
char32_t Windows1252Char(unsigned char byte);

// Windows-1252 bytes as UTF-8, each byte its Windows1252Char.
std::string Windows1252ToUtf8(std::string_view bytes);
