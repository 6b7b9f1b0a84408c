// The host's dialog manager: dialogs built from the module's dialog templates, their items, the
// lists of list items and their entries, the procedures the module installs on all of them,
// drawers and images with a record of everything painted, modal runs driven by a script of user
// actions, and non-modal dialogs.
#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/adm.h"
#include "subhost/dialogs/drawers.h"
#include "subhost/dialogs/items.h"
#include "subhost/handles.h"
#include "subhost/loader/resources.h"
#include "subhost/values.h"

namespace subhost {

class Host;
struct Dialog;
struct Item;
struct List;

struct Entry {
    EntryRef ref = nullptr;
    List* list = nullptr;
    std::string text;  // Shift-JIS
    ASInt32 id = 0;
    bool selected = false;
    UserData userData = nullptr;
    int invalidations = 0;  // redraw requests
    DisplayList painted;    // what the last paint of the row drew
    bool destroying = false;
    std::size_t position = 0;  // see List::IndexOf
};

struct List {
    ListRef ref = nullptr;
    Item* item = nullptr;
    std::deque<Entry*> entries;  // in list order; the dialog manager owns them
    Entry* active = nullptr;
    UserData userData = nullptr;
    EntryDrawProc draw = nullptr;
    EntryTrackProc track = nullptr;
    EntryNotifyProc notify = nullptr;
    EntryDestroyProc destroy = nullptr;
    int scrollTop = 0;  // pixels scrolled off the top

    // The index of ENTRY in the list, -1 when it is not in it. Each entry keeps a position: its
    // index plus the number of entries taken off the front since the positions were counted.
    // Adding at the end and taking from either end keep the positions right; adding or taking in
    // the middle has them counted again when next asked for.
    int IndexOf(const Entry* entry) const;
    void Append(Entry* entry);
    void Insert(std::size_t index, Entry* entry);
    void Remove(Entry* entry);

  private:
    void Renumber() const;
    mutable std::size_t removedFromFront_ = 0;
    mutable bool numbered_ = true;
};

struct Item {
    ItemRef ref = nullptr;
    Dialog* dialog = nullptr;
    ItemTemplate source;  // as the template gives it (or as the item was created)
    ItemKind kind = ItemKind::Other;
    ADMRect bounds{};  // in the dialog's pixels
    std::string text;  // Shift-JIS
    std::string tip;   // Shift-JIS
    ASInt32 pictureID = 0;
    ASInt32 itemStyle = 0;  // the dialog manager's style, set by the module
    bool enabled = true;
    bool booleanValue = false;
    List* list = nullptr;

    UserData userData = nullptr;
    ItemDrawProc draw = nullptr;
    ItemTrackProc track = nullptr;
    ItemNotifyProc notify = nullptr;
    ItemDestroyProc destroy = nullptr;
    ItemTextToFloatProc textToFloat = nullptr;
    ItemFloatToTextProc floatToText = nullptr;
    bool destroying = false;

    int id() const { return source.id; }
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
    Item* focus = nullptr;

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
    EntryRef entry = nullptr;
    std::string type;
};

struct Tracker {
    ItemRef item = nullptr;
    ASInt32 action = 0;
    std::optional<std::string> typed;  // what a person typed into an edit, until applied
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

// What a person can do in an open modal dialog. An action a person could not take (no such
// item, a disabled item, a row that does not exist, the dialog already closed) throws
// ActionError and changes nothing.
class DialogSession {
  public:
    DialogSession(DialogManager& manager, Dialog& dialog) : manager_(manager), dialog_(dialog) {}

    const Dialog& dialog() const { return dialog_; }
    bool open() const { return dialog_.open; }
    const Item& item(int id) const;
    // The texts of the rows of list item ID.
    std::vector<std::string> Rows(int id) const;

    // Pushes button ID.
    void Click(int id);
    void Ok() { Click(kOKItemID); }
    void Cancel() { Click(kCancelItemID); }
    // Picks the entry at INDEX, or the first entry whose text is TEXT, of popup item ID.
    void Pick(int id, int index);
    void Pick(int id, const std::string& text);
    // Clicks row INDEX, or the first row whose text is TEXT, of list item ID.
    void ClickRow(int id, int index);
    void ClickRow(int id, const std::string& text);
    // Sets check box or radio button ID as a click would.
    void Check(int id, bool on);
    // Types TEXT into edit item ID, replacing what it held.
    void Type(int id, const std::string& text);
    // Paints every visible row of every list (or of list item ID).
    void Paint();
    void Paint(int id);

  private:
    Item& Usable(int id);
    List& UsableList(int id, bool popup);
    void ChooseRow(Item& item, int index);

    DialogManager& manager_;
    Dialog& dialog_;
};

// Acts in one modal dialog from the moment it is shown; when it returns with the dialog still
// open, the dialog is cancelled.
using DialogScript = std::function<void(DialogSession&)>;

class DialogManager {
  public:
    // Rows of every list are this many pixels high.
    static constexpr int kRowHeight = 16;
    // Where dialogs stand on the screen.
    static constexpr ADMPoint kDialogOrigin = {100, 100};

    explicit DialogManager(Host& host) : host_(host) {}
    ~DialogManager();

    // Scripts for the modal dialogs to come, one per dialog in order. A dialog that opens with
    // no script queued is cancelled at once.
    void QueueScript(DialogScript script) { scripts_.push_back(std::move(script)); }
    std::size_t queuedScripts() const { return scripts_.size(); }
    void ClearScripts() { scripts_.clear(); }

    const std::vector<DialogRun>& runs() const { return runs_; }
    // What went wrong in the last script (an action a person could not take), or empty.
    const std::string& scriptError() const { return scriptError_; }
    // Set when a script ended with its dialog still open (the host then cancelled it).
    bool cancelledOpenDialog() const { return cancelledOpen_; }

    // Ends a non-modal dialog as the host would (its destroy procedures run).
    void Close(DialogRef ref);

    std::size_t liveDialogs() const { return dialogs_.size(); }
    std::size_t liveItems() const { return items_.size(); }
    std::size_t liveLists() const { return lists_.size(); }
    std::size_t liveEntries() const { return entries_.size(); }
    std::size_t liveImages() const { return images_.size(); }
    std::size_t liveDrawers() const { return drawers_.size(); }

    // Objects by handle; a null, unknown or gone handle throws HostError.
    Dialog& Get(DialogRef ref) const { return dialogs_.Get(ref); }
    Item& Get(ItemRef ref) const { return items_.Get(ref); }
    List& Get(ListRef ref) const { return lists_.Get(ref); }
    Entry& Get(EntryRef ref) const { return entries_.Get(ref); }
    Notifier& Get(NotifierRef ref) const { return notifiers_.Get(ref); }
    Tracker& Get(TrackerRef ref) const { return trackers_.Get(ref); }
    Image& Get(ImageRef ref) const { return images_.Get(ref); }
    Drawer& Get(DrawerRef ref) const { return drawers_.Get(ref); }
    // The drawer that paints through PORT; throws HostError when no drawer has it.
    Drawer& DrawerOfPort(PortRef port) const;

    // What the dialog suite does.
    ASInt32 Modal(PluginRef plugin, const char* name, ASInt32 id, ASInt32 style,
                  DialogInitProc init, UserData data);
    DialogRef Create(PluginRef plugin, const char* name, ASInt32 id, ASInt32 style,
                     DialogInitProc init, UserData data);
    void Destroy(DialogRef ref);
    void DefaultNotify(Dialog& dialog, const Notifier& notifier);

    // What the item suite does.
    ItemRef CreateItem(Dialog& dialog, ASInt32 id, const std::string& type, const ADMRect& bounds,
                       ItemInitProc init, UserData data);
    void DestroyItem(Item& item);
    void DefaultNotify(Item& item, NotifierRef notifier);
    bool DefaultTrack(Item& item, Tracker& tracker);
    void SetBooleanValue(Item& item, bool value);

    // What the list and entry suites do.
    Entry& InsertEntry(List& list, int index);
    void DestroyEntry(Entry& entry);
    void Select(Entry& entry, bool select);
    void Activate(Entry& entry, bool activate);
    void MakeInBounds(Entry& entry);
    ADMRect BoundsOf(const Entry& entry) const;  // in the list's coordinates
    // The row in its own coordinates, (0, 0) at its top-left: where its drawer paints, and what
    // the entry suite gives as the entry's bounds and local rectangle.
    ADMRect RowOf(const Entry& entry) const;
    ADMRect ScreenOf(const Entry& entry, const ADMRect& local) const;
    void DefaultNotify(Entry& entry, NotifierRef notifier);
    void DefaultDraw(Entry& entry, DrawerRef drawer);
    bool Visible(const Entry& entry) const;

    // Drawers and images.
    DrawerRef NewDrawer(const ADMRect& bounds, DisplayList* record);
    void DisposeDrawer(DrawerRef drawer);
    ImageRef CreateImage(int width, int height);
    void DestroyImage(ImageRef image);
    DrawerRef BeginDrawing(Image& image);
    void EndDrawing(Image& image);

    // Sends a notification of TYPE for ITEM (or the dialog itself) as the host does: through
    // the entry's procedure when ENTRY is given, then the item's, then the dialog's.
    void Notify(Dialog& dialog, Item* item, const char* type, Entry* entry = nullptr);
    // Runs the draw procedure of each visible row of LIST, recording what it paints.
    void Paint(List& list);

  private:
    friend class DialogSession;

    Dialog& Build(PluginRef plugin, const char* name, ASInt32 id, ASInt32 style, bool modal,
                  UserData data);
    Item& AddItem(Dialog& dialog, const ItemTemplate& source, ItemKind kind);
    // Runs the destroy procedures and forgets the dialog, its items and their entries.
    void Finish(Dialog& dialog);
    void NotifyDialog(Dialog& dialog, NotifierRef notifier);
    void NotifyItem(Item& item, NotifierRef notifier);

    Host& host_;
    HandleTable<DialogRef, Dialog> dialogs_{"dialog"};
    HandleTable<ItemRef, Item> items_{"item"};
    HandleTable<ListRef, List> lists_{"list"};
    HandleTable<EntryRef, Entry> entries_{"entry"};
    HandleTable<NotifierRef, Notifier> notifiers_{"notifier"};
    HandleTable<TrackerRef, Tracker> trackers_{"tracker"};
    HandleTable<ImageRef, Image> images_{"image"};
    HandleTable<DrawerRef, Drawer> drawers_{"drawer"};
    std::deque<DialogScript> scripts_;
    std::vector<DialogRun> runs_;
    std::string scriptError_;
    bool cancelledOpen_ = false;
};

}  // namespace subhost
