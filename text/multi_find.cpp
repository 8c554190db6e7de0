// MultiFind: the trie of the needles, completed into a table of every step.
#include "multi_find.h"

#include <queue>

MultiFind::MultiFind(const std::vector<std::string>& needles, bool asciiCaseBlind)
{
    for (const std::string& needle : needles)
        for (const char c : needle)
        {
            std::uint16_t& cls = m_class[static_cast<unsigned char>(c)];
            if (cls == 0)
                cls = static_cast<std::uint16_t>(m_classes++);
        }
    if (asciiCaseBlind)
        for (int c = 'A'; c <= 'Z'; ++c)
            m_class[c] = m_class[c - 'A' + 'a'];

    // The trie: a missing step is kStart for now (no state goes back to it).
    std::vector<std::vector<std::uint32_t>> ends(1);
    m_next.assign(m_classes, kStart);
    for (std::uint32_t n = 0; n < needles.size(); ++n)
    {
        if (needles[n].empty())
            continue;
        State state = kStart;
        for (const char c : needles[n])
        {
            const std::size_t at = state * m_classes + m_class[static_cast<unsigned char>(c)];
            if (m_next[at] == kStart)
            {
                m_next[at] = static_cast<State>(ends.size());
                ends.emplace_back();
                m_next.resize(m_next.size() + m_classes, kStart);
            }
            state = m_next[at];
        }
        ends[state].push_back(n);
    }

    // Breadth first: each state's missing steps are those of the state of
    // its longest proper suffix, and it finds what that state finds.
    const std::size_t states = ends.size();
    std::vector<State> suffix(states, kStart);
    std::vector<State> order;
    order.reserve(states);
    std::queue<State> todo;
    for (std::uint32_t cls = 0; cls < m_classes; ++cls)
        if (m_next[cls] != kStart)
            todo.push(m_next[cls]);
    while (!todo.empty())
    {
        const State state = todo.front();
        todo.pop();
        order.push_back(state);
        for (std::uint32_t cls = 0; cls < m_classes; ++cls)
        {
            State& step = m_next[state * m_classes + cls];
            const State viaSuffix = m_next[suffix[state] * m_classes + cls];
            if (step == kStart)
                step = viaSuffix;
            else
            {
                suffix[step] = viaSuffix;
                todo.push(step);
            }
        }
    }
    for (const State state : order)
        ends[state].insert(ends[state].end(), ends[suffix[state]].begin(),
                           ends[suffix[state]].end());

    m_foundStart.reserve(states + 1);
    for (const std::vector<std::uint32_t>& found : ends)
    {
        m_foundStart.push_back(static_cast<std::uint32_t>(m_found.size()));
        m_found.insert(m_found.end(), found.begin(), found.end());
    }
    m_foundStart.push_back(static_cast<std::uint32_t>(m_found.size()));
}
