#include "targets.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "cli/session.h"
#include "subhost/error.h"
#include "subhost/loader/elffile.h"
#include "subhost/loader/pefile.h"
#include "subhost/loader/resources.h"
#include "subhost/mapforms/jsonform.h"
#include "subhost/mapforms/mapforms.h"
#include "subhost/mapforms/svgform.h"
#include "util/kznTableFile.h"

namespace kznfuzz {
namespace {

std::string Text(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

subhost::Bytes BytesOf(const std::uint8_t* data, std::size_t size) {
    return subhost::Bytes(data, data + size);
}

// A file of this process's own that holds the input, for readers that take a path.
const std::string& Scratch() {
    static const std::string path = [] {
        const char* folder = std::getenv("TMPDIR");
        return std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/kzn-fuzz-" +
               std::to_string(getpid()) + ".csv";
    }();
    return path;
}

// Everything a resource stream holds, read as the host reads it.
void ReadAll(const subhost::ResourceSet& resources) {
    subhost::StringTable(resources);
    for (const subhost::Resource& r : resources.all()) {
        try {
            if (r.type == subhost::ResourceId::Name("PIPL")) {
                const subhost::Pipl pipl = subhost::Pipl::Parse(r.data);
                pipl.Kind();
                pipl.InterfaceVersion();
                pipl.EntryPoint();
            } else if (r.type == subhost::ResourceId::Number(subhost::kDialogType)) {
                subhost::DialogTemplate::Parse(r.data);
            } else if (r.type == subhost::ResourceId::Number(subhost::kIconType)) {
                const subhost::IconImage icon = subhost::IconImage::Parse(r.data);
                for (int y = 0; y < icon.height; ++y) {
                    for (int x = 0; x < icon.width; ++x) {
                        icon.Pixel(x, y);
                    }
                }
            } else if (r.type == subhost::ResourceId::Number(subhost::kIconGroupType)) {
                subhost::IconGroupMembers(r.data);
            }
        } catch (const subhost::ModuleError&) {
            // refused: the next one
        }
    }
}

}  // namespace

int Table(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = Text(data, size);
    if (FILE* file = std::fopen(Scratch().c_str(), "wb")) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
        std::fclose(file);
        ReplacementTable table;
        LoadTable(table, Scratch().c_str());
        std::remove(Scratch().c_str());
    }
    // Each field taken leaves less: the splitter ends on any line; taken from a running position
    // the fields are the same.
    std::string rest = bytes;
    std::size_t at = 0;
    while (!rest.empty()) {
        const std::size_t before = rest.size();
        const std::string field = SplitField(rest);
        if (rest.size() >= before || SplitFieldFrom(bytes, at) != field ||
            bytes.size() - at != rest.size()) {
            std::abort();
        }
    }
    return 0;
}

int Map(const std::uint8_t* data, std::size_t size) {
    try {
        const auto document = subhost::ParseJsonMap(Text(data, size), "fuzz");
        const std::string written = subhost::FormatJsonMap(*document);
        // What was written reads back to the same text.
        if (subhost::FormatJsonMap(*subhost::ParseJsonMap(written, "written")) != written) {
            std::abort();
        }
    } catch (const subhost::MapError&) {
    }
    return 0;
}

int Svg(const std::uint8_t* data, std::size_t size) {
    const std::string bytes = Text(data, size);
    std::shared_ptr<const subhost::MapSource> source;
    std::unique_ptr<subhost::Document> document;
    try {
        document = subhost::ParseSvgMap(bytes, "fuzz", &source);
    } catch (const subhost::MapError&) {
        return 0;
    }
    // A map no command changed is written back byte for byte.
    if (subhost::FormatSvgMap(*document, source.get()) != bytes) {
        std::abort();
    }
    // Changed as the commands change maps (texts replaced, art removed, copies of a pattern
    // added, a layer added), it is written as SVG that reads back.
    for (subhost::Layer* layer : document->layers()) {
        subhost::Art& group = *layer->group;
        if (!group.children.empty()) {
            subhost::Art& first = *group.children.front();
            if (first.type == kTextArt) {
                first.text = "x&<\x82\xA0";
            } else if (!document->patterns().empty() && document->patterns()[0]->art) {
                document->Duplicate(*document->patterns()[0]->art, kPlaceAbove, first);
            }
            if (group.children.size() > 1) {
                document->Dispose(*group.children.back());
            }
        }
    }
    document->InsertLayer(*document->layers()[0], kPlaceAbove);
    const std::string written = subhost::FormatSvgMap(*document, source.get());
    try {
        subhost::ParseSvgMap(written, "written");
    } catch (const subhost::MapError& e) {
        // Depth: a copy may stand one deeper than its pattern did.
        if (std::string(e.what()).find("nested") == std::string::npos) {
            std::fprintf(stderr, "%s\n", e.what());
            std::abort();
        }
    }
    return 0;
}

int Script(const std::uint8_t* data, std::size_t size) {
    try {
        kznhost::ParseScript(Text(data, size), "fuzz");
    } catch (const kznhost::ScriptError&) {
    }
    return 0;
}

int Elf(const std::uint8_t* data, std::size_t size) {
    try {
        const subhost::ElfFile elf(BytesOf(data, size));
        elf.ExportedSymbols();
        if (const auto section = elf.Section(subhost::kResourceSection)) {
            ReadAll(subhost::ResourceSet::Parse(*section));
        }
    } catch (const subhost::ModuleError&) {
    }
    return 0;
}

int Resources(const std::uint8_t* data, std::size_t size) {
    try {
        ReadAll(subhost::ResourceSet::Parse(BytesOf(data, size)));
    } catch (const subhost::ModuleError&) {
    }
    return 0;
}

int Pe(const std::uint8_t* data, std::size_t size) {
    try {
        const subhost::PeFile pe(BytesOf(data, size));
        pe.Describe();
        pe.ExportedSymbols();
        pe.Imports();
        ReadAll(pe.Resources());
    } catch (const subhost::ModuleError&) {
    }
    return 0;
}

}  // namespace kznfuzz
