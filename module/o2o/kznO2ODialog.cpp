#include "kznO2ODialog.h"

#include <cstdio>
#include <cstring>

#include "frame/plugin.h"
#include "frame/trace.h"
#include "host/suites.h"
#include "patterns/kznPatternEntry.h"
#include "util/kznAIutil.h"

TaggedGroupIndex gTaggedGroupIndex;

namespace {

constexpr const char kSource[] = "kznO2ODialog";

// Longest text read from a list entry, terminator included.
constexpr ASInt32 kMaxText = 256;

// Locked or hidden: the art and everything in it are out of reach.
constexpr ASInt32 kOutOfReach = kArtLocked | kArtHidden;

// The buttons with a tip from the string table (under the item's own id) and a picture.
constexpr CAdmDialogBase::PictureButton kPictureButtons[] = {
    {kO2OOpenButton, 107},
    {kO2OSaveButton, 108},
    {kO2OClearButton, -16020},
};

CkznO2OSrcEntry* ObjectOf(EntryRef entry) {
    if (entry == nullptr) {
        return nullptr;
    }
    UserData data = nullptr;
    sADMEntry->GetUserData(entry, &data);
    return static_cast<CkznO2OSrcEntry*>(static_cast<CAdmEntryBase*>(data));
}

}  // namespace

// The index of tagged groups and the run.

void FindTagedGroupArt(TaggedGroupIndex& index, ArtHandle art) {
    while (art != nullptr) {
        ASInt32 attr = 0;
        ASInt32 type = 0;
        // Art whose state cannot be read is treated as out of reach.
        if (sArt->GetArtUserAttr(art, kOutOfReach, &attr) == kNoErr && (attr & kOutOfReach) == 0 &&
            sArt->GetArtType(art, &type) == kNoErr && type == kGroupArt) {
            KznTrace("%s", "+FindTagedGroupArt\n");
            const char* value = nullptr;
            if (sTag->GetTag(art, kObjectNameTag, kTagStringType, &value) != kNoErr ||
                value == nullptr) {
                KznTrace("%s", "+TAG:<nothing> ReEnter\n");
                ArtHandle child = nullptr;
                if (sArt->GetArtFirstChild(art, &child) == kNoErr) {
                    FindTagedGroupArt(index, child);
                }
            } else {
                KznTrace("+TAG:%s\n", value);
                index[value].push_back(art);
            }
        }
        ArtHandle next = nullptr;
        if (sArt->GetArtSibling(art, &next) != kNoErr || next == art) {
            next = nullptr;
        }
        art = next;
    }
}

ArtHandle ReplaceObject(ArtHandle source, ArtHandle patternArt) {
    ArtHandle copy = nullptr;
    if (sArt->DuplicateArt(patternArt, kPlaceAbove, source, &copy) != kNoErr || copy == nullptr) {
        return nullptr;
    }
    const AIReal angle = GetAccumRotation(source);

    // In the frame turned by the source's rotation, the copy hangs from the source's top-left
    // corner; that point is turned back into the document.
    AIRealRect r{};
    sArt->GetArtRotatedBounds(source, -angle, 0, &r);
    AIRealRect b{};
    sArt->GetArtBounds(copy, &b);
    const AIRealPoint corner{r.left, r.top - (b.top - b.bottom)};
    AIRealMatrix turn{};
    sRealMath->AIRealMatrixSetRotate(&turn, angle);
    AIRealPoint point{};
    sRealMath->AIRealMatrixXformPoint(&turn, &corner, &point);
    PlaceArt(copy, kPlaceMove | kPlaceRotate, point, 0, angle, true);

    char value[64] = "";
    std::snprintf(value, sizeof value, "%f", static_cast<double>(angle));
    KznChecked(SetTagDeep(copy, kAccumRotationTag, value), kSource);
    return copy;
}

void CkznO2ODialog::ReplaceObjects() {
    const ListRef list = objectList->GetListRef();
    ASInt32 count = 0;
    sADMList->NumberOfEntries(list, &count);
    for (ASInt32 i = 0; i < count; ++i) {
        EntryRef entry = nullptr;
        sADMList->IndexEntry(list, i, &entry);
        CkznO2OSrcEntry* row = ObjectOf(entry);
        if (row == nullptr) {
            continue;
        }
        PatternHandle pattern = nullptr;
        ArtHandle patternArt = nullptr;
        if (FindPatternByName(row->patternName, &pattern) != kNoErr ||
            sPattern->GetPatternArt(pattern, &patternArt) != kNoErr || patternArt == nullptr) {
            continue;
        }
        const auto found = gTaggedGroupIndex.find(row->objectName.Text());
        if (found == gTaggedGroupIndex.end()) {
            continue;
        }

        // A group leaves the index when it is deleted, so that nothing can reach it afterwards
        // (a second OK, a row painted while the dialog closes). A group whose copy could not be
        // made is kept, and stays listed.
        std::vector<ArtHandle> kept;
        for (const ArtHandle group : found->second) {
            const ArtHandle copy = ReplaceObject(group, patternArt);
            if (copy == nullptr) {
                kept.push_back(group);
                continue;
            }
            KznChecked(sTag->SetTag(copy, kObjectNameTag, kTagStringType, row->patternName.Text()),
                       kSource);
            if (sArt->DisposeArt(group) != kNoErr) {
                kept.push_back(group);
            }
        }
        row->firstArt = kept.empty() ? nullptr : kept.front();
        if (kept.empty()) {
            gTaggedGroupIndex.erase(found);
        } else {
            found->second = kept;
        }
        sADMEntry->Invalidate(entry);
    }
}

// A row of the object list.

CkznO2OSrcEntry::CkznO2OSrcEntry(ListRef list, UserData data) : CAdmEntryBase(list, data) {}

void CkznO2OSrcEntry::Draw(DrawerRef drawer) {
    const TwoColumnRow ground = PaintTwoColumnRow(drawer, GetEntryRef(), GetListRef());
    const ADMRect& r = ground.bounds;
    const ASInt32 h = r.bottom - r.top;
    const ASInt32 m = ground.middle;
    const ASInt32 foreground = ground.textColor;

    // The group as it stands on the map, turned upright.
    if (firstArt != nullptr) {
        const AIReal angle = GetAccumRotation(firstArt);
        const ADMRect preview{r.left + 2, r.top + 2, r.left + h - 2, r.bottom - 2};
        DrawArtRotatedInRect(drawer, firstArt, preview, -angle);
    }
    const ADMRect nameBox{r.left + h + 1, r.top, m - 1, r.bottom};
    sADMDrawer->SetADMColor(drawer, foreground);
    sADMDrawer->DrawTextLeft(drawer, objectName.Text(), &nameBox);

    PatternHandle pattern = nullptr;
    ArtHandle art = nullptr;
    if (FindPatternByName(patternName, &pattern) == kNoErr &&
        sPattern->GetPatternArt(pattern, &art) == kNoErr && art != nullptr) {
        const ADMRect preview{m + 3, r.top + 2, m + h - 1, r.bottom - 2};
        DrawArtInRect(drawer, art, preview, 0, true);
        sADMDrawer->SetADMColor(drawer, kADMBlackColor);
    }
    const ADMRect patternBox{m + h + 2, r.top, r.right, r.bottom};
    sADMDrawer->SetADMColor(drawer, foreground);
    sADMDrawer->DrawTextLeft(drawer, patternName.Text(), &patternBox);
}

// The dialog.

CkznO2ODialog::~CkznO2ODialog() {
    // The host lists go with the dialog; their wrappers go with this object.
    delete layerPopup;
    delete patternList;
    delete objectList;
    // The previews were for this dialog's lists: no host image outlives it.
    GetSwatchImage("");
}

CkznO2OSrcEntry* CkznO2ODialog::ActiveObject() const {
    if (objectList == nullptr) {
        return nullptr;
    }
    EntryRef entry = nullptr;
    sADMList->GetActiveEntry(objectList->GetListRef(), &entry);
    return ObjectOf(entry);
}

ASErr CkznO2ODialog::Init() {
    CAdmDialogBase::Init();

    CAdmListBase** wrappers[] = {&layerPopup, &objectList, &patternList};
    const ASInt32 listItems[] = {kO2OLayerPopup, kO2OObjectList, kO2OPatternList};
    for (std::size_t i = 0; i < 3; ++i) {
        ListRef list = nullptr;
        sADMItem->GetList(Item(listItems[i]), &list);
        *wrappers[i] = new CAdmListBase(list);
    }
    sADMItem->SetItemStyle(Item(kO2OPatternList), 0);

    SetPictureButtons(gGlobals->self, kPictureButtons);

    ASInt32 count = 0;
    ASErr err = sLayer->CountLayers(&count);
    for (ASInt32 i = 0; err == kNoErr && i < count; ++i) {
        LayerHandle layer = nullptr;
        unsigned char title[256] = {0};
        sLayer->GetNthLayer(i, &layer);
        // A layer whose title cannot be read is left out; the others are listed.
        err = KznChecked(sLayer->GetLayerTitle(layer, title), kSource);
        if (err != kNoErr) {
            if (i + 1 < count) {
                err = kNoErr;
            }
            continue;
        }
        EntryRef entry = nullptr;
        sADMList->InsertEntry(layerPopup->GetListRef(), i, &entry);
        sADMEntry->SetText(entry, PStrToText(title));
        sADMEntry->SetID(entry, i);
    }

    FillPatternList(patternList->GetListRef());
    return err;
}

void CkznO2ODialog::Notify(NotifierRef notifier) {
    CAdmDialogBase::Notify(notifier);

    char type[100] = "";
    sADMNotifier->GetNotifierType(notifier, type, sizeof type);
    ItemRef item = nullptr;
    sADMNotifier->GetItem(notifier, &item);

    if (std::strcmp(type, kShowWindowNotifier) == 0) {
        LayerHandle layer = nullptr;
        if (KznChecked(sLayer->GetCurrentLayer(&layer), kSource) == kNoErr &&
            SelectLayerEntry(layerPopup->GetListRef(), layer)) {
            FillObjectList();
        }
        UpdateClearButton();
        return;
    }
    if (std::strcmp(type, kUserChangedNotifier) != 0) {
        return;
    }

    WindowRef window = nullptr;
    sADMDialog->GetWindowRef(GetDialogRef(), &window);
    if (item == Item(kO2OLayerPopup)) {
        FillObjectList();
    } else if (item == Item(kO2OObjectList)) {
        SelectAssignedPattern();
    } else if (item == Item(kO2OPatternList)) {
        AssignSelectedPattern();
    } else if (item == Item(kOKItemID)) {
        ReplaceObjects();
    } else if (item == Item(kCancelItemID)) {
        // Nothing may reach this object while the host closes the dialog.
        sADMDialog->SetNotifyProc(GetDialogRef(), nullptr);
        sADMList->SetNotifyProc(objectList->GetListRef(), nullptr);
        sADMList->SetNotifyProc(patternList->GetListRef(), nullptr);
    } else if (item == Item(kO2OSaveButton)) {
        const char* path = ChooseTableFile(static_cast<HWND>(window), true);
        if (path != nullptr && SaveTable(path)) {
            sADMItem->SetText(Item(kO2OFileLabel), MakeFileNameLabel(path));
        }
    } else if (item == Item(kO2OClearButton)) {
        ClearAssignment();
    } else if (item == Item(kO2OOpenButton)) {
        const char* path = ChooseTableFile(static_cast<HWND>(window), false);
        if (path != nullptr && LoadTable(table, path)) {
            sADMItem->SetText(Item(kO2OFileLabel), MakeFileNameLabel(path));
            FillObjectList();
        }
    }
    UpdateClearButton();
}

void CkznO2ODialog::FillObjectList() {
    LayerHandle layer = nullptr;
    ArtHandle group = nullptr;
    GetChosenLayer(layerPopup->GetListRef(), &layer, &group);

    const ListRef list = objectList->GetListRef();
    objectList->RemoveAllEntries();

    gTaggedGroupIndex.clear();
    if (layer == nullptr || group == nullptr) {
        return;  // nothing to list
    }
    ArtHandle first = nullptr;
    if (sArt->GetArtFirstChild(group, &first) == kNoErr) {
        FindTagedGroupArt(gTaggedGroupIndex, first);
    }

    for (const auto& [name, groups] : gTaggedGroupIndex) {
        KznTrace("%s\n", name.c_str());
        auto* row = NewListRow<CkznO2OSrcEntry>(list, nullptr);
        if (row == nullptr) {
            continue;
        }
        row->firstArt = groups.front();
        row->objectName = name.c_str();
        if (!name.empty()) {
            row->patternName = table[name].c_str();
        }
    }

    ASBoolean editable = false;
    sLayer->GetLayerEditable(layer, &editable);
    sADMItem->Enable(Item(kO2OObjectList), editable);
    sADMItem->Enable(Item(kOKItemID), editable);
}

void CkznO2ODialog::SelectAssignedPattern() {
    CkznO2OSrcEntry* object = ActiveObject();
    if (object == nullptr) {
        return;
    }
    const ListRef list = patternList->GetListRef();
    ASInt32 count = 0;
    sADMList->NumberOfEntries(list, &count);
    ASInt32 k = -1;
    for (ASInt32 i = 0; i < count && k < 0; ++i) {
        EntryRef entry = nullptr;
        sADMList->IndexEntry(list, i, &entry);
        char text[kMaxText] = "";
        sADMEntry->GetText(entry, text, sizeof text);
        if (std::strcmp(text, object->patternName.Text()) == 0) {
            k = i;
        }
    }
    for (ASInt32 i = 0; i < count; ++i) {
        EntryRef entry = nullptr;
        sADMList->IndexEntry(list, i, &entry);
        if (i == k) {
            sADMEntry->Select(entry, true);
            sADMEntry->MakeInBounds(entry);
        } else {
            sADMEntry->Select(entry, false);
        }
    }
}

void CkznO2ODialog::AssignSelectedPattern() {
    EntryRef pattern = nullptr;
    sADMList->GetActiveEntry(patternList->GetListRef(), &pattern);
    CkznO2OSrcEntry* object = ActiveObject();
    if (pattern == nullptr || object == nullptr) {
        return;
    }
    char text[kMaxText] = "";
    sADMEntry->GetText(pattern, text, sizeof text);
    table[object->objectName.Text()] = text;
    object->patternName = text;
    sADMEntry->Invalidate(object->GetEntryRef());
}

void CkznO2ODialog::ClearAssignment() {
    CkznO2OSrcEntry* object = ActiveObject();
    if (object == nullptr) {
        return;
    }
    object->patternName = "";
    sADMEntry->Invalidate(object->GetEntryRef());
}

void CkznO2ODialog::UpdateClearButton() {
    CkznO2OSrcEntry* object = ActiveObject();
    sADMItem->Enable(Item(kO2OClearButton), object != nullptr && object->patternName.Length() > 0);
}

bool CkznO2ODialog::SaveTable(const char* path) {
    TableFileWriter file(path);
    if (!file.IsOpen()) {
        WarnCannotWrite();
        return false;
    }
    const ListRef list = objectList->GetListRef();
    for (ASInt32 i = 0;; ++i) {
        ASInt32 count = 0;
        if (sADMList->NumberOfEntries(list, &count) != kNoErr) {
            file.Incomplete();
        }
        if (i >= count) {
            break;
        }
        EntryRef entry = nullptr;
        if (sADMList->IndexEntry(list, i, &entry) != kNoErr) {
            file.Incomplete();
        }
        if (CkznO2OSrcEntry* row = ObjectOf(entry)) {
            file.WriteRow(std::string(row->objectName.Text()) + "," +
                          TextBeforeLineFeed(row->patternName.Text()));
        } else {
            file.Incomplete();
        }
    }
    // A write that failed (a full disk), or rows that could not be had, must not be reported as
    // a saved file, nor take the place of the file that was there.
    if (!file.Close()) {
        WarnCannotWrite();
        return false;
    }
    return true;
}
