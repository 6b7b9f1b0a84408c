#include "subhost/loader/pefile.h"

#include <algorithm>
#include <cstdio>

#include "subhost/error.h"

namespace subhost {
namespace {

std::uint32_t U32(const Bytes& b, std::size_t at) {
    if (at > b.size() || b.size() - at < 4) {
        throw ModuleError("the module file is cut short (PE structure past its end)");
    }
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t U16(const Bytes& b, std::size_t at) {
    if (at > b.size() || b.size() - at < 2) {
        throw ModuleError("the module file is cut short (PE structure past its end)");
    }
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

std::uint64_t U64(const Bytes& b, std::size_t at) {
    return U32(b, at) | (static_cast<std::uint64_t>(U32(b, at + 4)) << 32);
}

// Data directories of the optional header.
constexpr int kExportDirectory = 0;
constexpr int kImportDirectory = 1;
constexpr int kResourceDirectory = 2;
constexpr int kDelayImportDirectory = 13;

// A resource tree has three levels: type, name, language.
constexpr int kResourceLevels = 3;
// What a module's resources may hold in all; a directory that claims more is malformed.
constexpr std::size_t kMaxResourceBytes = 64u << 20;

}  // namespace

PeFile::PeFile(Bytes image) : image_(std::move(image)) {
    if (!Looks(image_)) {
        throw ModuleError("not a Windows module (no MZ header)");
    }
    const std::size_t pe = U32(image_, 0x3C);
    if (U32(image_, pe) != 0x00004550) {
        throw ModuleError("not a Windows module (no PE signature)");
    }
    const std::size_t header = pe + 4;
    machine_ = U16(image_, header);
    const std::uint16_t sections = U16(image_, header + 2);
    const std::uint16_t optionalSize = U16(image_, header + 16);
    characteristics_ = U16(image_, header + 18);
    const std::size_t optional = header + 20;
    magic_ = U16(image_, optional);
    if (!pe32() && !pe32plus()) {
        throw ModuleError("not a Windows module (unknown optional header)");
    }
    // The data directories follow their count: at 92 and 96 in a PE32 header, 108 and 112 in
    // PE32+.
    directoryCount_ = U32(image_, optional + (pe32() ? 92 : 108));
    directories_ = optional + (pe32() ? 96 : 112);
    const std::size_t table = optional + optionalSize;
    for (std::uint16_t i = 0; i < sections; ++i) {
        const std::size_t at = table + i * 40u;
        // The larger of the section's size in memory and on disk, as far as the file holds it.
        const std::uint32_t virtualSize = U32(image_, at + 8);
        const std::uint32_t rawSize = U32(image_, at + 16);
        sections_.push_back(
            {U32(image_, at + 12), std::max(virtualSize, rawSize), U32(image_, at + 20)});
    }
}

bool PeFile::Looks(const Bytes& bytes) {
    return bytes.size() >= 64 && bytes[0] == 'M' && bytes[1] == 'Z';
}

std::string PeFile::Describe() const {
    std::string text = pe32() ? "PE32" : "PE32+";
    text += dll() ? " DLL" : " program";
    switch (machine_) {
        case kMachineI386:
            return text + " for Intel 386";
        case kMachineAmd64:
            return text + " for x86-64";
        default: {
            char code[8];
            std::snprintf(code, sizeof code, "0x%04X", machine_);
            return text + " for machine " + code;
        }
    }
}

std::size_t PeFile::Offset(std::uint32_t rva) const {
    for (const Section& s : sections_) {
        if (rva >= s.rva && rva - s.rva < s.size) {
            return std::size_t{rva - s.rva} + s.offset;
        }
    }
    throw ModuleError("the module file has an address outside its sections");
}

std::uint32_t PeFile::Directory(int index) const {
    if (static_cast<std::uint32_t>(index) >= directoryCount_) {
        return 0;
    }
    return U32(image_, directories_ + static_cast<std::size_t>(index) * 8);
}

std::string PeFile::CString(std::size_t at) const {
    std::string text;
    while (at < image_.size() && image_[at] != 0) {
        text += static_cast<char>(image_[at++]);
    }
    if (at >= image_.size()) {
        throw ModuleError("the module file is cut short (a name runs past its end)");
    }
    return text;
}

std::vector<std::string> PeFile::ExportedSymbols() const {
    std::vector<std::string> names;
    const std::uint32_t rva = Directory(kExportDirectory);
    if (rva == 0) {
        return names;
    }
    const std::size_t directory = Offset(rva);
    const std::uint32_t count = U32(image_, directory + 24);
    const std::size_t nameTable = Offset(U32(image_, directory + 32));
    if (count > image_.size() / 4) {
        throw ModuleError("the module file's export table claims more names than it can hold");
    }
    for (std::uint32_t i = 0; i < count; ++i) {
        names.push_back(CString(Offset(U32(image_, nameTable + i * 4u))));
    }
    return names;
}

// The functions named by a lookup table of thunks (32-bit words in PE32, 64-bit in PE32+), up to
// its zero entry.
std::vector<std::string> PeFile::ThunkNames(std::uint32_t rva) const {
    std::vector<std::string> names;
    const std::size_t width = pe32() ? 4 : 8;
    const std::uint64_t ordinalFlag = pe32() ? 0x80000000ULL : 0x8000000000000000ULL;
    for (std::size_t at = Offset(rva);; at += width) {
        const std::uint64_t thunk = pe32() ? U32(image_, at) : U64(image_, at);
        if (thunk == 0) {
            return names;
        }
        if (thunk & ordinalFlag) {
            names.push_back("#" + std::to_string(thunk & 0xFFFF));
        } else {
            // The hint (two bytes), then the name.
            names.push_back(CString(Offset(static_cast<std::uint32_t>(thunk)) + 2));
        }
    }
}

std::vector<PeImport> PeFile::Imports() const {
    std::vector<PeImport> imports;
    if (const std::uint32_t rva = Directory(kImportDirectory); rva != 0) {
        // Twenty-byte descriptors up to one whose name is zero.
        for (std::size_t at = Offset(rva);; at += 20) {
            const std::uint32_t lookup = U32(image_, at);
            const std::uint32_t name = U32(image_, at + 12);
            const std::uint32_t slots = U32(image_, at + 16);
            if (name == 0) {
                break;
            }
            imports.push_back({CString(Offset(name)), ThunkNames(lookup ? lookup : slots), false});
        }
    }
    if (const std::uint32_t rva = Directory(kDelayImportDirectory); rva != 0) {
        // Thirty-two-byte descriptors: attributes, name, module handle, address table, name table.
        for (std::size_t at = Offset(rva);; at += 32) {
            const std::uint32_t name = U32(image_, at + 4);
            const std::uint32_t names = U32(image_, at + 16);
            if (name == 0) {
                break;
            }
            imports.push_back({CString(Offset(name)),
                               names ? ThunkNames(names) : std::vector<std::string>{}, true});
        }
    }
    return imports;
}

ResourceSet PeFile::Resources() const {
    ResourceSet set;
    const std::uint32_t rva = Directory(kResourceDirectory);
    if (rva == 0) {
        return set;
    }
    Resource partial;
    std::vector<std::uint32_t> visited;
    std::size_t total = 0;
    ReadResourceLevel(rva, 0, 0, partial, set, visited, total);
    return set;
}

// One directory of the resource tree at offset AT from its root (at BASE): its entries name the
// type (level 0), the name (1) or the language (2) of what lies below them.
void PeFile::ReadResourceLevel(std::uint32_t base, std::uint32_t at, int level, Resource& partial,
                               ResourceSet& out, std::vector<std::uint32_t>& visited,
                               std::size_t& total) const {
    // Every directory is read once: a tree whose entries lead back into it is malformed.
    if (std::find(visited.begin(), visited.end(), at) != visited.end()) {
        throw ModuleError("the module file's resource directory refers to itself");
    }
    visited.push_back(at);
    const std::size_t directory = Offset(base + at);
    const std::size_t entries =
        std::size_t{U16(image_, directory + 12)} + U16(image_, directory + 14);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::size_t entry = directory + 16 + i * 8;
        const std::uint32_t id = U32(image_, entry);
        const std::uint32_t target = U32(image_, entry + 4);
        ResourceId key;
        if (id & 0x80000000U) {
            // A name: its length in UTF-16 units, then the units, shown in ASCII.
            const std::size_t name = Offset(base + (id & 0x7FFFFFFFU));
            const std::uint16_t length = U16(image_, name);
            std::string ascii;
            for (std::uint16_t c = 0; c < length; ++c) {
                const std::uint16_t unit = U16(image_, name + 2 + c * 2u);
                ascii += unit < 0x80 ? static_cast<char>(unit) : '?';
            }
            key = ResourceId::Name(ascii);
        } else {
            key = ResourceId::Number(static_cast<std::uint16_t>(id));
        }
        const bool subdirectory = (target & 0x80000000U) != 0;
        if (level == 0) {
            partial.type = key;
        } else if (level == 1) {
            partial.name = key;
        } else {
            partial.language = key.number.value_or(0);
        }
        if (level + 1 < kResourceLevels) {
            if (!subdirectory) {
                throw ModuleError("the module file's resource directory is cut short");
            }
            ReadResourceLevel(base, target & 0x7FFFFFFFU, level + 1, partial, out, visited, total);
            continue;
        }
        if (subdirectory) {
            throw ModuleError("the module file's resource directory is deeper than three levels");
        }
        // A data entry: the data's address and size.
        const std::size_t data = Offset(base + target);
        const std::uint32_t size = U32(image_, data + 4);
        const std::size_t from = size == 0 ? 0 : Offset(U32(image_, data));
        if (from > image_.size() || image_.size() - from < size) {
            throw ModuleError("the module file has a resource that runs past its end");
        }
        total += size;
        if (total > kMaxResourceBytes) {
            throw ModuleError("the module file's resources are larger than any module's");
        }
        Resource resource = partial;
        resource.data.assign(image_.begin() + static_cast<std::ptrdiff_t>(from),
                             image_.begin() + static_cast<std::ptrdiff_t>(from + size));
        out.Add(std::move(resource));
    }
}

}  // namespace subhost
