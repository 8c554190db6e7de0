// Substring search on bytes for the short lines of result pages.
#pragma once

#include <cstddef>
#include <string_view>

// The same answer as text.find(needle, from): the first index at or after
// from where needle begins, std::string_view::npos when there is none (an
// empty needle is found at from when from <= text.size()).
//
// std::string_view::find stops at every byte equal to the needle's first one
// and compares from there; in HTML, where markers begin with '<', that is a
// library call per tag. This looks at sixteen positions at a time for the
// needle's first and last bytes together and compares only where both fit.
std::size_t FindBytes(std::string_view text, std::string_view needle, std::size_t from = 0);

// The same as text.find(byte, from), sixteen bytes at a time: for the short
// distances inside a line a library call costs more than the search.
std::size_t FindByte(std::string_view text, char byte, std::size_t from = 0);
