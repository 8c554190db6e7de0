// The program's two questions as the user meets them: real GTK dialogs whose
// buttons read Ja and Nein, left by a button, by Escape or by the close box.
#include "gui_support.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include <wx/timer.h>

namespace {

// GTK, reached through the symbols the toolkit has loaded.
struct GList
{
    void* data;
    GList* next;
    GList* prev;
};

template <typename Function>
Function Gtk(const char* name)
{
    auto* function = reinterpret_cast<Function>(::dlsym(RTLD_DEFAULT, name));
    if (!function)
        ADD_FAILURE() << "no " << name;
    return function;
}

bool IsA(void* widget, const char* typeFunction)
{
    static const auto isA = Gtk<int (*)(void*, unsigned long)>("g_type_check_instance_is_a");
    return isA(widget, Gtk<unsigned long (*)()>(typeFunction)()) != 0;
}

void CollectButtons(void* widget, std::vector<void*>& buttons)
{
    if (IsA(widget, "gtk_button_get_type")) {
        buttons.push_back(widget);
        return;
    }
    if (!IsA(widget, "gtk_container_get_type"))
        return;
    GList* children = Gtk<GList* (*)(void*)>("gtk_container_get_children")(widget);
    for (GList* child = children; child; child = child->next)
        CollectButtons(child->data, buttons);
    Gtk<void (*)(GList*)>("g_list_free")(children);
}

// The visible GTK message dialog, or null.
void* OpenMessageDialog()
{
    const auto typeName = Gtk<const char* (*)(void*)>("g_type_name_from_instance");
    const auto visible = Gtk<int (*)(void*)>("gtk_widget_get_visible");
    GList* windows = Gtk<GList* (*)()>("gtk_window_list_toplevels")();
    void* dialog = nullptr;
    for (GList* window = windows; window; window = window->next)
        if (std::strcmp(typeName(window->data), "GtkMessageDialog") == 0 && visible(window->data))
            dialog = window->data;
    Gtk<void (*)(GList*)>("g_list_free")(windows);
    return dialog;
}

enum class Leave { Ja, Nein, Escape, CloseBox };

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
        void* dialog = OpenMessageDialog();
        if (!dialog)
            return;
        Stop();
        std::vector<void*> buttons;
        CollectButtons(dialog, buttons);
        const auto label = Gtk<const char* (*)(void*)>("gtk_button_get_label");
        std::vector<std::string> texts;
        void* ja = nullptr;
        void* nein = nullptr;
        for (void* button : buttons) {
            std::string text = label(button) ? label(button) : "";
            text.erase(std::remove(text.begin(), text.end(), '_'), text.end());
            (text == "Ja" ? ja : nein) = button;
            texts.push_back(text);
        }
        std::sort(texts.begin(), texts.end());
        for (const std::string& text : texts)
            labels += text + ";";

        const auto click = Gtk<void (*)(void*)>("gtk_button_clicked");
        switch (m_how) {
        case Leave::Ja:
            click(ja);
            break;
        case Leave::Nein:
            click(nein);
            break;
        case Leave::Escape:
            Gtk<int (*)(void*, unsigned, int)>("gtk_bindings_activate")(dialog, 0xff1b, 0);
            break;
        case Leave::CloseBox:
            Gtk<void (*)(void*)>("gtk_window_close")(dialog);
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
    for (Leave how : {Leave::Escape, Leave::CloseBox, Leave::Nein}) {
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
