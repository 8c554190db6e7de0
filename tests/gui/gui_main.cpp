// Test main of the GUI tests: initialises the toolkit with an application
// named "velunda" (so the settings file is ~/.velunda), activates an event
// loop for the tests to pump and runs GoogleTest inside the application.
#include "gui_support.h"
#include "toolkit_setup.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <string>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/log.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

namespace
{

// An X server of the test process's own while it lives (Xvfb, which tells
// its display number when it is ready). Window tests that ctest runs side by
// side then share none: a shared Xvfb resets whenever its last client has
// gone, and a test that connects meanwhile cannot initialise GTK. Without
// Xvfb the tests use $DISPLAY.
class OwnDisplay
{
public:
    OwnDisplay()
    {
        int fds[2];
        if (::pipe(fds) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0)
        {
            // The server ends with the test process, also when ctest kills it.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            ::close(fds[0]);
            const int quiet = ::open("/dev/null", O_WRONLY);
            ::dup2(quiet, STDERR_FILENO);
            const std::string fd = std::to_string(fds[1]);
            ::execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-nolisten", "tcp", "-screen", "0",
                     "1280x1024x24", static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(fds[1]);
        std::string number;
        char c = 0;
        while (m_pid > 0 && ::read(fds[0], &c, 1) == 1 && c != '\n')
            number += c;
        ::close(fds[0]);
        if (!number.empty())
        {
            ::setenv("DISPLAY", (":" + number).c_str(), 1);
            ::unsetenv("XAUTHORITY");
        }
    }
    ~OwnDisplay()
    {
        if (m_pid > 0)
        {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    OwnDisplay(const OwnDisplay&) = delete;
    OwnDisplay& operator=(const OwnDisplay&) = delete;

private:
    pid_t m_pid = -1;
};

// A modal dialog that no wxTEST_DIALOG expects fails the test and is closed
// at once instead of waiting for a user (unless the test shows real ones). Hooks registered later (those of
// wxTEST_DIALOG) are asked first.
class UnexpectedDialogHook : public wxModalDialogHook
{
protected:
    int Enter(wxDialog* dialog) override
    {
        if (RealDialogs::Allowed())
            return wxID_NONE;
        wxString text = dialog->GetTitle();
        if (auto* box = dynamic_cast<wxMessageDialog*>(dialog))
            text += ": " + box->GetMessage();
        ADD_FAILURE() << "unexpected modal dialog " << text.utf8_str();
        return wxID_CANCEL;
    }
    void Exit(wxDialog*) override {}
};

class TestApp : public wxApp
{
public:
    TestApp() { SetAppName("velunda"); }

    bool OnInit() override
    {
        // The toolkit's texts in German, as in the program; its errors go
        // to stderr instead of message boxes.
        UseGermanToolkitTexts();
        delete wxLog::SetActiveTarget(new wxLogStderr);
        m_dialogHook.Register();
        // The tests pump the loop themselves; a test's last window going
        // must not try to end it.
        SetExitOnFrameDelete(false);
        return true;
    }

    int OnRun() override
    {
        wxGUIEventLoop loop;
        wxEventLoopActivator activate(&loop);
        // The loop counts as the main loop, as in the program: the HTTP
        // client then lets window events through while it waits, from the
        // request on (it blocks without a main loop).
        m_mainLoop = &loop;
        const int result = RUN_ALL_TESTS();
        m_mainLoop = nullptr;
        return result;
    }

private:
    UnexpectedDialogHook m_dialogHook;

public:
    // A failed toolkit assertion (a misused control, an unexpected message
    // box) fails the running test.
    void OnAssertFailure(const wxChar* file, int line, const wxChar* func, const wxChar* cond,
                         const wxChar* msg) override
    {
        ADD_FAILURE_AT(wxString(file).utf8_str(), line)
            << "wx assertion in " << wxString(func).utf8_str() << ": " << wxString(cond).utf8_str()
            << " " << wxString(msg).utf8_str();
    }
};

} // namespace

wxIMPLEMENT_APP_NO_MAIN(TestApp);

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Listing the tests needs no display.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    const OwnDisplay display;
    return wxEntry(argc, argv);
}
