// Handles the host gives out: opaque values that are never reused, so a handle of an object that
// is gone is recognised as such instead of reaching freed memory. A handle is looked up in a hash
// table: the same cost however many objects are alive.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>

#include "subhost/error.h"

namespace subhost {

namespace detail {
inline std::uintptr_t NextHandleValue() {
    static std::uintptr_t next = 0x10000;
    next += 0x10;
    return next;
}
}  // namespace detail

template <typename Ref, typename T>
class HandleTable {
  public:
    explicit HandleTable(const char* kind) : kind_(kind) {}

    Ref Add(std::unique_ptr<T> object) {
        const Ref ref = reinterpret_cast<Ref>(detail::NextHandleValue());
        objects_.emplace(ref, std::move(object));
        return ref;
    }

    T* Find(Ref ref) const {
        const auto it = objects_.find(ref);
        return it == objects_.end() ? nullptr : it->second.get();
    }

    // The object of REF; a null, unknown or disposed handle is a host error.
    T& Get(Ref ref) const {
        if (T* object = Find(ref)) {
            return *object;
        }
        throw HostError(kBadHandleErr, std::string("not a live ") + kind_ + " handle");
    }

    std::unique_ptr<T> Remove(Ref ref) {
        const auto it = objects_.find(ref);
        if (it == objects_.end()) {
            return nullptr;
        }
        std::unique_ptr<T> object = std::move(it->second);
        objects_.erase(it);
        return object;
    }

    std::size_t size() const { return objects_.size(); }

    // A live object for which PRED holds (in no particular order); null when none.
    template <typename Pred>
    T* FindIf(Pred pred) const {
        for (const auto& [ref, object] : objects_) {
            if (pred(*object)) {
                return object.get();
            }
        }
        return nullptr;
    }

  private:
    const char* kind_;
    std::unordered_map<Ref, std::unique_ptr<T>> objects_;
};

}  // namespace subhost
