// Toolkit settings for the whole program.
#include "toolkit_setup.h"

#include <wx/toplevel.h>

#ifdef __WXGTK3__
#include <gtk/gtk.h>
#endif

void PrepareFirstShow(wxTopLevelWindow* window)
{
#ifdef __WXGTK3__
    // Under a window manager the toolkit holds a new window back until it
    // knows the sizes of the frame's borders. When it then shows the window,
    // GTK lays it out once with the placeholder allocation of 2 x 1 pixels the
    // toolkit realized it with, which is too small for the menu bar, and GTK
    // complains ("gtk_distribute_natural_allocation: assertion 'extra_space
    // >= 0' failed"); the window also loses its horizontal centring. With the
    // window's own size as its allocation the first layout is a real one.
    if (window->IsShown() || !window->GetHandle())
        return;
    const wxSize size = window->GetSize();
    const GtkAllocation allocation{0, 0, size.x, size.y};
    gtk_widget_set_allocation(window->GetHandle(), &allocation);
#else
    static_cast<void>(window);
#endif
}
