// The host's dialog manager: dialogs, items, lists, entries and the objects handed to their
// procedures (drawers, trackers, notifiers). Every call returns an error code; results come back
// through out-parameters.
#pragma once

#include "types.h"

// Dialog drawing coordinates: integers, y growing downwards.
struct ADMPoint {
    ASInt32 h;
    ASInt32 v;
};

struct ADMRect {
    ASInt32 left;
    ASInt32 top;
    ASInt32 right;
    ASInt32 bottom;
};

// Colours of the host's colour list used by painters.
constexpr ASInt32 kADMBlackColor = 0;
constexpr ASInt32 kADMWhiteColor = 1;
constexpr ASInt32 kADMHiliteColor = 2;
constexpr ASInt32 kADMHiliteTextColor = 3;
constexpr ASInt32 kADMDisabledColor = 7;
constexpr ASInt32 kADMTextColor = 15;

// Procedures that the plug-in installs on a dialog.
using DialogInitProc = ASErr(KZN_API*)(DialogRef dialog);
using DialogDrawProc = void(KZN_API*)(DialogRef dialog, DrawerRef drawer);
using DialogTrackProc = ASBoolean(KZN_API*)(DialogRef dialog, TrackerRef tracker);
using DialogNotifyProc = void(KZN_API*)(DialogRef dialog, NotifierRef notifier);
using DialogDestroyProc = void(KZN_API*)(DialogRef dialog);

// Procedures that the plug-in installs on an item.
using ItemInitProc = ASErr(KZN_API*)(ItemRef item);
using ItemDrawProc = void(KZN_API*)(ItemRef item, DrawerRef drawer);
using ItemTrackProc = ASBoolean(KZN_API*)(ItemRef item, TrackerRef tracker);
using ItemNotifyProc = void(KZN_API*)(ItemRef item, NotifierRef notifier);
using ItemDestroyProc = void(KZN_API*)(ItemRef item);
using ItemTextToFloatProc = ASBoolean(KZN_API*)(ItemRef item, const char* text, float* value);
using ItemFloatToTextProc = ASBoolean(KZN_API*)(ItemRef item, float value, char* text,
                                                ASInt32 length);

// Procedures that the plug-in installs on a list for all of its entries.
using EntryDrawProc = void(KZN_API*)(EntryRef entry, DrawerRef drawer);
using EntryTrackProc = ASBoolean(KZN_API*)(EntryRef entry, TrackerRef tracker);
using EntryNotifyProc = void(KZN_API*)(EntryRef entry, NotifierRef notifier);
using EntryDestroyProc = void(KZN_API*)(EntryRef entry);

struct ADMBasicSuite {
    // Copies string STRINGID (INDEX 0) of PLUGIN's string table, cut to maxLength - 1 bytes.
    ASErr(KZN_API* GetIndexString)(PluginRef plugin, ASInt32 stringID, ASInt32 index, char* buffer,
                                   ASInt32 maxLength);
};

struct ADMDialogSuite {
    // Creates a dialog that stays open until it is destroyed.
    ASErr(KZN_API* Create)(PluginRef plugin, const char* name, ASInt32 dialogID, ASInt32 style,
                           DialogInitProc initProc, UserData data, DialogRef* dialog);
    // Runs a dialog until the user closes it; *itemHit receives the item that closed it.
    ASErr(KZN_API* Modal)(PluginRef plugin, const char* name, ASInt32 dialogID, ASInt32 style,
                          DialogInitProc initProc, UserData data, ASInt32* itemHit);
    ASErr(KZN_API* Destroy)(DialogRef dialog);

    ASErr(KZN_API* GetUserData)(DialogRef dialog, UserData* data);
    ASErr(KZN_API* SetUserData)(DialogRef dialog, UserData data);

    ASErr(KZN_API* SetDrawProc)(DialogRef dialog, DialogDrawProc proc);
    ASErr(KZN_API* SetTrackProc)(DialogRef dialog, DialogTrackProc proc);
    ASErr(KZN_API* SetNotifyProc)(DialogRef dialog, DialogNotifyProc proc);
    ASErr(KZN_API* SetDestroyProc)(DialogRef dialog, DialogDestroyProc proc);

    // The host's own handling, for procedures that pass an event on.
    ASErr(KZN_API* DefaultDraw)(DialogRef dialog, DrawerRef drawer);
    ASErr(KZN_API* DefaultTrack)(DialogRef dialog, TrackerRef tracker, ASBoolean* handled);
    ASErr(KZN_API* DefaultNotify)(DialogRef dialog, NotifierRef notifier);

    ASErr(KZN_API* GetItem)(DialogRef dialog, ASInt32 itemID, ItemRef* item);
    ASErr(KZN_API* GetWindowRef)(DialogRef dialog, WindowRef* window);
};

struct ADMDialogGroupSuite {};
// Item types for ADMItemSuite::Create.
constexpr const char kADMListBoxType[] = "ADM List Box Type";
constexpr const char kADMPopupListType[] = "ADM Popup List Type";
constexpr const char kADMPictureButtonType[] = "ADM Picture Push Button Type";
constexpr const char kADMTextEditType[] = "ADM Text Edit Type";
constexpr const char kADMTextStaticType[] = "ADM Text Static Type";
constexpr const char kADMTextPushButtonType[] = "ADM Text Push Button Type";

struct ADMItemSuite {
    ASErr(KZN_API* Create)(DialogRef dialog, ASInt32 itemID, const char* itemType,
                           const ADMRect* bounds, ItemInitProc initProc, UserData data,
                           ItemRef* item);
    ASErr(KZN_API* Destroy)(ItemRef item);

    ASErr(KZN_API* GetUserData)(ItemRef item, UserData* data);
    ASErr(KZN_API* SetUserData)(ItemRef item, UserData data);

    ASErr(KZN_API* SetDrawProc)(ItemRef item, ItemDrawProc proc);
    ASErr(KZN_API* SetTrackProc)(ItemRef item, ItemTrackProc proc);
    ASErr(KZN_API* SetNotifyProc)(ItemRef item, ItemNotifyProc proc);
    ASErr(KZN_API* SetDestroyProc)(ItemRef item, ItemDestroyProc proc);
    ASErr(KZN_API* SetTextToFloatProc)(ItemRef item, ItemTextToFloatProc proc);
    ASErr(KZN_API* SetFloatToTextProc)(ItemRef item, ItemFloatToTextProc proc);

    ASErr(KZN_API* DefaultDraw)(ItemRef item, DrawerRef drawer);
    ASErr(KZN_API* DefaultTrack)(ItemRef item, TrackerRef tracker, ASBoolean* handled);
    ASErr(KZN_API* DefaultNotify)(ItemRef item, NotifierRef notifier);
    ASErr(KZN_API* DefaultTextToFloat)(ItemRef item, const char* text, float* value,
                                       ASBoolean* converted);
    ASErr(KZN_API* DefaultFloatToText)(ItemRef item, float value, char* text, ASInt32 length,
                                       ASBoolean* converted);

    ASErr(KZN_API* GetID)(ItemRef item, ASInt32* itemID);
    ASErr(KZN_API* GetDialog)(ItemRef item, DialogRef* dialog);
    ASErr(KZN_API* GetList)(ItemRef item, ListRef* list);

    // Copies the item's text, cut to maxLength - 1 bytes and zero-terminated.
    ASErr(KZN_API* GetText)(ItemRef item, char* text, ASInt32 maxLength);
    ASErr(KZN_API* SetText)(ItemRef item, const char* text);
    ASErr(KZN_API* SetTipString)(ItemRef item, const char* tip);
    ASErr(KZN_API* SetPictureID)(ItemRef item, ASInt32 pictureID);
    ASErr(KZN_API* GetItemStyle)(ItemRef item, ASInt32* style);
    ASErr(KZN_API* SetItemStyle)(ItemRef item, ASInt32 style);

    ASErr(KZN_API* Enable)(ItemRef item, ASBoolean enable);
    ASErr(KZN_API* IsEnabled)(ItemRef item, ASBoolean* enabled);
    // Gives the item the keyboard focus.
    ASErr(KZN_API* Activate)(ItemRef item, ASBoolean activate);
    ASErr(KZN_API* IsActive)(ItemRef item, ASBoolean* active);
    ASErr(KZN_API* GetBooleanValue)(ItemRef item, ASBoolean* value);
    ASErr(KZN_API* SetBooleanValue)(ItemRef item, ASBoolean value);
    ASErr(KZN_API* Invalidate)(ItemRef item);
};

struct ADMListSuite {
    ASErr(KZN_API* GetUserData)(ListRef list, UserData* data);
    ASErr(KZN_API* SetUserData)(ListRef list, UserData data);
    ASErr(KZN_API* GetItem)(ListRef list, ItemRef* item);

    ASErr(KZN_API* SetDrawProc)(ListRef list, EntryDrawProc proc);
    ASErr(KZN_API* SetTrackProc)(ListRef list, EntryTrackProc proc);
    ASErr(KZN_API* SetNotifyProc)(ListRef list, EntryNotifyProc proc);
    ASErr(KZN_API* SetDestroyProc)(ListRef list, EntryDestroyProc proc);

    // A new entry at INDEX (0 = first; the number of entries or more = last).
    ASErr(KZN_API* InsertEntry)(ListRef list, ASInt32 index, EntryRef* entry);
    ASErr(KZN_API* RemoveEntry)(ListRef list, ASInt32 index);
    ASErr(KZN_API* IndexEntry)(ListRef list, ASInt32 index, EntryRef* entry);
    // The first entry whose text equals TEXT; null when there is none.
    ASErr(KZN_API* FindEntry)(ListRef list, const char* text, EntryRef* entry);
    ASErr(KZN_API* NumberOfEntries)(ListRef list, ASInt32* count);
    // The active entry (the one the user picked last); null when there is none.
    ASErr(KZN_API* GetActiveEntry)(ListRef list, EntryRef* entry);
    ASErr(KZN_API* NumberOfSelectedEntries)(ListRef list, ASInt32* count);
    // The N-th selected entry in list order.
    ASErr(KZN_API* IndexSelectedEntry)(ListRef list, ASInt32 n, EntryRef* entry);
};

struct ADMEntrySuite {
    // A new entry at the end of LIST.
    ASErr(KZN_API* Create)(ListRef list, EntryRef* entry);
    ASErr(KZN_API* Destroy)(EntryRef entry);

    ASErr(KZN_API* GetList)(EntryRef entry, ListRef* list);
    ASErr(KZN_API* GetIndex)(EntryRef entry, ASInt32* index);
    ASErr(KZN_API* GetUserData)(EntryRef entry, UserData* data);
    ASErr(KZN_API* SetUserData)(EntryRef entry, UserData data);

    // Copies the entry's text, cut to maxLength - 1 bytes and zero-terminated.
    ASErr(KZN_API* GetText)(EntryRef entry, char* text, ASInt32 maxLength);
    ASErr(KZN_API* SetText)(EntryRef entry, const char* text);
    ASErr(KZN_API* GetID)(EntryRef entry, ASInt32* entryID);
    ASErr(KZN_API* SetID)(EntryRef entry, ASInt32 entryID);

    ASErr(KZN_API* Select)(EntryRef entry, ASBoolean select);
    ASErr(KZN_API* IsSelected)(EntryRef entry, ASBoolean* selected);
    ASErr(KZN_API* Activate)(EntryRef entry, ASBoolean activate);
    ASErr(KZN_API* IsActive)(EntryRef entry, ASBoolean* active);

    // Asks for the entry to be painted again.
    ASErr(KZN_API* Invalidate)(EntryRef entry);
    // Scrolls the list so that the entry is visible.
    ASErr(KZN_API* MakeInBounds)(EntryRef entry);

    // The entry's rectangle in its list's coordinates.
    ASErr(KZN_API* GetBoundsRect)(EntryRef entry, ADMRect* bounds);
    // The entry's rectangle in its own coordinates (left and top 0).
    ASErr(KZN_API* GetLocalRect)(EntryRef entry, ADMRect* local);
    // RECT, in the entry's own coordinates, in screen coordinates.
    ASErr(KZN_API* LocalToScreenRect)(EntryRef entry, ADMRect* rect);

    ASErr(KZN_API* DefaultDraw)(EntryRef entry, DrawerRef drawer);
    ASErr(KZN_API* DefaultTrack)(EntryRef entry, TrackerRef tracker, ASBoolean* handled);
    ASErr(KZN_API* DefaultNotify)(EntryRef entry, NotifierRef notifier);
};

struct ADMDrawerSuite {
    ASErr(KZN_API* GetBoundsRect)(DrawerRef drawer, ADMRect* bounds);
    ASErr(KZN_API* GetOrigin)(DrawerRef drawer, ADMPoint* origin);
    ASErr(KZN_API* GetPortRef)(DrawerRef drawer, PortRef* port);
    ASErr(KZN_API* SetADMColor)(DrawerRef drawer, ASInt32 color);
    ASErr(KZN_API* FillRect)(DrawerRef drawer, const ADMRect* rect);
    ASErr(KZN_API* FrameRect)(DrawerRef drawer, const ADMRect* rect);
    ASErr(KZN_API* DrawLine)(DrawerRef drawer, const ADMPoint* from, const ADMPoint* to);
    // Draws TEXT left-aligned inside RECT, clipped to it.
    ASErr(KZN_API* DrawTextLeft)(DrawerRef drawer, const char* text, const ADMRect* rect);
    ASErr(KZN_API* GetTextWidth)(DrawerRef drawer, const char* text, ASInt32* width);
    ASErr(KZN_API* DrawADMImage)(DrawerRef drawer, ImageRef image, const ADMPoint* topLeft);
    ASErr(KZN_API* DrawSunkenRect)(DrawerRef drawer, const ADMRect* rect);
};

struct ADMImageSuite {
    ASErr(KZN_API* Create)(ASInt32 width, ASInt32 height, ImageRef* image);
    ASErr(KZN_API* Destroy)(ImageRef image);
    // A drawer that paints into the image until EndADMDrawer.
    ASErr(KZN_API* BeginADMDrawer)(ImageRef image, DrawerRef* drawer);
    ASErr(KZN_API* EndADMDrawer)(ImageRef image);
};

struct ADMTrackerSuite {
    // The kind of mouse or key event being tracked.
    ASErr(KZN_API* GetAction)(TrackerRef tracker, ASInt32* action);
};

// Tracker actions.
constexpr ASInt32 kADMMouseDownAction = 1;
constexpr ASInt32 kADMKeyStrokeAction = 10;

struct ADMNotifierSuite {
    ASErr(KZN_API* GetItem)(NotifierRef notifier, ItemRef* item);
    ASErr(KZN_API* GetDialog)(NotifierRef notifier, DialogRef* dialog);
    // Copies the notifier's type name, cut to maxLength - 1 bytes and zero-terminated.
    ASErr(KZN_API* GetNotifierType)(NotifierRef notifier, char* type, ASInt32 maxLength);
};

// Notifier types.
constexpr const char kShowWindowNotifier[] = "ADM Show Window Notifier";
constexpr const char kUserChangedNotifier[] = "ADM User Changed Notifier";

// Items of every dialog that close it.
constexpr ASInt32 kOKItemID = 1;
constexpr ASInt32 kCancelItemID = 2;
