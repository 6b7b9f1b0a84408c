// The text-to-text dialog: every visible, unlocked text object directly on a chosen layer is a
// row with its text and a destination text; on OK each object whose row has a destination
// takes that text.
#pragma once

#include "dialogfw/AdmDialogBase.h"
#include "dialogfw/AdmEntryBase.h"
#include "dialogfw/AdmItemBase.h"
#include "dialogfw/AdmListBase.h"
#include "util/kznTableFile.h"

// Items of the dialog.
constexpr ASInt32 kT2TLayerPopup = 1004;
constexpr ASInt32 kT2TOpenButton = 1101;
constexpr ASInt32 kT2TSaveButton = 1102;
constexpr ASInt32 kT2TFileLabel = 1034;
constexpr ASInt32 kT2TReplaceList = 1011;
constexpr ASInt32 kT2TSourceEdit = 1009;
constexpr ASInt32 kT2TDestinationEdit = 1010;

class CkznT2TDialog;

// The destination edit: after every event in it, the selected row holds what the edit shows.
class CkznT2TDstEdit : public CAdmItemBase {
  public:
    CkznT2TDstEdit(ItemRef item, CkznT2TDialog* owner);
    ~CkznT2TDstEdit() override = default;

    ASBoolean Track(TrackerRef tracker) override;

  private:
    CkznT2TDialog* dialog_;
};

// One row of the replacement list: its text object and destination. The row's source text is
// the host entry's own text.
class CkznT2TTextEntry : public CAdmEntryBase {
  public:
    // Longest destination kept, in bytes.
    static constexpr std::size_t kMaxDestination = 100;

    explicit CkznT2TTextEntry(ListRef list);
    ~CkznT2TTextEntry() override = default;

    void Draw(DrawerRef drawer) override;

    // Keeps at most the first 100 bytes of TEXT, cut between characters.
    void SetDestination(const char* text);
    const char* Destination() const { return destination; }

    ArtHandle textArt = nullptr;

  private:
    char destination[kMaxDestination + 1] = "";
};

class CkznT2TDialog : public CAdmDialogBase {
  public:
    CkznT2TDialog() = default;
    ~CkznT2TDialog() override;

    ASErr Init() override;
    void Notify(NotifierRef notifier) override;

    // Rebuilds the replacement list from the chosen layer and the table.
    void FindTextArt();
    // Writes every non-empty destination into its text object, last row first.
    void ReplaceTexts();
    // Copies the destination edit's text into the selected row.
    void UpdateSelectedEntry();
    // Writes the rows to PATH; true when the file was written.
    bool SaveTable(const char* path);

  private:
    static CkznT2TTextEntry* RowOf(EntryRef entry);

    CAdmListBase* layerList = nullptr;
    CAdmListBase* replaceList = nullptr;
    CkznT2TDstEdit* dstEdit = nullptr;
    ReplacementTable table;
};
