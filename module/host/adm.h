// The host's dialog manager: dialogs, items, lists, entries and the objects handed to their
// procedures (drawers, trackers, notifiers). Every call returns an error code; results come back
// through out-parameters.
#pragma once

#include "types.h"

// Procedures that the plug-in installs on a dialog.
using DialogInitProc = ASErr(KZN_API*)(DialogRef dialog);
using DialogDrawProc = void(KZN_API*)(DialogRef dialog, DrawerRef drawer);
using DialogTrackProc = ASBoolean(KZN_API*)(DialogRef dialog, TrackerRef tracker);
using DialogNotifyProc = void(KZN_API*)(DialogRef dialog, NotifierRef notifier);
using DialogDestroyProc = void(KZN_API*)(DialogRef dialog);

struct ADMBasicSuite {};

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
struct ADMItemSuite {};
struct ADMListSuite {};
struct ADMEntrySuite {};
struct ADMDrawerSuite {};
struct ADMImageSuite {};
struct ADMTrackerSuite {};

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
