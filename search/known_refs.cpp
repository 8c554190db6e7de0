// KnownRefs: entries as line numbers in blocks, each distinct line once.
#include "known_refs.h"

#include "file_bytes.h"

#include <algorithm>

namespace
{
std::string_view Prefix(std::string_view text, std::int32_t length)
{
    return length < 0 ? text : text.substr(0, static_cast<std::size_t>(length));
}
} // namespace

KnownRefs::KnownRefs(const KnownRefs& other)
    : m_lines(other.m_lines), m_blocks(other.m_blocks), m_blockEnds(other.m_blockEnds),
      m_count(other.m_count)
{
    // The views of the copy must point into its own lines.
    for (std::size_t id = 0; id < m_lines.size(); ++id)
        m_ids.emplace(m_lines[id], static_cast<std::uint32_t>(id));
}

KnownRefs& KnownRefs::operator=(const KnownRefs& other)
{
    if (this != &other)
    {
        KnownRefs copy(other);
        *this = std::move(copy);
    }
    return *this;
}

const std::string& KnownRefs::operator[](std::size_t index) const
{
    const auto block = static_cast<std::size_t>(
        std::upper_bound(m_blockEnds.begin(), m_blockEnds.end(), index) - m_blockEnds.begin());
    const std::size_t start = block == 0 ? 0 : m_blockEnds[block - 1];
    const std::vector<std::uint32_t>& ids = m_blocks[block].ids;
    return m_lines[ids[(index - start) % ids.size()]];
}

std::uint32_t KnownRefs::Intern(std::string_view line)
{
    const auto found = m_ids.find(line);
    if (found != m_ids.end())
        return found->second;
    const auto id = static_cast<std::uint32_t>(m_lines.size());
    m_lines.emplace_back(line);
    m_ids.emplace(m_lines.back(), id);
    if (m_indexed)
        IndexPrefix(m_lines.back());
    return id;
}

void KnownRefs::IndexPrefix(const std::string& line) const
{
    m_prefixes.insert(Prefix(line, m_indexedLength));
}

void KnownRefs::push_back(std::string_view line)
{
    m_lastBlockIsText = false;
    const std::uint32_t id = Intern(line);
    if (m_blocks.empty() || !m_blocks.back().single)
    {
        m_blocks.emplace_back();
        m_blocks.back().single = true;
        m_blockEnds.push_back(m_count);
    }
    m_blocks.back().ids.push_back(id);
    ++m_blockEnds.back();
    ++m_count;
}

void KnownRefs::AppendFileText(const std::string& text)
{
    if (m_lastBlockIsText && text == m_lastText)
    {
        // The file read again unchanged: its block counts once more.
        const std::size_t lines = m_blocks.back().ids.size();
        m_blockEnds.back() += lines;
        m_count += lines;
        return;
    }
    const std::vector<std::string> lines = SplitLines(text);
    if (lines.empty())
        return; // nothing appended: the last block is still what it was
    Block block;
    block.ids.reserve(lines.size());
    m_ids.reserve(m_lines.size() + lines.size());
    if (m_indexed)
        m_prefixes.reserve(m_lines.size() + lines.size());
    for (const std::string& line : lines)
        block.ids.push_back(Intern(line));
    m_blocks.push_back(std::move(block));
    m_count += lines.size();
    m_blockEnds.push_back(m_count);
    m_lastText = text;
    m_lastBlockIsText = true;
}

void KnownRefs::clear()
{
    *this = KnownRefs();
}

std::vector<std::string> KnownRefs::Entries(std::size_t first) const
{
    std::vector<std::string> entries;
    if (first < m_count)
        entries.reserve(m_count - first);
    for (std::size_t i = first; i < m_count; ++i)
        entries.push_back((*this)[i]);
    return entries;
}

bool KnownRefs::Contains(std::int32_t compareLen, std::string_view line) const
{
    // Every line held is an entry, so the distinct prefixes of the lines
    // answer the question; which entry would match first does not matter.
    if (!m_indexed || compareLen != m_indexedLength)
    {
        m_prefixes.clear();
        m_prefixes.reserve(m_lines.size());
        m_indexedLength = compareLen;
        m_indexed = true;
        for (const std::string& held : m_lines)
            IndexPrefix(held);
    }
    return !m_prefixes.empty() && m_prefixes.count(Prefix(line, compareLen)) > 0;
}
