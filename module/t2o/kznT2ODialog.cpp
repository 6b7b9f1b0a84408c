#include "kznT2ODialog.h"

#include <cstdio>
#include <cstring>

#include "frame/plugin.h"
#include "frame/trace.h"
#include "host/lengthstring.h"
#include "host/suites.h"
#include "patterns/kznPatternEntry.h"
#include "util/kznAIutil.h"
#include "util/kznSjis.h"

namespace {

constexpr const char kSource[] = "kznT2ODialog";

// Longest text read from a text object or a row, in bytes.
constexpr ASInt32 kMaxText = 256;

// Share of a copy's width left free before it, and the share the row advances after that gap.
constexpr AIReal kGapShare = 0.1f;
constexpr AIReal kAdvanceShare = 1.1f;
// The square that stands for a name without a pattern.
constexpr AIReal kPlaceholderSide = 10.0f;
constexpr AIReal kPlaceholderStroke = 0.5f;

// The buttons with a tip from the string table (under the item's own id) and a picture.
constexpr CAdmDialogBase::PictureButton kPictureButtons[] = {
    {kT2OOpenButton, 107},    {kT2OSaveButton, 108},   {kT2OUpButton, -16040},
    {kT2ODownButton, -16050}, {kT2OAddButton, -16060}, {kT2ORemoveButton, -16020},
};

// The position of the active entry of LIST, or -1.
ASInt32 ActivePosition(const CAdmListBase* list) {
    EntryRef entry = nullptr;
    if (list == nullptr) {
        return -1;
    }
    sADMList->GetActiveEntry(list->GetListRef(), &entry);
    if (entry == nullptr) {
        return -1;
    }
    ASInt32 index = -1;
    sADMEntry->GetIndex(entry, &index);
    return index;
}

}  // namespace

// A row of the target list.

CkznT2OTextEntry::CkznT2OTextEntry(ListRef list) : CAdmEntryBase(list, nullptr) {}

void CkznT2OTextEntry::Draw(DrawerRef drawer) {
    const TwoColumnRow ground = PaintTwoColumnRow(drawer, GetEntryRef(), GetListRef());
    const ADMRect& r = ground.bounds;
    const ASInt32 half = ground.middle;

    char text[kMaxText + 1] = "";
    sADMEntry->GetText(GetEntryRef(), text, sizeof text);
    const ADMRect left{r.left, r.top, half - 1, r.bottom};
    sADMDrawer->SetADMColor(drawer, ground.textColor);
    sADMDrawer->DrawTextLeft(drawer, text, &left);

    ASInt32 blank = 0;
    sADMDrawer->GetTextWidth(drawer, " ", &blank);
    ASInt32 x = half + blank;
    const ASInt32 h = r.bottom - r.top;
    for (const std::string& name : symbolNames) {
        const ADMRect cell{x + 2, r.top + 2, x + h - 2, r.bottom - 2};
        PatternHandle pattern = nullptr;
        ArtHandle art = nullptr;
        if (FindPatternByName(CLengthString(name.c_str()), &pattern) == kNoErr &&
            sPattern->GetPatternArt(pattern, &art) == kNoErr && art != nullptr) {
            sADMDrawer->SetADMColor(drawer, kADMWhiteColor);
            sADMDrawer->FillRect(drawer, &cell);
            DrawArtInRect(drawer, art, cell, 0, true);
            x += h;
        } else {
            sADMDrawer->DrawSunkenRect(drawer, &cell);
            x += h - 4;
        }
    }
}

// The dialog.

CkznT2ODialog::~CkznT2ODialog() {
    // The host lists go with the dialog; their wrappers go with this object.
    delete layerList;
    delete targetList;
    delete symbolList;
    delete patternList;
    // The previews were for this dialog's lists: no host image outlives it.
    GetSwatchImage("");
}

bool CkznT2ODialog::IsOn(ASInt32 id) const {
    ASBoolean value = false;
    sADMItem->GetBooleanValue(Item(id), &value);
    return value != 0;
}

CkznT2OTextEntry* CkznT2ODialog::TargetOf(EntryRef entry) {
    if (entry == nullptr) {
        return nullptr;
    }
    UserData data = nullptr;
    sADMEntry->GetUserData(entry, &data);
    return static_cast<CkznT2OTextEntry*>(static_cast<CAdmEntryBase*>(data));
}

CkznT2OTextEntry* CkznT2ODialog::ActiveTarget() const {
    if (targetList == nullptr) {
        return nullptr;
    }
    EntryRef entry = nullptr;
    sADMList->GetActiveEntry(targetList->GetListRef(), &entry);
    return TargetOf(entry);
}

ASErr CkznT2ODialog::Init() {
    CAdmDialogBase::Init();

    CAdmListBase** wrappers[] = {&layerList, &targetList, &symbolList, &patternList};
    const ASInt32 listItems[] = {kT2OLayerPopup, kT2OTargetList, kT2OSymbolList, kT2OPatternList};
    for (std::size_t i = 0; i < 4; ++i) {
        ListRef list = nullptr;
        sADMItem->GetList(Item(listItems[i]), &list);
        *wrappers[i] = new CAdmListBase(list);
    }

    SetPictureButtons(gGlobals->self, kPictureButtons);

    sADMItem->SetBooleanValue(Item(kT2OSameLayer), true);
    sADMItem->SetBooleanValue(Item(kT2ODeleteAllTexts), true);

    // Every layer gets its row; one whose query fails is left out, and the result is the error
    // of the last layer query.
    ASInt32 count = 0;
    ASErr err = sLayer->CountLayers(&count);
    for (ASInt32 i = 0; i < count; ++i) {
        LayerHandle layer = nullptr;
        err = sLayer->GetNthLayer(i, &layer);
        unsigned char title[256] = {0};
        if (err == kNoErr) {
            err = sLayer->GetLayerTitle(layer, title);
        }
        if (err != kNoErr) {
            continue;
        }
        EntryRef entry = nullptr;
        sADMList->InsertEntry(layerList->GetListRef(), i, &entry);
        sADMEntry->SetText(entry, PStrToText(title));
        sADMEntry->SetID(entry, i);
    }

    FillPatternList(patternList->GetListRef());
    return err;
}

void CkznT2ODialog::Notify(NotifierRef notifier) {
    char type[100] = "";
    sADMNotifier->GetNotifierType(notifier, type, sizeof type);
    KznTrace("CkznT2ODialog::Notify(%s)\n", type);
    ItemRef item = nullptr;
    sADMNotifier->GetItem(notifier, &item);

    if (std::strcmp(type, kShowWindowNotifier) == 0) {
        LayerHandle layer = nullptr;
        if (KznChecked(sLayer->GetCurrentLayer(&layer), kSource) != kNoErr) {
            return;
        }
        if (SelectLayerEntry(layerList->GetListRef(), layer)) {
            FindTextArt();
        }
        UpdateButtons();
        return;
    }

    if (std::strcmp(type, kUserChangedNotifier) == 0) {
        WindowRef window = nullptr;
        sADMDialog->GetWindowRef(GetDialogRef(), &window);
        if (item == Item(kT2OLayerPopup)) {
            KznTrace("%s", "レイヤ一覧変更\n");
            FindTextArt();
        } else if (item == Item(kT2OTargetList)) {
            KznTrace("%s", "変換一覧変更\n");
            ShowSymbols();
        } else if (item == Item(kT2OPatternList)) {
            KznTrace("%s", "パターン一覧変更\n");
            EntryRef active = nullptr;
            sADMList->GetActiveEntry(targetList->GetListRef(), &active);
            if (active != nullptr) {
                sADMEntry->Invalidate(active);
            }
        } else if (item == Item(kOKItemID)) {
            KznTrace("%s", "OKボタン\n");
            ReplaceTexts();
        } else if (item == Item(kCancelItemID)) {
            // Nothing may reach these objects while the host closes the dialog.
            sADMDialog->SetNotifyProc(GetDialogRef(), nullptr);
            sADMList->SetNotifyProc(targetList->GetListRef(), nullptr);
            sADMList->SetNotifyProc(symbolList->GetListRef(), nullptr);
            sADMList->SetNotifyProc(patternList->GetListRef(), nullptr);
        } else if (item == Item(kT2OSaveButton)) {
            const char* path = ChooseTableFile(static_cast<HWND>(window), true);
            if (path != nullptr && SaveTable(path)) {
                sADMItem->SetText(Item(kT2OFileLabel), MakeFileNameLabel(path));
            }
        } else if (item == Item(kT2OOpenButton)) {
            const char* path = ChooseTableFile(static_cast<HWND>(window), false);
            if (path != nullptr) {
                if (LoadTable(table, path)) {
                    sADMItem->SetText(Item(kT2OFileLabel), MakeFileNameLabel(path));
                }
                FindTextArt();
            }
        } else if (item == Item(kT2OAddButton)) {
            AddSymbol();
            ShowSymbols();
        } else if (item == Item(kT2ORemoveButton)) {
            RemoveSymbols();
            ShowSymbols();
        } else if (item == Item(kT2OUpButton)) {
            MoveSymbolUp();
        } else if (item == Item(kT2ODownButton)) {
            MoveSymbolDown();
        }
    }

    UpdateButtons();
    CAdmDialogBase::Notify(notifier);
}

void CkznT2ODialog::FindTextArt() {
    LayerHandle layer = nullptr;
    ArtHandle group = nullptr;
    GetChosenLayer(layerList->GetListRef(), &layer, &group);

    const ListRef list = targetList->GetListRef();
    targetList->RemoveAllEntries();
    if (layer == nullptr || group == nullptr) {
        return;  // nothing to list
    }

    ForEachTextArt(group, [&](ArtHandle child) {
        KznTrace("%s", "+Found Text Art\n");
        ASInt32 attr = 0;
        sArt->GetArtUserAttr(child, kArtLocked | kArtHidden, &attr);
        if ((attr & (kArtLocked | kArtHidden)) != 0) {
            return;
        }
        char text[kMaxText + 1] = "";
        ASInt32 length = kMaxText;
        GetArtText(child, text, &length);
        // A text longer than the buffer is listed and keyed by its first 256 bytes. The key goes
        // into the table file, and one that ended inside a character would not read back as
        // itself: the cut goes before that character.
        if (length == kMaxText) {
            text[SjisWholeLength(text, std::strlen(text))] = 0;
        }
        if (auto* row = NewListRow<CkznT2OTextEntry>(list)) {
            sADMEntry->SetText(row->GetEntryRef(), text);
            row->textArt = child;
            const std::string& fields = table[text];
            std::size_t at = 0;
            for (std::string field = SplitFieldFrom(fields, at); !field.empty();
                 field = SplitFieldFrom(fields, at)) {
                row->symbolNames.push_back(field);
            }
        }
    });

    ASBoolean editable = false;
    sLayer->GetLayerEditable(layer, &editable);
    sADMItem->Enable(Item(kT2OTargetList), editable);
    sADMItem->Enable(Item(kOKItemID), editable);
}

void CkznT2ODialog::ShowSymbols() {
    if (symbolList != nullptr) {
        symbolList->RemoveAllEntries();
    }
    const CkznT2OTextEntry* target = ActiveTarget();
    if (target == nullptr) {
        return;
    }
    for (const std::string& name : target->symbolNames) {
        auto* row = NewListRow<CkznPatternEntry>(symbolList->GetListRef(), nullptr);
        if (row == nullptr) {
            continue;
        }
        CLengthString text(name.c_str());
        sADMEntry->SetText(row->GetEntryRef(), text.Text());
    }
}

void CkznT2ODialog::AddSymbol() {
    EntryRef pattern = nullptr;
    sADMList->GetActiveEntry(patternList->GetListRef(), &pattern);
    CkznT2OTextEntry* target = ActiveTarget();
    if (pattern != nullptr && target != nullptr) {
        char name[kMaxText] = "";
        sADMEntry->GetText(pattern, name, sizeof name);
        target->symbolNames.push_back(name);
    }
    if (target != nullptr) {
        sADMEntry->Invalidate(target->GetEntryRef());
    }
}

void CkznT2ODialog::RemoveSymbols() {
    CkznT2OTextEntry* target = ActiveTarget();
    if (target == nullptr) {
        return;
    }
    const ListRef list = symbolList->GetListRef();
    ASInt32 selected = 0;
    sADMList->NumberOfSelectedEntries(list, &selected);
    for (ASInt32 n = selected - 1; n >= 0; --n) {
        EntryRef entry = nullptr;
        sADMList->IndexSelectedEntry(list, n, &entry);
        ASInt32 k = -1;
        sADMEntry->GetIndex(entry, &k);
        if (k >= 0 && static_cast<std::size_t>(k) < target->symbolNames.size()) {
            target->symbolNames.erase(target->symbolNames.begin() + k);
        }
    }
    sADMEntry->Invalidate(target->GetEntryRef());
}

void CkznT2ODialog::MoveSymbolUp() {
    MoveSymbol(-1);
}

void CkznT2ODialog::MoveSymbolDown() {
    MoveSymbol(1);
}

// Moves each selected symbol of the active target one place by STEP (-1 towards the front, 1
// towards the back) and selects where the first selected one went.
void CkznT2ODialog::MoveSymbol(int step) {
    CkznT2OTextEntry* target = ActiveTarget();
    if (target == nullptr) {
        return;
    }
    std::vector<std::string>& names = target->symbolNames;
    const ListRef list = symbolList->GetListRef();
    ASInt32 selected = 0;
    sADMList->NumberOfSelectedEntries(list, &selected);
    ASInt32 moved = -1;
    for (ASInt32 n = selected - 1; n >= 0; --n) {
        EntryRef entry = nullptr;
        sADMList->IndexSelectedEntry(list, n, &entry);
        ASInt32 k = -1;
        sADMEntry->GetIndex(entry, &k);
        const ASInt32 to = k + step;
        // The buttons are enabled only where a move stays inside the list.
        if (k < 0 || to < 0 || static_cast<std::size_t>(k) >= names.size() ||
            static_cast<std::size_t>(to) >= names.size()) {
            continue;
        }
        std::swap(names[static_cast<std::size_t>(k)], names[static_cast<std::size_t>(to)]);
        moved = to;
    }
    sADMEntry->Invalidate(target->GetEntryRef());
    ShowSymbols();
    if (moved >= 0) {
        EntryRef entry = nullptr;
        sADMList->IndexEntry(list, moved, &entry);
        if (entry != nullptr) {
            sADMEntry->Select(entry, true);
            sADMEntry->MakeInBounds(entry);
        }
    }
    UpdateButtons();
}

void CkznT2ODialog::UpdateButtons() {
    const ASInt32 a = ActivePosition(targetList);
    const ASInt32 b = ActivePosition(symbolList);
    const ASInt32 c = ActivePosition(patternList);
    ASInt32 symbols = 0;
    if (symbolList != nullptr) {
        sADMList->NumberOfEntries(symbolList->GetListRef(), &symbols);
    }
    sADMItem->Enable(Item(kT2OAddButton), a != -1 && c != -1);
    sADMItem->Enable(Item(kT2OUpButton), b != -1 && b != 0);
    sADMItem->Enable(Item(kT2ODownButton), b != -1 && b != symbols - 1);
    sADMItem->Enable(Item(kT2ORemoveButton), b != -1);
    if (IsOn(kT2ONewLayer)) {
        sADMItem->Enable(Item(kT2OSeveralSymbolsLayer), true);
    } else {
        sADMItem->SetBooleanValue(Item(kT2OSeveralSymbolsLayer), false);
        sADMItem->Enable(Item(kT2OSeveralSymbolsLayer), false);
    }
}

bool CkznT2ODialog::SaveTable(const char* path) {
    // A row: the text and the name of each of its symbols.
    return SaveListRows(path, targetList->GetListRef(), [](EntryRef entry, std::string& row) {
        const CkznT2OTextEntry* target = TargetOf(entry);
        if (target == nullptr) {
            return false;
        }
        for (const std::string& name : target->symbolNames) {
            row += "," + TextBeforeLineFeed(name);
        }
        return true;
    });
}

// The replacement run.

std::vector<ArtHandle> CkznT2ODialog::MakeSymbolCopies(const std::vector<std::string>& names,
                                                       ArtHandle textArt) {
    std::vector<ArtHandle> copies;
    for (const std::string& name : names) {
        const CLengthString key(name.c_str());
        PatternHandle pattern = nullptr;
        if (FindPatternByName(key, &pattern) == kNoErr) {
            ArtHandle art = nullptr;
            ArtHandle copy = nullptr;
            if (sPattern->GetPatternArt(pattern, &art) == kNoErr &&
                sArt->DuplicateArt(art, kPlaceAbove, textArt, &copy) == kNoErr && copy != nullptr) {
                CLengthString value = key;
                KznChecked(sTag->SetTag(copy, kObjectNameTag, kTagStringType, value.Text()),
                           kSource);
                copies.push_back(copy);
            }
            continue;
        }

        // A square that shows where the missing symbol would stand.
        ArtHandle path = nullptr;
        if (sArt->NewArt(kPathArt, kPlaceAbove, textArt, &path) != kNoErr || path == nullptr) {
            continue;
        }
        const AIRealPoint corners[4] = {{0, 0},
                                        {kPlaceholderSide, 0},
                                        {kPlaceholderSide, kPlaceholderSide},
                                        {0, kPlaceholderSide}};
        AIPathSegment segments[4]{};
        for (int i = 0; i < 4; ++i) {
            segments[i].p = corners[i];
            segments[i].in = corners[i];
            segments[i].out = corners[i];
            segments[i].corner = false;
        }
        sPath->SetPathSegments(path, 0, 4, segments);
        sPath->SetPathClosed(path, true);
        AIPathStyle style{};
        sPathStyle->GetPathStyle(path, &style);  // the host's defaults for what is not set here
        style.fillPaint = false;
        style.strokePaint = true;
        style.stroke.color.kind = kGrayColor;
        style.stroke.color.c.g.gray = 65536.0f;
        style.stroke.width = kPlaceholderStroke;
        sPathStyle->SetPathStyle(path, &style);
        copies.push_back(path);
    }
    return copies;
}

// The layers the options choose: the chosen layer, or a new layer above it and, for results of
// several symbols, another above that one.
CkznT2ODialog::SymbolLayers CkznT2ODialog::MakeSymbolLayers() {
    LayerHandle chosen = nullptr;
    ASInt32 index = -1;
    EntryRef active = nullptr;
    sADMList->GetActiveEntry(layerList->GetListRef(), &active);
    if (active != nullptr) {
        sADMEntry->GetID(active, &index);
    }
    if (KznChecked(sLayer->GetNthLayer(index, &chosen), kSource) != kNoErr) {
        chosen = nullptr;
    }

    SymbolLayers layers{chosen, nullptr};
    if (IsOn(kT2ONewLayer)) {
        layers.all = nullptr;
        if (chosen != nullptr) {
            sLayer->InsertLayer(chosen, kPlaceAbove, &layers.all);
        }
        if (layers.all != nullptr && IsOn(kT2OSeveralSymbolsLayer)) {
            sLayer->InsertLayer(layers.all, kPlaceAbove, &layers.several);
        }
    }
    return layers;
}

ArtHandle CkznT2ODialog::MakeSymbolGroup(std::vector<ArtHandle>& copies, ArtHandle textArt,
                                         const char* text) {
    ArtHandle group = nullptr;
    if (sArt->NewArt(kGroupArt, kPlaceAbove, textArt, &group) == kNoErr && group != nullptr) {
        return group;
    }
    // Without their group the copies would stay apart where they were made: they go, and the
    // text counts as not replaced.
    KznTrace("*NoGroup:%s\n", text);
    for (const ArtHandle copy : copies) {
        sArt->DisposeArt(copy);
    }
    copies.clear();
    return nullptr;
}

std::vector<ArtHandle> CkznT2ODialog::LayOutRow(const std::vector<ArtHandle>& copies,
                                                ArtHandle group, const char* text) {
    // One row hanging from v = 0, each copy after a tenth of its width. A copy that cannot join
    // the group would stay apart where it was made: it goes.
    AIRealPoint offset{0, 0};
    std::vector<ArtHandle> row;
    for (const ArtHandle copy : copies) {
        AIRealRect b{};
        sArt->GetArtBounds(copy, &b);
        const AIReal w = b.right - b.left;
        offset.v = -(b.top - b.bottom);
        offset.h = offset.h + w * kGapShare;
        PlaceArt(copy, kPlaceMove, offset, 0, 0, true);
        offset.h = offset.h + w * kAdvanceShare;
        if (group != nullptr && sArt->ReorderArt(copy, kPlaceInsideOnTop, group) != kNoErr) {
            KznTrace("*NotGrouped:%s\n", text);
            sArt->DisposeArt(copy);
            continue;
        }
        row.push_back(copy);
    }
    return row;
}

void CkznT2ODialog::JoinWithArc(const std::vector<ArtHandle>& row, const AIRealRect& bounds,
                                ArtHandle group) {
    if (ArtHandle arc = MakeArcPath(row, bounds)) {
        sArt->ReorderArt(arc, kPlaceInsideOnTop, group);
    }
}

void CkznT2ODialog::PlaceResult(ArtHandle result, const AIRealRect& bounds,
                                const AIRealPoint& anchor, AIReal angle) {
    const AIRealPoint centre{bounds.left + (bounds.right - bounds.left) / 2,
                             bounds.bottom + (bounds.top - bounds.bottom) / 2};
    AIRealMatrix m{};
    sRealMath->AIRealMatrixSetTranslate(&m, -centre.h, -centre.v);
    sRealMath->AIRealMatrixConcatRotate(&m, angle);
    sRealMath->AIRealMatrixConcatTranslate(&m, anchor.h, anchor.v);
    TransformArtDeep(result, &m, 1.0f, kPlaceArtTransformOptions);

    if (angle != 0) {
        char value[64] = "";
        std::snprintf(value, sizeof value, "%f", static_cast<double>(angle));
        KznChecked(SetTagDeep(result, kAccumRotationTag, value), kSource);
    }
}

void CkznT2ODialog::MoveToLayers(ArtHandle result, bool grouped, const SymbolLayers& layers) {
    ArtHandle top = nullptr;
    if (layers.all != nullptr && sArt->GetFirstArtOfLayer(layers.all, &top) == kNoErr &&
        top != nullptr) {
        sArt->ReorderArt(result, kPlaceInsideOnTop, top);
    }
    top = nullptr;
    if (layers.several != nullptr && grouped &&
        sArt->GetFirstArtOfLayer(layers.several, &top) == kNoErr && top != nullptr) {
        sArt->ReorderArt(result, kPlaceInsideOnTop, top);
    }
}

ArtHandle CkznT2ODialog::PlaceSymbols(EntryRef entry, const CkznT2OTextEntry& target,
                                      const SymbolLayers& layers) {
    char text[kMaxText + 1] = "";
    sADMEntry->GetText(entry, text, sizeof text);
    KznTrace("*TargetText:%s\n", text);
    const AIRealPoint anchor = GetTextAnchor(target.textArt);
    const AIReal angle = GetAccumRotation(target.textArt);

    std::vector<ArtHandle> copies = MakeSymbolCopies(target.symbolNames, target.textArt);
    // Several copies stand in a group with their arc; a single one stands for itself.
    const bool grouped = copies.size() >= 2;
    ArtHandle group = nullptr;
    if (grouped) {
        group = MakeSymbolGroup(copies, target.textArt, text);
        if (group == nullptr) {
            return nullptr;
        }
    }
    const std::vector<ArtHandle> row = LayOutRow(copies, group, text);
    if (row.empty()) {
        if (group != nullptr) {
            sArt->DisposeArt(group);  // a group of nothing replaces nothing
        }
        return nullptr;
    }
    const ArtHandle result = grouped ? group : row.front();

    // The result is centred by the bounds of its symbols, without the arc over them.
    AIRealRect bounds{};
    sArt->GetArtBounds(result, &bounds);
    if (grouped) {
        JoinWithArc(row, bounds, group);
    }
    PlaceResult(result, bounds, anchor, angle);
    MoveToLayers(result, grouped, layers);
    return result;
}

void CkznT2ODialog::ReplaceTexts() {
    const SymbolLayers layers = MakeSymbolLayers();
    const ListRef list = targetList->GetListRef();
    for (ASInt32 i = 0;; ++i) {
        ASInt32 count = 0;
        sADMList->NumberOfEntries(list, &count);
        if (i >= count) {
            break;
        }
        EntryRef entry = nullptr;
        sADMList->IndexEntry(list, i, &entry);
        CkznT2OTextEntry* target = TargetOf(entry);
        if (target == nullptr || target->textArt == nullptr) {
            continue;
        }
        const ArtHandle result =
            target->symbolNames.empty() ? nullptr : PlaceSymbols(entry, *target, layers);
        if (IsOn(kT2ODeleteAllTexts) || (IsOn(kT2ODeleteReplacedTexts) && result != nullptr)) {
            if (sArt->DisposeArt(target->textArt) == kNoErr) {
                target->textArt = nullptr;
            }
        }
    }
}
