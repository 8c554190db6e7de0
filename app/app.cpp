#include <wx/wx.h>
class App : public wxApp { public: bool OnInit() override { auto* f = new wxFrame(nullptr, wxID_ANY, "Velunda"); f->Show(); return true; } };
wxIMPLEMENT_APP(App);
