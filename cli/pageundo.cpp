// The page's history, kept in the session's folder.
#include "pageundo.h"

#include "subhost/files.h"

namespace kznhost {

UndoHistory::Kept UndoHistory::Write(const subhost::Document& document,
                                     const subhost::MapSource* source,
                                     std::vector<std::string> script, int mapId, std::string step) {
    const std::filesystem::path file =
        folder_ / (".history-" + std::to_string(files_++) + (source != nullptr ? ".svg" : ".json"));
    subhost::WriteMap(document, file.string(), source);
    return {file.string(), std::move(script), mapId, std::move(step)};
}

UndoHistory::Point UndoHistory::Read(const Kept& kept) {
    Point point{subhost::LoadMap(kept.file), kept.script, kept.mapId, kept.step};
    std::error_code ignored;
    std::filesystem::remove(kept.file, ignored);
    return point;
}

void UndoHistory::Keep(const subhost::Document& document, const subhost::MapSource* source,
                       const std::vector<std::string>& script, int mapId, const std::string& step) {
    undo_.push_back(Write(document, source, script, mapId, step));
}

void UndoHistory::ForgetRedo() {
    for (const Kept& kept : redo_) {
        std::error_code ignored;
        std::filesystem::remove(kept.file, ignored);
    }
    redo_.clear();
}

void UndoHistory::Drop() {
    std::error_code ignored;
    std::filesystem::remove(undo_.back().file, ignored);
    undo_.pop_back();
}

bool UndoHistory::SameAsLast(const subhost::Document& document,
                             const subhost::MapSource* source) const {
    const std::string& file = undo_.back().file;
    return subhost::ReadWholeFile(file, subhost::kMapBound) ==
           subhost::FormatMap(document, subhost::FormOf(file), source);
}

UndoHistory::Point UndoHistory::Step(std::vector<Kept>& from, std::vector<Kept>& to,
                                     const subhost::Document& now, const subhost::MapSource* source,
                                     const std::vector<std::string>& script, int mapId) {
    // Read and written before either list changes: a step that fails is still there.
    Kept kept = Write(now, source, script, mapId, from.back().step);
    Point point = Read(from.back());
    from.pop_back();
    to.push_back(std::move(kept));
    return point;
}

UndoHistory::Point UndoHistory::Undo(const subhost::Document& now, const subhost::MapSource* source,
                                     const std::vector<std::string>& script, int mapId) {
    return Step(undo_, redo_, now, source, script, mapId);
}

UndoHistory::Point UndoHistory::Redo(const subhost::Document& now, const subhost::MapSource* source,
                                     const std::vector<std::string>& script, int mapId) {
    return Step(redo_, undo_, now, source, script, mapId);
}

void UndoHistory::Clear() {
    for (auto* list : {&undo_, &redo_}) {
        for (const Kept& kept : *list) {
            std::error_code ignored;
            std::filesystem::remove(kept.file, ignored);
        }
        list->clear();
    }
}

}  // namespace kznhost
