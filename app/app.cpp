// The window's entry: holds the working folder, then creates and shows the
// main window.
#include "folder_hold.h"
#include "main_frame.h"
#include "search_run.h"
#include "toolkit_setup.h"

#include <cstdio>
#include <memory>

#include <wx/app.h>
#include <wx/filefn.h>
#include <wx/log.h>
#include <wx/msgdlg.h>

class App : public wxApp
{
public:
    // Without a display the toolkit cannot start; instead of its English line
    // the program says in German what is wrong and what to do.
    bool Initialize(int& argc, wxChar** argv) override
    {
        {
            wxLogNull quiet;
            if (wxApp::Initialize(argc, argv))
                return true;
        }
        const wxString text =
            wxT("velunda: Das Fenster l\u00E4sst sich nicht \u00F6ffnen, weil keine grafische "
                "Oberfl\u00E4che erreichbar ist (DISPLAY oder WAYLAND_DISPLAY fehlt oder ist "
                "falsch). Starten Sie Velunda in Ihrer Desktop-Sitzung; ohne Fenster sucht "
                "velunda-suche.\n");
        std::fputs(text.utf8_str(), stderr);
        return false;
    }

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

#ifdef __WXGTK__
wxIMPLEMENT_APP_NO_MAIN(App);

int main(int argc, char** argv)
{
    wxDISABLE_DEBUG_SUPPORT();
    // wxEntry gives -1 when the toolkit did not start (Initialize has said
    // why): a failure like the others, status 1.
    const int status = wxEntry(argc, argv);
    return status < 0 ? 1 : status;
}
#else
wxIMPLEMENT_APP(App);
#endif
