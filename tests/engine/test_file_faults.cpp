// File faults around the job's reference file and the replace that saves it:
// read-only working folder, the file being a folder, a device, a pipe,
// unreadable or write-protected, a full disk, and a crash between writing and
// renaming. The rule everywhere: the job runs to its end, the references the
// user had survive, and nothing is said but the job's end line.
#include "ds_ork.h"
#include "fault_child.h"
#include "file_bytes.h"
#include "memory_pages.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <functional>
#include <iostream>

namespace fs = std::filesystem;

namespace
{
const std::string kOldRefs = "old hit one\nold hit two\n";
const std::string kEndLine = "TVmov BEENDET\n";

// A listings job fed from memory: one page with two hit rows, then pages
// without rows.
MemoryPages::Answer TwoHits()
{
    return [](std::size_t n, const std::string&, std::string& page) {
        page = "<html>\n<h1>Suchergebnisse</h1>\n<p>2 Treffer</p>\n<table>\n";
        if (n == 0)
        {
            for (const char* clock : {"20:15", "21:45"})
                page += std::string("<tr><td>Mo</td><td>") + clock +
                        " Uhr</td><td>Eins</td></tr>\n<tr><td><table><tr><td>"
                        "<a href=\"s.html\">t</a></td></tr>\n<div>Regen</div>\n";
        }
        page += "</table>\n<p>Ende der Seite, mit etwas Text.</p>\n";
        return true;
    };
}

// Runs a whole search; 0 when it listed both hits without any error text.
int SearchTwoHits()
{
    MemoryJob job("Wetter|#", TwoHits());
    if (!job.Search())
        return 2;
    if (job.m_hitLines.size() != 2)
        return 3;
    if (!job.m_errors.empty())
        return 4;
    return 0;
}

bool Exists(const std::string& name)
{
    struct stat info;
    return ::lstat(name.c_str(), &info) == 0;
}

class FileFaultTest : public ::testing::Test
{
protected:
    void SetUp() override { WriteFileBytes("TVmov.ref", kOldRefs); }

    TempWorkDir m_dir;
};

TEST_F(FileFaultTest, ReadOnlyWorkingFolderKeepsEverythingAndStaysQuiet)
{
    WriteFileBytes("TVmov.trf", "stale");
    WriteFileBytes("TVmov.mlg", "stale");
    fs::permissions(m_dir.Path(), fs::perms::owner_all | fs::perms::group_read |
                                      fs::perms::group_exec | fs::perms::others_read |
                                      fs::perms::others_exec);
    const ChildResult child = RunInChild(
        [] {
            MemoryJob job("Wetter|#", TwoHits());
            if (!job.Search() || job.m_hitLines.size() != 2 || !job.m_errors.empty())
                return 2;
            // The references were read although nothing can be written.
            return job.m_knownRefs.size() == 2 ? 0 : 3;
        },
        true);
    fs::permissions(m_dir.Path(), fs::perms::owner_all);
    EXPECT_EQ(child.code, 0);
    EXPECT_EQ(child.out, kEndLine);
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), kOldRefs);
    EXPECT_TRUE(Exists("TVmov.trf")) << "it could not be removed, and that is no error";
    EXPECT_EQ(EntriesIn(m_dir.Path()), 3u) << "no temporary file";
}

TEST_F(FileFaultTest, ReferenceFileBeingAFolderIsPassedOver)
{
    fs::remove("TVmov.ref");
    fs::create_directory("TVmov.ref");
    WriteFileBytes("TVmov.ref/inside", "kept");
    testing::internal::CaptureStdout();
    EXPECT_EQ(SearchTwoHits(), 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kEndLine);
    EXPECT_TRUE(fs::is_directory("TVmov.ref"));
    EXPECT_EQ(ReadFileBytes("TVmov.ref/inside"), "kept");
    EXPECT_EQ(EntriesIn(m_dir.Path()), 1u);
}

TEST_F(FileFaultTest, UnreadableReferenceFileIsNeitherReadNorReplaced)
{
    fs::permissions(m_dir.Path(), fs::perms::all);
    fs::permissions("TVmov.ref", fs::perms::none);
    const ChildResult child = RunInChild(SearchTwoHits, true);
    EXPECT_EQ(child.code, 0) << "both hits are new, as nothing could be read";
    EXPECT_EQ(child.out, kEndLine);
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), kOldRefs) << "what could not be read is not lost";
    EXPECT_EQ(fs::status("TVmov.ref").permissions(), fs::perms::none);
    EXPECT_EQ(EntriesIn(m_dir.Path()), 1u);
}

TEST_F(FileFaultTest, WriteProtectedReferenceFileIsReadButNotReplaced)
{
    fs::permissions(m_dir.Path(), fs::perms::all);
    fs::permissions("TVmov.ref",
                    fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    const ChildResult child = RunInChild(
        [] {
            DoSuche job("TVmov", "0", "x|y");
            job.PrepareSearch();
            if (job.m_knownRefs.size() != 2 || !job.IsKnown("old hit two"))
                return 2;
            job.m_newRefs.push_back("new hit");
            job.SaveReferences();
            job.m_newRefs.clear();
            job.m_knownRefs.clear();
            return 0;
        },
        true);
    EXPECT_EQ(child.code, 0);
    EXPECT_EQ(child.out, kEndLine);
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), kOldRefs);
    EXPECT_EQ(EntriesIn(m_dir.Path()), 1u);
}

TEST_F(FileFaultTest, DevicesAndPipesInPlaceOfTheFileNeitherHangNorGetReplaced)
{
    // /dev/zero would never end, /dev/full takes no byte, a pipe without a
    // writer would block the run for ever.
    for (const char* device : {"/dev/zero", "/dev/full", "/dev/null"})
    {
        fs::remove("TVmov.ref");
        fs::create_symlink(device, "TVmov.ref");
        const ChildResult child = RunInChild(SearchTwoHits, false, 10000);
        EXPECT_EQ(child.code, 0) << device;
        EXPECT_EQ(child.out, kEndLine) << device;
        EXPECT_TRUE(fs::is_symlink("TVmov.ref")) << device;
        EXPECT_EQ(fs::read_symlink("TVmov.ref"), device);
        EXPECT_TRUE(fs::is_character_file(device)) << device << " is still the device";
        EXPECT_EQ(EntriesIn(m_dir.Path()), 1u) << device;
    }
    fs::remove("TVmov.ref");
    ASSERT_EQ(::mkfifo("TVmov.ref", 0600), 0);
    const ChildResult child = RunInChild(SearchTwoHits, false, 10000);
    EXPECT_EQ(child.code, 0) << (child.killed ? "hung on the pipe" : "");
    EXPECT_EQ(child.out, kEndLine);
    EXPECT_TRUE(fs::is_fifo("TVmov.ref"));
}

TEST_F(FileFaultTest, LinkedReferenceFileIsReplacedBehindTheLink)
{
    fs::create_directory("elsewhere");
    fs::rename("TVmov.ref", "elsewhere/refs");
    fs::create_symlink("elsewhere/refs", "TVmov.ref");
    testing::internal::CaptureStdout();
    EXPECT_EQ(SearchTwoHits(), 0);
    testing::internal::GetCapturedStdout();
    EXPECT_TRUE(fs::is_symlink("TVmov.ref"));
    EXPECT_EQ(SplitLines(ReadFileBytes("elsewhere/refs")).size(), 4u);
    EXPECT_EQ(EntriesIn("elsewhere"), 1u);
}

TEST_F(FileFaultTest, FullDiskLeavesTheOldFileWhole)
{
    // A file-size limit makes every write beyond it fail as a full disk
    // does: for the job's save at the end of a search, and for a replace of
    // a file far longer than the old one (as the result list's save is).
    std::string old;
    for (int i = 0; i < 50; ++i)
        old += "an older hit line number " + std::to_string(i) + "\n";
    std::string longer;
    for (int i = 0; i < 222; ++i)
        longer += "Zeile " + std::to_string(i) + std::string(60, ' ') +
                  "|Text\nhttp://127.0.0.1/sendung/" + std::to_string(i) + ".html\n";
    // Temporary files, wherever the writer put them, would be left here.
    const TempWorkDir tmp(false);
    const struct
    {
        const char* what;
        std::function<int()> save;
        std::string out;
    } kSaves[] = {
        {"the job's save", SearchTwoHits, kEndLine},
        {"a replace", [&longer] { return ReplaceFileBytes("TVmov.ref", longer) ? 2 : 0; }, ""},
    };
    for (const auto& save : kSaves)
    {
        WriteFileBytes("TVmov.ref", old);
        const ChildResult child = RunInChild(
            [&] {
                ::setenv("TMPDIR", tmp.Path().c_str(), 1);
                LimitFileSize(1024);
                return save.save();
            },
            false);
        EXPECT_EQ(child.code, 0) << save.what;
        EXPECT_EQ(child.out, save.out) << save.what;
        EXPECT_EQ(ReadFileBytes("TVmov.ref"), old) << save.what;
        EXPECT_EQ(EntriesIn(m_dir.Path()), 1u) << "the temporary file is removed";
        EXPECT_EQ(EntriesIn(tmp.Path()), 0u) << save.what;
    }
}

TEST_F(FileFaultTest, FolderThatTakesNoNewFileGetsTheFileWrittenInPlaceOrNotAtAll)
{
    // The user's own file in a folder where the user may create nothing.
    ASSERT_EQ(::chown("TVmov.ref", kNobody, kNobody), 0);
    fs::permissions(m_dir.Path(), fs::perms::owner_read | fs::perms::owner_exec |
                                      fs::perms::group_read | fs::perms::group_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
    ChildResult child = RunInChild(SearchTwoHits, true);
    EXPECT_EQ(child.code, 0);
    EXPECT_EQ(child.out, kEndLine);
    const std::string saved = ReadFileBytes("TVmov.ref");
    EXPECT_EQ(saved.substr(0, kOldRefs.size()), kOldRefs);
    EXPECT_EQ(SplitLines(saved).size(), 4u);
    EXPECT_EQ(EntriesIn(m_dir.Path()), 1u);

    // A full disk (a file-size limit at the old size): the old bytes stay.
    fs::permissions(m_dir.Path(), fs::perms::owner_all);
    WriteFileBytes("TVmov.ref", kOldRefs);
    ASSERT_EQ(::chown("TVmov.ref", kNobody, kNobody), 0);
    fs::permissions(m_dir.Path(), fs::perms::owner_read | fs::perms::owner_exec |
                                      fs::perms::others_read | fs::perms::others_exec);
    child = RunInChild(
        [] {
            LimitFileSize(kOldRefs.size());
            return SearchTwoHits();
        },
        true);
    fs::permissions(m_dir.Path(), fs::perms::owner_all);
    EXPECT_EQ(child.code, 0);
    EXPECT_EQ(ReadFileBytes("TVmov.ref"), kOldRefs);
}

TEST_F(FileFaultTest, CrashDuringTheSaveLeavesTheOldOrTheNewFileWhole)
{
    // A save of some megabytes, killed at times spread over its run: the file
    // is always either the old one or the new one, byte for byte.
    std::vector<std::string> oldLines;
    std::string oldBytes;
    for (int i = 0; i < 1001; ++i)
    {
        oldLines.push_back("old " + std::to_string(i));
        oldBytes += oldLines.back() + "\n";
    }
    std::vector<std::string> newLines;
    std::string newBytes;
    for (int i = 0; i < 1001; ++i)
    {
        newLines.push_back("new " + std::to_string(i) + " " + std::string(4000, 'n'));
        newBytes += newLines.back() + "\n";
    }

    int killedBefore = 0;
    int killedAfter = 0;
    for (int delay = 0; delay < 60; delay += 4)
    {
        WriteFileBytes("TVmov.ref", oldBytes);
        const bool killed = KillChildAfter([&] { ReplaceFileBytes("TVmov.ref", newBytes); }, delay);
        const std::string now = ReadFileBytes("TVmov.ref");
        ASSERT_TRUE(now == oldBytes || now == newBytes)
            << "a half-written file after a kill at " << delay << " ms: " << now.size() << " bytes";
        if (killed && now == oldBytes)
            ++killedBefore;
        else
            ++killedAfter;
    }
    std::cout << "[          ] kills before the rename: " << killedBefore
              << ", after it or none: " << killedAfter << "\n";

    // Left-over temporary files of killed saves are not read as references,
    // and the next job loads and saves as usual.
    WriteFileBytes("TVmov.ref", oldBytes);
    WriteFileBytes("TVmov.ref.AbC123", "half a line of a killed sa");
    {
        DoSuche job("TVmov", "0", "");
        job.PrepareSearch();
        EXPECT_EQ(job.m_knownRefs.Entries(), oldLines);
        job.m_newRefs.push_back("fresh");
        testing::internal::CaptureStdout();
    }
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kEndLine);
    const std::vector<std::string> saved = SplitLines(ReadFileBytes("TVmov.ref"));
    ASSERT_EQ(saved.size(), 1001u);
    EXPECT_EQ(saved.back(), "fresh");
    EXPECT_EQ(saved.front(), "old 1");
}
} // namespace
