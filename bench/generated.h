// Maps and table files made up for measuring, from a seed: a survey layer of labels (dialect
// forms) or a layer of symbols, the patterns and the swatch list, and the tables that go with
// them. Everything is Shift-JIS, as the module sees it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "subhost/document/document.h"

namespace kznbench {

// Swatches that are not patterns stand at the front of the swatch list, as a document's plain
// colours do.
constexpr int kGraySwatches = 5;

struct Shape {
    int labels = 1000;  // labels on the survey layer, or symbols on the symbol layer
    int patterns = 50;  // patterns, each with a swatch
    int forms = 200;    // distinct label texts
    std::uint32_t seed = 2026;
};

// What the generator chose, for the floors and the swatch walks.
struct Plan {
    std::vector<std::string> patternNames;        // in swatch order
    std::vector<std::string> forms;               // label texts
    std::vector<std::vector<int>> symbolsOfForm;  // one to three pattern indexes per form
    std::vector<int> formOfLabel;                 // per label, front to back
    std::vector<int> patternOfSymbol;             // per symbol of a symbol map, front to back
};

// A map whose current layer holds SHAPE.labels point texts, unlocked and visible.
std::unique_ptr<subhost::Document> LabelMap(const Shape& shape, Plan* plan);
// A map whose current layer holds SHAPE.labels groups tagged with a pattern name, each a copy of
// its pattern's art moved somewhere on the sheet.
std::unique_ptr<subhost::Document> SymbolMap(const Shape& shape, Plan* plan);

// Table files (CR LF lines): form to romanised form; form to its symbols; each pattern name to
// the next one.
std::string TextTable(const Plan& plan);
std::string SymbolTable(const Plan& plan);
std::string SwapTable(const Plan& plan);
// ROWS rows of made-up forms to made-up destinations.
std::string LargeTable(int rows);
// One row: a form and FIELDS destinations (a line of many commas).
std::string LongTableLine(int fields);

}  // namespace kznbench
