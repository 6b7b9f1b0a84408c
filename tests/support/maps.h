// Maps for tests, written as UTF-8 JSON in the tests' sources.
#pragma once

#include <memory>
#include <string>

#include "subhost/mapforms/jsonform.h"
#include "subhost/mapforms/mapforms.h"

namespace kzntest {

// The sources are compiled to Shift-JIS; u8 literals keep UTF-8, as map files are.
inline std::string Utf8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

inline std::unique_ptr<subhost::Document> Map(const char8_t* json) {
    return subhost::ParseJsonMap(Utf8(json), "test map");
}

}  // namespace kzntest
