// Helpers of the GUI tests: a private working folder and HOME per test, the
// event loop, user actions as toolkit events, answers to message boxes.
#pragma once

#include "main_frame.h"
#include "temp_folder.h"

#include <functional>
#include <string>
#include <vector>

#include <wx/msgdlg.h>
#include <wx/testing.h>
#include <wx/weakref.h>

// A fresh temporary folder with "home" (the HOME of the test, so the settings
// file is home/.velunda) and "work" (the current directory, where "refn.txt"
// lies). Restores HOME and the directory and removes the folder at the end.
// Create it before the frame.
class TempWorld
{
public:
    TempWorld();
    ~TempWorld();
    TempWorld(const TempWorld&) = delete;
    TempWorld& operator=(const TempWorld&) = delete;

    wxString Home() const { return m_root + "/home"; }
    wxString Work() const { return m_root + "/work"; }
    wxString SettingsFile() const { return Home() + "/.velunda"; }
    wxString RefnFile() const { return Work() + "/refn.txt"; }

private:
    TempWorkDir m_folder;
    wxString m_root;
    wxString m_oldHome;
    bool m_hadHome;
    wxString m_oldCwd;
};

// Runs the event loop (and idle processing, which deletes destroyed windows)
// until cond is true or timeoutMs have passed; returns cond().
bool YieldUntil(const std::function<bool()>& cond, int timeoutMs);
// Runs the event loop for ms milliseconds.
void Pump(int ms);

// FR with its members open to the tests.
class FRProbe : public FR
{
public:
    using MyFrame1::m_menubar;
    using MyFrame1::m_menuFile;
    using MyFrame1::m_menuHelp;
    using MyFrame1::m_statusBar;
    using MyFrame1::m_panel;
    using MyFrame1::m_labelTitle;
    using MyFrame1::m_textTitle;
    using MyFrame1::m_labelPerson;
    using MyFrame1::m_textPerson;
    using MyFrame1::m_labelInput;
    using MyFrame1::m_buttonAdd;
    using MyFrame1::m_buttonUpdate;
    using MyFrame1::m_buttonRemove;
    using MyFrame1::m_labelSelection;
    using MyFrame1::m_choiceMode;
    using MyFrame1::m_listHits;
    using MyFrame1::m_choiceCriteria;
    using MyFrame1::m_buttonStart;
    using FR::m_programName;
    using FR::m_timer;
    using FR::m_links;
    using FR::m_version;
    using FR::m_inJob;
    using FR::m_runSettings;

    // The run timer is stopped, so no search run starts while a test pumps
    // the event loop; tests that want a run start it themselves.
    void DisarmRunTimer() { m_timer.Stop(); }

    // Every status text set through the frame since construction ended.
    std::vector<wxString> statusTexts;
    void SetStatusText(const wxString& text, int number = 0) override
    {
        statusTexts.push_back(text);
        FR::SetStatusText(text, number);
    }
    wxString Status() const { return GetStatusBar()->GetStatusText(0); }
};

// Owns a constructed FRProbe: builds it (with the run timer disarmed) and
// destroys it at the end unless the test closed it. Destroying sends no close
// event, so nothing is saved by the guard itself.
class Frame
{
public:
    enum Timer
    {
        Disarmed,
        Armed
    };
    explicit Frame(Timer timer = Disarmed);
    ~Frame();
    FRProbe* operator->() const { return m_frame.get(); }
    FRProbe* get() const { return m_frame.get(); }
    // True once the window has been destroyed and deleted.
    bool Gone() const { return !m_frame; }

private:
    wxWeakRef<FRProbe> m_frame;
};

// User actions, delivered as the toolkit delivers them.
void Click(wxButton* button);
void Choose(wxChoice* choice, int index);
// Sends the menu command of item itemIndex of menu menuIndex.
void ChooseMenu(wxFrame* frame, int menuIndex, int itemIndex);
// What the close box and Alt-F4 do: a close request that may be vetoed.
void PressCloseBox(wxFrame* frame);
// Types into a text field as a user would (with change notification).
void Type(wxTextCtrl* field, const wxString& text);

// The items of a control, each followed by ";".
wxString Items(wxChoice* choice);
wxString Rows(wxListBox* list);
wxString Links(const wxArrayString& links);

// Bytes of a file; empty if it cannot be read.
inline std::string ReadBytes(const wxString& path)
{
    return ReadFileBytes(std::string(path.fn_str()));
}
void WriteBytes(const wxString& path, const std::string& bytes);

// The settings file of the world, read and written through the toolkit's
// file store (the store FR uses). Values are written as given; no entry is
// removed.
void StoreSettings(const TempWorld& world, const wxString& count,
                   const std::vector<wxString>& entries);
// A stored value, or "<none>" when it is missing.
wxString StoredValue(const TempWorld& world, const wxString& name);

// While one lives, modal dialogs that no wxTEST_DIALOG expects are shown for
// real instead of failing the test, for tests that answer the real dialog.
class RealDialogs
{
public:
    RealDialogs() { ++s_count; }
    ~RealDialogs() { --s_count; }
    RealDialogs(const RealDialogs&) = delete;
    RealDialogs& operator=(const RealDialogs&) = delete;
    static bool Allowed() { return s_count > 0; }

private:
    static int s_count;
};

// A message box that was shown, as the expectation below records it.
struct SeenBox
{
    int count = 0;
    wxString message;
    wxString caption;
    long style = 0;
};

// Answers a message box with answer (wxYES, wxNO, wxOK) and records it.
class AnswerBox : public wxExpectModalBase<wxMessageDialog, AnswerBox>
{
public:
    AnswerBox(int answer, SeenBox* seen) : m_answer(answer), m_seen(seen) {}

protected:
    int OnInvoked(wxMessageDialog* dialog) const override;

private:
    int m_answer;
    SeenBox* m_seen;
};

// Runs fn once, ms milliseconds from now, from the event loop (also from the
// loop that the HTTP client runs while a search job waits).
class Later : public wxTimer
{
public:
    Later(int ms, std::function<void()> fn) : m_fn(std::move(fn)) { StartOnce(ms); }
    void Notify() override { m_fn(); }

private:
    std::function<void()> m_fn;
};

// One value in the settings file of the world, written as given.
void StoreValue(const TempWorld& world, const wxString& name, const wxString& value);

// The question shown when the mask differs from the selected criterion.
extern const wxString kUnsavedMaskQuestion;
