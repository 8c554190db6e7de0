#include "listings_host.h"

const char* const kListingsHost = "www.tvprogramm-suche.example";

std::string SiteForJob(const std::string& written)
{
    const std::string::size_type scheme = written.find("://");
    if (scheme == std::string::npos || written.find('/') < scheme)
        return written;
    std::string site = written;
    while (site.size() > scheme + 3 && site.back() == '/')
        site.pop_back();
    return site;
}
