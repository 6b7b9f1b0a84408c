// Dialog items' kinds, from their template class and style, with their names; and where a
// dialog template puts its items in pixels.
#pragma once

#include <string>

#include "host/adm.h"
#include "subhost/loader/resources.h"

namespace subhost {

// What an item is, from its template class and style (or the type it was created with).
enum class ItemKind {
    PushButton,
    DefaultButton,
    CheckBox,
    RadioButton,
    GroupBox,
    Static,
    Edit,
    ListBox,        // a plain Windows list box
    PopupList,      // "ADM Popup List Type"
    AdmListBox,     // "ADM List Box Type"
    PictureButton,  // "ADM Picture Push Button Type"
    Other,
};

ItemKind KindOf(const ItemTemplate& item);
ItemKind KindOfType(const std::string& itemType);
// What a person calls the kind ("check box"), and its short name ("check"), by which the page
// builds its control.
const char* KindName(ItemKind kind);
const char* ShortKindName(ItemKind kind);
bool HasList(ItemKind kind);

// Dialog units are a quarter of the dialog font's average character width across and an eighth of
// its line height down. The host lays dialogs out as Windows does at 96 dots per inch: a 9-point
// font (the Japanese dialogs' Gothic) has base units of 6 x 12 pixels (an em of 12 pixels, no
// leading); any other, like the 8-point MS Sans Serif, the 6 x 13 of the 8-point system font.
struct BaseUnits {
    int x = 6;
    int y = 13;
};
BaseUnits BaseUnitsOf(const DialogTemplate* source);
// A template rectangle in pixels of the dialog, rounded down.
ADMRect ToPixels(const DialogRect& r, BaseUnits units);

}  // namespace subhost
