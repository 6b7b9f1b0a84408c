#include "subhost/files.h"

#ifdef _WIN32
#include <process.h>
#define getpid _getpid
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace subhost {
namespace {

namespace fs = std::filesystem;

std::string Reason(const std::error_code& error) {
    return error.message();
}

// The file a chain of symbolic links at PATH ends at (PATH itself when it is no link). A link
// whose target does not exist yet gives that target.
fs::path FinalTarget(const fs::path& path) {
    fs::path at = path;
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(at, error))) {
            return at;
        }
        const fs::path target = fs::read_symlink(at, error);
        if (error) {
            throw FileError(path.string() + ": cannot be written (" + Reason(error) + ")");
        }
        at = target.is_absolute() ? target : at.parent_path() / target;
    }
    throw FileError(path.string() + ": cannot be written (too many symbolic links)");
}

// Writes BYTES into the file at PATH as it is, without replacing it (a device, a pipe).
void WriteInPlace(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    if (!out) {
        throw FileError(path + ": cannot be written (" + std::strerror(errno) + ")");
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (out.fail()) {
        throw FileError(path + ": cannot be written");
    }
}

// Gives the file at TEMPORARY the mode and (where this process may) the owner of ORIGINAL.
void TakeOver(const fs::path& temporary, const fs::path& original) {
    std::error_code error;
    const fs::file_status status = fs::status(original, error);
    if (error || !fs::is_regular_file(status)) {
        return;
    }
    fs::permissions(temporary, status.permissions(), fs::perm_options::replace, error);
#ifndef _WIN32
    struct stat info {};
    if (::stat(original.c_str(), &info) == 0) {
        // Only root may give a file away; anyone else keeps their own, as on any new file.
        [[maybe_unused]] const int ignored = ::chown(temporary.c_str(), info.st_uid, info.st_gid);
    }
#endif
}

}  // namespace

std::string ReadWholeFile(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) {
        throw FileError(path + ": is a folder, not a file");
    }
    if (!fs::exists(status)) {
        throw FileError(path + ": cannot be read (no such file)");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw FileError(path + ": cannot be read (" + std::strerror(errno) + ")");
    }
    std::string text;
    try {
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        throw FileError(path + ": cannot be read");
    }
    if (in.bad()) {
        throw FileError(path + ": cannot be read");
    }
    return text;
}

void WriteWholeFile(const std::string& path, const std::string& bytes) {
    std::error_code error;
    // What the name finally stands for, links followed.
    const fs::file_status status = fs::status(path, error);
    if (fs::is_directory(status)) {
        throw FileError(path + ": is a folder; the file cannot be written there");
    }
    if (fs::exists(status) && !fs::is_regular_file(status)) {
        WriteInPlace(path, bytes);
        return;
    }
    const fs::path target = FinalTarget(path);
    const std::string temporary = target.string() + ".part" + std::to_string(getpid());
    std::remove(temporary.c_str());
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) {
            throw FileError(path + ": cannot be written (" + std::strerror(errno) + ")");
        }
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (out.fail()) {
            std::remove(temporary.c_str());
            throw FileError(path + ": cannot be written");
        }
    }
    TakeOver(temporary, target);
    fs::rename(temporary, target, error);
    if (error) {
        std::remove(temporary.c_str());
        throw FileError(path + ": cannot be written (" + Reason(error) + ")");
    }
}

}  // namespace subhost
