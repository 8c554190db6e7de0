// The window's entry: holds the working folder, then creates and shows the
// main window.
#include "folder_hold.h"
#include "main_frame.h"
#include "search_run.h"
#include "toolkit_setup.h"

#include <memory>

#include <wx/app.h>
#include <wx/filefn.h>
#include <wx/msgdlg.h>

class App : public wxApp
{
public:
    bool OnInit() override
    {
        UseGermanToolkitTexts();
        // Another Velunda in this folder would lose hits of the one that
        // saves first; this one goes before it reads or writes any file.
        m_hold = std::make_unique<FolderHold>(".");
        if (m_hold->HeldElsewhere())
        {
            wxMessageBox(wxT("Velunda arbeitet schon in diesem Ordner:\n\n") + wxGetCwd() +
                             wxT("\n\nEin zweites Velunda im selben Ordner w\u00FCrde die "
                                 "Ergebnisliste des ersten \u00FCberschreiben und wird deshalb "
                                 "nicht gestartet."),
                         wxT("Velunda - Fehlermeldung"), wxOK | wxICON_ERROR);
            m_refused = true;
            return true;
        }
        RemoveLeftoverTemporaryFiles();
        FR* frame = new FR();
        PrepareFirstShow(frame);
        frame->Show(true);
        SetTopWindow(frame);
        return true;
    }

    int OnRun() override { return m_refused ? 1 : wxApp::OnRun(); }

private:
    // Held from the start to the end of the process.
    std::unique_ptr<FolderHold> m_hold;
    bool m_refused = false;
};

wxIMPLEMENT_APP(App);
