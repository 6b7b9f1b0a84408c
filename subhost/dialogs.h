// The host's dialog manager: dialogs built from the module's dialog templates, their items, the
// procedures the module installs on them, modal runs driven by a script of user actions, and
// non-modal dialogs.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "handles.h"
#include "host/adm.h"
#include "resources.h"

namespace subhost {

class Host;
struct Dialog;

// What an item is, from its template class and style.
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
const char* KindName(ItemKind kind);

struct Item {
    ItemRef ref = nullptr;
    Dialog* dialog = nullptr;
    ItemTemplate source;  // as the template gives it
    ItemKind kind = ItemKind::Other;
    std::string text;  // Shift-JIS
    bool enabled = true;
};

struct Dialog {
    DialogRef ref = nullptr;
    PluginRef plugin = nullptr;
    std::string name;
    int resourceId = 0;
    ASInt32 style = 0;
    bool modal = false;
    const DialogTemplate* source = nullptr;
    std::vector<Item*> items;  // in template order; the dialog manager owns them

    UserData userData = nullptr;
    DialogDrawProc draw = nullptr;
    DialogTrackProc track = nullptr;
    DialogNotifyProc notify = nullptr;
    DialogDestroyProc destroy = nullptr;

    bool open = false;
    bool finishing = false;
    ASInt32 itemHit = 0;
    std::size_t run = 0;  // index of its record in DialogManager::runs()

    Item* FindItem(int id) const;
};

struct Notifier {
    DialogRef dialog = nullptr;
    ItemRef item = nullptr;
    std::string type;
};

struct Tracker {
    DialogRef dialog = nullptr;
    ItemRef item = nullptr;
};

// One dialog that has been opened, as a test or a session sees it afterwards.
struct DialogRun {
    std::string name;
    int resourceId = 0;
    ASInt32 style = 0;
    bool modal = false;
    PluginRef plugin = nullptr;
    ASErr initResult = kNoErr;
    ASInt32 itemHit = 0;
    bool destroyed = false;
    std::size_t callsWhenClosed = 0;  // number of host calls recorded when the run returned
};

class DialogManager;

// What a person can do in an open modal dialog. Every action that a person could not take (no
// such item, a disabled item, the dialog already closed) throws ActionError.
class DialogSession {
  public:
    DialogSession(DialogManager& manager, Dialog& dialog) : manager_(manager), dialog_(dialog) {}

    const Dialog& dialog() const { return dialog_; }
    bool open() const { return dialog_.open; }

    // Pushes button ID.
    void Click(int id);
    void Ok() { Click(kOKItemID); }
    void Cancel() { Click(kCancelItemID); }

  private:
    Item& Usable(int id);

    DialogManager& manager_;
    Dialog& dialog_;
};

// Acts in one modal dialog from the moment it is shown; when it returns with the dialog still
// open, the dialog is cancelled.
using DialogScript = std::function<void(DialogSession&)>;

class DialogManager {
  public:
    explicit DialogManager(Host& host) : host_(host) {}
    ~DialogManager();

    // Scripts for the modal dialogs to come, one per dialog in order. A dialog that opens with
    // no script queued is cancelled at once.
    void QueueScript(DialogScript script) { scripts_.push_back(std::move(script)); }
    std::size_t queuedScripts() const { return scripts_.size(); }

    const std::vector<DialogRun>& runs() const { return runs_; }
    // What went wrong in the last script (an action a person could not take), or empty.
    const std::string& scriptError() const { return scriptError_; }
    // Set when a script ended with its dialog still open (the host then cancelled it).
    bool cancelledOpenDialog() const { return cancelledOpen_; }

    // Ends a non-modal dialog as the host would (its destroy procedure runs).
    void Close(DialogRef ref);

    std::size_t liveDialogs() const { return dialogs_.size(); }
    std::size_t liveItems() const { return items_.size(); }

    // The calls of the dialog and notifier suites.
    Dialog& Get(DialogRef ref) const { return dialogs_.Get(ref); }
    Item& GetItem(ItemRef ref) const { return items_.Get(ref); }
    Notifier& GetNotifier(NotifierRef ref) const { return notifiers_.Get(ref); }
    ASInt32 Modal(PluginRef plugin, const char* name, ASInt32 id, ASInt32 style,
                  DialogInitProc init, UserData data);
    DialogRef Create(PluginRef plugin, const char* name, ASInt32 id, ASInt32 style,
                     DialogInitProc init, UserData data);
    void Destroy(DialogRef ref);
    void DefaultNotify(Dialog& dialog, const Notifier& notifier);
    ASBoolean DefaultTrack(Dialog& dialog, const Tracker& tracker);

    // Sends a notification of TYPE for ITEM (or the dialog itself) as the host does.
    void Notify(Dialog& dialog, Item* item, const char* type);

  private:
    friend class DialogSession;

    Dialog& Build(PluginRef plugin, const char* name, ASInt32 id, ASInt32 style, bool modal,
                  UserData data);
    // Runs the destroy procedure and forgets the dialog and its items.
    void Finish(Dialog& dialog);

    Host& host_;
    HandleTable<DialogRef, Dialog> dialogs_{"dialog"};
    HandleTable<ItemRef, Item> items_{"item"};
    HandleTable<NotifierRef, Notifier> notifiers_{"notifier"};
    std::deque<DialogScript> scripts_;
    std::vector<DialogRun> runs_;
    std::string scriptError_;
    bool cancelledOpen_ = false;
};

}  // namespace subhost
