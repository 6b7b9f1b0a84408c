#include "subhost/host.h"

#include <cstring>

#include "subhost/error.h"
#include "subhost/suites/tables.h"

namespace subhost {
namespace {

Host* gCurrent = nullptr;

// The check word of every message the host sends.
constexpr std::int32_t kMessageCheck = FourCharCode('K', 'Z', 'N', 'H');

}  // namespace

Host::Host(std::unique_ptr<PluginModule> module)
    : module_(std::move(module)),
      self_(reinterpret_cast<PluginRef>(detail::NextHandleValue())),
      dialogs_(*this) {
    if (gCurrent != nullptr) {
        throw std::logic_error("only one host serves the module at a time");
    }
    gCurrent = this;
}

Host::~Host() {
    gCurrent = nullptr;
}

Host* Host::Current() {
    return gCurrent;
}

BasicSuite* Host::basicSuite() {
    return const_cast<BasicSuite*>(static_cast<const BasicSuite*>(BasicSuiteTable()));
}

ASErr Host::Deliver(const char* caller, const char* selector, void* message) {
    return module_->entry()(caller, selector, message);
}

ASErr Host::Send(const char* caller, const char* selector) {
    MessageData message = {kMessageCheck, self_, globals_, basicSuite()};
    const ASErr result = Deliver(caller, selector, &message);
    globals_ = message.globals;
    return result;
}

ASErr Host::Startup() {
    return Send(kSPInterfaceCaller, kStartupSelector);
}

ASErr Host::Shutdown() {
    return Send(kSPInterfaceCaller, kShutdownSelector);
}

ASErr Host::RunFilter(FilterHandle filter) {
    FilterMessage message = {{kMessageCheck, self_, globals_, basicSuite()}, filter};
    const ASErr result = Deliver(kFilterCaller, kGoSelector, &message);
    globals_ = message.d.globals;
    return result;
}

ASErr Host::RunFilter(const std::string& name) {
    const FilterRecord* filter = FindFilter(name);
    if (filter == nullptr) {
        throw ActionError("the Filter menu has no command named " + name);
    }
    return RunFilter(filter->handle);
}

const FilterRecord* Host::FindFilter(const std::string& name) const {
    for (const FilterRecord& f : filters_) {
        if (f.name == name) {
            return &f;
        }
    }
    return nullptr;
}

int Host::Held(const std::string& suite) const {
    const auto it = held_.find(suite);
    return it == held_.end() ? 0 : it->second;
}

int Host::TotalHeld() const {
    int total = 0;
    for (const auto& [name, count] : held_) {
        total += count;
    }
    return total;
}

std::optional<ASErr> Host::Enter(const char* suite, const char* call) {
    calls_.Add(suite, call);
    if (faults_.empty()) {
        nullOutNext_ = false;
        return std::nullopt;
    }
    nullOutNext_ = faults_.OnCallNullOut(suite, call);
    return faults_.OnCall(suite, call);
}

void Host::BeginCall() {
    outFrames_.push_back({calls_.size() - 1, nullOutNext_, {}});
    nullOutNext_ = false;
}

void Host::NoteOut(std::function<void()> clear) {
    if (outFrames_.empty()) {
        return;
    }
    OutFrame& frame = outFrames_.back();
    if (CallRecord* record = calls_.Find(frame.call)) {
        record->pointerOut = true;
    }
    if (frame.nullOut) {
        frame.clears.push_back(std::move(clear));
    }
}

void Host::EndCall(bool succeeded) {
    if (outFrames_.empty()) {
        return;
    }
    if (succeeded) {
        for (const auto& clear : outFrames_.back().clears) {
            clear();
        }
    }
    outFrames_.pop_back();
}

void Host::NoteError(const char* suite, const char* call, const std::string& why) {
    errors_.push_back(std::string(suite) + "/" + call + ": " + why);
}

ASErr Host::Acquire(const char* name, ASInt32 version, const void** suite) {
    bool known = false;
    const void* table = FindSuite(name, version, &known);
    if (table == nullptr) {
        throw HostError(known ? kSuiteVersionErr : kSuiteNotFoundErr,
                        std::string(known ? "no such version of " : "no suite named ") + name);
    }
    *suite = table;
    ++held_[name];
    return kNoErr;
}

ASErr Host::Release(const char* name, ASInt32 version) {
    bool known = false;
    if (FindSuite(name, version, &known) == nullptr) {
        throw HostError(known ? kSuiteVersionErr : kSuiteNotFoundErr,
                        std::string("cannot release unknown suite ") + name);
    }
    int& count = held_[name];
    if (count == 0) {
        throw HostError(kSuiteNotHeldErr, std::string(name) + " is not held");
    }
    --count;
    return kNoErr;
}

void* Host::AllocateBlock(std::int32_t size, const char* name) {
    if (size < 0) {
        throw HostError(kBadArgumentErr, "negative block size");
    }
    BlockRecord block{
        name ? name : "", static_cast<std::size_t>(size),
        std::make_unique_for_overwrite<std::uint8_t[]>(static_cast<std::size_t>(size))};
    // A new block holds whatever the memory held, as with any host: the module clears what it
    // needs cleared. The filler makes a word it forgot stand out.
    std::memset(block.data.get(), 0xCD, block.size);
    void* data = block.data.get();
    blocks_.push_back(std::move(block));
    return data;
}

void Host::FreeBlock(void* data) {
    for (auto it = blocks_.begin(); it != blocks_.end(); ++it) {
        if (it->data.get() == data) {
            blocks_.erase(it);
            return;
        }
    }
    throw HostError(kBadHandleErr, "not a block of this host");
}

FilterHandle Host::AddFilter(PluginRef plugin, const char* name, const FilterRegistration& data,
                             ASInt32 options) {
    if (name == nullptr || data.category == nullptr || data.title == nullptr) {
        throw HostError(kBadArgumentErr, "a filter needs a name, a category and a title");
    }
    auto lengthPrefixed = [](const unsigned char* p) {
        return std::string(reinterpret_cast<const char*>(p + 1), p[0]);
    };
    FilterRecord record;
    record.handle = reinterpret_cast<FilterHandle>(detail::NextHandleValue());
    record.plugin = plugin;
    record.name = name;
    record.category = lengthPrefixed(data.category);
    record.title = lengthPrefixed(data.title);
    record.options = options;
    record.menuItem = reinterpret_cast<MenuItemHandle>(detail::NextHandleValue());
    filters_.push_back(record);
    return record.handle;
}

FilterRecord& Host::GetFilter(FilterHandle filter) {
    for (FilterRecord& f : filters_) {
        if (f.handle == filter) {
            return f;
        }
    }
    throw HostError(kBadHandleErr, "not a filter handle");
}

FilterRecord& Host::GetFilterByMenuItem(MenuItemHandle item) {
    for (FilterRecord& f : filters_) {
        if (f.menuItem == item) {
            return f;
        }
    }
    throw HostError(kBadHandleErr, "not a menu item handle");
}

}  // namespace subhost
