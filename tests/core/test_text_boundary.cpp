// The byte/character boundary of both programs (Windows-1252) and the
// byte-level handling of "refn.txt".
#include "cp1252.h"
#include "file_bytes.h"
#include "known_hits_file.h"
#include "temp_folder.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <wx/dir.h>
#include <wx/filefn.h>

TEST(Cp1252, EveryByteRoundTripsThroughOneCharacter)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all.push_back(static_cast<char>(b));
    const wxString text = FromBytes(all);
    ASSERT_EQ(text.length(), 256u);
    EXPECT_EQ(ToBytes(text), all);
}

TEST(Cp1252, CharactersOfSpecialBytes)
{
    EXPECT_EQ(FromBytes("\x80"), wxString(wxUniChar(0x20AC)));
    EXPECT_EQ(FromBytes("\x9F"), wxString(wxUniChar(0x0178)));
    EXPECT_EQ(FromBytes("\xE4\xC4\xFC"), wxString::FromUTF8("\xC3\xA4\xC3\x84\xC3\xBC"));
    for (int b : {0x81, 0x8D, 0x8F, 0x90, 0x9D})
        EXPECT_EQ(FromBytes(std::string(1, static_cast<char>(b))), wxString(wxUniChar(b)));
    // NUL is shown as the NUL symbol, so list controls keep the rest of a line.
    EXPECT_EQ(FromBytes(std::string("a\0b", 3)), wxString::FromUTF8("a\xE2\x90\x80"
                                                                    "b"));
}

TEST(Cp1252, CharactersOutsideTheSetBecomeQuestionMarks)
{
    EXPECT_EQ(ToBytes(wxString::FromUTF8("\xE2\x82\xAC \xC5\x82 \xE4\xB8\xAD \xF0\x9F\x93\xBA")),
              "\x80 ? ? ?");
    EXPECT_EQ(ToBytes(wxString(wxUniChar(0))), std::string(1, '\0'));
    EXPECT_EQ(ToBytes(wxString()), "");
}

TEST(KnownHitsFile, RowsAndLinks)
{
    KnownHits hits = ParseKnownHits("V\nS\nd1\nl1\nd2\n", false);
    EXPECT_EQ(hits.lines, (std::vector<std::string>{"d1", "d2"}));
    EXPECT_EQ(hits.links, (std::vector<std::string>{"l1"}));
    // A row without a link is written with an empty link line.
    EXPECT_EQ(FormatKnownHits(hits), "Version\nSortierung\nd1\nl1\nd2\n\n");
    EXPECT_EQ(FormatKnownHits(KnownHits()), "Version\nSortierung\n");
    EXPECT_TRUE(ParseKnownHits("V\nS\n", false).lines.empty());
    EXPECT_TRUE(ParseKnownHits("V\nS", false).lines.empty());
    EXPECT_EQ(ParseKnownHits("V\nS\nd1\n", false).lines, std::vector<std::string>{"d1"});
    // The cut last line of a file head is no row.
    hits = ParseKnownHits("V\nS\nd1\nl1\nd2 halb", true);
    EXPECT_EQ(hits.lines, (std::vector<std::string>{"d1"}));
    hits = ParseKnownHits("V\nS\nd1\nl1\n", true);
    EXPECT_EQ(hits.lines, (std::vector<std::string>{"d1"}));
    hits = ParseKnownHits("V\nS\nd1\nl1\nd2\nl2 halb", true);
    EXPECT_EQ(hits.lines, (std::vector<std::string>{"d1"}));
    EXPECT_EQ(hits.links, (std::vector<std::string>{"l1"}));
    // A CR LF file cut right after a link's CR keeps its last whole row.
    hits = ParseKnownHits("V\r\nS\r\nd1\r\nl1\r\nd2\r\nl2\r", true);
    EXPECT_EQ(hits.lines, (std::vector<std::string>{"d1", "d2"}));
    std::string many = "V\nS\n";
    for (std::size_t i = 0; i <= kKnownHitsMaxRows; ++i)
        many += "d\nl\n";
    hits = ParseKnownHits(many, false);
    EXPECT_EQ(hits.lines.size(), kKnownHitsMaxRows);
    EXPECT_EQ(hits.links.size(), kKnownHitsMaxRows);
}

TEST(KnownHitsFile, ReadHeadAndReplace)
{
    const TempWorkDir folder(false);
    const std::string dir = folder.Path().string();
    const std::string path = dir + "/refn.txt";
    std::string bytes;
    bool truncated = true;

    EXPECT_FALSE(ReadFileHead(path, 100, &bytes, &truncated));
    EXPECT_FALSE(ReadFileHead(dir, 100, &bytes, &truncated)); // a folder

    ASSERT_TRUE(ReplaceFile(path, std::string("eins\n\0zwei\n", 11)));
    ASSERT_TRUE(ReadFileHead(path, 100, &bytes, &truncated));
    EXPECT_EQ(bytes, std::string("eins\n\0zwei\n", 11));
    EXPECT_FALSE(truncated);
    ASSERT_TRUE(ReadFileHead(path, 7, &bytes, &truncated));
    EXPECT_EQ(bytes, std::string("eins\n\0z", 7));
    EXPECT_TRUE(truncated);
    ASSERT_TRUE(ReadFileHead(path, 11, &bytes, &truncated));
    EXPECT_FALSE(truncated);

    // Replacing leaves no temporary file behind and keeps the file's mode
    // (not 0600, the mode a new temporary file starts with); an empty file is
    // possible.
    ASSERT_EQ(::chmod(path.c_str(), 0660), 0);
    ASSERT_TRUE(ReplaceFile(path, ""));
    struct stat info
    {};
    ASSERT_EQ(::stat(path.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0660u);
    ASSERT_TRUE(ReadFileHead(path, 100, &bytes, &truncated));
    EXPECT_EQ(bytes, "");
    wxArrayString names;
    wxDir::GetAllFiles(dir, &names, wxEmptyString, wxDIR_FILES | wxDIR_HIDDEN);
    EXPECT_EQ(names.size(), 1u);

    // A target that cannot be replaced (a folder) keeps what it holds.
    ASSERT_TRUE(wxMkdir(dir + "/sub"));
    ASSERT_TRUE(ReplaceFile(dir + "/sub/inner", "x"));
    EXPECT_FALSE(ReplaceFile(dir + "/sub", "y\n"));
    EXPECT_TRUE(wxFileExists(dir + "/sub/inner"));
    names.clear();
    wxDir::GetAllFiles(dir, &names, wxEmptyString, wxDIR_FILES | wxDIR_DIRS | wxDIR_HIDDEN);
    EXPECT_EQ(names.size(), 2u); // refn.txt and sub/inner, no temporary file
    EXPECT_FALSE(ReplaceFile(dir + "/missing/refn.txt", "y\n"));
}
