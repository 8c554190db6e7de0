// Behaviour of the main window.
#include "main_frame.h"

#include "cp1252.h"
#include "known_hits_file.h"
#include "settings.h"
#include "source_dialog.h"
#include "velunda_version.h"

#include <algorithm>
#include <cstdint>
#include <functional>
#include <utility>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

#include <wx/app.h>
#include <wx/evtloop.h>
#include <wx/filefn.h>
#include <wx/html/htmlwin.h>
#include <wx/icon.h>
#include <wx/log.h>
#include <wx/msgdlg.h>
#include <wx/utils.h>

#ifndef __WXMSW__
#include "orvikon.xpm"
#endif

namespace
{

// Run modes; the hourly one is also the re-arm interval in milliseconds.
const int kModeHourly = 3600000;
const int kModeOnce = 0;
const int kModeSelected = 1;
const int kStartDelayMs = 1000;
// A timer expiry during a job tries again after this long.
const int kBusyRetryMs = 1000;
const int kAnimationSteps = 200;

// Handles the window's pending events while a search job waits for the
// site: a click on STOP, a close, a repaint. GTK is asked directly, as the
// toolkit's own yield does, because the job may run inside such a yield.
void HandleEventsWhileWaiting()
{
    wxEventLoopBase* loop = wxEventLoopBase::GetActive();
#ifdef __WXGTK__
    for (int i = 0; loop && i < 1000 && loop->Pending(); ++i)
        gtk_main_iteration_do(FALSE);
#else
    if (loop && !loop->IsYielding())
        loop->YieldFor(wxEVT_CATEGORY_ALL);
#endif
    if (wxTheApp)
        wxTheApp->ProcessPendingEvents();
}

// Gives the memory freed by a run back to the system when it goes out of
// scope. After a run the window may wait an hour; without this the allocator
// keeps the freed pages of the run's pages and hit lists resident.
struct ReleaseFreedMemory
{
    ReleaseFreedMemory() = default;
    ReleaseFreedMemory(const ReleaseFreedMemory&) = delete;
    ReleaseFreedMemory& operator=(const ReleaseFreedMemory&) = delete;
    ~ReleaseFreedMemory()
    {
#ifdef __GLIBC__
        malloc_trim(0);
#endif
    }
};

// The calendar file, where the programs write it: in the working folder.
wxString CalendarPath()
{
    return wxGetCwd() + wxT("/") + wxString(kCalendarFile);
}

wxString HtmlEscaped(const wxString& text)
{
    wxString escaped;
    for (const wxUniChar c : text)
    {
        if (c == '&')
            escaped += wxT("&amp;");
        else if (c == '<')
            escaped += wxT("&lt;");
        else if (c == '>')
            escaped += wxT("&gt;");
        else
            escaped += c;
    }
    return escaped;
}

// The calendar's paragraph of the help page: where the file lies and how a
// calendar program subscribes to it.
wxString CalendarHelp(const wxString& path)
{
    const wxString file = HtmlEscaped(path);
    const wxString address = HtmlEscaped(wxT("file://") + path);
    return wxT("<br><br>Jeder Treffer mit bekannter Sendezeit steht auch im Kalender <b>") + file +
           wxT("</b>, mit einer Erinnerung vor dem Beginn (Wert Erinnerung in ~/.velunda: "
               "Minuten, 15 ohne den Wert, 0 f\u00FCr keine). Abonnieren Sie ihn einmal, dann "
               "erinnert Ihr Kalender Sie auch, wenn Velunda nicht l\u00E4uft: in GNOME Kalender "
               "oder Evolution als Kalender <i>Auf diesem Rechner</i> mit dieser iCalendar-Datei "
               "oder <i>Im Netz</i> mit der Adresse ") +
           address +
           wxT(", in Thunderbird als neuer Kalender <i>Im Netzwerk</i>, Format iCalendar (ICS), "
               "mit derselben Adresse. <i>Datei &gt; Kalender \u00F6ffnen</i> \u00F6ffnet ihn im "
               "Kalenderprogramm des Desktops.");
}

wxString HelpPage(const wxString& host, const wxString& calendar)
{
    return wxT("<html><body><h3>Hilfe zum Programm Velunda</h3><br>Mit Velunda k\u00F6nnen sie auf "
               "einfache Weise nach bestimmten Sendungen, welche sie nicht verpassen wollen, "
               "suchen.<br><br>Velunda sucht in ihrem Auftrag auf ") +
           HtmlEscaped(host) +
           wxT(" nach diesen Sendungen.<br><br>Sie k\u00F6nnen im Titel der Sendungen suchen, "
               "oder nach Personen.<br><br>") +
           wxT("Beispiel:<br>Sie sammeln alle Filme in denen Ilka Marwede mitgespielt hat. Geben "
               "sie einfach im Feld Person Ilka Marwede oder nur Marwede ein. Klicken sie dann "
               "auf 'Eintrag hinzuf\u00FCgen', damit der Begriff in die Auswahl aufgenommen "
               "wird.<br>") +
           wxT("Wenn sie gleichzeitig auch nicht die n\u00E4chste Sendung von Scheibenwischer "
               "verpassen m\u00F6chten, geben sie unter Titel Scheibenwischer ein und klicken sie "
               "erneut auf 'Eintrag hinzuf\u00FCgen'.<br>") +
           wxT("Gegen sie nun online und klicken sie auf START. Es wird nun nach allen Begriffen "
               "gesucht. Beachten sie, dass nur eine Woche in die Zukunft gesucht wird.<br>") +
           wxT("Beim n\u00E4chsten Start von Velunda wird dann sofort nach ihren Begriffen "
               "gesucht. Sie sollten daher bereits online sein, wenn sie Velunda starten.<br>") +
           wxT("Wenn sie in der Trefferliste auf einen Treffer klicken, wird ihnen dieser Link "
               "sofort in ihrem Internet-Browser geladen.") +
           CalendarHelp(calendar) + wxT("</body></html>");
}

} // namespace

FR::FR()
    : MyFrame1(NULL, wxID_ANY, wxT("Orvikon"), wxDefaultPosition, wxSize(668, 709),
               wxDEFAULT_FRAME_STYLE | wxTAB_TRAVERSAL),
      m_programName(), m_config(OpenSettingsStore()),
      // Idle until START is pressed; the start handler sets both for a run.
      m_abort(true), m_timer(), m_dummyEvent(wxEVT_NULL, 0), m_links(), m_runMode(0), m_version(),
      m_runSettings(), m_inJob(false), m_pendingClose(PendingClose::None)
{
    SetIcon(wxICON(orvikon));
    m_version = wxT(VELUNDA_VERSION);
    m_programName = wxT("Velunda");
    m_buttonAdd->SetLabel(wxT("Eintrag hinzuf\u00FCgen"));
    SetTitle(m_programName);

    m_timer.Connect(wxEVT_TIMER, wxTimerEventHandler(FR::OnTimer), NULL, this);

    LoadKnownHits();
    if (m_listHits->GetCount() > 0)
        m_listHits->SetSelection(0);
    LoadCriteria();
    m_runSettings = ReadRunSettings(*m_config);

    if (m_choiceCriteria->GetCount() > 0)
        m_choiceCriteria->SetSelection(0);
    OnSelectCriterion(m_dummyEvent);
    OnStartStop(m_dummyEvent);
}

void FR::LoadKnownHits()
{
    ShowRows(ReadKnownHits(kResultListFile));
}

KnownHits FR::ShownRows() const
{
    KnownHits hits;
    const unsigned rows = m_listHits->GetCount();
    hits.lines.reserve(rows);
    for (unsigned i = 0; i < rows; ++i)
        hits.lines.push_back(ToBytes(m_listHits->GetString(i)));
    for (size_t i = 0; i < m_links.size() && i < rows; ++i)
        hits.links.push_back(ToBytes(m_links[i]));
    return hits;
}

void FR::ShowRows(const KnownHits& hits)
{
    wxArrayString rows;
    rows.reserve(hits.lines.size());
    for (const std::string& line : hits.lines)
        rows.push_back(FromBytes(line));
    m_listHits->Clear();
    if (!rows.empty())
        m_listHits->Append(rows);
    m_links.clear();
    for (const std::string& link : hits.links)
        m_links.push_back(FromBytes(link));
}

void FR::LoadCriteria()
{
    wxArrayString entries;
    for (const wxString& entry : ReadCriteria(*m_config))
        entries.push_back(entry);
    if (!entries.empty())
        m_choiceCriteria->Append(entries);
}

void FR::SaveState()
{
    const unsigned count = std::min(m_choiceCriteria->GetCount(), kMaxStoredCriteria);
    m_config->Write(kCountKey, static_cast<long>(count));
    for (unsigned i = 0; i < count; ++i)
        m_config->Write(wxString::Format(kEntryKeyFormat, static_cast<int>(i)),
                        m_choiceCriteria->GetString(i));
    m_config->Flush();

    // A failed save reports itself through the toolkit's log and leaves the
    // old file as it was.
    ReplaceFile(kResultListFile, FormatKnownHits(ShownRows()));
}

void FR::OnClose(wxCloseEvent&)
{
    // A second request while the window waits for its job changes nothing.
    if (m_pendingClose != PendingClose::None)
        return;
    CheckUnsavedMask();
    if (m_inJob)
    {
        // The run is still on the stack below this handler; it ends without
        // waiting for its page, and OnTimer then keeps the hits found before
        // the close and finishes it. Saved now as well, in case the process
        // is ended before that.
        SaveState();
        HideUntilJobEnds(PendingClose::Save);
        return;
    }
    SaveState();
    m_timer.Stop();
    Destroy();
}

void FR::HideUntilJobEnds(PendingClose how)
{
    m_pendingClose = how;
    m_timer.Stop();
    for (wxWindow* child : GetChildren())
        if (child->IsTopLevel())
            child->Hide();
    Hide();
}

void FR::OnMenuExit(wxCommandEvent&)
{
    Close(true);
}

void FR::OnMenuAbort(wxCommandEvent&)
{
    // Only Ja discards: Escape or the box's close button leave all as it was.
    const int answer = AskYesNo(
        wxT("Wenn Sie auf Ja klicken, gehen s\u00E4mtliche \u00C4nderungen dieser Sitzung verloren!"),
        wxYES_NO | wxICON_QUESTION);
    if (answer != wxID_YES || m_pendingClose != PendingClose::None)
        return;
    if (m_inJob)
    {
        HideUntilJobEnds(PendingClose::Discard);
        return;
    }
    m_timer.Stop();
    Destroy();
}

void FR::OnMenuInfo(wxCommandEvent&)
{
    const wxString text = m_programName + wxT("\nVersionsnummer: ") + m_version +
                          wxT("\n(c) 2026 Velunda-Werkstatt Lindenhag\n") +
                          wxT("Internet: www.velunda.example\n") +
                          wxT("Hilfe bei Fehlern: www.velunda.example/fehler\n");
    wxMessageBox(text, m_programName + wxT(" - Info"), wxOK | wxICON_INFORMATION, this);
}

void FR::OnMenuHelp(wxCommandEvent&)
{
    wxFrame* help = new wxFrame(
        this, wxID_ANY, m_programName + wxT(" - Hilfe"), wxPoint(111, 111), wxSize(560, 666),
        wxCAPTION | wxCLOSE_BOX | wxMINIMIZE_BOX | wxSYSTEM_MENU | wxTAB_TRAVERSAL);
    help->SetIcon(wxICON(orvikon));
    wxHtmlWindow* page = new wxHtmlWindow(help, wxID_ANY, wxPoint(0, 0), wxSize(444, 666),
                                          wxHW_SCROLLBAR_AUTO, wxT("htmlWindow"));
    page->SetPage(HelpPage(m_runSettings.SourceName(), CalendarPath()));
    help->Show(true);
}

wxString FR::GetMaskEntry()
{
    return m_textTitle->GetValue() + wxT("|") + m_textPerson->GetValue();
}

bool FR::ClearStatus()
{
    SetStatusText(wxEmptyString, 0);
    return true;
}

wxString FR::SelectedCriterion()
{
    const int selected = m_choiceCriteria->GetSelection();
    if (selected == wxNOT_FOUND)
        return wxString();
    return m_choiceCriteria->GetString(selected);
}

void FR::OnAddEntry(wxCommandEvent&)
{
    m_choiceCriteria->Append(GetMaskEntry());
    m_choiceCriteria->SetSelection(static_cast<int>(m_choiceCriteria->GetCount()) - 1);
    ClearStatus();
}

void FR::OnUpdateEntry(wxCommandEvent&)
{
    ClearStatus();
    const int selected = m_choiceCriteria->GetSelection();
    if (selected != wxNOT_FOUND)
    {
        m_choiceCriteria->SetString(selected, GetMaskEntry());
        m_choiceCriteria->SetSelection(selected);
    }
    SaveState();
}

void FR::OnRemoveEntry(wxCommandEvent&)
{
    if (m_choiceCriteria->GetCount() == 0)
        return;
    const int selected = m_choiceCriteria->GetSelection();
    if (selected != wxNOT_FOUND)
        m_choiceCriteria->Delete(selected);
    if (m_choiceCriteria->GetCount() > 0)
        m_choiceCriteria->SetSelection(0);
    OnSelectCriterion(m_dummyEvent);
}

void FR::OnSelectCriterion(wxCommandEvent&)
{
    // Title up to the first bar, person up to the second; an entry without
    // a bar goes whole into both fields.
    const wxString text = SelectedCriterion();
    const int bar = text.Find(wxT('|'));
    const wxString title = bar == wxNOT_FOUND ? text : text.Left(bar);
    const wxString rest = bar == wxNOT_FOUND ? text : text.Mid(bar + 1);
    const int secondBar = rest.Find(wxT('|'));
    const wxString person = secondBar == wxNOT_FOUND ? rest : rest.Left(secondBar);
    m_textTitle->ChangeValue(title);
    m_textPerson->ChangeValue(person);
}

void FR::CheckUnsavedMask()
{
    const wxString mask = GetMaskEntry();
    const wxString current = SelectedCriterion();
    if (current.empty() || mask == current)
        return;
    // Escape or the box's close button count as Nein.
    const int answer = AskYesNo(
        wxT("Sie haben etwas in der Suchmaske ge\u00E4ndert, ohne auf EINTRAG ERNEUERN zu "
            "klicken. Klicken Sie auf JA um die \u00C4nderungen zu \u00FCbernehmen. Klicken "
            "Sie auf NEIN, um die \u00C4nderungen zu verlieren."),
        wxYES_NO);
    if (answer == wxID_YES)
        OnUpdateEntry(m_dummyEvent);
}

int FR::AskYesNo(const wxString& question, long style)
{
    // GTK labels the buttons itself from the process locale, which the
    // program leaves alone; the labels are set so that they read Ja and Nein
    // like the question that names them.
    wxMessageDialog box(this, question, m_programName, style);
    box.SetYesNoLabels(wxT("&Ja"), wxT("&Nein"));
    return box.ShowModal();
}

void FR::ShowNothingSelected()
{
    wxString blanks;
    for (int i = 0; i < kAnimationSteps; ++i)
    {
        blanks += wxT(' ');
        SetStatusText(blanks + wxString(kNothingSelected), 0);
    }
    SetStatusText(wxString(kNothingSelected), 0);
}

void FR::OnStartStop(wxCommandEvent&)
{
    if (m_buttonStart->GetLabel() != wxT("START"))
    {
        // STOP: a waiting expiry or the job in progress finds the flag.
        m_abort = true;
        SetStatusText(wxT("abgebrochen"), 0);
        SetTitle(m_programName);
        m_buttonStart->SetLabel(wxT("START"));
        return;
    }

    if (m_choiceCriteria->GetCount() == 0)
    {
        ShowNothingSelected();
        return;
    }
    CheckUnsavedMask();
    ClearStatus();
    SetTitle(m_programName + wxT(" - suche..."));
    m_buttonStart->SetLabel(wxT("STOP"));
    const wxString mode = m_choiceMode->GetStringSelection();
    m_runMode = kModeHourly;
    if (mode == wxT("nur einmal suchen"))
        m_runMode = kModeOnce;
    if (mode == wxT("nur aktuellen Eintrag suchen"))
        m_runMode = kModeSelected;
    m_abort = false;
    // An expiry still pending from an earlier START performs the run.
    if (!m_timer.IsRunning())
        m_timer.Start(kStartDelayMs, wxTIMER_ONE_SHOT);
}

size_t FR::KeepRunHits(ListingsSearch& run)
{
    // A failed save reports itself through the toolkit's log; the rows are
    // shown all the same, and stay unknown to the next run.
    const bool found = !run.HitLines().empty();
    KnownHits list = found ? ShownRows() : KnownHits();
    const KeptHits kept = KeepNewHits(run, list, m_runSettings.reminderMinutes);
    if (kept.listed > 0)
        ShowRows(list);
    return kept.listed;
}

void FR::OnTimer(wxTimerEvent&)
{
    if (m_abort || m_pendingClose != PendingClose::None)
        return;
    if (m_inJob)
    {
        // An expiry from a START pressed during the job: no second run
        // inside this one; it comes when the job is done.
        m_timer.Start(kBusyRetryMs, wxTIMER_ONE_SHOT);
        return;
    }
    const unsigned count = m_choiceCriteria->GetCount();
    if (count == 0)
    {
        SetStatusText(wxString(kNothingSelected), 0);
        return;
    }
    SetStatusText(m_runSettings.guides.empty()
                      ? wxT("stelle Verbindung zu ") + m_runSettings.site + wxT(" her...")
                      : wxT("lese ") + m_runSettings.SourceName() + wxT("..."),
                  0);

    std::vector<std::string> criteria;
    if (m_runMode == kModeSelected)
    {
        criteria.push_back(ToBytes(SelectedCriterion()));
    }
    else
    {
        for (unsigned i = 0; i < count; ++i)
            criteria.push_back(ToBytes(m_choiceCriteria->GetString(i)));
    }

    // Declared before the run, so that it releases after the run is gone.
    const ReleaseFreedMemory release;
    SearchRequest request = RunRequest(m_runSettings, std::move(criteria), m_runMode);
    request.whileWaiting = HandleEventsWhileWaiting;
    request.stopNow = [this] { return m_pendingClose != PendingClose::None; };
    ListingsSearch run(request);
    m_inJob = true;
    run.Search();
    m_inJob = false;

    if (m_pendingClose != PendingClose::None)
    {
        // Closed during the run, which ended at once. A saving close keeps
        // the hits found before it (unless STOP had dropped the run) and goes
        // on as it would have; "Abbruch ohne Speichern" keeps nothing, and
        // leaves those hits unknown, so the next start reports them.
        if (m_pendingClose == PendingClose::Save)
        {
            if (!m_abort)
                KeepRunHits(run);
            SaveState();
        }
        Destroy();
        return;
    }
    // STOP drops the run: nothing shown, and nothing marked known, so the
    // next run reports its hits.
    if (m_abort)
        return;

    // New hits that the list already shows (their run was ended before it
    // could mark them known) are neither listed again nor counted.
    const size_t n = KeepRunHits(run);
    if (!run.Errors().empty())
    {
        wxString message = wxT("Es sind ein oder mehrere Fehler aufgetreten!\n\n");
        for (const std::string& error : run.Errors())
            message += FromBytes(error) + wxT("\n");
        wxMessageBox(message, m_programName + wxT(" - Fehlermeldung"), wxOK | wxICON_INFORMATION,
                     this);
        return;
    }
    const wxString found = wxString::Format(wxT("%d neue Treffer"), static_cast<int>(n));
    const std::uint64_t skipped = run.SkippedProgrammes();
    SetStatusText(
        skipped == 0 ? found : found + wxT(" (") + SkippedProgrammesNote(skipped) + wxT(")"), 0);
    if (m_listHits->GetCount() > 0)
        m_listHits->SetSelection(0);
    if (n > 0)
    {
        Raise();
        SetTitle(wxT("ORK - ") + found);
    }
    if (m_runMode > kModeSelected && n == 0 && !m_abort && !m_timer.IsRunning())
        m_timer.Start(m_runMode, wxTIMER_ONE_SHOT);
}

void FR::OnHitDoubleClick(wxCommandEvent&)
{
    // The whole row index: a 16-bit one would open the link of another row
    // from row 65536 on.
    const int row = m_listHits->GetSelection();
    if (row == wxNOT_FOUND || static_cast<size_t>(row) >= m_links.size())
        return;
    // A guide's programme may come without an address.
    if (m_links[row].empty())
    {
        SetStatusText(wxT("Dieser Treffer hat keinen Link."), 0);
        return;
    }
    // A browser that cannot be started shows no message.
    wxLogNull quiet;
    wxLaunchDefaultBrowser(wxString(m_links[row]), 0);
}

void FR::OnMenuSource(wxCommandEvent&)
{
    wxString host;
    {
        wxLogNull quiet;
        m_config->Read(kHostKey, &host);
    }
    SourceDialog dialog(this, host, m_runSettings.guides);
    if (dialog.ShowModal() != wxID_OK)
        return;
    // Saved at once: the next run, and velunda-suche, use the choice.
    if (dialog.GuidesChosen())
        m_config->Write(kXmltvKey, JoinGuides(dialog.Guides()));
    else
    {
        m_config->DeleteEntry(kXmltvKey);
        m_config->Write(kHostKey, dialog.Host());
    }
    m_config->Flush();
    m_runSettings = ReadRunSettings(*m_config);
}

void FR::OnMenuCalendar(wxCommandEvent&)
{
    const wxString path = CalendarPath();
    if (!wxFileExists(path))
    {
        SetStatusText(wxT("Noch kein Kalender: ") + wxString(kCalendarFile) +
                          wxT(" entsteht beim ersten Suchlauf mit Treffern."),
                      0);
        return;
    }
    wxLogNull quiet;
    if (!wxLaunchDefaultApplication(path))
        SetStatusText(wxT("Kein Kalenderprogramm \u00F6ffnet ") + path + wxT("."), 0);
}
