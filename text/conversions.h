// Text conversions to plain ASCII spellings, on bytes.
#pragma once

#include <string>

// Replaces the UTF-8 (and one Windows-1252) byte sequences of accented
// letters, the euro sign and the acute accent, then "TUeV" by "TUV".
std::string Transliterate(std::string text);

// Replaces the named HTML entities of German umlauts, sharp s and en dash.
std::string DecodeEntities(std::string text);

// Replaces every occurrence of from by to, left to right, without rescanning
// the replacement text.
std::string ReplaceAll(std::string text, const std::string& from, const std::string& to);
