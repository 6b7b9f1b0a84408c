// Replacement tables and their files: the in-memory table, the reader and its field splitter,
// the file chooser, the file-name label, and the conversion of the host's length-prefixed
// strings to text.
#pragma once

#include <cstdio>
#include <map>
#include <string>

#include "host/adm.h"
#include "host/win32.h"

// Key to value, both Shift-JIS bytes, keys in byte order. A value holds one or more fields
// joined by a bare comma.
using ReplacementTable = std::map<std::string, std::string>;

// The caption of every warning about table files.
extern const char kTableErrorCaption[];
extern const char kCannotWriteText[];

// Shows the system's file-open (SAVE false) or save-as (SAVE true) dialog owned by OWNER.
// Returns the chosen path, in a buffer that the next call overwrites, or null when the person
// cancelled.
const char* ChooseTableFile(HWND owner, bool save);

// Adds the rows of the file at PATH to TABLE. False (after a warning) when the file cannot be
// opened for reading and writing; true otherwise, whatever it held.
bool LoadTable(ReplacementTable& table, const char* path);

// Returns the next field of REST and leaves in REST what follows that field's comma.
std::string SplitField(std::string& rest);
// The same on TEXT from AT on, without changing TEXT: returns the field and moves AT past its
// comma (to TEXT's end when it has none), where SplitField would have cut REST.
std::string SplitFieldFrom(const std::string& text, std::size_t& at);

// "ファイル名:" and the file name of PATH, in a buffer that the next call overwrites.
const char* MakeFileNameLabel(const char* path);

// The characters of a length-prefixed string as zero-terminated text, in a buffer that the
// next call overwrites.
const char* PStrToText(const unsigned char* pstr);

// A table file being written: rows go out with CR LF line ends on every platform. They are
// written to a file beside PATH, which replaces PATH only when every row was written; until then
// (and whenever a write fails) the file at PATH stays as it was.
class TableFileWriter {
  public:
    // Creates or truncates the file beside PATH that the rows go to.
    explicit TableFileWriter(const char* path);
    // A writer that was not closed removes what it wrote; PATH is untouched.
    ~TableFileWriter();
    TableFileWriter(const TableFileWriter&) = delete;
    TableFileWriter& operator=(const TableFileWriter&) = delete;

    bool IsOpen() const { return file_ != nullptr; }
    // Writes ROW and a line end, and flushes.
    void WriteRow(const std::string& row);
    // A row could not be had from the host: the file is incomplete, and Close does not put it in
    // place of PATH.
    void Incomplete() { failed_ = true; }
    // Closes the file and puts it in place of PATH; true when everything was written and PATH
    // now holds it. False leaves PATH as it was and removes the written file.
    bool Close();

    // Makes a new empty file beside PATH, under a name no file had, and returns its name; empty
    // when none could be made.
    static std::string TemporaryPath(const char* path);

  private:
    std::string path_;
    std::string temporary_;
    std::FILE* file_;
    bool failed_ = false;
};

// Shows the save contract's warning: the file cannot be written.
void WarnCannotWrite();

// Writes a row for every entry of LIST, first to last, to PATH: the entry's text (at most 256
// bytes) and what VALUES(entry, row) adds to it. VALUES returns false when the entry's values
// cannot be had; the file is then incomplete, as it is when an entry or its text cannot be had.
// True when PATH holds every row; otherwise PATH is left as it was, after the warning.
bool SaveListRows(const char* path, ListRef list, bool (*values)(EntryRef entry, std::string& row));
