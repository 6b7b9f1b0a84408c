#include "entries.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "cli/session.h"
#include "subhost/document/mapfile.h"
#include "subhost/error.h"
#include "subhost/loader/elffile.h"
#include "subhost/loader/pefile.h"
#include "subhost/loader/resources.h"
#include "util/kznTableFile.h"

namespace kznfuzz {
namespace {

std::string Text(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

subhost::Bytes BytesOf(const std::uint8_t* data, std::size_t size) {
    return subhost::Bytes(data, data + size);
}

// A fault the reader did not report as its own error.
[[noreturn]] void Fault(const char* what) {
    std::fprintf(stderr, "fault: %s\n", what);
    std::abort();
}

// What kznhost info reads of the resources: the property list, the dialogs, the strings and the
// icons.
void ReadResources(const subhost::ResourceSet& resources) {
    for (const subhost::Resource& r : resources.all()) {
        try {
            if (r.type == subhost::ResourceId::Name("PIPL")) {
                const subhost::Pipl pipl = subhost::Pipl::Parse(r.data);
                pipl.Kind();
                pipl.InterfaceVersion();
                pipl.EntryPoint();
            } else if (r.type == subhost::ResourceId::Number(5)) {
                subhost::DialogTemplate::Parse(r.data);
            } else if (r.type == subhost::ResourceId::Number(3)) {
                const subhost::IconImage icon = subhost::IconImage::Parse(r.data);
                icon.Pixel(0, 0);
            }
        } catch (const subhost::ModuleError&) {
        }
    }
    try {
        subhost::StringTable(resources);
    } catch (const subhost::ModuleError&) {
    }
}

}  // namespace

void TableFile(const std::uint8_t* data, std::size_t size) {
    static const std::string path = "/tmp/kzn-fuzz-table-" + std::to_string(::getpid()) + ".csv";
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) {
        return;
    }
    std::fwrite(data, 1, size, file);
    std::fclose(file);
    ReplacementTable table;
    if (!LoadTable(table, path.c_str())) {
        Fault("an existing table file was not loaded");
    }
    // What was loaded is kept as the reader promises: a row per line, and only rows with a
    // value. (A comma after a lead byte is that character's second half, so a value may end in
    // one.)
    for (const auto& [key, value] : table) {
        if (value.empty() || key.find('\n') != std::string::npos) {
            Fault("a loaded row is not as the reader keeps rows");
        }
    }
    std::remove(path.c_str());
}

void SplitFields(const std::uint8_t* data, std::size_t size) {
    std::string rest = Text(data, size);
    while (!rest.empty()) {
        const std::size_t before = rest.size();
        const std::string field = SplitField(rest);
        if (rest.size() >= before) {
            Fault("SplitField took nothing from the line");
        }
        if (field.size() > before) {
            Fault("a field longer than the line");
        }
    }
}

void MapDocument(const std::uint8_t* data, std::size_t size) {
    std::unique_ptr<subhost::Document> document;
    try {
        document = subhost::ParseMap(Text(data, size), "fuzz.json");
    } catch (const subhost::MapError&) {
        return;
    }
    if (!document->Problems().empty()) {
        Fault("a map was read into an unsound document");
    }
    // What is written reads back as the same map.
    const std::string written = subhost::FormatMap(*document);
    std::unique_ptr<subhost::Document> again;
    try {
        again = subhost::ParseMap(written, "again.json");
    } catch (const subhost::MapError&) {
        Fault("a written map cannot be read again");
    }
    if (subhost::FormatMap(*again) != written) {
        Fault("a written map reads back as another map");
    }
}

void SessionScript(const std::uint8_t* data, std::size_t size) {
    try {
        const std::vector<kznhost::ScriptLine> lines = kznhost::ParseScript(Text(data, size), "s");
        for (const kznhost::ScriptLine& line : lines) {
            if (line.verb == "row" || line.verb == "click" || line.verb == "check" ||
                line.verb == "type") {
                line.Item();
            }
        }
    } catch (const kznhost::ScriptError&) {
    }
}

void ElfSection(const std::uint8_t* data, std::size_t size) {
    try {
        const subhost::ElfFile file(BytesOf(data, size));
        file.ExportedSymbols();
        if (const std::optional<subhost::Bytes> stream = file.Section(".kzn.rsrc")) {
            ReadResources(subhost::ResourceSet::Parse(*stream));
        }
    } catch (const subhost::ModuleError&) {
    }
}

void ResStream(const std::uint8_t* data, std::size_t size) {
    try {
        ReadResources(subhost::ResourceSet::Parse(BytesOf(data, size)));
    } catch (const subhost::ModuleError&) {
    }
}

void PeResources(const std::uint8_t* data, std::size_t size) {
    subhost::Bytes bytes = BytesOf(data, size);
    if (!subhost::PeFile::Looks(bytes)) {
        return;
    }
    try {
        const subhost::PeFile file(std::move(bytes));
        file.Describe();
        file.ExportedSymbols();
        file.Imports();
        ReadResources(file.Resources());
    } catch (const subhost::ModuleError&) {
    }
}

const std::vector<Target>& Targets() {
    static const std::vector<Target> kTargets = {
        {"table_file", TableFile},     {"split_field", SplitFields},
        {"map_document", MapDocument}, {"session_script", SessionScript},
        {"elf_section", ElfSection},   {"res_stream", ResStream},
        {"pe_resources", PeResources},
    };
    return kTargets;
}

}  // namespace kznfuzz
