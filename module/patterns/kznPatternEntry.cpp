#include "kznPatternEntry.h"

#include <cstring>
#include <map>
#include <string>

#include "frame/trace.h"
#include "host/lengthstring.h"
#include "host/suites.h"
#include "util/kznAIutil.h"
#include "util/kznSjis.h"

namespace {

constexpr const char kSource[] = "kznPatternEntry";

// Size of a preview, in pixels.
constexpr ASInt32 kSwatchSize = 12;
// Longest label shown, with its terminator.
constexpr ASInt32 kLabelBuffer = 100;
// Longest name read, with its terminator.
constexpr ASInt32 kNameBuffer = 256;

// Pattern name to preview; a null image means that none is kept. Its images are destroyed only by
// a release.
using SwatchCache = std::map<std::string, ImageRef>;

// Made when the module is loaded, not on first use: a guarded first use would start the thread
// library of the Windows runtime, which takes a thread-local slot that it never gives back, and a
// module loaded again and again would use them all up.
SwatchCache gSwatchCache;

SwatchCache& Cache() {
    return gSwatchCache;
}

void ReleaseCache(SwatchCache& cache) {
    for (const auto& [name, image] : cache) {
        if (image != nullptr && sADMImage != nullptr) {
            KznTrace("admImageCache/release : %s\n", name.c_str());
            sADMImage->Destroy(image);
        }
    }
    cache.clear();
}

// Paints the art of the pattern called NAME into DRAWER's image; false when the document has no
// such pattern.
bool DrawPatternPreview(DrawerRef drawer, const char* name) {
    const CLengthString key(name);
    PatternHandle pattern = nullptr;
    if (FindPatternByName(key, &pattern) != kNoErr) {
        return false;
    }
    ArtHandle art = nullptr;
    KznChecked(sPattern->GetPatternArt(pattern, &art), kSource);

    AIRealRect b{};
    sArt->GetArtBounds(art, &b);
    const AIReal s = FitArtScale(static_cast<AIReal>(kSwatchSize), static_cast<AIReal>(kSwatchSize),
                                 b.right - b.left, b.top - b.bottom);
    PortRef port = nullptr;
    sADMDrawer->GetPortRef(drawer, &port);
    AIDrawArtData data = NewDrawArtRequest(art, port);
    data.origin = {b.left, b.bottom};
    sRealMath->AIRealMatrixSetScale(&data.matrix, s, -s);
    data.destClipRect = b;
    data.portBounds = {0, 0, 16, 16};
    sDrawArt->DrawArt(&data);
    return true;
}

}  // namespace

ImageRef GetSwatchImage(const char* name) {
    SwatchCache& cache = Cache();
    if (name[0] == 0) {
        ReleaseCache(cache);
        return nullptr;
    }
    ImageRef& kept = cache[name];
    if (kept != nullptr) {
        KznTrace("SwatchCache HIT :%s\n", name);
        return kept;
    }

    ImageRef image = nullptr;
    sADMImage->Create(kSwatchSize, kSwatchSize, &image);
    DrawerRef drawer = nullptr;
    sADMImage->BeginADMDrawer(image, &drawer);
    sADMDrawer->SetADMColor(drawer, kADMWhiteColor);
    const ADMRect all{0, 0, kSwatchSize - 1, kSwatchSize - 1};
    sADMDrawer->FillRect(drawer, &all);

    if (!DrawPatternPreview(drawer, name)) {
        // No such pattern: a crossed square, not kept.
        sADMDrawer->SetADMColor(drawer, kADMBlackColor);
        const ADMPoint topLeft{0, 0};
        const ADMPoint bottomRight{kSwatchSize - 1, kSwatchSize - 1};
        const ADMPoint topRight{kSwatchSize - 1, 0};
        const ADMPoint bottomLeft{0, kSwatchSize - 1};
        sADMDrawer->DrawLine(drawer, &topLeft, &bottomRight);
        sADMDrawer->DrawLine(drawer, &topRight, &bottomLeft);
        sADMImage->EndADMDrawer(image);
        return image;
    }
    sADMImage->EndADMDrawer(image);
    kept = image;
    KznTrace("SwatchCache MISS:%s\n", name);
    return image;
}

void ReleaseUnkeptSwatchImage(const char* name, ImageRef image) {
    if (image == nullptr) {
        return;
    }
    const SwatchCache& cache = Cache();
    const auto it = cache.find(name);
    if (it == cache.end() || it->second != image) {
        sADMImage->Destroy(image);
    }
}

CkznPatternEntry::CkznPatternEntry(ListRef list, UserData data) : CAdmEntryBase(list, data) {}

void CkznPatternEntry::Draw(DrawerRef drawer) {
    const EntryRef entry = GetEntryRef();
    ADMPoint origin{};
    sADMDrawer->GetOrigin(drawer, &origin);
    KznTrace("CkznPatternEntry drawer->GetOrigin:(%d,%d)\n", origin.v, origin.h);
    ADMRect row{};
    sADMDrawer->GetBoundsRect(drawer, &row);
    KznTrace("CkznPatternEntry drawer->GetBounsRect:(%d,%d)-(%d,%d)\n", row.left, row.top,
             row.right, row.bottom);
    ADMRect bounds{};
    sADMEntry->GetBoundsRect(entry, &bounds);
    KznTrace("CkznPatternEntry entry->GetBounsRect:(%d,%d)-(%d,%d)\n", bounds.left, bounds.top,
             bounds.right, bounds.bottom);
    ADMRect local{};
    sADMEntry->GetLocalRect(entry, &local);
    KznTrace("CkznPatternEntry entry->GetLocalRect:(%d,%d)-(%d,%d)\n", local.left, local.top,
             local.right, local.bottom);
    ADMRect screen = local;
    sADMEntry->LocalToScreenRect(entry, &screen);
    KznTrace("CkznPatternEntry entry->GetLocalRect:(%d,%d)-(%d,%d) / Screen\n", screen.left,
             screen.top, screen.right, screen.bottom);

    // The preview's frame: a square at the row's left end.
    ADMRect box{row.left + 2, row.top + 2, row.right - 2, row.bottom - 2};
    box.right = box.left + (box.bottom - box.top);

    ASBoolean selected = false;
    sADMEntry->IsSelected(entry, &selected);
    sADMDrawer->SetADMColor(drawer, selected ? kADMHiliteColor : kADMWhiteColor);
    sADMDrawer->FillRect(drawer, &row);

    char name[kNameBuffer] = "";
    sADMEntry->GetText(entry, name, sizeof name);
    // An entry without a name has no preview (the empty name would empty the cache).
    if (name[0] != 0) {
        const ImageRef image = GetSwatchImage(name);
        const ADMPoint at{bounds.left + 2, bounds.top + 2};
        sADMDrawer->DrawADMImage(drawer, image, &at);
        ReleaseUnkeptSwatchImage(name, image);
    }

    sADMDrawer->SetADMColor(drawer, kADMBlackColor);
    sADMDrawer->FrameRect(drawer, &box);

    ASInt32 blank = 0;
    sADMDrawer->GetTextWidth(drawer, " ", &blank);
    ADMRect text = row;
    text.left += (box.right - box.left) + blank;

    char label[kLabelBuffer] = "";
    sADMEntry->GetText(entry, label, sizeof label);
    // The host cuts by bytes; the whole name tells whether the cut split a character.
    const std::size_t whole = SjisCutLength(name, std::strlen(name), sizeof label - 1);
    if (whole < std::strlen(label)) {
        label[whole] = 0;
    }
    if (char* feed = std::strchr(label, '\n')) {
        *feed = 0;
    }
    sADMDrawer->SetADMColor(drawer, selected ? kADMHiliteTextColor : kADMTextColor);
    sADMDrawer->DrawTextLeft(drawer, label, &text);
}

void FillPatternList(ListRef list) {
    // The previews of the last dialog may show patterns that have changed since.
    GetSwatchImage("");
    ForEachPatternSwatch([&](PatternHandle pattern) {
        auto* row = NewListRow<CkznPatternEntry>(list, nullptr);
        if (row == nullptr) {
            return true;
        }
        CLengthString name;
        sPattern->GetPatternName(pattern, name.Pascal());
        sADMEntry->SetText(row->GetEntryRef(), TextBeforeLineFeed(name.Text()).c_str());
        return true;
    });
}
