// Session scripts: what a person does in the plug-in's dialogs, one action a line.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

namespace kznhost {

struct ScriptArg {
    bool quoted = false;
    std::string text;  // quoted texts are converted to Shift-JIS, except file paths
};

struct ScriptLine {
    int number = 0;
    std::string verb;
    std::vector<ScriptArg> args;

    int Item() const;  // the ITEM argument (the first)
};

// A script that cannot be read or has a line that is not a script line.
class ScriptError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Reads and checks the script at PATH; throws ScriptError naming the file and line.
std::vector<ScriptLine> ReadScript(const std::string& path);
std::vector<ScriptLine> ParseScript(const std::string& text, const std::string& name);

// LINE as a script line (UTF-8) that ParseScript reads back as it.
std::string WrittenLine(const ScriptLine& line);

}  // namespace kznhost
