// Application entry: creates and shows the main window.
#include "main_frame.h"

#include <wx/app.h>

class App : public wxApp
{
public:
    bool OnInit() override
    {
        FR* frame = new FR();
        frame->Show(true);
        SetTopWindow(frame);
        return true;
    }
};

wxIMPLEMENT_APP(App);
