// The substitute host: it loads a plug-in module, serves the suites the module acquires, sends
// it messages, and records what the module does so that people and tests can see it.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "host/ai.h"
#include "host/sp.h"
#include "subhost/diagnostics.h"
#include "subhost/dialogs/dialogs.h"
#include "subhost/document/document.h"
#include "subhost/loader/module.h"
#include "subhost/windows/substitutes.h"

namespace subhost {

// Automatic enabling of a menu item, as the module asked for it.
struct MenuAutoUpdate {
    ASInt32 action = 0;
    ASInt32 ifMenuArt = 0;
    ASInt32 ifNotMenuArt = 0;
    ASInt32 ifSelectedArt = 0;
    ASInt32 ifNotSelectedArt = 0;
    ASInt32 ifTrue = 0;
    ASInt32 ifFalse = 0;
    bool operator==(const MenuAutoUpdate&) const = default;
};

// One command of the Filter menu.
struct FilterRecord {
    FilterHandle handle = nullptr;
    PluginRef plugin = nullptr;
    std::string name;
    std::string category;  // Shift-JIS, from the length-prefixed string
    std::string title;     // Shift-JIS
    ASInt32 options = 0;
    MenuItemHandle menuItem = nullptr;
    std::optional<MenuAutoUpdate> menu;
};

struct BlockRecord {
    std::string name;
    std::size_t size = 0;
    std::unique_ptr<std::uint8_t[]> data;
};

class Host {
  public:
    explicit Host(std::unique_ptr<PluginModule> module);
    ~Host();
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    // The host that serves the module's calls now (one at a time); nullptr when there is none.
    static Host* Current();

    PluginModule& module() { return *module_; }
    PluginRef self() const { return self_; }
    BasicSuite* basicSuite();

    // Messages. Each sends the common header (and the filter handle) with the globals pointer
    // the module stored last; returns what the module returned.
    ASErr Send(const char* caller, const char* selector);
    ASErr Startup();
    ASErr Shutdown();
    ASErr RunFilter(FilterHandle filter);
    // The filter registered under NAME; throws ActionError when there is none.
    ASErr RunFilter(const std::string& name);
    void* globals() const { return globals_; }
    // Hands BLOCK to the module as its globals with the next messages.
    void SetGlobals(void* block) { globals_ = block; }

    // Suites held by the module: acquisitions less releases, per suite name.
    int Held(const std::string& suite) const;
    int TotalHeld() const;

    // Every host call is counted; the records of the last CallLog::kDefaultLimit are kept unless
    // KeepCalls says otherwise (0: none, as for a long run).
    const CallLog& calls() const { return calls_; }
    void KeepCalls(std::size_t limit) { calls_.SetLimit(limit); }
    FaultPlan& faults() { return faults_; }
    TraceLog& trace() { return trace_; }
    std::vector<AssertionReport>& assertions() { return assertions_; }
    const std::vector<FilterRecord>& filters() const { return filters_; }
    const FilterRecord* FindFilter(const std::string& name) const;
    const std::vector<BlockRecord>& blocks() const { return blocks_; }
    DialogManager& dialogs() { return dialogs_; }
    // The open document (an empty one until a map is given).
    Document& document() { return *document_; }
    void SetDocument(std::unique_ptr<Document> document) { document_ = std::move(document); }
    Win32Substitutes& win32() { return win32_; }

    // Bookkeeping of every host call: records it and answers with an arranged failure, if any.
    std::optional<ASErr> Enter(const char* suite, const char* call);
    // The out-values of the call being served (the last one entered; calls the module makes
    // while it is served, from its dialog procedures, nest). NoteOut is told of every handle or
    // pointer the call gives back, with how to make it null; EndCall makes them null when the
    // call succeeded and a null out-value was arranged for it.
    void BeginCall();
    void NoteOut(std::function<void()> clear);
    void EndCall(bool succeeded);
    // How many host calls are being served at this moment (0 while the module runs on its own).
    std::size_t callsBeingServed() const { return serving_; }
    // Counted by Serve around everything it does for a call, its bookkeeping included.
    void BeginServing() { ++serving_; }
    void EndServing() { --serving_; }
    // Why host calls failed, as "Suite/Call: reason", in order.
    const std::vector<std::string>& errors() const { return errors_; }
    void NoteError(const char* suite, const char* call, const std::string& why);

    // What the suites do.
    ASErr Acquire(const char* name, ASInt32 version, const void** suite);
    ASErr Release(const char* name, ASInt32 version);
    void* AllocateBlock(std::int32_t size, const char* name);
    void FreeBlock(void* block);
    FilterHandle AddFilter(PluginRef plugin, const char* name, const FilterRegistration& data,
                           ASInt32 options);
    FilterRecord& GetFilter(FilterHandle filter);
    FilterRecord& GetFilterByMenuItem(MenuItemHandle item);

  private:
    ASErr Deliver(const char* caller, const char* selector, void* message);

    std::unique_ptr<PluginModule> module_;
    PluginRef self_;
    void* globals_ = nullptr;
    std::map<std::string, int> held_;
    CallLog calls_;
    struct OutFrame {
        std::size_t call;
        bool nullOut;
        std::vector<std::function<void()>> clears;
    };
    std::vector<OutFrame> outFrames_;
    bool nullOutNext_ = false;
    std::size_t serving_ = 0;
    std::vector<std::string> errors_;
    FaultPlan faults_;
    TraceLog trace_;
    std::vector<AssertionReport> assertions_;
    std::vector<FilterRecord> filters_;
    std::vector<BlockRecord> blocks_;
    DialogManager dialogs_;
    std::unique_ptr<Document> document_ = std::make_unique<Document>();
    Win32Substitutes win32_;
};

}  // namespace subhost
