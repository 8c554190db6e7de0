// The file helpers below the search engine and the result list: the lines
// of the program's files. (Their reads and replaces meet real file faults in
// test_file_faults.cpp and in the result list's tests.)
#include "file_bytes.h"

#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <random>
#include <string>
#include <vector>

TEST(SplitLines, LineEnds)
{
    // LF, CR LF and a lone CR end a line; a last line without an end counts;
    // every other byte is kept.
    using Lines = std::vector<std::string>;
    const struct
    {
        std::string text;
        Lines lines;
    } kCases[] = {
        {"a\nb", {"a", "b"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\nb\r\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\r\n\n", {"a", "", ""}},
        {"a\n\nb\r\r\n", {"a", "", "b", ""}},
        {"\n", {""}},
        {"", {}},
        {std::string("a\0b\nc", 5), {std::string("a\0b", 3), "c"}},
        {std::string("x\0y\x80\n", 5), {std::string("x\0y\x80", 4)}},
    };
    for (const auto& c : kCases)
        EXPECT_EQ(SplitLines(c.text), c.lines) << testing::PrintToString(c.text);
}

namespace
{
// The line rule, one byte at a time: LF, CR LF and a
// lone CR end a line; a last line without an end counts.
std::vector<std::string> SplitByBytes(const std::string& text)
{
    std::vector<std::string> lines;
    std::string::size_type start = 0;
    for (std::string::size_type i = 0; i < text.size(); ++i)
    {
        if (text[i] != '\n' && text[i] != '\r')
            continue;
        lines.emplace_back(text, start, i - start);
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')
            ++i;
        start = i + 1;
    }
    if (start < text.size())
        lines.emplace_back(text, start, std::string::npos);
    return lines;
}
} // namespace

TEST(SplitLines, RandomTextsSplitAsByteByByte)
{
    std::mt19937 random(99);
    static const char* const kPieces[] = {"\n", "\r", "\r\n", "\n\r", "a", "bc", " ", "\0", "xyz"};
    for (int i = 0; i < 20000; ++i)
    {
        std::string text;
        for (int n = static_cast<int>(random() % 10); n > 0; --n)
        {
            const char* piece = kPieces[random() % std::size(kPieces)];
            text.append(piece, *piece ? std::strlen(piece) : 1);
        }
        ASSERT_EQ(SplitLines(text), SplitByBytes(text)) << "text of " << text.size() << " bytes";
    }
}
