// The toolkit's own texts in German, for both programs.
#pragma once

// Loads the toolkit's German catalog, whatever the system's language, so that
// the toolkit's own messages (a failed save, say) read German like the rest
// of the program. Only the catalog: the C locale is left as it is, so number
// formats and the handling of bytes do not change. Without the catalog the
// toolkit's messages stay English.
void UseGermanToolkitTexts();
