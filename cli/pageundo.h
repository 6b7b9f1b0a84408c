// The page's history: the map as it was before each command that changed it, and after each one
// undone, with the session script as it stood then. The maps are kept as files of the session's
// folder, in the form the map was read in, and read back as the map was read.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <vector>

#include "subhost/mapforms/mapforms.h"

namespace kznhost {

class UndoHistory {
  public:
    explicit UndoHistory(std::filesystem::path folder) : folder_(std::move(folder)) {}

    // What a step brings back: a map, the script that made it, and the id the session gave that
    // state of the map (so that it knows whether the map is the one it last saved).
    struct Point {
        subhost::LoadedMap map;
        std::vector<std::string> script;
        int mapId = 0;
        std::string step;  // what was undone or redone, as the page names it
    };

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }

    // Keeps DOCUMENT (read with SOURCE, made by SCRIPT, known as MAPID) as it is before STEP.
    // Throws MapError when it cannot be written.
    void Keep(const subhost::Document& document, const subhost::MapSource* source,
              const std::vector<std::string>& script, int mapId, const std::string& step);
    // Forgets the last map kept (its command changed nothing).
    void Drop();
    // Forgets what could be redone (a step changed the map).
    void ForgetRedo();
    // Whether DOCUMENT (read with SOURCE) is the map last kept, byte for byte as it is written.
    bool SameAsLast(const subhost::Document& document, const subhost::MapSource* source) const;

    // The map before the last step, read back; the map now (NOW, made by SCRIPT, known as
    // MAPID) is kept to redo. Not to be called unless canUndo().
    Point Undo(const subhost::Document& now, const subhost::MapSource* source,
               const std::vector<std::string>& script, int mapId);
    // The map the last undo left, read back; the map now is kept to undo. Not to be called
    // unless canRedo().
    Point Redo(const subhost::Document& now, const subhost::MapSource* source,
               const std::vector<std::string>& script, int mapId);
    // Forgets every step (another map is opened).
    void Clear();

  private:
    struct Kept {
        std::string file;  // the map as it was
        std::vector<std::string> script;
        int mapId = 0;
        std::string step;
    };
    Kept Write(const subhost::Document& document, const subhost::MapSource* source,
               std::vector<std::string> script, int mapId, std::string step);
    static Point Read(const Kept& kept);
    // The map FROM's last step brings back; the map now becomes TO's last.
    Point Step(std::vector<Kept>& from, std::vector<Kept>& to, const subhost::Document& now,
               const subhost::MapSource* source, const std::vector<std::string>& script, int mapId);

    std::filesystem::path folder_;
    std::vector<Kept> undo_;
    std::vector<Kept> redo_;
    int files_ = 0;
};

}  // namespace kznhost
