// kznhost run: a session of the plug-in over a map.
#pragma once

#include <ostream>
#include <string>

namespace kznhost {

struct RunOptions {
    std::string plugin;
    std::string doc;
    std::string script;
    std::string out;    // empty: the map is not written
    std::string trace;  // empty: no trace file
};

// Exit status: 0 the session was carried out; 1 a script line could not be carried out;
// 2 a usage error or an input that cannot be read or is malformed.
int RunSession(const RunOptions& options, std::ostream& err);

}  // namespace kznhost
