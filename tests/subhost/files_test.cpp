// Files the host reads and leaves behind: whole or not at all, and never in place of something
// that is not theirs to replace.
#include <gtest/gtest.h>

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <filesystem>
#include <vector>

#include "subhost/files.h"
#include "support/tempdir.h"

namespace {

namespace fs = std::filesystem;
using kzntest::TempDir;

// The message of the FileError that F throws, or "" when it throws none.
template <typename F>
std::string Refusal(F f) {
    try {
        f();
    } catch (const subhost::FileError& e) {
        return e.what();
    }
    return "";
}

TEST(WholeFile, ReplacesAFileWithTheNewBytesAndLeavesNothingBeside) {
    TempDir dir;
    const std::string file = dir.Write("map.json", "old, longer content");
    subhost::WriteWholeFile(file, "new");
    EXPECT_EQ(TempDir::Read(file), "new");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(WholeFile, AFolderIsNeitherReadNorReplaced) {
    TempDir dir;
    fs::create_directory(dir / "maps");
    EXPECT_EQ(Refusal([&] { subhost::ReadWholeFile(dir / "maps", subhost::kMapBound); }),
              dir / "maps" + ": is a folder, not a file");
    EXPECT_EQ(Refusal([&] { subhost::WriteWholeFile(dir / "maps", "x"); }),
              dir / "maps" + ": is a folder; the file cannot be written there");
    EXPECT_TRUE(fs::is_directory(dir / "maps"));
    EXPECT_EQ(Refusal([&] { subhost::ReadWholeFile(dir / "none", subhost::kMapBound); }),
              dir / "none" + ": cannot be read (no such file)");
}

TEST(WholeFile, ASymbolicLinkIsWrittenThroughAndStays) {
#ifdef _WIN32
    GTEST_SKIP() << "symbolic links need privileges on Windows";
#else
    TempDir dir;
    const std::string target = dir.Write("target.json", "old");
    fs::create_directory(dir / "links");
    fs::create_symlink("../target.json", dir / "links/out.json");
    subhost::WriteWholeFile(dir / "links/out.json", "new");
    EXPECT_TRUE(fs::is_symlink(dir / "links/out.json"));
    EXPECT_EQ(TempDir::Read(target), "new");
    // A link to a file not there yet makes the file.
    fs::create_symlink("later.json", dir / "dangling.json");
    subhost::WriteWholeFile(dir / "dangling.json", "made");
    EXPECT_TRUE(fs::is_symlink(dir / "dangling.json"));
    EXPECT_EQ(TempDir::Read(dir / "later.json"), "made");
#endif
}

TEST(WholeFile, TheReplacedFileKeepsItsMode) {
#ifdef _WIN32
    GTEST_SKIP() << "POSIX file modes";
#else
    TempDir dir;
    const std::string file = dir.Write("private.json", "old");
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    subhost::WriteWholeFile(file, "new");
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    EXPECT_EQ(TempDir::Read(file), "new");
#endif
}

TEST(WholeFile, APipeIsWrittenIntoNotReplaced) {
#ifdef _WIN32
    GTEST_SKIP() << "named pipes are POSIX";
#else
    TempDir dir;
    const std::string pipe = dir / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    // A reader that is there already, so that opening the pipe to write does not wait.
    const int reader = open(pipe.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    subhost::WriteWholeFile(pipe, "through the pipe");
    char buffer[64] = {};
    const ssize_t got = read(reader, buffer, sizeof buffer);
    close(reader);
    EXPECT_EQ(std::string(buffer, got > 0 ? static_cast<std::size_t>(got) : 0), "through the pipe");
    EXPECT_TRUE(fs::is_fifo(pipe));
    // With no one to read it, the pipe is refused at once instead of waited on for ever.
    EXPECT_EQ(Refusal([&] { subhost::WriteWholeFile(pipe, "lost"); }),
              pipe + ": cannot be written (no one reads the pipe)");
#endif
}

TEST(WholeFile, WhatIsNoRegularFileOrIsTooLargeIsRefusedUnread) {
#ifdef _WIN32
    GTEST_SKIP() << "named pipes, devices and /proc are POSIX";
#else
    TempDir dir;
    const std::string pipe = dir / "pipe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const subhost::InputBound small{16, "a test input"};
    const std::string sixteen = dir.Write("sixteen.txt", std::string(16, 'x'));
    struct Case {
        std::string path;
        subhost::InputBound bound;
        std::string says;
    };
    for (const Case& c : std::vector<Case>{
             {pipe, subhost::kScriptBound, pipe + ": is a pipe, not a file"},
             {"/dev/zero", subhost::kTableBound, "/dev/zero: is a device, not a file"},
             // Files of /proc say they are empty: what is read is counted all the same.
             {"/proc/self/status", small,
              "/proc/self/status: is larger than 16 bytes, the most a test input may hold"},
             {sixteen, small, ""},
         }) {
        EXPECT_EQ(Refusal([&] { subhost::ReadWholeFile(c.path, c.bound); }), c.says);
    }
#endif
}

TEST(WholeFile, ADeviceThatTakesNoByteIsReportedAndStaysADevice) {
    const char* full = kzntest::FullDevice();
    if (full == nullptr) {
        GTEST_SKIP() << "no device that refuses every byte here";
    }
    EXPECT_EQ(Refusal([&] { subhost::WriteWholeFile(full, "x"); }),
              std::string(full) + ": cannot be written");
    EXPECT_TRUE(fs::is_character_file(full));
}

}  // namespace
