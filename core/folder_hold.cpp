// FolderHold: flock on the folder.
#include "folder_hold.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

FolderHold::FolderHold(const std::string& folder)
{
    // Closed on exec, so that a browser started from the window does not
    // keep the folder held after the window is gone.
    m_fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (m_fd < 0)
        return;
    if (::flock(m_fd, LOCK_EX | LOCK_NB) == 0)
        return;
    m_heldElsewhere = errno == EWOULDBLOCK;
    ::close(m_fd);
    m_fd = -1;
}

FolderHold::~FolderHold()
{
    if (m_fd >= 0)
        ::close(m_fd);
}
