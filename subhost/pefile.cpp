#include "pefile.h"

#include <cstring>

#include "error.h"

namespace subhost {
namespace {

std::uint32_t U32(const Bytes& b, std::size_t at) {
    if (at + 4 > b.size()) {
        throw ModuleError("the module file is cut short (PE structure past its end)");
    }
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) |
           (static_cast<std::uint32_t>(b[at + 3]) << 24);
}

std::uint16_t U16(const Bytes& b, std::size_t at) {
    if (at + 2 > b.size()) {
        throw ModuleError("the module file is cut short (PE structure past its end)");
    }
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

}  // namespace

PeFile::PeFile(Bytes image) : image_(std::move(image)) {
    if (image_.size() < 64 || image_[0] != 'M' || image_[1] != 'Z') {
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
    // The export directory is the first data directory: at 96 in a PE32 header, 112 in PE32+.
    exportRva_ = U32(image_, optional + (pe32() ? 96 : 112));
    const std::size_t table = optional + optionalSize;
    for (std::uint16_t i = 0; i < sections; ++i) {
        const std::size_t at = table + i * 40u;
        sections_.push_back({U32(image_, at + 12), U32(image_, at + 16), U32(image_, at + 20)});
    }
}

std::size_t PeFile::Offset(std::uint32_t rva) const {
    for (const Section& s : sections_) {
        if (rva >= s.rva && rva < s.rva + s.size) {
            return rva - s.rva + s.offset;
        }
    }
    throw ModuleError("the module file has an address outside its sections");
}

std::vector<std::string> PeFile::ExportedSymbols() const {
    std::vector<std::string> names;
    if (exportRva_ == 0) {
        return names;
    }
    const std::size_t directory = Offset(exportRva_);
    const std::uint32_t count = U32(image_, directory + 24);
    const std::size_t nameTable = Offset(U32(image_, directory + 32));
    for (std::uint32_t i = 0; i < count; ++i) {
        std::size_t at = Offset(U32(image_, nameTable + i * 4u));
        std::string name;
        while (at < image_.size() && image_[at] != 0) {
            name += static_cast<char>(image_[at++]);
        }
        names.push_back(name);
    }
    return names;
}

}  // namespace subhost
