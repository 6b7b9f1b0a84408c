#include "subhost/loader/elffile.h"

#include <elf.h>

#include <cstring>

#include "subhost/error.h"

namespace subhost {
namespace {

template <typename T>
T At(const Bytes& image, std::size_t offset) {
    if (offset + sizeof(T) > image.size() || offset + sizeof(T) < offset) {
        throw ModuleError("the module file is cut short (ELF structure past its end)");
    }
    T value;
    std::memcpy(&value, image.data() + offset, sizeof(T));
    return value;
}

std::string StringAt(const Bytes& image, std::size_t offset) {
    std::string s;
    while (offset < image.size() && image[offset] != 0) {
        s += static_cast<char>(image[offset++]);
    }
    return s;
}

std::vector<Elf64_Shdr> Sections(const Bytes& image) {
    const auto header = At<Elf64_Ehdr>(image, 0);
    std::vector<Elf64_Shdr> sections;
    for (std::size_t i = 0; i < header.e_shnum; ++i) {
        sections.push_back(At<Elf64_Shdr>(image, header.e_shoff + i * header.e_shentsize));
    }
    return sections;
}

}  // namespace

ElfFile::ElfFile(Bytes image) : image_(std::move(image)) {
    if (image_.size() < sizeof(Elf64_Ehdr) || std::memcmp(image_.data(), ELFMAG, SELFMAG) != 0) {
        throw ModuleError("not an ELF shared library");
    }
    if (image_[EI_CLASS] != ELFCLASS64 || image_[EI_DATA] != ELFDATA2LSB) {
        throw ModuleError("not a 64-bit little-endian ELF file");
    }
}

std::optional<Bytes> ElfFile::Section(const std::string& name) const {
    const auto header = At<Elf64_Ehdr>(image_, 0);
    const std::vector<Elf64_Shdr> sections = Sections(image_);
    if (header.e_shstrndx >= sections.size()) {
        return std::nullopt;
    }
    const Elf64_Shdr& names = sections[header.e_shstrndx];
    for (const Elf64_Shdr& s : sections) {
        if (StringAt(image_, names.sh_offset + s.sh_name) == name) {
            if (s.sh_offset + s.sh_size > image_.size()) {
                throw ModuleError("section " + name + " runs past the end of the file");
            }
            return Bytes(image_.begin() + static_cast<std::ptrdiff_t>(s.sh_offset),
                         image_.begin() + static_cast<std::ptrdiff_t>(s.sh_offset + s.sh_size));
        }
    }
    return std::nullopt;
}

std::vector<std::string> ElfFile::ExportedSymbols() const {
    std::vector<std::string> names;
    const std::vector<Elf64_Shdr> sections = Sections(image_);
    for (const Elf64_Shdr& s : sections) {
        if (s.sh_type != SHT_DYNSYM || s.sh_link >= sections.size() || s.sh_entsize == 0) {
            continue;
        }
        const Elf64_Shdr& strings = sections[s.sh_link];
        for (std::size_t k = 1; k < s.sh_size / s.sh_entsize; ++k) {
            const auto sym = At<Elf64_Sym>(image_, s.sh_offset + k * s.sh_entsize);
            const int bind = ELF64_ST_BIND(sym.st_info);
            const int visibility = ELF64_ST_VISIBILITY(sym.st_other);
            if (sym.st_shndx == SHN_UNDEF || (bind != STB_GLOBAL && bind != STB_WEAK) ||
                (visibility != STV_DEFAULT && visibility != STV_PROTECTED)) {
                continue;
            }
            names.push_back(StringAt(image_, strings.sh_offset + sym.st_name));
        }
    }
    return names;
}

}  // namespace subhost
