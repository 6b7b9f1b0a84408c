// The page's undo history, kept in the session's folder.
#include "pageundo.h"

namespace kznhost {

void UndoHistory::Keep(const subhost::Document& document, const subhost::MapSource* source,
                       std::size_t lines) {
    const std::filesystem::path file = folder_ / (".undo-" + std::to_string(points_.size()) +
                                                  (source != nullptr ? ".svg" : ".json"));
    subhost::WriteMap(document, file.string(), source);
    points_.push_back({file.string(), lines});
}

void UndoHistory::Drop() {
    points_.pop_back();
}

UndoHistory::Point UndoHistory::Take() {
    Point point{subhost::LoadMap(points_.back().file), points_.back().lines};
    points_.pop_back();
    return point;
}

}  // namespace kznhost
