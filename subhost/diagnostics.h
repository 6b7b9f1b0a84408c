// What the host records of the module's conduct: its trace lines, its assertion reports, the host
// calls it made, and the calls a test has arranged to fail.
#pragma once

#include <cstddef>
#include <deque>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "host/types.h"

namespace subhost {

// The debugger's output stream: text written in pieces, read back as lines.
class TraceLog {
  public:
    void Write(std::string_view text) {
        if (keep_) {
            text_ += text;
        }
    }
    // Whether what is written is kept (when no one will read it, a long run keeps nothing).
    void Keep(bool keep) { keep_ = keep; }
    // Every complete line, without its line feed (an empty line is an empty string).
    std::vector<std::string> Lines() const;
    const std::string& Text() const { return text_; }
    void Clear() { text_.clear(); }

  private:
    std::string text_;
    bool keep_ = true;
};

struct AssertionReport {
    std::string file;
    int line = 0;
    std::string expression;
};

struct CallRecord {
    std::string suite;
    std::string call;
    bool pointerOut = false;  // the call gives back a handle or pointer through an out-parameter
};

// The host calls made so far: how many, and the records of the last ones, up to a limit, so that
// a long run does not need memory in proportion to its calls. Calls are counted from 0, the first
// call the host served.
class CallLog {
  public:
    static constexpr std::size_t kDefaultLimit = std::size_t{1} << 16;

    std::size_t size() const { return total_; }
    bool empty() const { return total_ == 0; }
    // The first call whose record is kept.
    std::size_t firstKept() const { return total_ - kept_.size(); }
    // The record of call INDEX; throws std::out_of_range when it is not kept.
    const CallRecord& operator[](std::size_t index) const;
    const CallRecord& back() const { return (*this)[total_ - 1]; }
    // The record of call INDEX, null when it is not kept.
    CallRecord* Find(std::size_t index);
    // The kept records from call INDEX on.
    std::vector<CallRecord> Since(std::size_t index) const;

    void Add(const char* suite, const char* call);
    // Keeps the records of the last LIMIT calls (0: counts them only).
    void SetLimit(std::size_t limit);
    std::size_t limit() const { return limit_; }

  private:
    std::deque<CallRecord> kept_;
    std::size_t total_ = 0;
    std::size_t limit_ = kDefaultLimit;
};

// Host calls made to fail: the NTH call of a suite's call, counted from when it was arranged,
// returns the chosen code instead of being carried out.
class FaultPlan {
  public:
    void Fail(std::string suite, std::string call, ASErr code, int nth = 1);
    // The NTH call of a suite's call succeeds, but the handle or pointer it gives back through
    // its out-parameters is null, as from a host that had none to give.
    void NullOut(std::string suite, std::string call, int nth = 1);
    // The NTH call of a suite's call succeeds, but gives back the handle it was asked about (for
    // a sibling: the art itself), as from a host whose list runs in a circle. Served by the
    // calls that look it up (GetArtSibling).
    void EchoOut(std::string suite, std::string call, int nth = 1);
    // Called for every host call; the code to fail it with, if it is one of those arranged.
    std::optional<ASErr> OnCall(std::string_view suite, std::string_view call);
    // Called for every host call; whether its out-values are to be null.
    bool OnCallNullOut(std::string_view suite, std::string_view call);
    // Called by the calls that serve EchoOut; whether this one is to give back its argument.
    bool OnCallEchoOut(std::string_view suite, std::string_view call);
    void Clear() { faults_.clear(); }
    bool empty() const { return faults_.empty(); }

  private:
    enum class Kind { Fail, NullOut, EchoOut };
    struct Fault {
        std::string suite;
        std::string call;
        ASErr code;
        int nth;
        int seen;
        Kind kind = Kind::Fail;
    };
    // Whether this call of CALL is the one a fault of KIND was arranged for.
    bool Due(Kind kind, std::string_view suite, std::string_view call, ASErr* code = nullptr);
    std::vector<Fault> faults_;
};

}  // namespace subhost
