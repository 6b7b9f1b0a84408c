// The end of a kznhost command that prints to standard output.
#pragma once

#include <ostream>

namespace kznhost {

// STATUS when everything printed to OUT was written; otherwise 2, after one line on ERR saying
// so (a full disk, a closed pipe).
inline int Written(std::ostream& out, std::ostream& err, int status) {
    out.flush();
    if (!out) {
        err << "kznhost: the output cannot be written\n";
        return 2;
    }
    return status;
}

}  // namespace kznhost
