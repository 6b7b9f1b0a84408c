// Operations on the document's art shared by the dialogs and the replacement runs.
#pragma once

#include "host/types.h"

// Reads the text of text object ART into BUFFER: at most *COUNT bytes; *COUNT receives the
// number read. BUFFER must hold *COUNT + 1 bytes; the text is zero-terminated, and one trailing
// CR is dropped (the count keeps it). Always returns 0.
ASErr GetArtText(ArtHandle art, char* buffer, ASInt32* count);

// Replaces the text of text object ART by TEXT. Always returns 0.
ASErr SetArtText(ArtHandle art, const char* text);
