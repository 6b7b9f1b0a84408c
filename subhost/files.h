// Reading the files a person names and writing the files the host leaves behind.
#pragma once

#include <stdexcept>
#include <string>

namespace subhost {

// A file that cannot be read or written; the message names the file and what is wrong.
class FileError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The whole content of the regular file at PATH. Throws FileError for a folder, a file that is
// missing or cannot be read.
std::string ReadWholeFile(const std::string& path);

// Writes BYTES to PATH so that PATH never holds half of them:
// - a regular file (or none) is replaced by a file written beside it and renamed over it, which
//   takes the old file's mode (and its owner, where this process may give it);
// - a symbolic link is followed: its target is replaced, the link stays;
// - what is not a regular file (a device, a pipe) is written directly, never replaced;
// - a folder is refused.
// Throws FileError naming PATH when the bytes cannot all be written.
void WriteWholeFile(const std::string& path, const std::string& bytes);

}  // namespace subhost
