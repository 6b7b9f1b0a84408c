// Reading the files a person names and writing the files the host leaves behind.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace subhost {

// A file that cannot be read or written; the message names the file and what is wrong.
class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The most bytes an input of a kind may hold: far more than any real one, and few enough that a
// file never meant as one (a disk image, a log that keeps growing) is refused before it fills
// the memory.
struct InputBound {
    std::uint64_t bytes;
    const char* kind;  // "a map": what the refusal calls the input
};
inline constexpr InputBound kMapBound{std::uint64_t{1} << 30, "a map"};
inline constexpr InputBound kScriptBound{std::uint64_t{64} << 20, "a session script"};
inline constexpr InputBound kTableBound{std::uint64_t{64} << 20, "a table file"};
inline constexpr InputBound kModuleBound{std::uint64_t{256} << 20, "a module file"};

// "PATH: is larger than 64 MiB, the most a table file may hold".
std::string TooLarge(const std::string& path, const InputBound& bound);

// The whole content of the regular file at PATH. Throws FileError for a file that is missing or
// cannot be read, for what is not a regular file (a folder, a pipe or a device: these are never
// opened to be read, so one that never ends cannot hold the host up) and for a file larger than
// BOUND.
std::string ReadWholeFile(const std::string& path, const InputBound& bound);

// What PATH is when it exists and is not a regular file, links followed ("a folder", "a pipe",
// "a device", "a socket"); empty for a regular file or none.
std::string NotAFile(const std::string& path);

// The file a chain of symbolic links at PATH ends at (PATH itself when it is no link); a link
// whose target does not exist yet gives that target. Throws FileError for a chain that does not
// end or cannot be read.
std::string FinalTarget(const std::string& path);

// The file of the running program; empty where the system does not say.
std::string RunningProgram();

// What PATH names, for telling whether two paths name the same file: equal keys for the same
// file. A file that exists is known by what it is (its device and inode, so that a link, a hard
// link or "./" counts), one not there yet by the canonical path it would be made at, links
// followed.
std::string FileKey(const std::string& path);

// Writes BYTES to PATH so that PATH never holds half of them:
// - a regular file (or none) is replaced by a file written beside it and renamed over it, which
//   takes the old file's mode (and its owner, where this process may give it);
// - a symbolic link is followed: its target is replaced, the link stays;
// - what is not a regular file (a device, a pipe) is written directly, never replaced; a pipe
//   that no one reads is refused rather than waited for;
// - a folder is refused.
// Throws FileError naming PATH when the bytes cannot all be written.
void WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace subhost
