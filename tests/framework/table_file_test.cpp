// Replacement table files: the field splitter, the reader, the writer, the chooser and labels.
#include <gmock/gmock.h>

#include <algorithm>
#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "fixture.h"
#include "support/tempdir.h"
#include "util/kznSjis.h"
#include "util/kznTableFile.h"

namespace {

using kzntest::TempDir;

// The fields of LINE, taken by SplitField; taken from a running position they are the same.
std::vector<std::string> Fields(std::string line) {
    const std::string text = line;
    std::vector<std::string> fields;
    std::size_t at = 0;
    while (!line.empty()) {
        fields.push_back(SplitField(line));
        EXPECT_EQ(SplitFieldFrom(text, at), fields.back()) << text;
        EXPECT_EQ(text.size() - at, line.size()) << text;
    }
    return fields;
}

// A text cut by bytes loses the first half of a character whose second half was cut away; the
// lead bytes are 0x81-0x9F and 0xE0-0xFC, and no other byte.
TEST(ShiftJis, ACutTextLosesOnlyAHalfCharacterAtItsEnd) {
    const auto whole = [](const std::string& text) {
        return SjisWholeLength(text.data(), text.size());
    };
    EXPECT_EQ(whole("ab"), 2U);
    EXPECT_EQ(whole("\x82\xA0"
                    "a"),
              3U);
    for (const unsigned char lead : {0x81, 0x9F, 0xE0, 0xFC}) {
        EXPECT_EQ(whole(std::string("a") + static_cast<char>(lead)), 1U) << int{lead};
    }
    for (const unsigned char single : {0x80, 0xA0, 0xDF, 0xFD, 0xFF}) {
        EXPECT_EQ(whole(std::string("a") + static_cast<char>(single)), 2U) << int{single};
    }
    // A cut at a limit never ends inside a character.
    EXPECT_EQ(SjisCutLength("\x82\xA0"
                            "a",
                            3, 1),
              0U);
    EXPECT_EQ(SjisCutLength("\x82\xA0"
                            "a",
                            3, 2),
              2U);
    EXPECT_EQ(SjisCutLength("\xFD"
                            "a",
                            2, 1),
              1U);
}

TEST(SplitField, SkipsLeadingSeparatorsAndTrimsBlanksAroundFields) {
    EXPECT_THAT(Fields("a,b,c"), ::testing::ElementsAre("a", "b", "c"));
    EXPECT_THAT(Fields(" a , b "), ::testing::ElementsAre("a", "b"));
    EXPECT_THAT(Fields("\ta\t,\tb"), ::testing::ElementsAre("a", "b"));
    EXPECT_THAT(Fields(",a,b"), ::testing::ElementsAre("a", "b"));
    EXPECT_THAT(Fields("a,,b"), ::testing::ElementsAre("a", "b"));
    EXPECT_THAT(Fields("a, ,b"), ::testing::ElementsAre("a", "b"));
    // A last field of blanks only comes back as it is.
    EXPECT_THAT(Fields("a, "), ::testing::ElementsAre("a", " "));
}

TEST(SplitField, TakesTheFullWidthBlankOnlyAsAWholeCharacter) {
    EXPECT_THAT(Fields("　東京　,　大阪"), ::testing::ElementsAre("東京", "大阪"));
    // "ァ" is 0x83 0x40 and "「" is 0x81 0x75: neither half is a separator.
    EXPECT_THAT(Fields("マァ,「ア"), ::testing::ElementsAre("マァ", "「ア"));
    EXPECT_THAT(Fields("ァ"), ::testing::ElementsAre("ァ"));
    // A lone 0x40 byte is "@", not half a blank.
    EXPECT_THAT(Fields("@a@,b"), ::testing::ElementsAre("@a@", "b"));
}

TEST(SplitField, QuotesAndNumberSignsArePlainText) {
    EXPECT_THAT(Fields("\"a\",#b"), ::testing::ElementsAre("\"a\"", "#b"));
}

class TableFiles : public kzntest::LinkedModule {
  protected:
    ReplacementTable Load(const std::string& bytes, bool* loaded = nullptr) {
        ReplacementTable table;
        const bool ok = LoadTable(table, dir_.Write("table.csv", bytes).c_str());
        if (loaded != nullptr) {
            *loaded = ok;
        }
        return table;
    }
    TempDir dir_;
};

TEST_F(TableFiles, RowsCollectTheirFieldsAndEmptyRowsAddNothing) {
    bool loaded = false;
    EXPECT_TRUE(Load("", &loaded).empty());
    EXPECT_TRUE(loaded);
    EXPECT_EQ(Load("a,b,c\r\n"), (ReplacementTable{{"a", "b,c"}}));
    EXPECT_EQ(Load("a,b\r\na,c\r\n"), (ReplacementTable{{"a", "b,c"}}));
    EXPECT_TRUE(Load("a\r\na,\r\n\r\n").empty());
    EXPECT_EQ(Load("a,b\n\n\nc,d\n"), (ReplacementTable{{"a", "b"}, {"c", "d"}}));
    EXPECT_EQ(Load("a,,b\na, ,c\n,a,d\na,e,\n"), (ReplacementTable{{"a", "b,c,d,e"}}));
    EXPECT_EQ(Load("  x,y\n  z,yz"), (ReplacementTable{{"x", "y"}, {"z", "yz"}}));
    EXPECT_EQ(Load("a, \n"), (ReplacementTable{{"a", " "}}));
    EXPECT_EQ(Load("#a,\"b\"\n"), (ReplacementTable{{"#a", "\"b\""}}));
}

TEST_F(TableFiles, CRLFAndLoneLFEndLinesAndALoneCRStaysInTheLine) {
    EXPECT_EQ(Load("a,1\r\nb,2\nc,3"), (ReplacementTable{{"a", "1"}, {"b", "2"}, {"c", "3"}}));
    EXPECT_EQ(Load("a,x\ry\r\n"), (ReplacementTable{{"a", "x\ry"}}));
    EXPECT_EQ(Load("a,x\r"), (ReplacementTable{{"a", "x\r"}}));  // no line feed follows
}

TEST_F(TableFiles, LoadingAddsToWhatTheTableHeld) {
    ReplacementTable table = {{"k", ""}, {"m", "old"}};
    ASSERT_TRUE(LoadTable(table, dir_.Write("t.csv", "k,v\nm,new\n").c_str()));
    EXPECT_EQ(table["k"], "v");  // not ",v"
    EXPECT_EQ(table["m"], "old,new");
    EXPECT_THAT(host().trace().Lines(), ::testing::Contains("fstream:k,v"));
}

TEST_F(TableFiles, AFileThatCannotBeOpenedForWritingGivesTheWarningAndChangesNothing) {
    ReplacementTable table = {{"k", "v"}};
#ifdef _WIN32
    // A file that another program holds open without sharing it.
    const std::string locked = dir_.Write("locked.csv", "a,b\n");
    HANDLE holder = CreateFileA(locked.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(holder, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(LoadTable(table, locked.c_str()));
    CloseHandle(holder);
#endif
    EXPECT_FALSE(LoadTable(table, (dir_ / "missing.csv").c_str()));
    EXPECT_EQ(table.count("k"), 1U);
    ASSERT_FALSE(host().win32().messageBoxes().empty());
    const auto& box = host().win32().messageBoxes().back();
    EXPECT_EQ(box.text, "ファイルを読み込めません。ファイルが使用中の可能性があります。");
    EXPECT_EQ(box.caption, "KZN Plug-in error");
    EXPECT_EQ(box.type, 0x30U);  // a warning
    EXPECT_EQ(box.owner, nullptr);
}

#ifndef _WIN32
// Loads the read-only file PATH as a user who may not write it: this process unless it is root,
// which opens any file for writing; root does it in a child that has become "nobody". 0 when the
// file was refused with the read warning and nothing was added; 3 when root could not drop its
// rights here.
int LoadReadOnly(subhost::Host& host, const std::string& path) {
    auto refused = [&] {
        ReplacementTable table;
        const bool loaded = LoadTable(table, path.c_str());
        const auto& boxes = host.win32().messageBoxes();
        const bool warned =
            !boxes.empty() &&
            boxes.back().text == "ファイルを読み込めません。ファイルが使用中の可能性があります。";
        return !loaded && warned && table.empty() ? 0 : 1;
    };
    if (::geteuid() != 0) {
        return refused();
    }
    const pid_t child = ::fork();
    if (child == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
            ::_exit(3);
        }
        ::_exit(refused());
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}

TEST_F(TableFiles, AReadOnlyFileIsNotLoadedAlsoWhenTheTestsRunAsRoot) {
    const std::string readOnly = dir_.Write("ro.csv", "a,b\n");
    ASSERT_EQ(::chmod(readOnly.c_str(), 0444), 0);
    const int result = LoadReadOnly(host(), readOnly);
    if (result == 3) {
        GTEST_SKIP() << "root cannot become another user here: a read-only file cannot be shown";
    }
    EXPECT_EQ(result, 0);
}
#endif

// The names of the files in DIR.
std::vector<std::string> FilesIn(const TempDir& dir) {
    std::vector<std::string> names;
    for (const auto& file : std::filesystem::directory_iterator(dir.path())) {
        names.push_back(file.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

TEST_F(TableFiles, RowsAreWrittenWithCRLFAndReplaceTheFileOnlyWhenAllWereWritten) {
    // A file of the name a save once wrote beside the table is a person's own: left alone.
    const std::string path = dir_.Write("out.csv", "old,row\r\n");
    const std::string kept = dir_.Write("out.csv.kzn~", "mine");
    {
        TableFileWriter file(path.c_str());
        ASSERT_TRUE(file.IsOpen());
        file.WriteRow("あ,a");
        file.WriteRow("い,");
        // Until the file is closed, the old one is still there as it was.
        EXPECT_EQ(TempDir::Read(path), "old,row\r\n");
        EXPECT_TRUE(file.Close());
    }
    EXPECT_EQ(TempDir::Read(path), "あ,a\r\nい,\r\n");
    EXPECT_EQ(TempDir::Read(kept), "mine");
    EXPECT_THAT(FilesIn(dir_), testing::ElementsAre("out.csv", "out.csv.kzn~"));

    // A save given up half-way (never closed) leaves the file as it was, and nothing beside it.
    {
        TableFileWriter abandoned(path.c_str());
        abandoned.WriteRow("x,y");
    }
    EXPECT_EQ(TempDir::Read(path), "あ,a\r\nい,\r\n");
    EXPECT_THAT(FilesIn(dir_), testing::ElementsAre("out.csv", "out.csv.kzn~"));

    // A name as long as the system takes (Windows: a path of 255 bytes; elsewhere a file name of
    // 255) is saved: the file written first has a short name in the same folder.
#ifdef _WIN32
    const std::size_t longest = 255 - dir_.path().size() - 1;
#else
    const std::size_t longest = 255;
#endif
    const std::string longName = std::string(longest - 4, 'n') + ".csv";
    const std::string longPath = dir_ / longName;
    {
        TableFileWriter file(longPath.c_str());
        ASSERT_TRUE(file.IsOpen());
        file.WriteRow("a,b");
        EXPECT_TRUE(file.Close());
    }
    EXPECT_EQ(TempDir::Read(longPath), "a,b\r\n");
    EXPECT_THAT(FilesIn(dir_), testing::ElementsAre(longName, "out.csv", "out.csv.kzn~"));

    TableFileWriter nowhere((dir_ / "no/such/folder.csv").c_str());
    EXPECT_FALSE(nowhere.IsOpen());
    EXPECT_FALSE(nowhere.Close());
}

#ifndef _WIN32
TEST_F(TableFiles, AWriteThatFailsHalfWayLeavesThePreviousFileByteForByte) {
    const std::string previous = "マイマイ,maimai\r\nツグラメ,tsugurame\r\n";
    const std::string path = dir_.Write("table.csv", previous);
    {
        TableFileWriter file(path.c_str());
        ASSERT_TRUE(file.IsOpen());
        const kzntest::FileSizeLimit disk(8);  // the disk fills after 8 bytes
        file.WriteRow("かたつむり,katatsumuri");
        file.WriteRow("なめくじ,namekuji");
        EXPECT_FALSE(file.Close());
    }
    EXPECT_EQ(TempDir::Read(path), previous);
    EXPECT_THAT(FilesIn(dir_), testing::ElementsAre("table.csv"));
}

TEST_F(TableFiles, AReadOnlyFileIsNotReplacedAlsoForRoot) {
    const std::string path = dir_.Write("ro.csv", "a,b\r\n");
    ::chmod(path.c_str(), 0444);
    TableFileWriter file(path.c_str());
    ASSERT_TRUE(file.IsOpen());
    file.WriteRow("c,d");
    EXPECT_FALSE(file.Close());
    EXPECT_EQ(TempDir::Read(path), "a,b\r\n");
    EXPECT_THAT(FilesIn(dir_), testing::ElementsAre("ro.csv"));
}

TEST_F(TableFiles, ASymbolicLinkIsSavedThroughAndStaysAndNoDeviceIsReplaced) {
    // The table lives elsewhere; the link is where the person saves it.
    std::filesystem::create_directory(dir_ / "kept");
    const std::string target = dir_.Write("kept/table.csv", "old,row\r\n");
    ::chmod(target.c_str(), 0600);
    std::filesystem::create_directory(dir_ / "work");
    std::filesystem::create_symlink("../kept/table.csv", dir_ / "work/table.csv");
    std::filesystem::create_symlink("/dev/full", dir_ / "work/full.csv");
    const auto save = [&](const std::string& path) {
        TableFileWriter file(path.c_str());
        file.WriteRow("new,row");
        return file.Close();
    };
    EXPECT_TRUE(save(dir_ / "work/table.csv"));
    EXPECT_TRUE(std::filesystem::is_symlink(dir_ / "work/table.csv"));
    EXPECT_EQ(TempDir::Read(target), "new,row\r\n");
    EXPECT_EQ(std::filesystem::status(target).permissions() & std::filesystem::perms::all,
              std::filesystem::perms::owner_read | std::filesystem::perms::owner_write);

    EXPECT_FALSE(save(dir_ / "work/full.csv"));
    EXPECT_EQ(std::filesystem::read_symlink(dir_ / "work/full.csv"), "/dev/full");
    EXPECT_TRUE(std::filesystem::is_character_file("/dev/full"));
    std::vector<std::string> left;
    for (const auto& file : std::filesystem::directory_iterator(dir_ / "work")) {
        left.push_back(file.path().filename().string());
    }
    EXPECT_THAT(left, testing::UnorderedElementsAre("table.csv", "full.csv"));
}

TEST_F(TableFiles, APipeIsNeverReplacedByATableFile) {
    const std::string pipe = dir_ / "pipe.csv";
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0644), 0);
    TableFileWriter file(pipe.c_str());
    ASSERT_TRUE(file.IsOpen());
    file.WriteRow("a,b");
    EXPECT_FALSE(file.Close());
    struct stat info {};
    ASSERT_EQ(::stat(pipe.c_str(), &info), 0);
    EXPECT_TRUE(S_ISFIFO(info.st_mode));
    EXPECT_THAT(FilesIn(dir_), testing::ElementsAre("pipe.csv"));
}
#endif

TEST_F(TableFiles, ChooserFillsTheRecordAndCancelGivesNull) {
    EXPECT_EQ(ChooseTableFile(nullptr, false), nullptr);  // nothing queued: cancelled
    host().win32().QueueFileAnswer(std::string(dir_ / "new.csv"));
    const char* saved = ChooseTableFile(reinterpret_cast<HWND>(0x1234), true);
    ASSERT_NE(saved, nullptr);
    EXPECT_EQ(std::string(saved), dir_ / "new.csv");
    EXPECT_TRUE(host().win32().messageBoxes().empty());

    const auto& requests = host().win32().fileDialogs();
    ASSERT_EQ(requests.size(), 2U);
    for (const auto& r : requests) {
        EXPECT_EQ(r.structSize, kzntest::kFileDialogRecordSize);
        EXPECT_EQ(r.filters,
                  (std::vector<std::string>{"テキストファイル (*.txt,*csv)", "*.TXT;*.CSV",
                                            "すべてのファイル (*.*)", "*.*"}));
        EXPECT_EQ(r.filterIndex, 1U);
        EXPECT_EQ(r.maxFile, 257U);
        EXPECT_EQ(r.initialFile, "");
        EXPECT_EQ(r.title, "");
        EXPECT_EQ(r.initialDir, "");
    }
    EXPECT_FALSE(requests[0].save);
    EXPECT_EQ(requests[0].flags, OFN_FILEMUSTEXIST);
    EXPECT_TRUE(requests[1].save);
    EXPECT_EQ(requests[1].flags, OFN_OVERWRITEPROMPT);
    EXPECT_EQ(requests[1].owner, reinterpret_cast<HWND>(0x1234));
}

TEST(Labels, NameTheFileWithoutItsFolderAndCutBetweenCharacters) {
    EXPECT_STREQ(MakeFileNameLabel("/home/map/table.txt"), "ファイル名:table.txt");
    EXPECT_STREQ(MakeFileNameLabel("C:\\maps\\dialect.csv"), "ファイル名:dialect.csv");
    EXPECT_STREQ(MakeFileNameLabel("C:dialect.csv"), "ファイル名:dialect.csv");
    // Only the second character's colon is a drive's.
    EXPECT_STREQ(MakeFileNameLabel("/maps/a:b.csv"), "ファイル名:a:b.csv");
    // "ソ" is 0x83 0x5C: its second byte is no folder separator.
    EXPECT_STREQ(MakeFileNameLabel("C:\\地図\\ソ表.csv"), "ファイル名:ソ表.csv");
    const std::string longName(300, 'x');
    EXPECT_EQ(std::string(MakeFileNameLabel(longName.c_str())).size(), 259U);
}

TEST(Labels, LengthPrefixedStringsBecomeText) {
    const unsigned char pstr[] = {3, 'a', 'b', 'c', 'd'};
    EXPECT_STREQ(PStrToText(pstr), "abc");
    const unsigned char empty[] = {0};
    EXPECT_STREQ(PStrToText(empty), "");
}

}  // namespace
