// A fresh temporary folder, whole files read and written as bytes, and what
// a folder holds counted. One
// helper for the tests, the fuzz targets and the benchmarks: the programs name
// their files relative to the current folder, so each test, benchmark or
// fuzz target works in a folder of its own.
#pragma once

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

class TempWorkDir
{
public:
    // Made below base (the system's temporary folder when empty); it is the
    // current folder while the object lives, unless enter is false.
    explicit TempWorkDir(bool enter = true, const std::string& base = std::string())
        : m_previous(std::filesystem::current_path()), m_entered(enter)
    {
        std::string pattern =
            ((base.empty() ? std::filesystem::temp_directory_path() : std::filesystem::path(base)) /
             "velunda-XXXXXX")
                .string();
        if (::mkdtemp(&pattern[0]) == nullptr)
        {
            std::perror("mkdtemp");
            std::abort();
        }
        m_path = pattern;
        if (m_entered)
            std::filesystem::current_path(m_path);
    }
    // Back to the folder before, then the folder goes with all it holds.
    ~TempWorkDir()
    {
        std::error_code ignored;
        if (m_entered)
            std::filesystem::current_path(m_previous, ignored);
        std::filesystem::remove_all(m_path, ignored);
    }
    TempWorkDir(const TempWorkDir&) = delete;
    TempWorkDir& operator=(const TempWorkDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }

private:
    std::filesystem::path m_previous;
    std::filesystem::path m_path;
    bool m_entered;
};

inline std::string ReadFileBytes(const std::string& name)
{
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFileBytes(const std::string& name, const std::string& bytes)
{
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// What a folder holds (files, folders, links), counted: a temporary file left
// behind shows here.
inline std::size_t EntriesIn(const std::filesystem::path& folder)
{
    using std::filesystem::directory_iterator;
    return static_cast<std::size_t>(
        std::distance(directory_iterator(folder), directory_iterator()));
}
