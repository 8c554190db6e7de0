// The one conversion between the program's 8-bit texts (Windows-1252 bytes,
// as in "refn.txt" and in everything the search engine produces) and the
// toolkit's Unicode strings.
#pragma once

#include <string>

#include <wx/string.h>

// Each byte becomes one character: the 27 bytes that Windows-1252 gives to
// typographic characters become those characters, the five undefined bytes
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) become the C1 characters of the same
// number, every other byte the Latin-1 character of the same number. The NUL
// byte becomes U+2400 (the visible symbol for NUL), because the GTK list
// controls end an item text at a NUL character and would lose the rest.
wxString FromBytes(const std::string& bytes);

// The inverse of FromBytes, so FromBytes followed by ToBytes gives back the
// same bytes. U+0000 also becomes the NUL byte; any other character that
// Windows-1252 lacks (a user can type one) becomes '?'.
std::string ToBytes(const wxString& text);
