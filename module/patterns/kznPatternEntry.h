// The rows of the pattern lists: each shows a small preview of a document pattern in front of
// its name. The previews are kept, per pattern name, in a cache that the dialogs empty when they
// open.
#pragma once

#include "dialogfw/AdmEntryBase.h"

// One row of a pattern list. Its text, kept by the host, is the pattern's name.
class CkznPatternEntry : public CAdmEntryBase {
  public:
    // Creates a new entry at the end of LIST.
    CkznPatternEntry(ListRef list, UserData data);
    ~CkznPatternEntry() override = default;

    void Draw(DrawerRef drawer) override;
};

// Empties the preview cache (the dialogs do so as they open) and appends to LIST one row for each
// pattern swatch of the document, in swatch order, named by its pattern's name cut before its
// first line feed.
void FillPatternList(ListRef list);

// The 12 by 12 preview of the pattern called NAME, made on first use and kept until the next
// release. The empty name releases every kept preview and returns null.
//
// A name without a pattern gives a crossed square that is not kept: whoever draws it destroys
// it afterwards (see ReleaseUnkeptSwatchImage).
ImageRef GetSwatchImage(const char* name);

// Destroys IMAGE, got from GetSwatchImage for NAME, unless the cache keeps it.
void ReleaseUnkeptSwatchImage(const char* name, ImageRef image);
