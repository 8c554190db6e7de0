// The desktop notifications of velunda-suche, through the freedesktop
// notification service on the session bus (libnotify).
#pragma once

#include <string>
#include <vector>

// Shows "Velunda: <count> neue Treffer" with the first five rows (UTF-8) and
// the program's icon. False, with a German warning line for standard error
// in warning, when no session bus or no notification service answered.
bool ShowNewHits(std::size_t count, const std::vector<std::string>& rows, std::string& warning);

// Shows "Velunda: Suche fehlgeschlagen" with the error text (UTF-8) as its
// body; false and the warning as above.
bool ShowFailure(const std::string& error, std::string& warning);
