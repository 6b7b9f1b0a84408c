// Errors of the substitute host. They stay inside the host: every call that the module makes
// turns them into an error code before it returns.
#pragma once

#include <stdexcept>
#include <string>

#include "host/types.h"

namespace subhost {

// Error codes the host answers with.
constexpr ASErr kSuiteNotFoundErr = FourCharCode('S', 'U', 'I', '?');
constexpr ASErr kSuiteVersionErr = FourCharCode('V', 'E', 'R', '?');
constexpr ASErr kSuiteNotHeldErr = FourCharCode('H', 'E', 'L', 'D');
constexpr ASErr kBadHandleErr = FourCharCode('H', 'N', 'D', '?');
constexpr ASErr kBadArgumentErr = FourCharCode('A', 'R', 'G', '?');
constexpr ASErr kNoResourceErr = FourCharCode('R', 'E', 'S', '?');
constexpr ASErr kOutOfMemoryErr = FourCharCode('!', 'M', 'E', 'M');
constexpr ASErr kHostFailureErr = FourCharCode('H', 'O', 'S', 'T');
constexpr ASErr kNoHostErr = FourCharCode('N', 'O', 'H', 'O');
// Document calls.
constexpr ASErr kWrongArtTypeErr = FourCharCode('T', 'Y', 'P', '?');  // art of another kind
constexpr ASErr kBadPlacementErr = FourCharCode('P', 'L', 'C', '?');  // no such place for art
constexpr ASErr kOutOfRangeErr = FourCharCode('R', 'N', 'G', '?');    // an index past the end
constexpr ASErr kNoSuchTagErr = FourCharCode('T', 'A', 'G', '?');
constexpr ASErr kNotKeptErr = FourCharCode('K', 'E', 'E', 'P');  // a kind the document cannot hold

// "ABCD" for a four-character code, or the decimal value when it has unprintable characters.
std::string CodeName(ASErr code);

// A host call that cannot be honoured; CODE is what the module gets back.
class HostError : public std::runtime_error {
  public:
    HostError(ASErr code, const std::string& what) : std::runtime_error(what), code_(code) {}
    ASErr code() const { return code_; }

  private:
    ASErr code_;
};

// A module file that cannot be used.
class ModuleError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A user action that a person could not take (a disabled item, a row that does not exist, no
// dialog open).
class ActionError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

}  // namespace subhost
