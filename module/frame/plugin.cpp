#include "plugin.h"

#include <new>

#include "frame/suitetable.h"
#include "frame/trace.h"
#include "host/lengthstring.h"
#include "host/suites.h"
#include "host/win32.h"
#include "o2o/kznO2ODialog.h"
#include "t2o/kznT2ODialog.h"
#include "t2t/kznT2TDialog.h"

KznGlobals* gGlobals = nullptr;

namespace {

constexpr const char kSource[] = "plugin";

struct MessageRow {
    const char* caller;
    const char* selector;
    MessageHandler handler;
};

const MessageRow kMessages[] = {
    {kSPInterfaceCaller, kStartupSelector, StartupPlugin},
    {kSPInterfaceCaller, kShutdownSelector, ShutdownPlugin},
    {kFilterCaller, kGoSelector, GoFilter},
    {nullptr, nullptr, nullptr},
};

constexpr const char kCategory[] = "言語地図(&M)";

template <typename Dialog>
CAdmDialogBase* NewDialog() {
    return new (std::nothrow) Dialog;
}

struct FilterRow {
    FilterHandle KznGlobals::*handle;
    const char* name;
    const char* title;
    const char* trace;
    CAdmDialogBase* (*create)();
    const char* dialogName;
    ASInt32 dialogID;
};

const FilterRow kT2T = {
    .handle = &KznGlobals::t2t,
    .name = "t2t",
    .title = "&1) テキスト->テキスト置換",
    .trace = "+t2t\n",
    .create = NewDialog<CkznT2TDialog>,
    .dialogName = "KZN_T2T",
    .dialogID = 101,
};
const FilterRow kT2O = {
    .handle = &KznGlobals::t2o,
    .name = "t2o",
    .title = "&2) テキスト->オブジェクト置換",
    .trace = "+t2o\n",
    .create = NewDialog<CkznT2ODialog>,
    .dialogName = "KZN_T2O",
    .dialogID = 102,
};
const FilterRow kO2O = {
    .handle = &KznGlobals::o2o,
    .name = "o2o",
    .title = "&3) オブジェクト->オブジェクト置換",
    .trace = "+o2o\n",
    .create = NewDialog<CkznO2ODialog>,
    .dialogName = "KZN_O2O",
    .dialogID = 103,
};

// The order in which the filter run compares handles and start-up sets up menu items.
const FilterRow* const kFilters[] = {&kT2T, &kT2O, &kO2O};

ASErr AddFilter(PluginRef self, const FilterRow& row, FilterRegistration& registration,
                CLengthString& title) {
    title = row.title;
    registration.title = title.Pascal();
    return sFilter->AddFilter(self, row.name, &registration, 0, &(gGlobals->*row.handle));
}

ASErr StartupError(ASErr err) {
    KznTrace("%s", "error\n");
    return err;
}

}  // namespace

extern "C" KZN_EXPORT ASErr PluginMain(const char* caller, const char* selector, void* message) {
    KznTrace("%s", "\n");
    KznTrace("PluginMain(%s, %s)\n", caller, selector);

    auto* data = static_cast<MessageData*>(message);
    sBasic = data->basic;

    ASErr result = kNoErr;
    for (const MessageRow* row = kMessages; row->handler != nullptr; ++row) {
        if (sBasic->IsEqual(caller, row->caller) && sBasic->IsEqual(selector, row->selector)) {
            gGlobals = static_cast<KznGlobals*>(data->globals);
            result = row->handler(caller, selector, message);
        }
    }

    KznTrace("return %d\n", result);
    KznTrace("%s", "\n");
    return result;
}

ASErr StartupPlugin(const char* caller, const char* selector, void* message) {
    KznTrace("kznStartup(%s,%s)\n", caller, selector);
    auto* data = static_cast<MessageData*>(message);
    const ASErr acquired = AcquireSuites(data->basic);
    // Without the suites that start-up calls there is nothing it can register.
    if (sBlocks == nullptr || sFilter == nullptr || sMenu == nullptr) {
        return StartupError(acquired);
    }

    void* block = nullptr;
    ASErr err = sBlocks->AllocateBlock(sizeof(KznGlobals), "globals", &block);
    gGlobals = static_cast<KznGlobals*>(block);
    if (err != kNoErr) {
        return StartupError(err);
    }
    // Start from empty words: a filter that fails to register must leave no stray handle.
    *gGlobals = KznGlobals{};
    data->globals = gGlobals;

    CLengthString category(kCategory);
    CLengthString title;
    FilterRegistration registration = {category.Pascal(), nullptr};

    KznChecked(AddFilter(data->self, kO2O, registration, title), kSource);
    err = AddFilter(data->self, kT2O, registration, title);
    if (err != kNoErr) {
        return StartupError(err);
    }
    err = AddFilter(data->self, kT2T, registration, title);
    if (err != kNoErr) {
        return StartupError(err);
    }

    for (const FilterRow* row : kFilters) {
        // A filter whose registration failed (only o2o's failure is let pass) has no menu item.
        if (gGlobals->*row->handle == nullptr) {
            continue;
        }
        MenuItemHandle menuItem = nullptr;
        err = sFilter->GetFilterMenuItem(gGlobals->*row->handle, &menuItem);
        if (err != kNoErr) {
            return StartupError(err);
        }
        err = sMenu->UpdateMenuItemAutomatically(menuItem, kAutoEnableMenuItemAction, 0, 0, 0, 0,
                                                 kIfOpenDocument, 0);
        if (err != kNoErr) {
            return StartupError(err);
        }
    }
    return kNoErr;
}

ASErr ShutdownPlugin(const char*, const char*, void* message) {
    ReleaseSuites(static_cast<MessageData*>(message)->basic);
    return kNoErr;
}

ASErr GoFilter(const char*, const char*, void* message) {
    auto* filterMessage = static_cast<FilterMessage*>(message);
    KznGlobals* globals = gGlobals;
    if (globals != nullptr) {
        globals->self = filterMessage->d.self;
    }
    KznTrace("%s", "+kznFilterGo\n");
    // A dialog needs every suite; with one missing it would call through a null pointer.
    const bool ready = AcquireSuites(filterMessage->d.basic) == kNoErr && globals != nullptr;

    for (const FilterRow* row : kFilters) {
        if (!ready || filterMessage->filter != globals->*row->handle) {
            continue;
        }
        KznTrace("%s", row->trace);
        if (CAdmDialogBase* dialog = row->create()) {
            dialog->Modal(filterMessage->d.self, row->dialogName, row->dialogID, 0);
            delete dialog;
        }
        break;
    }

    ReleaseSuites(filterMessage->d.basic);
    return kNoErr;
}

#ifdef _WIN32
BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
#endif
