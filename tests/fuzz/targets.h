// The readers of outside bytes, each as one entry that takes any bytes: the fuzzers call these,
// and the tests replay every input of the fuzzers' corpora through them. An entry returns
// normally for any input it refuses with the reader's own error; anything else (a crash, a
// sanitizer report, another exception) is a finding.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kznfuzz {

// The module's table reader: the bytes as a table file for LoadTable, and every line of them
// through SplitField until nothing is left.
int Table(const std::uint8_t* data, std::size_t size);
// A map document: read, written, and read again to the same map.
int Map(const std::uint8_t* data, std::size_t size);
// An SVG map: read, written back unchanged byte for byte, and written after changes such as the
// commands make, to SVG that reads back.
int Svg(const std::uint8_t* data, std::size_t size);
// A session script.
int Script(const std::uint8_t* data, std::size_t size);
// A module file for Linux: its resource section and exports.
int Elf(const std::uint8_t* data, std::size_t size);
// A compiled resource stream, and the property list, dialogs, strings and icons in it.
int Resources(const std::uint8_t* data, std::size_t size);
// A Windows module file: its form, exports, imports and resources.
int Pe(const std::uint8_t* data, std::size_t size);

}  // namespace kznfuzz
