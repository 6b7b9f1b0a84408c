// kznhost convert: a map read in one form and written in another.
#pragma once

#include <ostream>
#include <string>

namespace kznhost {

// Reads the map IN and writes it to OUT in the form OUT's name gives. Exit status: 0 written;
// 2 IN cannot be read or is malformed, OUT cannot be written or is IN itself.
int ConvertMap(const std::string& in, const std::string& out, std::ostream& err);

}  // namespace kznhost
