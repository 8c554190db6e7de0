// The desktop notification of velunda-suche, through the freedesktop
// notification service on the session bus (libnotify).
#pragma once

#include <string>
#include <vector>

// Shows "Velunda: <count> neue Treffer" with the first five rows (UTF-8) and
// the program's icon. False, with the reason in why, when no session bus or
// no notification service answered.
bool ShowNewHits(std::size_t count, const std::vector<std::string>& rows, std::string& why);
