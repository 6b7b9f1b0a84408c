#include "kznT2TDialog.h"

#include <cstring>

#include "frame/trace.h"
#include "host/suites.h"
#include "util/kznAIutil.h"
#include "util/kznSjis.h"

namespace {

constexpr const char kSource[] = "kznT2TDialog";

// Longest text read from a text object or a row, in bytes.
constexpr ASInt32 kMaxText = 256;

}  // namespace

// The destination edit.

CkznT2TDstEdit::CkznT2TDstEdit(ItemRef item, CkznT2TDialog* owner)
    : CAdmItemBase(item, owner), dialog_(owner) {}

ASBoolean CkznT2TDstEdit::Track(TrackerRef tracker) {
    KznTrace("%s", "CkznT2TDstEdit::Track\n");
    ASInt32 action = 0;
    sADMTracker->GetAction(tracker, &action);
    const ASBoolean result = CAdmItemBase::Track(tracker);
    dialog_->UpdateSelectedEntry();
    return result;
}

// A row of the replacement list.

CkznT2TTextEntry::CkznT2TTextEntry(ListRef list) : CAdmEntryBase(list, nullptr) {}

void CkznT2TTextEntry::SetDestination(const char* text) {
    // A cut inside a double-byte character would put half a character into the map's text.
    const std::size_t length = SjisCutLength(text, std::strlen(text), kMaxDestination);
    std::memcpy(destination, text, length);
    destination[length] = 0;
}

void CkznT2TTextEntry::Draw(DrawerRef drawer) {
    const TwoColumnRow ground = PaintTwoColumnRow(drawer, GetEntryRef(), GetListRef());
    const ADMRect& r = ground.bounds;
    const ASInt32 mid = ground.middle;

    char source[kMaxText + 1] = "";
    sADMEntry->GetText(GetEntryRef(), source, sizeof source);
    ADMRect left = r;
    left.right = mid - 1;
    sADMDrawer->SetADMColor(drawer, ground.textColor);
    sADMDrawer->DrawTextLeft(drawer, source, &left);

    ASInt32 blank = 0;
    sADMDrawer->GetTextWidth(drawer, " ", &blank);
    ADMRect right = r;
    right.left = mid + blank;
    sADMDrawer->DrawTextLeft(drawer, destination, &right);
}

// The dialog.

CkznT2TDialog::~CkznT2TDialog() {
    // The host lists go with the dialog; their wrappers go with this object.
    delete layerList;
    delete replaceList;
}

CkznT2TTextEntry* CkznT2TDialog::RowOf(EntryRef entry) {
    UserData data = nullptr;
    sADMEntry->GetUserData(entry, &data);
    return static_cast<CkznT2TTextEntry*>(static_cast<CAdmEntryBase*>(data));
}

ASErr CkznT2TDialog::Init() {
    KznTrace("%s", "CkznT2TDialog::Init()\n");
    CAdmDialogBase::Init();

    sADMItem->SetPictureID(Item(kT2TOpenButton), 107);
    sADMItem->SetPictureID(Item(kT2TSaveButton), 108);
    sADMItem->SetTipString(Item(kT2TOpenButton), "ファイルを開く");
    sADMItem->SetTipString(Item(kT2TSaveButton), "ファイルに出力");

    ListRef list = nullptr;
    sADMItem->GetList(Item(kT2TLayerPopup), &list);
    layerList = new CAdmListBase(list);
    list = nullptr;
    sADMItem->GetList(Item(kT2TReplaceList), &list);
    replaceList = new CAdmListBase(list);
    dstEdit = new CkznT2TDstEdit(Item(kT2TDestinationEdit), this);

    sADMItem->SetItemStyle(Item(kT2TReplaceList), 8);

    ASInt32 count = 0;
    ASErr err = sLayer->CountLayers(&count);
    for (ASInt32 i = 0; err == kNoErr && i < count; ++i) {
        LayerHandle layer = nullptr;
        err = sLayer->GetNthLayer(i, &layer);
        unsigned char title[256] = {0};
        if (err == kNoErr) {
            err = sLayer->GetLayerTitle(layer, title);
        }
        if (err != kNoErr) {
            break;
        }
        EntryRef entry = nullptr;
        sADMList->InsertEntry(layerList->GetListRef(), i, &entry);
        sADMEntry->SetText(entry, PStrToText(title));
        sADMEntry->SetID(entry, i);
    }
    return KznChecked(err, kSource);
}

void CkznT2TDialog::Notify(NotifierRef notifier) {
    char type[100] = "";
    sADMNotifier->GetNotifierType(notifier, type, sizeof type);
    KznTrace("CkznT2TDialog::Notify(%s)\n", type);
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
        return;
    }

    if (std::strcmp(type, kUserChangedNotifier) == 0) {
        WindowRef window = nullptr;
        sADMDialog->GetWindowRef(GetDialogRef(), &window);
        if (item == Item(kT2TSaveButton)) {
            const char* path = ChooseTableFile(static_cast<HWND>(window), true);
            if (path != nullptr && SaveTable(path)) {
                sADMItem->SetText(Item(kT2TFileLabel), MakeFileNameLabel(path));
            }
        } else if (item == Item(kT2TOpenButton)) {
            const char* path = ChooseTableFile(static_cast<HWND>(window), false);
            if (path != nullptr && LoadTable(table, path)) {
                sADMItem->SetText(Item(kT2TFileLabel), MakeFileNameLabel(path));
                FindTextArt();
            }
        }
    }

    if (item == Item(kT2TLayerPopup)) {
        KznTrace("%s", "+LayerList\n");
        FindTextArt();
    } else if (item == Item(kT2TReplaceList)) {
        EntryRef entry = nullptr;
        sADMList->GetActiveEntry(replaceList->GetListRef(), &entry);
        // A row whose object cannot be had (the host gave no user data) shows nothing.
        CkznT2TTextEntry* row = entry != nullptr ? RowOf(entry) : nullptr;
        if (row != nullptr) {
            char source[101] = "";
            sADMEntry->GetText(entry, source, sizeof source);
            sADMItem->SetText(Item(kT2TSourceEdit), source);
            sADMItem->SetText(Item(kT2TDestinationEdit), row->Destination());
            sADMItem->Activate(Item(kT2TDestinationEdit), true);
        }
    } else if (item == Item(kOKItemID)) {
        KznTrace("%s", "OK\n");
        ReplaceTexts();
        CAdmDialogBase::Notify(notifier);
    } else if (item == Item(kCancelItemID)) {
        KznTrace("%s", "CANCEL\n");
        // Nothing may reach this object while the host closes the dialog.
        sADMDialog->SetNotifyProc(GetDialogRef(), nullptr);
        sADMList->SetNotifyProc(replaceList->GetListRef(), nullptr);
        CAdmDialogBase::Notify(notifier);
    }
}

void CkznT2TDialog::UpdateSelectedEntry() {
    const ListRef list = replaceList->GetListRef();
    ASInt32 selected = 0;
    sADMList->NumberOfSelectedEntries(list, &selected);
    if (selected < 1) {
        return;
    }
    char text[kMaxText + 1] = "";
    sADMItem->GetText(Item(kT2TDestinationEdit), text, sizeof text);
    EntryRef entry = nullptr;
    sADMList->IndexSelectedEntry(list, 0, &entry);
    if (CkznT2TTextEntry* row = RowOf(entry)) {
        row->SetDestination(text);
        sADMEntry->Invalidate(entry);
    }
}

bool CkznT2TDialog::SaveTable(const char* path) {
    // A row: the source text and its destination; the comma stands also before an empty one.
    return SaveListRows(path, replaceList->GetListRef(), [](EntryRef entry, std::string& row) {
        const CkznT2TTextEntry* text = RowOf(entry);
        row += ",";
        if (text == nullptr) {
            return false;
        }
        row += text->Destination();
        return true;
    });
}

// The replacement run.

void CkznT2TDialog::FindTextArt() {
    LayerHandle layer = nullptr;
    ArtHandle group = nullptr;
    GetChosenLayer(layerList->GetListRef(), &layer, &group);

    const ListRef list = replaceList->GetListRef();
    replaceList->RemoveAllEntries();
    if (layer == nullptr || group == nullptr) {
        return;  // nothing to list
    }

    ForEachTextArt(group, [&](ArtHandle child) {
        char text[kMaxText + 1] = "";
        ASInt32 length = kMaxText;
        GetArtText(child, text, &length);
        KznTrace("+Found Text Art:%s\n", text);
        // A text longer than the buffer is listed and keyed by its first 256 bytes. The key goes
        // into the table file, and one that ended inside a character would not read back as
        // itself: the cut goes before that character.
        if (length == kMaxText) {
            text[SjisWholeLength(text, std::strlen(text))] = 0;
        }
        ASInt32 attr = 0;
        KznChecked(sArt->GetArtUserAttr(child, kArtLocked | kArtHidden, &attr), kSource);
        if ((attr & (kArtLocked | kArtHidden)) != 0) {
            return;
        }
        if (auto* row = NewListRow<CkznT2TTextEntry>(list)) {
            sADMEntry->SetText(row->GetEntryRef(), text);
            row->textArt = child;
            row->SetDestination(table[text].c_str());
        }
    });

    ASBoolean editable = false;
    sLayer->GetLayerEditable(layer, &editable);
    sADMItem->Enable(Item(kT2TReplaceList), editable);
    sADMItem->Enable(Item(kOKItemID), editable);
}

void CkznT2TDialog::ReplaceTexts() {
    const ListRef list = replaceList->GetListRef();
    ASInt32 count = 0;
    sADMList->NumberOfEntries(list, &count);
    for (ASInt32 k = count; k >= 1; --k) {
        EntryRef entry = nullptr;
        sADMList->IndexEntry(list, k - 1, &entry);
        CkznT2TTextEntry* row = RowOf(entry);
        if (row != nullptr && row->Destination()[0] != 0) {
            SetArtText(row->textArt, row->Destination());
        }
    }
}
