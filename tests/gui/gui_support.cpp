// Helpers of the GUI tests.
#include "gui_support.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/ffile.h>
#include <wx/fileconf.h>
#include <wx/filefn.h>
#include <wx/filename.h>
#include <wx/stopwatch.h>
#include <wx/utils.h>

const wxString kUnsavedMaskQuestion = wxString::FromUTF8(
    "Sie haben etwas in der Suchmaske ge\xC3\xA4ndert, ohne auf EINTRAG ERNEUERN zu klicken. "
    "Klicken Sie auf JA um die \xC3\x84nderungen zu \xC3\xBC"
    "bernehmen. Klicken Sie auf "
    "NEIN, um die \xC3\x84nderungen zu verlieren.");

int RealDialogs::s_count = 0;

TempWorld::TempWorld() : m_folder(false), m_root(wxString::FromUTF8(m_folder.Path().string()))
{
    wxMkdir(Home());
    wxMkdir(Work());
    m_hadHome = wxGetEnv("HOME", &m_oldHome);
    wxSetEnv("HOME", Home());
    m_oldCwd = wxGetCwd();
    wxSetWorkingDirectory(Work());
}

TempWorld::~TempWorld()
{
    wxSetWorkingDirectory(m_oldCwd);
    if (m_hadHome)
        wxSetEnv("HOME", m_oldHome);
    else
        wxUnsetEnv("HOME");
}

bool YieldUntil(const std::function<bool()>& cond, int timeoutMs)
{
    wxStopWatch watch;
    for (;;)
    {
        if (wxEventLoopBase* loop = wxEventLoopBase::GetActive())
            loop->YieldFor(wxEVT_CATEGORY_ALL);
        wxTheApp->ProcessPendingEvents();
        wxTheApp->ProcessIdle();
        if (cond())
            return true;
        if (watch.Time() >= timeoutMs)
            return cond();
        wxMilliSleep(5);
    }
}

void Pump(int ms)
{
    YieldUntil([] { return false; }, ms);
}

Frame::Frame(Timer timer)
{
    FRProbe* frame = new FRProbe();
    if (timer == Disarmed)
        frame->DisarmRunTimer();
    m_frame = frame;
}

Frame::~Frame()
{
    if (m_frame)
    {
        m_frame->Destroy();
        YieldUntil([this] { return !m_frame; }, 2000);
    }
}

void Click(wxButton* button)
{
    wxCommandEvent event(wxEVT_BUTTON, button->GetId());
    event.SetEventObject(button);
    button->ProcessWindowEvent(event);
}

void Choose(wxChoice* choice, int index)
{
    choice->SetSelection(index);
    wxCommandEvent event(wxEVT_CHOICE, choice->GetId());
    event.SetEventObject(choice);
    event.SetInt(index);
    event.SetString(choice->GetString(index));
    choice->ProcessWindowEvent(event);
}

void ChooseMenu(wxFrame* frame, int menuIndex, int itemIndex)
{
    wxMenuItem* item = frame->GetMenuBar()->GetMenu(menuIndex)->FindItemByPosition(itemIndex);
    frame->ProcessCommand(item->GetId());
}

void PressCloseBox(wxFrame* frame)
{
    frame->Close(false);
}

void Type(wxTextCtrl* field, const wxString& text)
{
    field->SetValue(text);
}

wxString Items(wxChoice* choice)
{
    wxString all;
    for (unsigned i = 0; i < choice->GetCount(); ++i)
        all += choice->GetString(i) + ";";
    return all;
}

wxString Rows(wxListBox* list)
{
    wxString all;
    for (unsigned i = 0; i < list->GetCount(); ++i)
        all += list->GetString(i) + ";";
    return all;
}

wxString Links(const wxArrayString& links)
{
    wxString all;
    for (const wxString& link : links)
        all += link + ";";
    return all;
}

void WriteBytes(const wxString& path, const std::string& bytes)
{
    wxFFile file(path, "wb");
    ASSERT_TRUE(file.IsOpened()) << path;
    ASSERT_EQ(file.Write(bytes.data(), bytes.size()), bytes.size());
}

void StoreSettings(const TempWorld& world, const wxString& count,
                   const std::vector<wxString>& entries)
{
    wxFileConfig config(wxEmptyString, wxEmptyString, world.SettingsFile(), wxEmptyString,
                        wxCONFIG_USE_LOCAL_FILE);
    config.SetExpandEnvVars(false);
    config.Write("Aanz", count);
    for (size_t i = 0; i < entries.size(); ++i)
        config.Write(wxString::Format("Auswahl%d=", static_cast<int>(i)), entries[i]);
}

void StoreValue(const TempWorld& world, const wxString& name, const wxString& value)
{
    wxFileConfig config(wxEmptyString, wxEmptyString, world.SettingsFile(), wxEmptyString,
                        wxCONFIG_USE_LOCAL_FILE);
    config.SetExpandEnvVars(false);
    config.Write(name, value);
}

wxString StoredValue(const TempWorld& world, const wxString& name)
{
    wxFileConfig config(wxEmptyString, wxEmptyString, world.SettingsFile(), wxEmptyString,
                        wxCONFIG_USE_LOCAL_FILE);
    config.SetExpandEnvVars(false);
    wxString value;
    return config.Read(name, &value) ? value : wxString("<none>");
}

int AnswerBox::OnInvoked(wxMessageDialog* dialog) const
{
    if (m_seen)
    {
        ++m_seen->count;
        m_seen->message = dialog->GetMessage();
        m_seen->caption = dialog->GetCaption();
        m_seen->style = dialog->GetMessageDialogStyle();
    }
    switch (m_answer)
    {
    case wxYES:
        return wxID_YES;
    case wxNO:
        return wxID_NO;
    case wxOK:
        return wxID_OK;
    default:
        return m_answer;
    }
}
