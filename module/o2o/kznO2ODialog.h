// The object-to-object dialog: every symbol object on a chosen layer (a group tagged with its
// symbol name) is listed once per name, each name gets another pattern, and on OK every group of
// the name is replaced by a copy of that pattern's art at the same place and rotation.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "dialogfw/AdmDialogBase.h"
#include "dialogfw/AdmEntryBase.h"
#include "dialogfw/AdmListBase.h"
#include "host/ai.h"
#include "host/lengthstring.h"
#include "util/kznTableFile.h"

// Items of the dialog.
constexpr ASInt32 kO2OLayerPopup = 1016;
constexpr ASInt32 kO2OObjectList = 1011;
constexpr ASInt32 kO2OPatternList = 1013;
constexpr ASInt32 kO2OOpenButton = 1101;
constexpr ASInt32 kO2OSaveButton = 1102;
constexpr ASInt32 kO2OClearButton = 1021;
constexpr ASInt32 kO2OFileLabel = 1034;

// Object name to the groups of that name, names in byte order, groups in the order found.
using TaggedGroupIndex = std::map<std::string, std::vector<ArtHandle>>;

// The groups found on the layer of the last object list. Groups that a run replaced are taken
// out of it as they are deleted, so it never holds a group the run has deleted.
extern TaggedGroupIndex gTaggedGroupIndex;

// Adds to INDEX every tagged group in ART and its following siblings, searching inside untagged
// groups but never inside a tagged one; locked or hidden art is skipped with all it holds.
void FindTagedGroupArt(TaggedGroupIndex& index, ArtHandle art);

// A copy of PATTERNART directly above SOURCE, turned like SOURCE, with its top-left corner (in
// the frame turned by the source's rotation) on the source's, its leaves tagged with the
// rotation. Null when the copy could not be made. SOURCE is left alone.
ArtHandle ReplaceObject(ArtHandle source, ArtHandle patternArt);

// One row of the object list: an object name and the pattern assigned to it. Drawn by Draw
// only; the host entry has no text.
class CkznO2OSrcEntry : public CAdmEntryBase {
  public:
    // Creates the host entry at the end of LIST.
    CkznO2OSrcEntry(ListRef list, UserData data);
    ~CkznO2OSrcEntry() override = default;

    // The first group and the name on the left half, the pattern and its name on the right.
    void Draw(DrawerRef drawer) override;

    CLengthString objectName;
    CLengthString patternName;
    // The first group of the name; null once a run has replaced it.
    ArtHandle firstArt = nullptr;
};

class CkznO2ODialog : public CAdmDialogBase {
  public:
    CkznO2ODialog() = default;
    ~CkznO2ODialog() override;

    ASErr Init() override;
    void Notify(NotifierRef notifier) override;

    // Replaces the groups of every listed name that has a pattern.
    void ReplaceObjects();

  private:
    CkznO2OSrcEntry* ActiveObject() const;

    // Rebuilds the index and the object list from the chosen layer and the table.
    void FillObjectList();
    // Selects the pattern of the active object in the pattern list.
    void SelectAssignedPattern();
    // Gives the active object the selected pattern.
    void AssignSelectedPattern();
    // Takes the pattern from the active object's row; the table keeps it.
    void ClearAssignment();
    void UpdateClearButton();
    // Writes the object rows to PATH; true when the file was written.
    bool SaveTable(const char* path);

    CAdmListBase* layerPopup = nullptr;
    CAdmListBase* patternList = nullptr;
    CAdmListBase* objectList = nullptr;
    ReplacementTable table;
};
