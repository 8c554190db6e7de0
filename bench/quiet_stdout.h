// Sends standard output to /dev/null while the object lives: the search job
// prints a line per message and one at its end, which would otherwise run
// through the benchmark table.
#pragma once

#include <cstdio>
#include <fcntl.h>
#include <iostream>
#include <unistd.h>

namespace bench
{
class QuietStdout
{
public:
    QuietStdout()
    {
        std::cout.flush();
        std::fflush(stdout);
        m_saved = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY);
        if (null >= 0)
        {
            ::dup2(null, STDOUT_FILENO);
            ::close(null);
        }
    }
    ~QuietStdout()
    {
        std::fflush(stdout);
        if (m_saved >= 0)
        {
            ::dup2(m_saved, STDOUT_FILENO);
            ::close(m_saved);
        }
    }
    QuietStdout(const QuietStdout&) = delete;
    QuietStdout& operator=(const QuietStdout&) = delete;

private:
    int m_saved = -1;
};
} // namespace bench
