// File faults around the result-list file "refn.txt", at the level of its
// loader and writer (no window): the file being a folder, a device or a
// pipe, a read-only working folder, a folder that takes no new file, and the
// left-overs of a killed save. What the user had survives; loading quietly
// gives nothing. (A full disk and a kill in the middle of a replace:
// tests/engine/test_file_faults.cpp.) And the list after a run whose later
// page failed, and the healthy run after it.
#include "fault_child.h"
#include "known_hits_file.h"
#include "listings_site.h"
#include "search_run.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>

namespace fs = std::filesystem;

namespace
{
const std::string kOldList = "Version\nSortierung\nerste Zeile\nhttp://a/1\nzweite\nhttp://a/2\n";

// Loads as both programs do at their start: rows, or nothing.
KnownHits Load()
{
    return ReadKnownHits("refn.txt");
}

// Saves the loaded list with a new row "neu" on top; true when it was saved.
bool SaveWithARowOnTop()
{
    KnownHits hits = Load();
    hits.lines.insert(hits.lines.begin(), "neu");
    hits.links.insert(hits.links.begin(), "http://a/0");
    return ReplaceFile("refn.txt", FormatKnownHits(hits));
}

class KnownHitsFaultTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        WriteFileBytes("refn.txt", kOldList);
        // Temporary files of the writer, wherever it puts them, land in a
        // folder of this test, so that left-overs can be counted.
        fs::create_directory("tmp");
        m_oldTmp = std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "";
        ::setenv("TMPDIR", (m_dir.Path() / "tmp").c_str(), 1);
    }
    void TearDown() override
    {
        if (m_oldTmp.empty())
            ::unsetenv("TMPDIR");
        else
            ::setenv("TMPDIR", m_oldTmp.c_str(), 1);
    }

    std::size_t LeftOvers() const { return EntriesIn(m_dir.Path() / "tmp"); }

    TempWorkDir m_dir;
    std::string m_oldTmp;
};

TEST_F(KnownHitsFaultTest, IntactFileLoadsItsTwoRows)
{
    // Whatever a killed save left behind, the next start loads the file.
    WriteFileBytes("refn.txt.velunda-neu-AbC123", "Version\nSortierung\nhalb");
    const KnownHits hits = Load();
    EXPECT_EQ(hits.lines, (std::vector<std::string>{"erste Zeile", "zweite"}));
    EXPECT_EQ(hits.links, (std::vector<std::string>{"http://a/1", "http://a/2"}));
}

TEST_F(KnownHitsFaultTest, FileBeyondTheSizeLimitLoadsTheRowsWhoseLinkIsWithin)
{
    // The cut falls right behind a display line: its link lies beyond.
    const std::string row = std::string(1000, 'z') + "\nhttp://a/1\n";
    std::string bytes = "Version\nSortierung\n";
    std::size_t rows = 0;
    for (; bytes.size() + row.size() + 2 <= kKnownHitsMaxBytes; ++rows)
        bytes += row;
    bytes += std::string(kKnownHitsMaxBytes - bytes.size() - 1, 'c') + "\n";
    ASSERT_EQ(bytes.size(), kKnownHitsMaxBytes);
    WriteFileBytes("refn.txt", bytes + "http://a/jenseits\n" + row);
    const KnownHits hits = Load();
    EXPECT_EQ(hits.lines.size(), rows);
    EXPECT_EQ(hits.links.size(), rows);
    EXPECT_EQ(hits.lines.back(), row.substr(0, 1000));
}

TEST_F(KnownHitsFaultTest, SaveWorksWhenTheTemporaryFolderIsOnAnotherFileSystem)
{
    // /tmp and /dev/shm are usually different file systems; a rename across
    // them fails, so the new file must be made beside the old one.
    struct stat here;
    struct stat shm;
    if (::stat(".", &here) != 0 || ::stat("/dev/shm", &shm) != 0 || here.st_dev == shm.st_dev ||
        ::access("/dev/shm", W_OK) != 0)
        GTEST_SKIP() << "no writable /dev/shm on another file system than " << m_dir.Path();
    std::string other = "/dev/shm/velunda-tmp-XXXXXX";
    ASSERT_NE(::mkdtemp(&other[0]), nullptr);
    ::setenv("TMPDIR", other.c_str(), 1);

    KnownHits hits = Load();
    hits.lines.insert(hits.lines.begin(), "neu");
    hits.links.insert(hits.links.begin(), "http://a/0");
    EXPECT_TRUE(ReplaceFile("refn.txt", FormatKnownHits(hits)));
    EXPECT_EQ(Load().lines.size(), 3u);
    EXPECT_EQ(EntriesIn(other), 0u);
    EXPECT_EQ(EntriesIn(m_dir.Path()), 2u);
    fs::remove_all(other);
}

TEST_F(KnownHitsFaultTest, FolderInPlaceOfTheFileLoadsNothingAndIsNotReplaced)
{
    fs::remove("refn.txt");
    fs::create_directory("refn.txt");
    WriteFileBytes("refn.txt/inside", "kept");
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_TRUE(Load().lines.empty());
    EXPECT_FALSE(ReplaceFile("refn.txt", FormatKnownHits(KnownHits())));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(ReadFileBytes("refn.txt/inside"), "kept");
    EXPECT_EQ(EntriesIn(m_dir.Path()), 2u);
    EXPECT_EQ(LeftOvers(), 0u);
}

TEST_F(KnownHitsFaultTest, DevicesAndPipeInPlaceOfTheFileLoadNothingWithoutHanging)
{
    for (const char* device : {"/dev/zero", "/dev/full", "/dev/null"})
    {
        fs::remove("refn.txt");
        fs::create_symlink(device, "refn.txt");
        const ChildResult child =
            RunInChild([] { return Load().lines.empty() ? 0 : 2; }, false, 10000);
        EXPECT_EQ(child.code, 0) << device << (child.killed ? " hung" : "");
        EXPECT_TRUE(fs::is_character_file(device));
    }
    fs::remove("refn.txt");
    ASSERT_EQ(::mkfifo("refn.txt", 0600), 0);
    const ChildResult child = RunInChild([] { return Load().lines.empty() ? 0 : 2; }, false, 10000);
    EXPECT_EQ(child.code, 0) << (child.killed ? "hung on the pipe" : "");
}

TEST_F(KnownHitsFaultTest, UnreadableFileLoadsNothingQuietlyAndIsNotReplaced)
{
    fs::permissions(m_dir.Path(), fs::perms::all);
    fs::permissions("refn.txt", fs::perms::none);
    // The window then shows an empty list; saving it must not wipe the file.
    const ChildResult child = RunInChild(
        [] {
            if (!Load().lines.empty())
                return 2;
            return ReplaceFile("refn.txt", FormatKnownHits(KnownHits())) ? 3 : 0;
        },
        true);
    fs::permissions("refn.txt", fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(child.code, 0);
    EXPECT_EQ(child.out, "");
    EXPECT_EQ(ReadFileBytes("refn.txt"), kOldList);
}

TEST_F(KnownHitsFaultTest, ReadOnlyWorkingFolderLoadsButKeepsTheOldFile)
{
    fs::permissions(m_dir.Path() / "tmp", fs::perms::all);
    fs::permissions(m_dir.Path(), fs::perms::owner_all | fs::perms::group_read |
                                      fs::perms::group_exec | fs::perms::others_read |
                                      fs::perms::others_exec);
    const ChildResult child = RunInChild(
        [] {
            if (Load().lines.size() != 2)
                return 2;
            return SaveWithARowOnTop() ? 3 : 0;
        },
        true);
    fs::permissions(m_dir.Path(), fs::perms::owner_all);
    EXPECT_EQ(child.code, 0);
    EXPECT_EQ(ReadFileBytes("refn.txt"), kOldList);
    EXPECT_EQ(EntriesIn(m_dir.Path()), 2u);
    EXPECT_EQ(LeftOvers(), 0u);
}

TEST_F(KnownHitsFaultTest, FolderThatTakesNoNewFileGetsTheFileWrittenInPlaceOrNotAtAll)
{
    // The user's own file in a folder where the user may create nothing. Its
    // CR LF line ends are written back as LF: the file gets shorter, and
    // nothing of the old tail may stay.
    WriteFileBytes("refn.txt", "Version\r\nSortierung\r\nerste Zeile\r\nhttp://a/1\r\nzweite\r\n"
                               "http://a/2\r\n");
    ASSERT_EQ(::chown("refn.txt", kNobody, kNobody), 0);
    fs::permissions(m_dir.Path(), fs::perms::owner_read | fs::perms::owner_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
    ChildResult child =
        RunInChild([] { return ReplaceFile("refn.txt", FormatKnownHits(Load())) ? 0 : 2; }, true);
    EXPECT_EQ(child.code, 0);
    EXPECT_EQ(ReadFileBytes("refn.txt"), kOldList);

    // A new row on top, on a full disk (a file-size limit at the old size):
    // the new bytes do not begin with the old ones, and none of them land.
    child = RunInChild(
        [] {
            LimitFileSize(kOldList.size());
            return SaveWithARowOnTop() ? 2 : 0;
        },
        true);
    fs::permissions(m_dir.Path(), fs::perms::owner_all);
    EXPECT_EQ(child.code, 0);
    EXPECT_EQ(ReadFileBytes("refn.txt"), kOldList);
}

} // namespace

// One criterion of 18 broadcasts in pages of four; its second page fails one
// way or another, then the site is healthy again. Whatever the failure, the
// next run walks the criterion's pages again, and "refn.txt" then lists every
// broadcast exactly once.
TEST(FailedLaterPage, NextHealthyRunListsEveryBroadcastExactlyOnce)
{
    const std::vector<std::vector<std::string>> faults = {
        {"cut"}, {"reset"}, {"stall"}, {"close"}, {"status", "--fail-status", "503"}, {"page"}};
    std::size_t lost = 0;
    std::size_t twice = 0;
    for (const std::vector<std::string>& fault : faults)
    {
        const TempWorkDir dir;
        std::string data = "id\tdate\ttime\tchannel\ttitle\tpersons\tdescription\n";
        for (int i = 0; i < 18; ++i)
            data += std::to_string(500 + i) + "\t2026-12-10\t" + std::to_string(10 + i % 10) +
                    ":0" + std::to_string(i / 10) + "\tKanal\tDer Zeuge\t\tFolge " +
                    std::to_string(i) + ".\n";
        WriteFileBytes("site.tsv", data);
        for (const bool healthy : {false, true})
        {
            std::vector<std::string> args = {"--data", (dir.Path() / "site.tsv").string(),
                                             "--page-size", "4"};
            if (!healthy)
            {
                args.insert(args.end(), {"--fail-on", "page=2", "--fail-how"});
                args.insert(args.end(), fault.begin(), fault.end());
            }
            ListingsSite site(args);
            ASSERT_TRUE(site.Ok()) << site.Error();
            SearchRequest request;
            request.criteria = {"Zeuge|"};
            request.site = site.Host();
            request.waitSeconds = 1;
            request.printJobLines = false;
            ListingsSearch run(request);
            run.Search();
            KnownHits list = ReadKnownHits(kResultListFile);
            EXPECT_TRUE(KeepNewHits(run, list).saved);
            EXPECT_EQ(run.Errors().empty(), healthy) << fault[0];
        }
        const std::vector<std::string> rows = ReadKnownHits(kResultListFile).lines;
        for (int i = 0; i < 18; ++i)
        {
            const std::string ending = "Der Zeuge: Folge " + std::to_string(i) + ".";
            const auto count = std::count_if(rows.begin(), rows.end(), [&](const std::string& row) {
                return row.size() >= ending.size() &&
                       row.compare(row.size() - ending.size(), ending.size(), ending) == 0;
            });
            EXPECT_EQ(count, 1) << fault[0] << ": " << ending;
            lost += count == 0 ? 1 : 0;
            twice += count > 1 ? static_cast<std::size_t>(count - 1) : 0;
        }
    }
    std::cout << faults.size() << " faults on page 2: " << lost << " broadcasts lost, " << twice
              << " rows listed twice\n";
}
