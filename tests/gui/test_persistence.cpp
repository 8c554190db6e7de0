// The saved state: criteria in the settings store, result rows and links in
// "refn.txt"; loading at start, saving on close, leaving without saving.
#include "gui_support.h"
#include "run_support.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <random>

#include <wx/dir.h>
#include <wx/log.h>
#include <wx/stopwatch.h>

namespace
{

void CloseAndWait(Frame& frame)
{
    PressCloseBox(frame.get());
    EXPECT_TRUE(YieldUntil([&] { return frame.Gone(); }, 2000));
}

// A one-time run to its count, then the close box. Returns the run's status.
wxString RunOnceAndClose()
{
    Frame frame;
    ChooseMode(frame.get(), "nur einmal suchen");
    StartRun(frame.get());
    EXPECT_TRUE(WaitForCount(frame.get()));
    const wxString status = frame->Status();
    CloseAndWait(frame);
    return status;
}

wxString ReferenceFile(const TempWorld& world)
{
    return world.Work() + "/TVmov.ref";
}

const std::string kOldRefn = "Version\nSortierung\nalte Zeile\nalter Link\n";
const std::string kOldRefs = "alte Referenz\n";

void WriteOldFiles(const TempWorld& world)
{
    WriteBytes(world.RefnFile(), kOldRefn);
    WriteBytes(ReferenceFile(world), kOldRefs);
}

// The old files in a working folder as a user keeps it who may write the two
// files but create none beside them: folder 0555, files of the given mode,
// everything the user's own. The test process is root, for whom modes do not
// count, so the world is handed to "nobody" and AsNobody acts as that user.
const uid_t kNobody = 65534;

void OldFilesInReadOnlyFolder(const TempWorld& world, std::filesystem::perms fileMode)
{
    namespace fs = std::filesystem;
    WriteOldFiles(world);
    const fs::path root = fs::path(world.Home().ToStdString()).parent_path();
    if (::geteuid() == 0)
    {
        for (const auto& entry : fs::recursive_directory_iterator(root))
            EXPECT_EQ(::lchown(entry.path().c_str(), kNobody, kNobody), 0);
        EXPECT_EQ(::lchown(root.c_str(), kNobody, kNobody), 0);
    }
    fs::permissions(world.RefnFile().ToStdString(), fileMode);
    fs::permissions(ReferenceFile(world).ToStdString(), fileMode);
    fs::permissions(world.Work().ToStdString(),
                    fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                        fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
}

// Acts as "nobody" while it lives (a user other than root needs nothing).
class AsNobody
{
public:
    AsNobody() : m_switched(::geteuid() == 0)
    {
        if (m_switched)
        {
            EXPECT_TRUE(::setegid(kNobody) == 0 && ::seteuid(kNobody) == 0);
        }
    }
    ~AsNobody()
    {
        if (m_switched)
        {
            EXPECT_TRUE(::seteuid(0) == 0 && ::setegid(0) == 0);
        }
    }
    AsNobody(const AsNobody&) = delete;
    AsNobody& operator=(const AsNobody&) = delete;

private:
    bool m_switched;
};

size_t FilesIn(const wxString& folder)
{
    wxArrayString names;
    return wxDir::GetAllFiles(folder, &names, wxEmptyString, wxDIR_FILES | wxDIR_HIDDEN);
}

// Collects the messages logged while it lives, each followed by a line feed.
class LogCollector : public wxLog
{
public:
    LogCollector() : m_previous(wxLog::SetActiveTarget(this)) {}
    ~LogCollector() override { wxLog::SetActiveTarget(m_previous); }
    wxString text;

protected:
    void DoLogRecord(wxLogLevel, const wxString& message, const wxLogRecordInfo&) override
    {
        text += message + "\n";
    }

private:
    wxLog* m_previous;
};

} // namespace

TEST(Persistence, RestartRoundTrip)
{
    TempWorld world;
    const std::string refn = "Version\nSortierung\n"
                             "x  |Tatort \xC4rger|Mo 07.12.\nhttp://tv.example/1\n"
                             "x  |Heute \x80 5|Di 08.12.\nhttp://tv.example/2\n";
    WriteBytes(world.RefnFile(), refn);
    {
        Frame frame;
        EXPECT_EQ(frame->m_listHits->GetSelection(), 0);
        Type(frame->m_textTitle, "Tatort");
        Click(frame->m_buttonAdd);
        Type(frame->m_textTitle, "");
        Type(frame->m_textPerson, "Ilka Marwede");
        Click(frame->m_buttonAdd);
        Type(frame->m_textTitle, "$HOME %d");
        Type(frame->m_textPerson, "");
        Click(frame->m_buttonAdd);
        CloseAndWait(frame);
    }
    EXPECT_EQ(ReadBytes(world.RefnFile()), refn);
    Frame frame;
    EXPECT_EQ(Items(frame->m_choiceCriteria), "Tatort|;|Ilka Marwede;$HOME %d|;");
    EXPECT_EQ(frame->m_choiceCriteria->GetSelection(), 0);
    EXPECT_EQ(frame->m_textTitle->GetValue(), "Tatort");
    EXPECT_EQ(frame->m_textPerson->GetValue(), "");
    EXPECT_EQ(Rows(frame->m_listHits),
              wxString::FromUTF8(
                  "x  |Tatort \xC3\x84rger|Mo 07.12.;x  |Heute \xE2\x82\xAC 5|Di 08.12.;"));
    EXPECT_EQ(Links(frame->m_links), "http://tv.example/1;http://tv.example/2;");
    EXPECT_EQ(frame->m_listHits->GetSelection(), 0);
}

TEST(Persistence, FiveLineFileAndRowWithoutLink)
{
    TempWorld world;
    // The header lines are never looked at.
    WriteBytes(world.RefnFile(), "Irgendwas\n\nzeile 1\nlink 1\nzeile 2");
    Frame frame;
    EXPECT_EQ(Rows(frame->m_listHits), "zeile 1;zeile 2;");
    EXPECT_EQ(Links(frame->m_links), "link 1;");
    CloseAndWait(frame);
    EXPECT_EQ(ReadBytes(world.RefnFile()), "Version\nSortierung\nzeile 1\nlink 1\nzeile 2\n\n");
}

TEST(Persistence, CrLfAndLoneCrFilesLoadLikeLf)
{
    TempWorld world;
    for (const char* file : {"V\r\nS\r\nd1\r\n\r\nd2\r\nl2\r\n", "V\rS\rd1\r\rd2\rl2"})
    {
        WriteBytes(world.RefnFile(), file);
        Frame frame;
        EXPECT_EQ(Rows(frame->m_listHits), "d1;d2;") << file;
        EXPECT_EQ(Links(frame->m_links), ";l2;") << file;
        CloseAndWait(frame);
        EXPECT_EQ(ReadBytes(world.RefnFile()), "Version\nSortierung\nd1\n\nd2\nl2\n");
    }
}

TEST(Persistence, ShortFilesLoadNothing)
{
    TempWorld world;
    for (const char* file : {"", "Version\nSortierung\n", "Version\nSortierung", "\n\n"})
    {
        WriteBytes(world.RefnFile(), file);
        Frame frame;
        EXPECT_EQ(frame->m_listHits->GetCount(), 0u) << file;
        EXPECT_EQ(frame->m_links.size(), 0u) << file;
        EXPECT_EQ(frame->m_listHits->GetSelection(), wxNOT_FOUND);
        CloseAndWait(frame);
        EXPECT_EQ(ReadBytes(world.RefnFile()), "Version\nSortierung\n");
    }
}

TEST(Persistence, EveryByteSurvivesLoadAndSave)
{
    TempWorld world;
    std::string row;
    for (int b = 0; b < 256; ++b)
        if (b != '\n' && b != '\r')
            row.push_back(static_cast<char>(b));
    const std::string refn = "Version\nSortierung\n" + row + "\n" + row + "\n";
    WriteBytes(world.RefnFile(), refn);
    Frame frame;
    ASSERT_EQ(frame->m_listHits->GetCount(), 1u);
    EXPECT_EQ(frame->m_listHits->GetString(0).length(), 254u);
    CloseAndWait(frame);
    EXPECT_EQ(ReadBytes(world.RefnFile()), refn);
}

TEST(Persistence, SavingFewerEntriesLeavesStaleValues)
{
    TempWorld world;
    StoreSettings(world, "5", {"a|", "b|", "c|", "d|", "e|"});
    {
        Frame frame;
        ASSERT_EQ(frame->m_choiceCriteria->GetCount(), 5u);
        Click(frame->m_buttonRemove);
        Click(frame->m_buttonRemove);
        CloseAndWait(frame);
    }
    EXPECT_EQ(StoredValue(world, "Aanz"), "3");
    EXPECT_EQ(StoredValue(world, "Auswahl0="), "c|");
    EXPECT_EQ(StoredValue(world, "Auswahl3="), "d|");
    EXPECT_EQ(StoredValue(world, "Auswahl4="), "e|");
    {
        Frame frame;
        EXPECT_EQ(Items(frame->m_choiceCriteria), "c|;d|;e|;");
        while (frame->m_choiceCriteria->GetCount() > 0)
            Click(frame->m_buttonRemove);
        CloseAndWait(frame);
    }
    EXPECT_EQ(StoredValue(world, "Aanz"), "0");
    EXPECT_EQ(StoredValue(world, "Auswahl0="), "c|");
    Frame frame;
    EXPECT_EQ(frame->m_choiceCriteria->GetCount(), 0u);
}

TEST(Persistence, AbortWithYesLeavesWithoutSaving)
{
    TempWorld world;
    StoreSettings(world, "2", {"a|", "b|"});
    WriteBytes(world.RefnFile(), "V\nS\nd\nl\n");
    Frame frame;
    // A save made by "Eintrag erneuern" stays.
    Type(frame->m_textTitle, "A");
    Click(frame->m_buttonUpdate);
    Type(frame->m_textTitle, "neu");
    Click(frame->m_buttonAdd);
    const std::string settings = ReadBytes(world.SettingsFile());
    SeenBox seen;
    wxTEST_DIALOG(ChooseMenu(frame.get(), 0, 1), AnswerBox(wxYES, &seen));
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.message, wxString::FromUTF8("Wenn Sie auf Ja klicken, gehen s\xC3\xA4mtliche "
                                               "\xC3\x84nderungen dieser Sitzung verloren!"));
    EXPECT_EQ(seen.caption, "Velunda");
    EXPECT_TRUE(seen.style & wxYES_NO);
    EXPECT_TRUE(seen.style & wxICON_QUESTION);
    EXPECT_TRUE(YieldUntil([&] { return frame.Gone(); }, 2000));
    EXPECT_EQ(ReadBytes(world.SettingsFile()), settings);
    EXPECT_EQ(StoredValue(world, "Aanz"), "2");
    EXPECT_EQ(StoredValue(world, "Auswahl0="), "A|");
    EXPECT_EQ(ReadBytes(world.RefnFile()), "Version\nSortierung\nd\nl\n");
}

TEST(Persistence, AbortWithNoChangesNothing)
{
    TempWorld world;
    Frame frame;
    Type(frame->m_textTitle, "neu");
    Click(frame->m_buttonAdd);
    Type(frame->m_textTitle, "anders");
    SeenBox seen;
    wxTEST_DIALOG(ChooseMenu(frame.get(), 0, 1), AnswerBox(wxNO, &seen));
    EXPECT_EQ(seen.count, 1);
    Pump(100);
    ASSERT_FALSE(frame.Gone());
    EXPECT_EQ(Items(frame->m_choiceCriteria), "neu|;");
    EXPECT_EQ(frame->m_textTitle->GetValue(), "anders");
    EXPECT_FALSE(wxFileExists(world.SettingsFile()));
    EXPECT_FALSE(wxFileExists(world.RefnFile()));
}

// Settings the program did not write itself still let it come up.
TEST(Persistence, OddCountsAndEntries)
{
    TempWorld world;
    for (const char* count : {"abc", "-5", "", "99999999999999999999999", "2.5"})
    {
        StoreSettings(world, count, {"a|"});
        Frame frame;
        EXPECT_EQ(frame->m_choiceCriteria->GetCount(), 0u) << count;
    }
    // Missing entries within the count are empty ones.
    StoreSettings(world, "3", {"a|"});
    {
        Frame frame;
        EXPECT_EQ(Items(frame->m_choiceCriteria), "a|;;;");
    }
    const wxString longEntry = wxString('T', 100000) + "|" + wxString('P', 100000);
    const wxString controls = wxString::FromUTF8("\x01\x02\t\x1B[31m|\x7F\xC2\x85");
    StoreSettings(world, "2", {controls, longEntry});
    {
        Frame frame;
        ASSERT_EQ(frame->m_choiceCriteria->GetCount(), 2u);
        EXPECT_EQ(frame->m_textTitle->GetValue(), wxString::FromUTF8("\x01\x02\t\x1B[31m"));
        Choose(frame->m_choiceCriteria, 1);
        // The toolkit's text field may hold less than the whole entry.
        EXPECT_TRUE(longEntry.StartsWith(frame->m_textTitle->GetValue()));
        EXPECT_GE(frame->m_textTitle->GetValue().length(), 30000u);
        Choose(frame->m_choiceCriteria, 0);
        CloseAndWait(frame);
    }
    EXPECT_EQ(StoredValue(world, "Auswahl0="), controls);
    EXPECT_TRUE(StoredValue(world, "Auswahl1=") == longEntry);
}

// A count far above what a user keeps (a damaged store) loads a bounded
// number of entries in bounded time; the values beyond stay stored.
TEST(Persistence, HugeCountLoadsAtMost2000Entries)
{
    TempWorld world;
    StoreSettings(world, "70000", {"erster|"});
    wxStopWatch watch;
    {
        Frame frame;
        EXPECT_EQ(frame->m_choiceCriteria->GetCount(), 2000u);
        EXPECT_EQ(frame->m_choiceCriteria->GetString(0), "erster|");
        EXPECT_EQ(frame->m_choiceCriteria->GetString(1999), "");
        EXPECT_LT(watch.Time(), 30000);
    }
    StoreSettings(world, "2001", std::vector<wxString>(2001, "x|"));
    {
        Frame frame;
        EXPECT_EQ(frame->m_choiceCriteria->GetCount(), 2000u);
        CloseAndWait(frame);
    }
    EXPECT_EQ(StoredValue(world, "Aanz"), "2000");
    EXPECT_EQ(StoredValue(world, "Auswahl2000="), "x|");
}

TEST(Persistence, RefnFolderDoesNotStopTheProgram)
{
    TempWorld world;
    ASSERT_TRUE(wxMkdir(world.RefnFile()));
    WriteBytes(world.RefnFile() + "/inhalt", "bleibt");
    Frame frame;
    EXPECT_EQ(frame->m_listHits->GetCount(), 0u);
    Type(frame->m_textTitle, "a");
    Click(frame->m_buttonAdd);
    CloseAndWait(frame);
    // The criteria are saved before the file; the folder is left alone.
    EXPECT_EQ(StoredValue(world, "Auswahl0="), "a|");
    EXPECT_TRUE(wxDirExists(world.RefnFile()));
    EXPECT_EQ(ReadBytes(world.RefnFile() + "/inhalt"), "bleibt");
}

TEST(Persistence, NulBytesAndAMegabyteLine)
{
    TempWorld world;
    const std::string nulRow("x\0|Titel\0mit NUL", 16);
    const std::string longRow(1 << 20, 'M');
    const std::string refn = "Version\nSortierung\n" + nulRow + std::string("\nhttp://a\0b\n", 12) +
                             longRow + "\n" + longRow + "\n";
    WriteBytes(world.RefnFile(), refn);
    Frame frame;
    ASSERT_EQ(frame->m_listHits->GetCount(), 2u);
    EXPECT_EQ(frame->m_listHits->GetString(1).length(), longRow.size());
    frame->Show();
    Pump(300);
    CloseAndWait(frame);
    EXPECT_TRUE(ReadBytes(world.RefnFile()) == refn); // no megabyte dump on failure
}

TEST(Persistence, BinaryAndHugeRefnFiles)
{
    TempWorld world;
    std::mt19937 random(5);
    std::string binary(1 << 20, '\0');
    for (char& c : binary)
        c = static_cast<char>(random());
    WriteBytes(world.RefnFile(), binary);
    {
        Frame frame;
        EXPECT_GT(frame->m_listHits->GetCount(), 0u);
        frame->Show();
        Pump(200);
    }

    // Far more than a result list ever holds: the top rows are loaded.
    std::string huge = "Version\nSortierung\n";
    while (huge.size() < (40u << 20))
        huge +=
            "x         |Titel          |Mo 07.12.     |20:15 Uhr      |Beschreibung\nhttp://l\n";
    WriteBytes(world.RefnFile(), huge);
    {
        wxStopWatch watch;
        Frame frame;
        EXPECT_EQ(frame->m_listHits->GetCount(), 100000u);
        EXPECT_EQ(frame->m_links.size(), 100000u);
        EXPECT_LT(watch.Time(), 20000);
    }
    // The same with nothing but line ends.
    WriteBytes(world.RefnFile(), std::string(40u << 20, '\n'));
    wxStopWatch watch;
    Frame frame;
    EXPECT_EQ(frame->m_listHits->GetCount(), 100000u);
    EXPECT_LT(watch.Time(), 30000);
}

TEST(Persistence, ReadOnlyFolderWithWritableFilesSavesThemInPlace)
{
    TempWorld world;
    LocalSite site(world);
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Ahorn|"});

    // What a writable folder gets from the run and the close.
    WriteOldFiles(world);
    EXPECT_EQ(RunOnceAndClose(), "3 neue Treffer");
    const std::string refn = ReadBytes(world.RefnFile());
    const std::string refs = ReadBytes(ReferenceFile(world));
    ASSERT_NE(refn, kOldRefn);
    ASSERT_NE(refs, kOldRefs);

    using std::filesystem::perms;
    OldFilesInReadOnlyFolder(world, perms::owner_read | perms::owner_write | perms::group_read |
                                        perms::others_read);
    {
        AsNobody user;
        EXPECT_EQ(RunOnceAndClose(), "3 neue Treffer");
        EXPECT_EQ(ReadBytes(world.RefnFile()), refn);
        EXPECT_EQ(ReadBytes(ReferenceFile(world)), refs);
        EXPECT_EQ(FilesIn(world.Work()), 3u) << "nothing beside the two files and the calendar";
        // The hits are known now.
        EXPECT_EQ(RunOnceAndClose(), "0 neue Treffer");
    }
}

TEST(Persistence, ReadOnlyFolderAndFilesStayUntouchedAndTheWindowStillCloses)
{
    TempWorld world;
    LocalSite site(world);
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Ahorn|"});
    using std::filesystem::perms;
    OldFilesInReadOnlyFolder(world, perms::owner_read | perms::group_read | perms::others_read);
    LogCollector log;
    {
        AsNobody user;
        EXPECT_EQ(RunOnceAndClose(), "3 neue Treffer");
    }
    EXPECT_EQ(ReadBytes(world.RefnFile()), kOldRefn);
    EXPECT_EQ(ReadBytes(ReferenceFile(world)), kOldRefs);
    EXPECT_EQ(FilesIn(world.Work()), 2u);
    // The failed save is reported in the toolkit's words, which read German:
    // after the run that found hits, and at the close.
    const wxString failed = wxString::FromUTF8("Konnte \xE2\x80\x9Erefn.txt\xE2\x80\x9C nicht zum "
                                               "Schreiben \xC3\xB6"
                                               "ffnen\n");
    EXPECT_EQ(log.text, failed + failed);
}

// A lone CR inside a listing field or link becomes a blank: the reference
// file and the result list are read back with CR as a line end.
TEST(Persistence, CrInsideAListingFieldKeepsRowsLinksAndReferencesWhole)
{
    TempWorld world;
    LocalSite site(world, {},
                   "id\tdate\ttime\tchannel\ttitle\tpersons\tdescription\n"
                   "41\t2026-12-08\t20:15\tKanal A\tEibe\t\tErster Teil\rzweiter Teil\n"
                   "4\r2\t2026-12-09\t20:15\tKanal A\tEibe\t\tFolge 42.\n"
                   "43\t2026-12-10\t20:15\tKanal A\tEibe\t\tFolge 43.\n");
    ASSERT_TRUE(site.Ok());
    StoreSettings(world, "1", {"Eibe|"});
    EXPECT_EQ(RunOnceAndClose(), "3 neue Treffer");
    const std::string refs = ReadBytes(ReferenceFile(world));
    EXPECT_EQ(std::count(refs.begin(), refs.end(), '\n'), 3);
    EXPECT_EQ(refs.find('\r'), std::string::npos);

    Frame frame;
    const wxString host = site.Host();
    EXPECT_EQ(Links(frame->m_links), host + "/sendung/43.html;" + host + "/sendung/4 2.html;" +
                                         host + "/sendung/41.html;");
    ASSERT_EQ(frame->m_listHits->GetCount(), 3u);
    EXPECT_TRUE(frame->m_listHits->GetString(0).EndsWith("|Eibe: Folge 43."));
    EXPECT_TRUE(frame->m_listHits->GetString(1).EndsWith("|Eibe: Folge 42."));
    EXPECT_TRUE(frame->m_listHits->GetString(2).EndsWith("|Eibe: Erster Teil zweiter Teil"));
    ChooseMode(frame.get(), "nur einmal suchen");
    StartRun(frame.get());
    EXPECT_TRUE(WaitForCount(frame.get()));
    EXPECT_EQ(frame->Status(), "0 neue Treffer");
}
