#include "listings_host.h"

const char* const kListingsHost = "www.tvprogramm-suche.example";

std::string SiteForJob(const std::string& written)
{
    // The slashes at the end go (not those of the scheme), so that a link
    // built as site + "/" + path has one slash after the host.
    const std::string::size_type scheme = written.find("://");
    const std::size_t start =
        scheme == std::string::npos || written.find('/') < scheme ? 0 : scheme + 3;
    std::string site = written;
    while (site.size() > start && site.back() == '/')
        site.pop_back();
    return site;
}
