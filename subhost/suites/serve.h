// How every suite call of the host is served: it is recorded, may be made to fail on purpose,
// and whatever goes wrong inside the host comes back to the module as an error code, never as
// an exception.
#pragma once

#include <new>
#include <type_traits>

#include "subhost/error.h"
#include "subhost/host.h"

namespace subhost {

template <typename Body>
ASErr Serve(const char* suite, const char* call, Body&& body) {
    Host* host = Host::Current();
    if (host == nullptr) {
        return kNoHostErr;
    }
    struct Serving {
        Host& host;
        explicit Serving(Host& h) : host(h) { host.BeginServing(); }
        ~Serving() { host.EndServing(); }
        Serving(const Serving&) = delete;
        Serving& operator=(const Serving&) = delete;
    } serving(*host);
    try {
        if (const std::optional<ASErr> fault = host->Enter(suite, call)) {
            return *fault;
        }
        // Ends the call however the body leaves.
        struct Call {
            Host& host;
            bool succeeded = false;
            explicit Call(Host& h) : host(h) { host.BeginCall(); }
            ~Call() { host.EndCall(succeeded); }
            Call(const Call&) = delete;
            Call& operator=(const Call&) = delete;
        } served(*host);
        if constexpr (std::is_void_v<std::invoke_result_t<Body, Host&>>) {
            body(*host);
            served.succeeded = true;
            return kNoErr;
        } else {
            const ASErr result = body(*host);
            served.succeeded = result == kNoErr;
            return result;
        }
    } catch (const HostError& e) {
        host->NoteError(suite, call, e.what());
        return e.code();
    } catch (const std::bad_alloc&) {
        host->NoteError(suite, call, "out of memory");
        return kOutOfMemoryErr;
    } catch (const std::exception& e) {
        host->NoteError(suite, call, e.what());
        return kHostFailureErr;
    }
}

// Out-parameters must be given.
template <typename T>
T& Out(T* pointer) {
    if (pointer == nullptr) {
        throw HostError(kBadArgumentErr, "an out-parameter is null");
    }
    if constexpr (std::is_pointer_v<T>) {
        if (Host* host = Host::Current()) {
            host->NoteOut([pointer] { *pointer = nullptr; });
        }
    }
    return *pointer;
}

}  // namespace subhost
