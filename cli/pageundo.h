// The page's undo history: the map as it was before each command, with the length the script
// had then. The maps are kept as files of the session's folder, in the form the map was read in,
// and read back as the map was read.
#pragma once

#include <cstddef>
#include <filesystem>
#include <vector>

#include "subhost/mapforms/mapforms.h"

namespace kznhost {

class UndoHistory {
  public:
    explicit UndoHistory(std::filesystem::path folder) : folder_(std::move(folder)) {}

    bool empty() const { return points_.empty(); }

    // Keeps DOCUMENT (read with SOURCE) as it is before a command, when the script has LINES
    // lines. Throws MapError when it cannot be written.
    void Keep(const subhost::Document& document, const subhost::MapSource* source,
              std::size_t lines);
    // Forgets the last map kept (its command opened no dialog).
    void Drop();

    // The last map kept, read back, and the script's length then; it is forgotten. Not to be
    // called when empty.
    struct Point {
        subhost::LoadedMap map;
        std::size_t lines = 0;
    };
    Point Take();

  private:
    struct Kept {
        std::string file;   // the map as it was
        std::size_t lines;  // the script's length then
    };

    std::filesystem::path folder_;
    std::vector<Kept> points_;
};

}  // namespace kznhost
