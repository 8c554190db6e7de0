// Editing the criteria list through the search mask and its three buttons,
// and the question about unsaved edits of the mask.
#include "gui_support.h"

#include <gtest/gtest.h>

namespace
{

void AddMask(Frame& frame, const wxString& title, const wxString& person)
{
    Type(frame->m_textTitle, title);
    Type(frame->m_textPerson, person);
    Click(frame->m_buttonAdd);
}

} // namespace

TEST(Criteria, AddBuildsTitleBarPerson)
{
    TempWorld world;
    Frame frame;
    frame->SetStatusText("alt");
    AddMask(frame, "A", "");
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(), "");
    AddMask(frame, "", "B");
    AddMask(frame, "", "");
    AddMask(frame, "Tat|ort", " Ilka  Marwede ");
    EXPECT_EQ(Items(frame->m_choiceCriteria), "A|;|B;|;Tat|ort| Ilka  Marwede ;");
    EXPECT_EQ(frame->m_choiceCriteria->GetSelection(), 3);
    // Nothing is saved by adding.
    EXPECT_FALSE(wxFileExists(world.SettingsFile()));
    EXPECT_FALSE(wxFileExists(world.RefnFile()));

    // A bar typed into the title splits there when the entry is selected.
    Choose(frame->m_choiceCriteria, 3);
    EXPECT_EQ(frame->m_textTitle->GetValue(), "Tat");
    EXPECT_EQ(frame->m_textPerson->GetValue(), "ort");
}

TEST(Criteria, AddTwiceGivesTwoEqualEntries)
{
    TempWorld world;
    Frame frame;
    AddMask(frame, "Tatort", "");
    AddMask(frame, "Heute", "");
    Choose(frame->m_choiceCriteria, 0);
    Click(frame->m_buttonAdd);
    EXPECT_EQ(Items(frame->m_choiceCriteria), "Tatort|;Heute|;Tatort|;");
    EXPECT_EQ(frame->m_choiceCriteria->GetSelection(), 2);
}

TEST(Criteria, SelectSplitsAtTheFirstTwoBars)
{
    TempWorld world;
    StoreSettings(world, "4", {"A|B", "A|B|C", "ohne Strich", "|"});
    Frame frame;
    // Entry 0 is selected and shown at start.
    EXPECT_EQ(frame->m_choiceCriteria->GetSelection(), 0);
    EXPECT_EQ(frame->m_textTitle->GetValue(), "A");
    EXPECT_EQ(frame->m_textPerson->GetValue(), "B");

    Choose(frame->m_choiceCriteria, 1);
    EXPECT_EQ(frame->m_textTitle->GetValue(), "A");
    EXPECT_EQ(frame->m_textPerson->GetValue(), "B");
    Choose(frame->m_choiceCriteria, 2);
    EXPECT_EQ(frame->m_textTitle->GetValue(), "ohne Strich");
    EXPECT_EQ(frame->m_textPerson->GetValue(), "ohne Strich");
    Choose(frame->m_choiceCriteria, 3);
    EXPECT_EQ(frame->m_textTitle->GetValue(), "");
    EXPECT_EQ(frame->m_textPerson->GetValue(), "");
}

TEST(Criteria, UpdateReplacesTheSelectedEntryAndSavesAtOnce)
{
    TempWorld world;
    StoreSettings(world, "3", {"A|", "B|", "C|"});
    WriteBytes(world.RefnFile(), "Version\nSortierung\nzeile\nhttp://l\n");
    Frame frame;
    Choose(frame->m_choiceCriteria, 2);
    frame->SetStatusText("alt");
    Type(frame->m_textPerson, "Person");
    Click(frame->m_buttonUpdate);
    EXPECT_EQ(Items(frame->m_choiceCriteria), "A|;B|;C|Person;");
    EXPECT_EQ(frame->m_choiceCriteria->GetSelection(), 2);
    EXPECT_EQ(frame->GetStatusBar()->GetStatusText(), "");
    EXPECT_EQ(StoredValue(world, "Aanz"), "3");
    EXPECT_EQ(StoredValue(world, "Auswahl2="), "C|Person");
    EXPECT_EQ(ReadBytes(world.RefnFile()), "Version\nSortierung\nzeile\nhttp://l\n");
}

TEST(Criteria, UpdateWithoutSelectionOnlySaves)
{
    TempWorld world;
    WriteBytes(world.RefnFile(), "alt\nalt\n");
    Frame frame;
    Type(frame->m_textTitle, "neu");
    Click(frame->m_buttonUpdate);
    EXPECT_EQ(frame->m_choiceCriteria->GetCount(), 0u);
    EXPECT_EQ(StoredValue(world, "Aanz"), "0");
    EXPECT_EQ(ReadBytes(world.RefnFile()), "Version\nSortierung\n");
    EXPECT_EQ(frame->m_textTitle->GetValue(), "neu");
}

TEST(Criteria, RemoveSelectsTheFirstEntryAndShowsIt)
{
    TempWorld world;
    StoreSettings(world, "3", {"A|1", "B|2", "C|3"});
    Frame frame;
    Choose(frame->m_choiceCriteria, 1);
    Click(frame->m_buttonRemove);
    EXPECT_EQ(Items(frame->m_choiceCriteria), "A|1;C|3;");
    EXPECT_EQ(frame->m_choiceCriteria->GetSelection(), 0);
    EXPECT_EQ(frame->m_textTitle->GetValue(), "A");
    EXPECT_EQ(frame->m_textPerson->GetValue(), "1");
    // Nothing is saved by removing.
    EXPECT_EQ(StoredValue(world, "Aanz"), "3");
}

TEST(Criteria, RemoveTheOnlyEntryAndOnAnEmptyList)
{
    TempWorld world;
    StoreSettings(world, "1", {"A|B"});
    Frame frame;
    Click(frame->m_buttonRemove);
    EXPECT_EQ(frame->m_choiceCriteria->GetCount(), 0u);
    EXPECT_EQ(frame->m_textTitle->GetValue(), "");
    EXPECT_EQ(frame->m_textPerson->GetValue(), "");

    // On an empty list the mask keeps what was typed.
    Type(frame->m_textTitle, "getippt");
    Click(frame->m_buttonRemove);
    EXPECT_EQ(frame->m_textTitle->GetValue(), "getippt");
    EXPECT_EQ(frame->m_choiceCriteria->GetCount(), 0u);
}

TEST(Criteria, QuestionOnCloseAfterAnEditYesApplies)
{
    TempWorld world;
    StoreSettings(world, "2", {"Tatort|", "Heute|"});
    Frame frame;
    Type(frame->m_textPerson, "Murot");
    SeenBox seen;
    wxTEST_DIALOG(PressCloseBox(frame.get()), AnswerBox(wxYES, &seen));
    EXPECT_EQ(seen.count, 1);
    EXPECT_EQ(seen.message, kUnsavedMaskQuestion);
    EXPECT_EQ(seen.message.length(), 186u);
    EXPECT_EQ(seen.caption, "Velunda");
    EXPECT_TRUE(seen.style & wxYES_NO);
    EXPECT_TRUE(YieldUntil([&] { return frame.Gone(); }, 2000));
    EXPECT_EQ(StoredValue(world, "Auswahl0="), "Tatort|Murot");
    EXPECT_EQ(StoredValue(world, "Auswahl1="), "Heute|");
}

TEST(Criteria, QuestionOnCloseAfterAnEditNoKeepsTheEntry)
{
    TempWorld world;
    StoreSettings(world, "1", {"tatort|"});
    Frame frame;
    // Case counts: a capital letter is an edit.
    Type(frame->m_textTitle, "Tatort");
    SeenBox seen;
    wxTEST_DIALOG(ChooseMenu(frame.get(), 0, 0), AnswerBox(wxNO, &seen));
    EXPECT_EQ(seen.count, 1);
    EXPECT_TRUE(YieldUntil([&] { return frame.Gone(); }, 2000));
    EXPECT_EQ(StoredValue(world, "Aanz"), "1");
    EXPECT_EQ(StoredValue(world, "Auswahl0="), "tatort|");
}

TEST(Criteria, NoQuestionWithoutEditOrSelection)
{
    TempWorld world;
    StoreSettings(world, "1", {"Tatort|"});
    {
        Frame frame;
        // Typing the same text back is no edit.
        Type(frame->m_textTitle, "X");
        Type(frame->m_textTitle, "Tatort");
        PressCloseBox(frame.get()); // an unexpected box fails the test
        EXPECT_TRUE(YieldUntil([&] { return frame.Gone(); }, 2000));
    }
    {
        Frame frame;
        Click(frame->m_buttonRemove);
        Type(frame->m_textTitle, "etwas");
        PressCloseBox(frame.get());
        EXPECT_TRUE(YieldUntil([&] { return frame.Gone(); }, 2000));
    }
    EXPECT_EQ(StoredValue(world, "Aanz"), "0");
}
