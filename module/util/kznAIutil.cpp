#include "kznAIutil.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "frame/trace.h"
#include "host/suites.h"
#include "util/kznTableFile.h"

static_assert(kPlaceArtTransformOptions == 21);

namespace {

constexpr const char kSource[] = "kznAIutil";

bool IsContainer(ASInt32 type) {
    return type == kGroupArt || type == kCompoundPathArt;
}

// The next sibling of CHILD, or null at the end. A host that fails the query ends the walk
// unless it gave a sibling, and a walk never stays on the same child.
ArtHandle NextSibling(ArtHandle child, ASErr* err) {
    ArtHandle next = nullptr;
    *err = KznChecked(sArt->GetArtSibling(child, &next), kSource);
    return next == child ? nullptr : next;
}

// Cuts the name at its first line feed.
void CutAtLineFeed(CLengthString& name) {
    const unsigned char* bytes = name.Pascal();
    for (std::size_t i = 0; i < name.Length(); ++i) {
        if (bytes[1 + i] == '\n') {
            name.Pascal()[0] = static_cast<unsigned char>(i);
            return;
        }
    }
}

// VALUE truncated toward zero, held to the integers (a value beyond them, or none at all,
// cannot be a port coordinate).
ASInt32 Truncated(AIReal value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= static_cast<AIReal>(INT_MAX)) {
        return INT_MAX;
    }
    if (value <= static_cast<AIReal>(INT_MIN)) {
        return INT_MIN;
    }
    return static_cast<ASInt32>(value);
}

AIReal RowScale(const ADMRect& row, const AIRealRect& bounds) {
    return FitArtScale(static_cast<AIReal>(row.right - row.left),
                       static_cast<AIReal>(row.bottom - row.top), bounds.right - bounds.left,
                       bounds.top - bounds.bottom);
}

}  // namespace

// Tags.

ASErr SetTagDeep(ArtHandle art, const char* name, const char* value) {
    if (art == nullptr) {
        return kNoErr;
    }
    ASInt32 type = 0;
    ASErr err = sArt->GetArtType(art, &type);
    if (!IsContainer(type)) {
        return KznChecked(sTag->SetTag(art, name, kTagStringType, value), kSource);
    }
    ArtHandle child = nullptr;
    sArt->GetArtFirstChild(art, &child);
    while (child != nullptr) {
        SetTagDeep(child, name, value);
        child = NextSibling(child, &err);
    }
    return err;
}

AIReal GetAccumRotation(ArtHandle art) {
    AIReal result = 0;
    ASInt32 type = 0;
    if (sArt->GetArtType(art, &type) != kNoErr) {
        return 0;  // every failure reads as no rotation
    }
    if (IsContainer(type)) {
        ArtHandle child = nullptr;
        sArt->GetArtFirstChild(art, &child);
        for (bool first = true; child != nullptr; first = false) {
            const AIReal value = GetAccumRotation(child);
            if (first) {
                result = value;
            } else if (value != result) {
                result = 0;
            }
            ArtHandle next = nullptr;
            if (sArt->GetArtSibling(child, &next) != kNoErr) {
                return 0;
            }
            child = next == child ? nullptr : next;
        }
        return result;
    }
    const char* text = nullptr;
    if (sTag->GetTag(art, kAccumRotationTag, kTagStringType, &text) == kNoErr && text != nullptr) {
        float angle = 0;
        if (std::sscanf(text, "%f", &angle) == 1) {
            result = angle;
        }
    }
    return result;
}

// Transformation and placement.

ASErr TransformArtDeep(ArtHandle art, AIRealMatrix* matrix, AIReal lineScale, ASInt32 options) {
    ASInt32 type = 0;
    ASErr err = KznChecked(sArt->GetArtType(art, &type), kSource);
    if (err == kNoErr && IsContainer(type)) {
        ArtHandle child = nullptr;
        err = KznChecked(sArt->GetArtFirstChild(art, &child), kSource);
        while (err == kNoErr && child != nullptr) {
            err = TransformArtDeep(child, matrix, lineScale, options);
            if (err == kNoErr) {
                child = NextSibling(child, &err);
            }
        }
    } else if (err == kNoErr) {
        err = KznChecked(sTransformArt->TransformArt(art, matrix, lineScale, options), kSource);
    }
    const ASErr deselected = KznChecked(sArt->SetArtUserAttr(art, kArtSelected, 0), kSource);
    return err != kNoErr ? err : deselected;
}

AIRealRect PlaceArt(ArtHandle art, ASInt32 flags, const AIRealPoint& point, AIReal height,
                    AIReal angle, bool flip) {
    AIRealRect r{};
    KznChecked(sArt->GetArtBounds(art, &r), kSource);

    AIRealMatrix m{};
    if (flip) {
        sRealMath->AIRealMatrixSetScale(&m, 1, -1);
        sRealMath->AIRealMatrixConcatTranslate(&m, -r.left, r.top);
    } else {
        sRealMath->AIRealMatrixSetScale(&m, 1, 1);
        sRealMath->AIRealMatrixConcatTranslate(&m, -r.left, -r.bottom);
    }
    AIReal s = 1.0f;
    // An art without height cannot be scaled to one: it keeps its size.
    if ((flags & kPlaceScale) != 0 && r.top - r.bottom != 0) {
        s = height / (r.top - r.bottom);
        sRealMath->AIRealMatrixConcatScale(&m, s, s);
    }
    if ((flags & kPlaceRotate) != 0) {
        sRealMath->AIRealMatrixConcatRotate(&m, angle);
    }
    if ((flags & kPlaceMove) != 0) {
        sRealMath->AIRealMatrixConcatTranslate(&m, point.h, point.v);
    }

    AIRealRect placed{};
    KznChecked(sArt->GetArtTransformBounds(art, &m, 0, &placed), kSource);
    KznChecked(TransformArtDeep(art, &m, s, kPlaceArtTransformOptions), kSource);
    return placed;
}

// Patterns.

std::string TextBeforeLineFeed(const std::string& name) {
    return name.substr(0, name.find('\n'));
}

ASErr FindPatternByName(const CLengthString& name, PatternHandle* pattern) {
    CLengthString wanted = name;
    CutAtLineFeed(wanted);
    ASErr result = kPatternNameErr;
    ForEachPatternSwatch([&](PatternHandle candidatePattern) {
        CLengthString candidate;
        if (sPattern->GetPatternName(candidatePattern, candidate.Pascal()) == kNoErr) {
            CutAtLineFeed(candidate);
            if (std::strcmp(candidate.Text(), wanted.Text()) == 0) {
                *pattern = candidatePattern;
                result = kNoErr;
                return false;
            }
        }
        return true;
    });
    return result;
}

// Previews.

AIReal FitArtScale(AIReal boxWidth, AIReal boxHeight, AIReal width, AIReal height) {
    if (width == 0 && height == 0) {
        return 1.0f;
    }
    if (width == 0) {
        return boxHeight / height;
    }
    if (height == 0) {
        return boxWidth / width;
    }
    const AIReal sx = boxWidth / width;
    const AIReal sy = boxHeight / height;
    return sx <= sy ? sx : sy;
}

AIDrawArtData NewDrawArtRequest(ArtHandle art, PortRef port) {
    AIDrawArtData data{};
    data.version = 4;
    data.flags = 1;
    data.type = kAIDrawArtPortOutput;
    data.art = art;
    data.eraseDestClipRect = 1;
    data.greekThreshold = 10.0f;
    data.selectionColor = {0, 0, 0, 0};
    data.port = port;
    return data;
}

AIRealRect DrawArtRotatedInRect(DrawerRef drawer, ArtHandle art, const ADMRect& row, AIReal angle) {
    AIRealRect rb{};
    sArt->GetArtRotatedBounds(art, angle, 0, &rb);
    AIRealMatrix back{};
    sRealMath->AIRealMatrixSetRotate(&back, -angle);
    const AIRealPoint corner{rb.left, rb.top};
    AIRealPoint origin{};
    sRealMath->AIRealMatrixXformPoint(&back, &corner, &origin);

    const AIReal s = RowScale(row, rb);
    AIRealMatrix m{};
    sRealMath->AIRealMatrixSetRotate(&m, -angle);
    sRealMath->AIRealMatrixConcatScale(&m, s, s);

    ADMRect bounds{};
    sADMDrawer->GetBoundsRect(drawer, &bounds);
    PortRef port = nullptr;
    sADMDrawer->GetPortRef(drawer, &port);
    AIDrawArtData data = NewDrawArtRequest(art, port);
    data.origin = origin;
    data.matrix = m;
    data.destClipRect = rb;
    data.portBounds = {bounds.left + row.left, bounds.top + row.top, 0, 0};
    sDrawArt->DrawArt(&data);

    AIRealRect drawn{};
    sArt->GetArtTransformBounds(art, &m, 0, &drawn);
    return drawn;
}

AIRealRect DrawArtInRect(DrawerRef drawer, ArtHandle art, const ADMRect& row, AIReal angle,
                         bool flip) {
    AIRealRect b{};
    sArt->GetArtBounds(art, &b);
    const AIReal s = RowScale(row, b);
    AIRealPoint origin{};
    AIRealMatrix m{};
    if (flip) {
        origin = {b.left, b.bottom};
        sRealMath->AIRealMatrixSetScale(&m, s, -s);
    } else {
        origin = {b.left, b.top};
        sRealMath->AIRealMatrixSetScale(&m, s, s);
    }
    sRealMath->AIRealMatrixConcatRotate(&m, angle);

    ADMRect bounds{};
    sADMDrawer->GetBoundsRect(drawer, &bounds);
    PortRef port = nullptr;
    sADMDrawer->GetPortRef(drawer, &port);
    AIDrawArtData data = NewDrawArtRequest(art, port);
    data.origin = origin;
    data.matrix = m;
    data.destClipRect = b;
    // The port's left comes from the row's left added, its top from the row's top subtracted;
    // both are given in art units.
    const AIReal left = static_cast<AIReal>(bounds.left + row.left) / s;
    const AIReal top = static_cast<AIReal>(bounds.top - row.top) / s;
    data.portBounds = {Truncated(left), Truncated(top), 0, 0};
    sDrawArt->DrawArt(&data);

    AIRealRect drawn{};
    sArt->GetArtTransformBounds(art, &m, 0, &drawn);
    return drawn;
}

TwoColumnRow PaintTwoColumnRow(DrawerRef drawer, EntryRef entry, ListRef list) {
    ItemRef item = nullptr;
    sADMList->GetItem(list, &item);
    ASBoolean enabled = true;
    sADMItem->IsEnabled(item, &enabled);
    ASBoolean selected = false;
    sADMEntry->IsSelected(entry, &selected);
    ASInt32 background = kADMWhiteColor;
    TwoColumnRow row{{}, 0, kADMTextColor};
    if (!enabled) {
        row.textColor = kADMDisabledColor;
    } else if (selected) {
        background = kADMHiliteColor;
        row.textColor = kADMHiliteTextColor;
    }

    sADMDrawer->GetBoundsRect(drawer, &row.bounds);
    const ADMRect& r = row.bounds;
    row.middle = (r.right - r.left) / 2;
    sADMDrawer->SetADMColor(drawer, background);
    sADMDrawer->FillRect(drawer, &r);
    const ADMPoint top{row.middle, r.top};
    const ADMPoint bottom{row.middle, r.bottom};
    sADMDrawer->SetADMColor(drawer, kADMBlackColor);
    sADMDrawer->DrawLine(drawer, &top, &bottom);
    return row;
}

// Texts.

ASErr GetArtText(ArtHandle art, char* buffer, ASInt32* count) {
    TextStreamRef stream = nullptr;
    sTextStream->OpenTextStream(art, kTextStreamRead, &stream);
    ASInt32 wanted = *count;
    if (sTextStream->ReadTextStream(stream, buffer, &wanted) != kNoErr || wanted < 0 ||
        wanted > *count) {
        wanted = 0;  // nothing trustworthy was read
    }
    *count = wanted;
    sTextStream->DisposeTextStream(stream);
    buffer[*count] = 0;
    if (*count > 0 && buffer[*count - 1] == '\r') {
        buffer[*count - 1] = 0;
    }
    return kNoErr;
}

ASErr SetArtText(ArtHandle art, const char* text) {
    const auto length = static_cast<ASInt32>(std::strlen(text));
    TextStreamRef stream = nullptr;
    sTextStream->OpenTextStream(art, kTextStreamWrite, &stream);
    sTextStream->WriteTextStream(stream, text, length);
    sTextStream->DisposeTextStream(stream);
    return kNoErr;
}

AIRealPoint GetTextAnchor(ArtHandle art) {
    TextPathRef textPath = nullptr;
    KznChecked(sTextPath->GetTextPath(art, &textPath), kSource);
    ASInt32 kind = kPointText;
    KznChecked(sText->GetTextType(art, &kind), kSource);
    if (kind == kOnPathText) {
        ArtHandle path = nullptr;
        KznChecked(sTextPath->GetTextPathArt(textPath, &path), kSource);
        AIPathSegment segment{};
        sPath->GetPathSegments(path, 0, 1, &segment);
        return segment.p;
    }
    TextLineRef line = nullptr;
    KznChecked(sTextLine->GetFirstTextLine(textPath, &line), kSource);
    AITextLineRecord record{};
    KznChecked(sTextLine->GetTextLineRecord(line, &record), kSource);
    return {record.x, record.y};
}

// Layers.

void GetChosenLayer(ListRef popup, LayerHandle* layer, ArtHandle* group) {
    *layer = nullptr;
    *group = nullptr;
    EntryRef active = nullptr;
    sADMList->GetActiveEntry(popup, &active);
    if (active == nullptr) {
        return;
    }
    ASInt32 index = -1;
    sADMEntry->GetID(active, &index);
    if (sLayer->GetNthLayer(index, layer) != kNoErr ||
        sArt->GetFirstArtOfLayer(*layer, group) != kNoErr) {
        *layer = nullptr;
        *group = nullptr;
    }
}

bool SelectLayerEntry(ListRef popup, LayerHandle layer) {
    unsigned char title[256] = {0};
    sLayer->GetLayerTitle(layer, title);
    EntryRef entry = nullptr;
    sADMList->FindEntry(popup, PStrToText(title), &entry);
    if (entry == nullptr) {
        return false;
    }
    sADMEntry->Select(entry, true);
    return true;
}

// The arc.

ArtHandle MakeArcPath(const std::vector<ArtHandle>& arts, const AIRealRect& ref) {
    if (arts.empty()) {
        return nullptr;
    }
    const ArtHandle first = arts.front();
    const ArtHandle last = arts.back();
    AIRealRect b1{};
    AIRealRect b2{};
    sArt->GetArtBounds(first, &b1);
    sArt->GetArtBounds(last, &b2);

    const AIReal rise = (ref.top - ref.bottom) * 0.2f;
    const AIRealPoint a{(b1.right - b1.left) / 2 + b1.left, b1.top + rise};
    const AIRealPoint b{(b2.right - b2.left) / 2 + b2.left, b2.top + rise};
    AIReal distance = 0;
    sRealMath->AIRealPointLength(&a, &b, &distance);
    const AIRealPoint mid{(a.h + b.h) / 2, a.v + distance / 4};

    AIPathSegment segments[2]{};
    segments[0].p = a;
    segments[0].in = a;
    sRealMath->AIRealPointInterpolate(&a, &mid, 0.5f, &segments[0].out);
    segments[1].p = b;
    sRealMath->AIRealPointInterpolate(&b, &mid, 0.5f, &segments[1].in);
    segments[1].out = b;

    ArtHandle path = nullptr;
    sArt->NewArt(kPathArt, kPlaceAbove, first, &path);
    sPath->SetPathSegments(path, 0, 2, segments);

    AIPathStyle style{};
    sPathStyle->GetPathStyle(path, &style);  // the host's defaults for what is not set here
    style.fillPaint = false;
    style.fill.color.kind = kFourColor;
    style.strokePaint = true;
    style.stroke.color.kind = kGrayColor;
    style.stroke.color.c.g.gray = 65536.0f;
    style.stroke.width = 0.5f;
    sPathStyle->SetPathStyle(path, &style);
    return path;
}
