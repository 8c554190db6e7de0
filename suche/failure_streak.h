// The failing streak of velunda-suche --notify: a watch that keeps failing
// must reach a user who never reads standard error, while one failed run (a
// site down for a moment) must not alarm.
//
// Per data folder a count of the failing runs in a row (status 1 or 2) lives
// in the state folder, $XDG_STATE_HOME/velunda or ~/.local/state/velunda, as
// the entry "streak-<hash of the folder>" with the count and the folder. The
// third failing run in a row shows "Velunda: Suche fehlgeschlagen" with its
// first error text; the runs after it show nothing, a run with status 0 ends
// the streak, and status 3 (the folder was held) leaves it as it is. When the
// count cannot be read or kept, every failing run is told.
#pragma once

#include <string>

// Remembers text as the run's first error text if it is the first; called
// with every line (UTF-8, without the program's prefix) that goes to
// standard error.
void NoteErrorText(const std::string& text);

// The data folder of a run, as an absolute path: folder (-C) or the current
// one. Taken before the run enters it.
std::string AbsoluteFolder(const std::string& folder);

// Counts a run of velunda-suche --notify that ended with status in the streak
// of its data folder, and tells the streak when it is due. A failed
// notification is a warning on standard error; nothing here changes the
// status.
void CountInStreak(const std::string& dataFolder, int status);
