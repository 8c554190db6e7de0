// The program's two questions as the user meets them: real GTK dialogs whose
// buttons read Ja and Nein, left by a button, by Escape or by the close box.
#include "gui_support.h"

#include <gtest/gtest.h>

#include <gtk/gtk.h>

#include <algorithm>
#include <string>
#include <vector>

#include <wx/timer.h>

namespace
{

void CollectButtons(GtkWidget* widget, std::vector<GtkWidget*>& buttons)
{
    if (GTK_IS_BUTTON(widget))
    {
        buttons.push_back(widget);
        return;
    }
    if (!GTK_IS_CONTAINER(widget))
        return;
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* child = children; child; child = child->next)
        CollectButtons(GTK_WIDGET(child->data), buttons);
    g_list_free(children);
}

// The visible GTK message dialog, or null.
GtkWidget* OpenMessageDialog()
{
    GList* windows = gtk_window_list_toplevels();
    GtkWidget* dialog = nullptr;
    for (GList* window = windows; window; window = window->next)
    {
        GtkWidget* widget = GTK_WIDGET(window->data);
        if (GTK_IS_MESSAGE_DIALOG(widget) && gtk_widget_get_visible(widget))
            dialog = widget;
    }
    g_list_free(windows);
    return dialog;
}

enum class Leave
{
    Ja,
    Nein,
    Escape,
    CloseBox
};

// Waits in the event loop for the question box, notes the labels of its
// buttons (mnemonic marks removed, sorted, each followed by ";") and leaves
// the box the given way.
class QuestionLeaver : public wxTimer
{
public:
    explicit QuestionLeaver(Leave how) : m_how(how) { Start(20); }
    std::string labels;
    bool left = false;

    void Notify() override
    {
        GtkWidget* dialog = OpenMessageDialog();
        if (!dialog)
            return;
        Stop();
        std::vector<GtkWidget*> buttons;
        CollectButtons(dialog, buttons);
        std::vector<std::string> texts;
        GtkWidget* ja = nullptr;
        GtkWidget* nein = nullptr;
        for (GtkWidget* button : buttons)
        {
            const gchar* label = gtk_button_get_label(GTK_BUTTON(button));
            std::string text = label ? label : "";
            text.erase(std::remove(text.begin(), text.end(), '_'), text.end());
            (text == "Ja" ? ja : nein) = button;
            texts.push_back(text);
        }
        std::sort(texts.begin(), texts.end());
        for (const std::string& text : texts)
            labels += text + ";";

        switch (m_how)
        {
        case Leave::Ja:
            gtk_button_clicked(GTK_BUTTON(ja));
            break;
        case Leave::Nein:
            gtk_button_clicked(GTK_BUTTON(nein));
            break;
        case Leave::Escape:
            gtk_bindings_activate(G_OBJECT(dialog), GDK_KEY_Escape,
                                  static_cast<GdkModifierType>(0));
            break;
        case Leave::CloseBox:
            gtk_window_close(GTK_WINDOW(dialog));
            break;
        }
        left = true;
    }

private:
    Leave m_how;
};

} // namespace

TEST(QuestionBoxes, AbortQuestionReadsJaNeinAndOnlyJaDiscards)
{
    TempWorld world;
    StoreSettings(world, "1", {"Tatort|"});
    Frame frame;
    frame->Show();
    Type(frame->m_textTitle, "neu");
    Click(frame->m_buttonAdd);
    RealDialogs real;
    for (Leave how : {Leave::Escape, Leave::CloseBox, Leave::Nein})
    {
        QuestionLeaver leaver(how);
        ChooseMenu(frame.get(), 0, 1);
        EXPECT_TRUE(leaver.left);
        EXPECT_EQ(leaver.labels, "Ja;Nein;");
        Pump(100);
        ASSERT_FALSE(frame.Gone()) << static_cast<int>(how);
        EXPECT_EQ(Items(frame->m_choiceCriteria), "Tatort|;neu|;");
    }
    QuestionLeaver leaver(Leave::Ja);
    ChooseMenu(frame.get(), 0, 1);
    EXPECT_TRUE(YieldUntil([&] { return frame.Gone(); }, 2000));
    EXPECT_EQ(StoredValue(world, "Aanz"), "1");
}

TEST(QuestionBoxes, UnsavedMaskQuestionReadsJaNeinAndTakesEscapeAsNein)
{
    TempWorld world;
    StoreSettings(world, "1", {"Tatort|"});
    Frame frame;
    frame->Show();
    Type(frame->m_textPerson, "Murot");
    RealDialogs real;
    QuestionLeaver leaver(Leave::Escape);
    PressCloseBox(frame.get());
    EXPECT_TRUE(leaver.left);
    EXPECT_EQ(leaver.labels, "Ja;Nein;");
    EXPECT_TRUE(YieldUntil([&] { return frame.Gone(); }, 2000));
    EXPECT_EQ(StoredValue(world, "Auswahl0="), "Tatort|");
}
