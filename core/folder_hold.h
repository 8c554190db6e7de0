// FolderHold: one Velunda per working folder.
//
// Two programs that keep "refn.txt" and "TVmov.ref" in the same folder would
// overwrite each other's result list: the one that saves last wins, and the
// hits the other one reported are lost for good ("TVmov.ref" already knows
// them). So each Velunda holds its folder while it works there. The hold is
// an advisory lock on the folder itself: no file is made in it (it works in a
// folder where the files may be written but none created), and it goes with
// the process, also when that is killed outright.
#pragma once

#include <string>

class FolderHold
{
public:
    // Takes the hold on folder. Where the system offers no such lock for the
    // folder, nothing is held and nothing is refused.
    explicit FolderHold(const std::string& folder);
    ~FolderHold();
    FolderHold(const FolderHold&) = delete;
    FolderHold& operator=(const FolderHold&) = delete;

    // True when another process holds the folder.
    bool HeldElsewhere() const { return m_heldElsewhere; }

private:
    int m_fd = -1;
    bool m_heldElsewhere = false;
};
