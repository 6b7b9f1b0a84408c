// kznhost run as a program of its own on a machine with little memory (Linux): its address space
// bounded (RLIMIT_AS), as prlimit --as bounds it.
#pragma once

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "support/harness.h"
#include "support/tempdir.h"

namespace kzntest {

struct Ended {
    int status = -1;  // the exit status; -1 when a signal ended it
    std::string err;  // what it wrote on standard error
};

// Whether kznhost can start with its address space bounded: AddressSanitizer reserves terabytes
// of it for its shadow, so a sanitized kznhost cannot (the tests that bound it skip there).
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kAddressSpaceBoundable = false;
#else
inline constexpr bool kAddressSpaceBoundable = true;
#endif
#define KZN_SKIP_UNLESS_ADDRESS_SPACE_BOUNDABLE()                                                  \
    if (!kzntest::kAddressSpaceBoundable) {                                                        \
        GTEST_SKIP() << "a kznhost built with AddressSanitizer cannot start in a bounded address " \
                        "space";                                                                   \
    }

// Runs kznhost ARGS with at most BYTES of address space; standard output is dropped.
inline Ended RunKznhostWithin(std::uint64_t bytes, const std::vector<std::string>& args) {
    TempDir dir;
    const std::string errPath = dir / "stderr.txt";
    std::vector<std::string> words = {KZN_KZNHOST_PATH};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const pid_t child = ::fork();
    if (child == 0) {
        const rlimit limit{bytes, bytes};
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int null = ::open("/dev/null", O_WRONLY);
        if (::setrlimit(RLIMIT_AS, &limit) != 0 || err < 0 || null < 0 || ::dup2(err, 2) < 0 ||
            ::dup2(null, 1) < 0) {
            ::_exit(126);
        }
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, TempDir::Read(errPath)};
}

}  // namespace kzntest
