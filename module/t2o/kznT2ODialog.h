// The text-to-object dialog: every visible, unlocked text label directly on a chosen layer is a
// row with the symbols (document patterns) that stand for it; on OK each label is replaced by a
// row of copies of its symbols.
#pragma once

#include <string>
#include <vector>

#include "dialogfw/AdmDialogBase.h"
#include "dialogfw/AdmEntryBase.h"
#include "dialogfw/AdmListBase.h"
#include "host/ai.h"
#include "util/kznTableFile.h"

// Items of the dialog.
constexpr ASInt32 kT2OLayerPopup = 1004;
constexpr ASInt32 kT2OOpenButton = 1101;
constexpr ASInt32 kT2OSaveButton = 1102;
constexpr ASInt32 kT2OFileLabel = 1034;
constexpr ASInt32 kT2OTargetList = 1011;
constexpr ASInt32 kT2OSymbolList = 1017;
constexpr ASInt32 kT2OPatternList = 1018;
constexpr ASInt32 kT2OUpButton = 1019;
constexpr ASInt32 kT2OAddButton = 1020;
constexpr ASInt32 kT2ORemoveButton = 1021;
constexpr ASInt32 kT2ODownButton = 1022;
constexpr ASInt32 kT2ODeleteAllTexts = 1131;
constexpr ASInt32 kT2ODeleteReplacedTexts = 1132;
constexpr ASInt32 kT2OKeepAllTexts = 1133;
constexpr ASInt32 kT2OSameLayer = 1040;
constexpr ASInt32 kT2ONewLayer = 1041;
constexpr ASInt32 kT2OSeveralSymbolsLayer = 1039;

// One row of the target list: a text label and the names of its symbols in placement order
// (duplicates allowed). The row's text is the host entry's own text.
class CkznT2OTextEntry : public CAdmEntryBase {
  public:
    // Creates the host entry at the end of LIST.
    explicit CkznT2OTextEntry(ListRef list);
    ~CkznT2OTextEntry() override = default;

    // The text on the left half, the previews of the symbols on the right.
    void Draw(DrawerRef drawer) override;

    // The text object; none once the run has deleted it.
    ArtHandle textArt = nullptr;
    std::vector<std::string> symbolNames;
};

class CkznT2ODialog : public CAdmDialogBase {
  public:
    CkznT2ODialog() = default;
    ~CkznT2ODialog() override;

    ASErr Init() override;
    void Notify(NotifierRef notifier) override;

    // Rebuilds the target list from the chosen layer and the table; edits are lost.
    void FindTextArt();
    // Refills the symbol list from the active target.
    void ShowSymbols();
    // Editing the active target's symbols.
    void AddSymbol();
    void RemoveSymbols();
    void MoveSymbolUp();
    void MoveSymbolDown();
    // Enables the symbol buttons and the several-symbols check box from the selections.
    void UpdateButtons();
    // Writes the target rows to PATH; true when the file was written.
    bool SaveTable(const char* path);
    // Replaces every listed text by copies of its symbols.
    void ReplaceTexts();
    // Copies of the pattern art of every name (a placeholder square for a name without a
    // pattern), each directly above TEXTART, in the order of the names.
    std::vector<ArtHandle> MakeSymbolCopies(const std::vector<std::string>& names,
                                            ArtHandle textArt);

  private:
    bool IsOn(ASInt32 id) const;
    static CkznT2OTextEntry* TargetOf(EntryRef entry);
    CkznT2OTextEntry* ActiveTarget() const;
    void MoveSymbol(int step);

    // The steps of the replacement run.
    // Where the results go: the layer that takes every result (null: each stays above its text)
    // and the one that takes, besides, the results of several symbols (null: none).
    struct SymbolLayers {
        LayerHandle all = nullptr;
        LayerHandle several = nullptr;
    };
    SymbolLayers MakeSymbolLayers();
    // Puts the symbols of TARGET, the row ENTRY, where its text stands and onto LAYERS. Returns
    // what replaces the text (a group of several symbols, or the one symbol), null for nothing.
    ArtHandle PlaceSymbols(EntryRef entry, const CkznT2OTextEntry& target,
                           const SymbolLayers& layers);
    // A new group directly above TEXTART for COPIES. Null when the host makes none: the copies
    // are disposed of and COPIES is emptied. TEXT (the row's) is for the trace.
    static ArtHandle MakeSymbolGroup(std::vector<ArtHandle>& copies, ArtHandle textArt,
                                     const char* text);
    // Lays COPIES out left to right in one row and moves each into GROUP, when there is one. A
    // copy that cannot join the group is disposed of. Returns the copies that stand in the row.
    static std::vector<ArtHandle> LayOutRow(const std::vector<ArtHandle>& copies, ArtHandle group,
                                            const char* text);
    // Adds to GROUP the arc over the copies of ROW; BOUNDS are the group's without the arc.
    static void JoinWithArc(const std::vector<ArtHandle>& row, const AIRealRect& bounds,
                            ArtHandle group);
    // Moves RESULT so that the centre of BOUNDS comes onto ANCHOR and turns it there by ANGLE;
    // a turned result's leaves are tagged with the angle.
    static void PlaceResult(ArtHandle result, const AIRealRect& bounds, const AIRealPoint& anchor,
                            AIReal angle);
    // Moves RESULT onto the layers of LAYERS: a GROUPED one ends on the several-symbols layer.
    static void MoveToLayers(ArtHandle result, bool grouped, const SymbolLayers& layers);

    CAdmListBase* layerList = nullptr;
    CAdmListBase* targetList = nullptr;
    CAdmListBase* symbolList = nullptr;
    CAdmListBase* patternList = nullptr;
    ReplacementTable table;
};
