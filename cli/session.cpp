#include "session.h"

#include <cctype>
#include <sstream>
#include <string_view>

#include "subhost/files.h"
#include "subhost/sjis.h"

namespace kznhost {
namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r';
}

bool IsNumber(const std::string& text) {
    if (text.empty() || text.size() > 9) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    return true;
}

// Quotation marks that look like the straight double quote but are not it (UTF-8).
bool HasCurlyQuote(const std::string& word) {
    for (const char* mark : {"\xE2\x80\x9C", "\xE2\x80\x9D", "\xE2\x80\x9E", "\xE2\x80\x98",
                             "\xE2\x80\x99", "\xEF\xBC\x82"}) {
        if (word.find(mark) != std::string::npos) {
            return true;
        }
    }
    return false;
}

// Splits a line into blank-separated words and double-quoted texts (with \" and \\). A # outside
// a text starts a comment that runs to the end of the line.
std::vector<ScriptArg> Words(const std::string& line, const std::string& where) {
    std::vector<ScriptArg> words;
    std::size_t i = 0;
    while (i < line.size()) {
        if (IsBlank(line[i])) {
            ++i;
            continue;
        }
        if (line[i] == '#') {
            break;
        }
        ScriptArg word;
        if (line[i] == '"') {
            word.quoted = true;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                const char c = line[i++];
                if (c == '"') {
                    closed = true;
                    break;
                }
                if (c == '\\') {
                    if (i < line.size() && (line[i] == '"' || line[i] == '\\')) {
                        word.text += line[i++];
                        continue;
                    }
                    throw ScriptError(where + ": only \\\" and \\\\ may follow a backslash");
                }
                word.text += c;
            }
            if (!closed) {
                throw ScriptError(where + ": a text is not closed with \"");
            }
            if (i < line.size() && !IsBlank(line[i])) {
                throw ScriptError(where + ": a blank must follow a closing \"");
            }
        } else {
            while (i < line.size() && !IsBlank(line[i]) && line[i] != '#') {
                if (line[i] == '"') {
                    throw ScriptError(where + ": a text must start after a blank");
                }
                word.text += line[i++];
            }
        }
        words.push_back(word);
    }
    return words;
}

// Whether NAME ends in .png or .svg, in any case.
bool IsPictureName(const std::string& name) {
    if (name.size() < 4) {
        return false;
    }
    std::string ending = name.substr(name.size() - 4);
    for (char& c : ending) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return ending == ".png" || ending == ".svg";
}

bool IsKnownVerb(const std::string& verb) {
    for (const char* known :
         {"filter", "layer", "row", "click", "check", "type", "file", "ok", "cancel", "snapshot"}) {
        if (verb == known) {
            return true;
        }
    }
    return false;
}

void Expect(bool ok, const std::string& where, const char* form) {
    if (!ok) {
        throw ScriptError(where + ": expected " + form);
    }
}

// How many words may follow each verb.
std::size_t MostArguments(const std::string& verb) {
    if (verb == "row" || verb == "check" || verb == "type") {
        return 2;
    }
    if (verb == "ok" || verb == "cancel") {
        return 0;
    }
    return 1;
}

void ToSjis(ScriptArg& arg, const std::string& where) {
    std::optional<std::string> sjis = subhost::Utf8ToSjis(arg.text);
    if (!sjis) {
        throw ScriptError(where + ": the text \"" + arg.text +
                          "\" holds a character that has no Shift-JIS form");
    }
    arg.text = *sjis;
}

}  // namespace

int ScriptLine::Item() const {
    return std::stoi(args.at(0).text);
}

std::vector<ScriptLine> ParseScript(const std::string& text, const std::string& name) {
    std::vector<ScriptLine> lines;
    // A byte-order mark some editors put at the start is no part of the first line.
    std::istringstream in(std::string_view(text).starts_with("\xEF\xBB\xBF") ? text.substr(3)
                                                                             : text);
    std::string raw;
    for (int number = 1; std::getline(in, raw); ++number) {
        const std::string where = name + ":" + std::to_string(number);
        if (raw.find('\0') != std::string::npos) {
            throw ScriptError(where + ": the line holds a NUL character");
        }
        if (!subhost::IsUtf8(raw)) {
            throw ScriptError(where + ": the line is not valid UTF-8 (scripts are UTF-8 text)");
        }
        std::vector<ScriptArg> words = Words(raw, where);
        if (words.empty()) {
            continue;
        }
        ScriptLine line;
        line.number = number;
        if (words.front().quoted) {
            throw ScriptError(where + ": a line starts with what to do, not with a text");
        }
        line.verb = words.front().text;
        line.args.assign(words.begin() + 1, words.end());
        const auto& a = line.args;
        const std::size_t n = a.size();
        auto item = [&](std::size_t i) { return n > i && !a[i].quoted && IsNumber(a[i].text); };
        auto quoted = [&](std::size_t i) { return n > i && a[i].quoted; };
        for (const ScriptArg& arg : a) {
            if (!arg.quoted && HasCurlyQuote(arg.text)) {
                throw ScriptError(where + ": " + arg.text +
                                  " is not a text: texts are written between straight double " +
                                  "quotes (\"), not curly ones");
            }
        }
        const std::size_t most = MostArguments(line.verb);
        if (n > most && IsKnownVerb(line.verb)) {
            throw ScriptError(where + ": " +
                              (a[most].quoted ? "\"" + a[most].text + "\"" : a[most].text) +
                              " is one word too many for " + line.verb);
        }

        if (line.verb == "filter") {
            Expect(n == 1 && !a[0].quoted, where, "filter NAME");
        } else if (line.verb == "layer") {
            Expect(n == 1 && quoted(0), where, "layer \"TITLE\"");
            ToSjis(line.args[0], where);
        } else if (line.verb == "row") {
            Expect(n == 2 && item(0) && (quoted(1) || item(1)), where,
                   "row ITEM N or row ITEM \"TEXT\"");
            if (a[1].quoted) {
                ToSjis(line.args[1], where);
            }
        } else if (line.verb == "click") {
            Expect(n == 1 && item(0), where, "click ITEM");
        } else if (line.verb == "check") {
            Expect(n == 2 && item(0) && !a[1].quoted && (a[1].text == "on" || a[1].text == "off"),
                   where, "check ITEM on or check ITEM off");
        } else if (line.verb == "type") {
            Expect(n == 2 && item(0) && quoted(1), where, "type ITEM \"TEXT\"");
            ToSjis(line.args[1], where);
        } else if (line.verb == "file") {
            Expect(n == 1 && (a[0].quoted || a[0].text == "cancel"), where,
                   "file \"PATH\" or file cancel");
        } else if (line.verb == "ok" || line.verb == "cancel") {
            Expect(n == 0, where, line.verb.c_str());
        } else if (line.verb == "snapshot") {
            Expect(n == 1 && quoted(0), where, "snapshot \"FILE.png\"");
            if (!IsPictureName(a[0].text)) {
                throw ScriptError(where + ": " + a[0].text +
                                  ": a snapshot is written as .png or .svg");
            }
        } else {
            throw ScriptError(where + ": \"" + line.verb + "\" is not a script line (filter, " +
                              "layer, row, click, check, type, file, ok, cancel, snapshot)");
        }
        lines.push_back(std::move(line));
    }
    return lines;
}

std::string WrittenLine(const ScriptLine& line) {
    std::string text = line.verb;
    for (const ScriptArg& arg : line.args) {
        text += ' ';
        if (!arg.quoted) {
            text += arg.text;
            continue;
        }
        // Texts were converted to Shift-JIS; file paths were not.
        const bool path = line.verb == "file" || line.verb == "snapshot";
        text += '"';
        for (const char c : path ? arg.text : subhost::ShowSjis(arg.text)) {
            text += c == '"' || c == '\\' ? std::string{'\\', c} : std::string{c};
        }
        text += '"';
    }
    return text;
}

std::vector<ScriptLine> ReadScript(const std::string& path) {
    std::string text;
    try {
        text = subhost::ReadWholeFile(path, subhost::kScriptBound);
    } catch (const subhost::FileError& e) {
        throw ScriptError(e.what());
    }
    return ParseScript(text, path);
}

}  // namespace kznhost
