// Entry functions that take outside bytes as they come: each hands DATA to one of the readers
// of files a person gives the plug-in or kznhost. A reader may refuse the bytes with its own
// error; anything else it does (a crash, another exception, a sanitizer report) is a fault.
// The fuzzers call them for generated inputs, the tests for the committed corpora.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace kznfuzz {

using Entry = void (*)(const std::uint8_t* data, std::size_t size);

// A table file read by the plug-in's LoadTable.
void TableFile(const std::uint8_t* data, std::size_t size);
// A line split into fields by SplitField, as LoadTable and the text-to-object dialog split them.
void SplitFields(const std::uint8_t* data, std::size_t size);
// A map document read by kznhost, written again and read back.
void MapDocument(const std::uint8_t* data, std::size_t size);
// A session script read by kznhost run.
void SessionScript(const std::uint8_t* data, std::size_t size);
// A Linux module file: its ELF form, exports and resource section, as kznhost info reads them.
void ElfSection(const std::uint8_t* data, std::size_t size);
// A compiled resource stream (.res) and the resources in it.
void ResStream(const std::uint8_t* data, std::size_t size);
// A Windows module file: its PE form, exports, imports and resources.
void PeResources(const std::uint8_t* data, std::size_t size);

struct Target {
    const char* name;
    Entry entry;
};

// Every target, by the name of its corpus folder.
const std::vector<Target>& Targets();

}  // namespace kznfuzz
