// Result pages from memory, through the fetch the program uses: the job asks
// its page source as always, and an answer function stands in for the site.
// One helper for the tests, the fuzz targets and the benchmarks.
#pragma once

#include "ds_ork.h"
#include "page_source.h"

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

class MemoryPages : public PageSource
{
public:
    // Fills body for the n-th request (from 0) of path; false makes that
    // fetch fail as an unreachable site does.
    using Answer = std::function<bool(std::size_t n, const std::string& path, std::string& body)>;

    explicit MemoryPages(Answer answer) : m_answer(std::move(answer)) {}

    // The pages in turn; after the last, rest again and again, or failures
    // when there is none.
    static Answer InTurn(std::vector<std::string> pages,
                         std::optional<std::string> rest = std::nullopt)
    {
        return [pages = std::move(pages), rest = std::move(rest)](std::size_t n, const std::string&,
                                                                  std::string& body) {
            if (n < pages.size())
                body = pages[n];
            else if (rest)
                body = *rest;
            return n < pages.size() || rest.has_value();
        };
    }

    PageAnswer Get(const PageRequest& request, const BodySink& body) override
    {
        m_paths.push_back(request.path);
        PageAnswer answer;
        std::string page;
        if (!m_answer(m_paths.size() - 1, request.path, page))
        {
            answer.error = "Konnte Verbindung nicht herstellen!";
            return answer;
        }
        answer.ok = true;
        body(page.data(), page.size());
        return answer;
    }

    // The request paths, in order, as the fetch sent them.
    std::vector<std::string> m_paths;

private:
    Answer m_answer;
};

// The listings job with its pages from memory.
class MemoryJob : public DS_ORK
{
public:
    MemoryJob(const std::string& criteria, MemoryPages::Answer answer)
        : DS_ORK("TVmov", "0", criteria), m_pages(std::move(answer))
    {
        // Not owned: the pages live as long as the job.
        m_pageSource = std::shared_ptr<PageSource>(std::shared_ptr<PageSource>(), &m_pages);
    }

    MemoryPages m_pages;
};
