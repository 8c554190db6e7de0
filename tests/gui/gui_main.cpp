// Test main of the GUI tests: initialises the toolkit with an application
// named "velunda" (so the settings file is ~/.velunda), activates an event
// loop for the tests to pump and runs GoogleTest inside the application.
#include "gui_support.h"
#include "toolkit_setup.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/log.h>
#include <wx/modalhook.h>
#include <wx/msgdlg.h>

namespace {

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
    void OnAssertFailure(const wxChar* file, int line, const wxChar* func,
                         const wxChar* cond, const wxChar* msg) override
    {
        ADD_FAILURE_AT(wxString(file).utf8_str(), line)
            << "wx assertion in " << wxString(func).utf8_str() << ": "
            << wxString(cond).utf8_str() << " " << wxString(msg).utf8_str();
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
    return wxEntry(argc, argv);
}
