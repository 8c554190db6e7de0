// The TV-listings site that the search jobs query.
#pragma once

#include <string>

// Bare host name, no scheme. The settings value "Host" may name another
// site (see the application).
extern const char* const kListingsHost;

// The site as a job takes it from the value the user wrote ("name",
// "name:port", either behind "http://" or "https://"): unchanged, except
// that it loses the slashes at its end, so that the links built as site +
// "/" + path read "name/path" or "https://name/path".
std::string SiteForJob(const std::string& written);
