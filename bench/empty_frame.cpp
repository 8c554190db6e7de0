// Start-up baseline: the toolkit alone, an empty main window and nothing
// else. The start-up benchmark launches it beside the program.
#include <wx/app.h>
#include <wx/frame.h>

class EmptyFrameApp : public wxApp
{
public:
    bool OnInit() override
    {
        wxFrame* frame = new wxFrame(nullptr, wxID_ANY, wxT("Leerer Rahmen"), wxDefaultPosition,
                                     wxSize(668, 709));
        frame->Show(true);
        SetTopWindow(frame);
        return true;
    }
};

wxIMPLEMENT_APP(EmptyFrameApp);
