#include "subhost/files.h"

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#define getpid _getpid
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <new>

namespace subhost {
namespace {

namespace fs = std::filesystem;

std::string Reason(const std::error_code& error) {
    return error.message();
}

// What a file of TYPE is called when it is refused for not being a regular file.
std::string KindOf(fs::file_type type) {
    switch (type) {
        case fs::file_type::directory:
            return "a folder";
        case fs::file_type::fifo:
            return "a pipe";
        case fs::file_type::character:
        case fs::file_type::block:
            return "a device";
        case fs::file_type::socket:
            return "a socket";
        default:
            return "a special file";
    }
}

// "1 GiB", "64 MiB", "16 bytes".
std::string Size(std::uint64_t bytes) {
    if (bytes >= (1U << 30) && bytes % (1U << 30) == 0) {
        return std::to_string(bytes >> 30) + " GiB";
    }
    if (bytes >= (1U << 20) && bytes % (1U << 20) == 0) {
        return std::to_string(bytes >> 20) + " MiB";
    }
    return std::to_string(bytes) + " bytes";
}

// FinalTarget (files.h), as a path.
fs::path FinalTargetPath(const fs::path& path) {
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
#ifdef _WIN32
    std::ofstream out(path, std::ios::binary);
    if (!out) {
        throw FileError(path + ": cannot be written (" + std::strerror(errno) + ")");
    }
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (out.fail()) {
        throw FileError(path + ": cannot be written");
    }
#else
    // Opened without waiting: a pipe that no one reads would hold the host up for ever.
    const int fd = ::open(path.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw FileError(path + ": cannot be written (" +
                        (errno == ENXIO ? std::string("no one reads the pipe")
                                        : std::string(std::strerror(errno))) +
                        ")");
    }
    // Once someone reads, the bytes are handed over as fast as they are taken.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) {
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            ::close(fd);
            throw FileError(path + ": cannot be written");
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        throw FileError(path + ": cannot be written");
    }
#endif
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

// The place a file not there yet would be made at: links followed, the path made absolute and
// canonical as far as it exists.
std::string WouldBeMadeAt(const std::string& path) {
    fs::path target;
    try {
        target = FinalTargetPath(path);
    } catch (const FileError&) {
        target = path;
    }
    std::error_code error;
    const fs::path absolute = fs::absolute(target, error);
    if (error) {
        return target.lexically_normal().string();
    }
    const fs::path canonical = fs::weakly_canonical(absolute, error);
    return (error ? absolute.lexically_normal() : canonical).string();
}

}  // namespace

std::string TooLarge(const std::string& path, const InputBound& bound) {
    return path + ": is larger than " + Size(bound.bytes) + ", the most " + bound.kind +
           " may hold";
}

std::string NotAFile(const std::string& path) {
    std::error_code error;
    const fs::file_status status = fs::status(path, error);
    if (!fs::exists(status) || fs::is_regular_file(status)) {
        return "";
    }
    return KindOf(status.type());
}

std::string FinalTarget(const std::string& path) {
    return FinalTargetPath(path).string();
}

std::string RunningProgram() {
#ifdef _WIN32
    char self[MAX_PATH];
    const DWORD length = ::GetModuleFileNameA(nullptr, self, sizeof self);
    return length == 0 || length >= sizeof self ? std::string() : std::string(self, length);
#else
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    return error ? std::string() : self.string();
#endif
}

std::string FileKey(const std::string& path) {
    std::error_code error;
    if (fs::exists(path, error)) {
#ifdef _WIN32
        // The volume and the file's index on it: the same for every name of a file.
        const HANDLE file =
            ::CreateFileA(path.c_str(), FILE_READ_ATTRIBUTES,
                          FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                          OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            BY_HANDLE_FILE_INFORMATION info{};
            const bool known = ::GetFileInformationByHandle(file, &info) != 0;
            ::CloseHandle(file);
            if (known) {
                return "@" + std::to_string(info.dwVolumeSerialNumber) + ":" +
                       std::to_string((std::uint64_t{info.nFileIndexHigh} << 32) |
                                      info.nFileIndexLow);
            }
        }
#else
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0) {
            return "@" + std::to_string(info.st_dev) + ":" + std::to_string(info.st_ino);
        }
#endif
        const fs::path canonical = fs::canonical(path, error);
        if (!error) {
            return "@" + canonical.string();
        }
    }
    return "=" + WouldBeMadeAt(path);
}

std::string ReadWholeFile(const std::string& path, const InputBound& bound) {
    // Looked at before it is opened: opening a pipe may wait, and a device may never end.
    if (const std::string kind = NotAFile(path); !kind.empty()) {
        throw FileError(path + ": is " + kind + ", not a file");
    }
    std::string text;
#ifdef _WIN32
    std::error_code error;
    if (!fs::exists(path, error)) {
        throw FileError(path + ": cannot be read (no such file)");
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw FileError(path + ": cannot be read (" + std::strerror(errno) + ")");
    }
    char buffer[1 << 16];
    try {
        while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
            const auto got = static_cast<std::size_t>(in.gcount());
            if (text.size() + got > bound.bytes) {
                throw FileError(TooLarge(path, bound));
            }
            text.append(buffer, got);
        }
    } catch (const std::bad_alloc&) {
        throw FileError(path + ": cannot be read (out of memory)");
    }
    if (in.bad()) {
        throw FileError(path + ": cannot be read");
    }
#else
    // Without waiting, and looked at again once open: it may have been replaced meanwhile.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        throw FileError(
            path + ": cannot be read (" +
            (errno == ENOENT ? std::string("no such file") : std::string(std::strerror(errno))) +
            ")");
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        throw FileError(path + ": cannot be read (" + std::strerror(errno) + ")");
    }
    if (!S_ISREG(info.st_mode)) {
        throw FileError(path + ": is " +
                        KindOf(S_ISDIR(info.st_mode)    ? fs::file_type::directory
                               : S_ISFIFO(info.st_mode) ? fs::file_type::fifo
                               : S_ISSOCK(info.st_mode) ? fs::file_type::socket
                                                        : fs::file_type::character) +
                        ", not a file");
    }
    // The size the system gives is checked first; what is read is counted all the same, as a
    // file may grow, and some (those of /proc) say they are empty.
    if (static_cast<std::uint64_t>(info.st_size) > bound.bytes) {
        throw FileError(TooLarge(path, bound));
    }
    char buffer[1 << 16];
    try {
        text.reserve(static_cast<std::size_t>(info.st_size));
        for (;;) {
            const ssize_t n = ::read(fd, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) {
                continue;
            }
            if (n < 0) {
                throw FileError(path + ": cannot be read (" + std::strerror(errno) + ")");
            }
            if (n == 0) {
                break;
            }
            if (text.size() + static_cast<std::size_t>(n) > bound.bytes) {
                throw FileError(TooLarge(path, bound));
            }
            text.append(buffer, static_cast<std::size_t>(n));
        }
    } catch (const std::bad_alloc&) {
        throw FileError(path + ": cannot be read (out of memory)");
    }
#endif
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
    const fs::path target = FinalTargetPath(path);
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
