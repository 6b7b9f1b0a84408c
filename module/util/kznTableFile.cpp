#include "kznTableFile.h"

#include <cstdio>
#include <cstring>

#include "frame/trace.h"
#include "host/suites.h"
#include "util/kznSjis.h"

const char kTableErrorCaption[] = "KZN Plug-in error";
const char kCannotWriteText[] = "ファイルを書き込めません";

namespace {

constexpr const char kCannotReadText[] =
    "ファイルを読み込めません。ファイルが使用中の可能性があります。";
constexpr const char kLabelPrefix[] = "ファイル名:";
// Longest text read from a list entry for its row, in bytes.
constexpr ASInt32 kMaxRowText = 256;

// The filter pairs of the chooser: description, then the patterns it shows.
constexpr const char kFilter[] =
    "テキストファイル (*.txt,*csv)\0*.TXT;*.CSV\0すべてのファイル (*.*)\0*.*\0";

char gChosenPath[257];
char gFileName[260];
char gLabel[260];
char gText[256];

// The separators of a field: comma, blank, tab, line feed and the full-width blank, which is
// one two-byte character and matches only as a whole character.
bool IsSeparator(const std::string& text, std::size_t at, std::size_t width) {
    if (width == 2) {
        return static_cast<unsigned char>(text[at]) == 0x81 &&
               static_cast<unsigned char>(text[at + 1]) == 0x40;
    }
    const char c = text[at];
    return c == ',' || c == ' ' || c == '\t' || c == '\n';
}

std::size_t Width(const std::string& text, std::size_t at) {
    return SjisCharLength(text.data(), at, text.size());
}

}  // namespace

const char* ChooseTableFile(HWND owner, bool save) {
    gChosenPath[0] = 0;
    OPENFILENAMEA ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = kFilter;
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = gChosenPath;
    ofn.nMaxFile = sizeof gChosenPath;
    ofn.Flags = save ? OFN_OVERWRITEPROMPT : OFN_FILEMUSTEXIST;
    const BOOL chosen = save ? GetSaveFileNameA(&ofn) : GetOpenFileNameA(&ofn);
    return chosen ? gChosenPath : nullptr;
}

std::string SplitFieldFrom(const std::string& text, std::size_t& at) {
    // a: the first character from AT on that is not a separator (AT when there is none).
    std::size_t a = at;
    for (std::size_t i = at; i < text.size(); i += Width(text, i)) {
        if (!IsSeparator(text, i, Width(text, i))) {
            a = i;
            break;
        }
    }
    // b: the first comma at or after a, counting whole characters.
    std::size_t b = std::string::npos;
    for (std::size_t i = a; i < text.size(); i += Width(text, i)) {
        if (text[i] == ',') {
            b = i;
            break;
        }
    }
    // The field is what lies before that comma (or all that is left), trimmed to the span from
    // the first to the last character that is not a separator.
    const std::size_t from = b == std::string::npos ? at : a;
    const std::size_t to = b == std::string::npos ? text.size() : b;
    at = b == std::string::npos ? text.size() : b + 1;
    std::size_t first = std::string::npos;
    std::size_t end = from;
    for (std::size_t i = from; i < to;) {
        const std::size_t width = SjisCharLength(text.data(), i, to);
        if (!IsSeparator(text, i, width)) {
            if (first == std::string::npos) {
                first = i;
            }
            end = i + width;
        }
        i += width;
    }
    return first == std::string::npos ? text.substr(from, to - from)
                                      : text.substr(first, end - first);
}

std::string SplitField(std::string& rest) {
    std::size_t at = 0;
    std::string field = SplitFieldFrom(rest, at);
    rest.erase(0, at);
    return field;
}

bool LoadTable(ReplacementTable& table, const char* path) {
    // Opened for reading and writing: a read-only or locked file is refused.
    std::FILE* file = std::fopen(path, "r+b");
    if (file == nullptr) {
        MessageBoxA(nullptr, kCannotReadText, kTableErrorCaption, MB_ICONWARNING);
        return false;
    }
    std::string line;
    bool more = true;
    while (more) {
        line.clear();
        int c = 0;
        while ((c = std::fgetc(file)) != EOF && c != '\n') {
            line += static_cast<char>(c);
        }
        more = c == '\n';
        if (c == EOF && line.empty()) {
            break;  // the end of the file, or a read error
        }
        // CR LF ends a line like a lone LF; any other CR stays part of the line.
        if (more && !line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        KznTrace("fstream:%s\n", line.c_str());
        // Fields are taken from a running position: a line of many fields costs its length.
        std::size_t at = 0;
        const std::string key = SplitFieldFrom(line, at);
        if (at == line.size()) {
            KznTrace("split:'%s',<no data>\n", key.c_str());
            continue;
        }
        while (at < line.size()) {
            const std::string field = SplitFieldFrom(line, at);
            if (field.empty()) {
                continue;
            }
            std::string& value = table[key];
            if (value.empty()) {
                value = field;
            } else {
                value += ",";
                value += field;
            }
        }
    }
    std::fclose(file);
    return true;
}

namespace {

// Where the file name of PATH (LENGTH bytes) starts: after the last drive colon or directory
// separator, found character by character (a backslash byte may be the second byte of a
// character).
std::size_t FileNameStart(const char* path, std::size_t length) {
    std::size_t name = 0;
    for (std::size_t at = 0; at < length; at += SjisCharLength(path, at, length)) {
        const char c = path[at];
        if (c == '\\' || c == '/' || (c == ':' && at == 1)) {
            name = at + 1;
        }
    }
    return name;
}

}  // namespace

const char* MakeFileNameLabel(const char* path) {
    const std::size_t length = std::strlen(path);
    const std::size_t name = FileNameStart(path, length);
    const std::size_t nameLength = SjisCutLength(path + name, length - name, sizeof gFileName - 1);
    std::memcpy(gFileName, path + name, nameLength);
    gFileName[nameLength] = 0;

    const std::size_t prefix = sizeof kLabelPrefix - 1;
    std::memcpy(gLabel, kLabelPrefix, prefix);
    const std::size_t fits = SjisCutLength(gFileName, nameLength, sizeof gLabel - 1 - prefix);
    std::memcpy(gLabel + prefix, gFileName, fits);
    gLabel[prefix + fits] = 0;
    return gLabel;
}

const char* PStrToText(const unsigned char* pstr) {
    const std::size_t length = pstr[0];
    std::memcpy(gText, pstr + 1, length);
    gText[length] = 0;
    return gText;
}

std::string TableFileWriter::TemporaryPath(const char* path) {
    // A name that no file had, made (and the file created) by the system in PATH's folder, so
    // that no file a person keeps there is touched and the name fits wherever PATH's folder does.
    const std::size_t length = std::strlen(path);
    const std::size_t name = FileNameStart(path, length);
    char folder[MAX_PATH + 1] = ".";
    if (name > MAX_PATH) {
        return std::string();
    }
    if (name > 0) {
        std::memcpy(folder, path, name);
        folder[name] = 0;
    }
    char made[MAX_PATH + 1] = "";
    if (GetTempFileNameA(folder, "kzn", 0, made) == 0) {
        return std::string();
    }
    return made;
}

TableFileWriter::TableFileWriter(const char* path)
    : path_(path),
      temporary_(TemporaryPath(path)),
      file_(temporary_.empty() ? nullptr : std::fopen(temporary_.c_str(), "wb")) {
    if (file_ == nullptr && !temporary_.empty()) {
        std::remove(temporary_.c_str());
    }
}

TableFileWriter::~TableFileWriter() {
    if (file_ != nullptr) {
        std::fclose(file_);
        std::remove(temporary_.c_str());
    }
}

void TableFileWriter::WriteRow(const std::string& row) {
    if (file_ == nullptr) {
        failed_ = true;
        return;
    }
    if (std::fwrite(row.data(), 1, row.size(), file_) != row.size() ||
        std::fputs("\r\n", file_) == EOF || std::fflush(file_) != 0) {
        failed_ = true;
    }
}

bool TableFileWriter::Close() {
    if (file_ == nullptr) {
        return false;
    }
    const bool closed = std::fclose(file_) == 0;
    file_ = nullptr;
    // The previous file is replaced only by a complete one, in one step.
    if (!closed || failed_ ||
        !MoveFileExA(temporary_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        std::remove(temporary_.c_str());
        return false;
    }
    return true;
}

void WarnCannotWrite() {
    MessageBoxA(nullptr, kCannotWriteText, kTableErrorCaption, MB_ICONWARNING);
}

bool SaveListRows(const char* path, ListRef list,
                  bool (*values)(EntryRef entry, std::string& row)) {
    TableFileWriter file(path);
    if (!file.IsOpen()) {
        WarnCannotWrite();
        return false;
    }
    ASInt32 count = 0;
    if (sADMList->NumberOfEntries(list, &count) != kNoErr) {
        file.Incomplete();
    }
    for (ASInt32 i = 0; i < count; ++i) {
        EntryRef entry = nullptr;
        char text[kMaxRowText + 1] = "";
        if (sADMList->IndexEntry(list, i, &entry) != kNoErr ||
            sADMEntry->GetText(entry, text, sizeof text) != kNoErr) {
            file.Incomplete();
        }
        std::string row = text;
        if (!values(entry, row)) {
            file.Incomplete();
        }
        file.WriteRow(row);
    }
    // A write that failed (a full disk), or rows that could not be had, must not be reported as
    // a saved file, nor take the place of the file that was there.
    if (!file.Close()) {
        WarnCannotWrite();
        return false;
    }
    return true;
}
