#include "listings_host.h"

const char* const kListingsHost = "www.tvprogramm-suche.example";
