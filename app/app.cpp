// Application entry: creates and shows the main window.
#include "main_frame.h"
#include "toolkit_setup.h"

#include <wx/app.h>

class App : public wxApp
{
public:
    bool OnInit() override
    {
        UseGermanToolkitTexts();
        FR* frame = new FR();
        PrepareFirstShow(frame);
        frame->Show(true);
        SetTopWindow(frame);
        return true;
    }
};

wxIMPLEMENT_APP(App);
