// The toolkit's German catalog.
#include "toolkit_texts.h"

#include <wx/intl.h>
#include <wx/translation.h>

void UseGermanToolkitTexts()
{
    auto* translations = new wxTranslations;
    translations->SetLanguage(wxLANGUAGE_GERMAN);
    translations->AddStdCatalog();
    wxTranslations::Set(translations);
}
