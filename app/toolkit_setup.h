// Settings of the toolkit for the window: a first show that GTK can lay out.
// (The toolkit's German texts are set up by UseGermanToolkitTexts.)
#pragma once

#include "toolkit_texts.h"

class wxTopLevelWindow;

// Call before a new top-level window is first shown.
void PrepareFirstShow(wxTopLevelWindow* window);
