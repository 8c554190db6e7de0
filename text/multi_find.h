// MultiFind: many needles found in one pass over a text (Aho-Corasick), a
// table step per byte, for comparing every programme of a guide with every
// criterion.
//
//     MultiFind find({"tatort", "krimi"});
//     MultiFind::State s = MultiFind::kStart;
//     for (char c : text) {
//         s = find.Next(s, c);
//         for (std::uint32_t n : find.Found(s)) ... needle n ends here ...
//     }
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class MultiFind
{
public:
    using State = std::uint32_t;
    static constexpr State kStart = 0;

    // Empty needles are never found. With asciiCaseBlind an ASCII capital
    // in the text steps as its small letter does (for needles in small
    // letters).
    explicit MultiFind(const std::vector<std::string>& needles, bool asciiCaseBlind = false);

    State Next(State state, char byte) const
    {
        return m_next[state * m_classes + m_class[static_cast<unsigned char>(byte)]];
    }

    // The needles (their indices) that end where the text has led to state.
    struct Range
    {
        const std::uint32_t* first;
        const std::uint32_t* last;
        const std::uint32_t* begin() const { return first; }
        const std::uint32_t* end() const { return last; }
        bool empty() const { return first == last; }
    };
    Range Found(State state) const
    {
        return {m_found.data() + m_foundStart[state], m_found.data() + m_foundStart[state + 1]};
    }

private:
    // Bytes that no needle holds share one class, so the table stays small.
    std::uint16_t m_class[256] = {};
    std::uint32_t m_classes = 1;
    std::vector<State> m_next;
    std::vector<std::uint32_t> m_foundStart;
    std::vector<std::uint32_t> m_found;
};
