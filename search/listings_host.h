// The TV-listings site that the search jobs query.
#pragma once

// Bare host name, no scheme. The window may replace it by the settings value
// "Host" (see the application).
extern const char* const kListingsHost;
