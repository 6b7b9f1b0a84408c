// Shared ground of the tests: the module file under test and a host that has loaded it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>
#include <string>
#include <vector>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>
#endif

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

// Whether a preview stands upright inside CELL (in the drawer's pixels, with a pixel of slack for
// the module's whole-number port bounds): everything drawn is in the cell, and the point of the
// art at BOTTOMLEFT (as a person sees the art) is at the bottom-left of what was drawn.
inline ::testing::AssertionResult UprightIn(const subhost::ArtDrawing& drawing, const ADMRect& cell,
                                            const geometry::Point& bottomLeft) {
    const subhost::PixelRect& p = drawing.placed;
    const geometry::Point q = drawing.toPixels.Apply(bottomLeft);
    std::ostringstream seen;
    seen << "drawn at (" << p.left << "," << p.top << ")-(" << p.right << "," << p.bottom
         << "), its bottom-left at (" << q.x << "," << q.y << "), the cell (" << cell.left << ","
         << cell.top << ")-(" << cell.right << "," << cell.bottom << ")";
    constexpr double kSlack = 1.5;
    const bool inside = p.left >= cell.left - kSlack && p.top >= cell.top - kSlack &&
                        p.right <= cell.right + kSlack && p.bottom <= cell.bottom + kSlack;
    const bool upright = std::abs(q.x - p.left) < 1e-3 && std::abs(q.y - p.bottom) < 1e-3;
    if (inside && upright) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << (inside ? "not upright: " : "not in its cell: ") << seen.str();
}

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

// While it lives, the regular file FILE cannot be opened by this process, also when the tests
// run as root: on Windows another handle holds it without sharing it; elsewhere the process
// holds as many files as it may, so that no further one opens at all.
class Unopenable {
  public:
    explicit Unopenable([[maybe_unused]] const std::string& file) {
#ifdef _WIN32
        holder_ = ::CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
#else
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        const int lowest = ::open("/dev/null", O_RDONLY);  // the lowest descriptor free
        ::close(lowest);
        rlimit limit = saved_;
        limit.rlim_cur = static_cast<rlim_t>(lowest);
        ::setrlimit(RLIMIT_NOFILE, &limit);
#endif
    }
    ~Unopenable() {
#ifdef _WIN32
        ::CloseHandle(holder_);
#else
        ::setrlimit(RLIMIT_NOFILE, &saved_);
#endif
    }
    Unopenable(const Unopenable&) = delete;
    Unopenable& operator=(const Unopenable&) = delete;

  private:
#ifdef _WIN32
    HANDLE holder_ = nullptr;
#else
    rlimit saved_{};
#endif
};

}  // namespace kzntest
