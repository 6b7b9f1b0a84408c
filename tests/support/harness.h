// Shared ground of the tests: the module file under test and a host that has loaded it.
#pragma once

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "subhost/host.h"

namespace kzntest {

inline std::string ModulePath() {
    return KZN_MODULE_PATH;
}
inline std::string SourcePath(const std::string& relative) {
    return std::string(KZN_SOURCE_DIR) + "/" + relative;
}

// The size field of the file dialog record the module fills: the 76-byte form of the 32-bit
// product (also on Linux); 64-bit Windows counts the same form as 136 bytes.
#ifdef _WIN64
constexpr unsigned kFileDialogRecordSize = 136;
#else
constexpr unsigned kFileDialogRecordSize = 76;
#endif

// A host with the built kzn.aip loaded from its file.
inline std::unique_ptr<subhost::Host> LoadedHost() {
    return std::make_unique<subhost::Host>(subhost::PluginModule::Load(ModulePath()));
}

// Number of recorded host calls of SUITE/CALL from index FROM on.
inline int CountCalls(const subhost::Host& host, const std::string& suite, const std::string& call,
                      std::size_t from = 0) {
    int n = 0;
    for (std::size_t i = std::max(from, host.calls().firstKept()); i < host.calls().size(); ++i) {
        n += host.calls()[i].suite == suite && host.calls()[i].call == call;
    }
    return n;
}

// The 1-based line of the first line of FILE that contains TEXT, or 0.
int LineOf(const std::string& file, const std::string& text);

// Each failed checked call of the trace as "<code> <source>,<line>".
inline std::vector<std::string> FailedCalls(subhost::Host& host) {
    std::vector<std::string> calls;
    const auto lines = host.trace().Lines();
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i].rfind("ASErr:", 0) == 0) {
            calls.push_back(lines[i].substr(6) + " " + lines[i + 1]);
        }
    }
    return calls;
}

// How a failed checked call with CODE is traced when it is made at the line of FILE (a source of
// the module, from the project's folder) that holds CALL.
inline std::string CheckedCallAt(const std::string& code, const std::string& file,
                                 const std::string& call) {
    const std::size_t name = file.rfind('/') + 1;
    return code + " " + file.substr(name, file.rfind('.') - name) + "," +
           std::to_string(LineOf(SourcePath(file), call));
}

}  // namespace kzntest
