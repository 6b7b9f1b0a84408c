#include "harness.h"

#include <fstream>

namespace kzntest {

int LineOf(const std::string& file, const std::string& text) {
    std::ifstream in(file);
    std::string line;
    for (int n = 1; std::getline(in, line); ++n) {
        if (line.find(text) != std::string::npos) {
            return n;
        }
    }
    return 0;
}

}  // namespace kzntest
