#include "subhost/loader/elffile.h"

#include <elf.h>

#include <algorithm>
#include <cstring>
#include <optional>

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

// The machine this host's own code runs on: the only one whose modules it can load.
#if defined(__x86_64__)
constexpr int kThisMachine = EM_X86_64;
#elif defined(__aarch64__)
constexpr int kThisMachine = EM_AARCH64;
#else
constexpr int kThisMachine = -1;  // not checked
#endif

// Whether [OFFSET, OFFSET + SIZE) lies within a file of FILE_SIZE bytes.
bool Within(std::uint64_t offset, std::uint64_t size, std::size_t fileSize) {
    return offset <= fileSize && size <= fileSize - offset;
}

[[noreturn]] void Corrupt(const std::string& what) {
    throw ModuleError("the module file is damaged: " + what);
}

// Dynamic entries that hold an address in the loaded image.
bool IsAddressEntry(std::int64_t tag) {
    switch (tag) {
        case DT_PLTGOT:
        case DT_HASH:
        case DT_STRTAB:
        case DT_SYMTAB:
        case DT_RELA:
        case DT_REL:
        case DT_JMPREL:
        case DT_INIT:
        case DT_FINI:
        case DT_INIT_ARRAY:
        case DT_FINI_ARRAY:
        case DT_GNU_HASH:
        case DT_VERSYM:
        case DT_VERDEF:
        case DT_VERNEED:
            return true;
        default:
            return false;
    }
}

// The structure the system's loader relies on, checked before the file is handed to it: the
// loader trusts the program headers and the dynamic section, and a damaged one can crash it.
void CheckStructure(const Bytes& image) {
    const auto header = At<Elf64_Ehdr>(image, 0);
    if (header.e_ident[EI_VERSION] != EV_CURRENT || header.e_version != EV_CURRENT) {
        Corrupt("unknown ELF version");
    }
    if (header.e_type != ET_DYN) {
        throw ModuleError("not an ELF shared library (another kind of ELF file)");
    }
    if (kThisMachine >= 0 && header.e_machine != kThisMachine) {
        throw ModuleError("an ELF file for machine " + std::to_string(header.e_machine) +
                          ", not for this one (" + std::to_string(kThisMachine) + ")");
    }
    if (header.e_ehsize != sizeof(Elf64_Ehdr)) {
        Corrupt("the ELF header has the wrong size");
    }
    if (header.e_phnum == 0 || header.e_phentsize != sizeof(Elf64_Phdr) ||
        !Within(header.e_phoff, std::uint64_t{header.e_phnum} * sizeof(Elf64_Phdr), image.size())) {
        Corrupt("the program headers are not within the file");
    }
    if (header.e_shnum != 0 &&
        (header.e_shentsize != sizeof(Elf64_Shdr) ||
         !Within(header.e_shoff, std::uint64_t{header.e_shnum} * sizeof(Elf64_Shdr),
                 image.size()))) {
        Corrupt("the section headers are not within the file");
    }
    std::vector<Elf64_Phdr> loads;
    std::optional<Elf64_Phdr> dynamic;
    for (std::size_t i = 0; i < header.e_phnum; ++i) {
        const auto ph = At<Elf64_Phdr>(image, header.e_phoff + i * sizeof(Elf64_Phdr));
        if (ph.p_type == PT_LOAD) {
            if (!Within(ph.p_offset, ph.p_filesz, image.size()) || ph.p_filesz > ph.p_memsz ||
                ph.p_vaddr + ph.p_memsz < ph.p_vaddr) {
                Corrupt("a loadable segment is not within the file");
            }
            if (ph.p_align > 1 && ((ph.p_align & (ph.p_align - 1)) != 0 ||
                                   (ph.p_offset - ph.p_vaddr) % ph.p_align != 0)) {
                Corrupt("a loadable segment is misaligned");
            }
            loads.push_back(ph);
        } else if (ph.p_type == PT_DYNAMIC) {
            if (dynamic) {
                Corrupt("two dynamic sections");
            }
            dynamic = ph;
        }
    }
    if (loads.empty()) {
        Corrupt("no loadable segment");
    }
    if (!dynamic) {
        Corrupt("no dynamic section");
    }
    const auto mapped = [&loads](std::uint64_t address, std::uint64_t size) {
        return std::any_of(loads.begin(), loads.end(), [&](const Elf64_Phdr& l) {
            return address >= l.p_vaddr && size <= l.p_memsz &&
                   address - l.p_vaddr <= l.p_memsz - size;
        });
    };
    if (!Within(dynamic->p_offset, dynamic->p_filesz, image.size()) ||
        dynamic->p_filesz % sizeof(Elf64_Dyn) != 0 || dynamic->p_filesz == 0 ||
        !mapped(dynamic->p_vaddr, dynamic->p_filesz)) {
        Corrupt("the dynamic section is not within the file");
    }
    bool ended = false;
    for (std::uint64_t at = 0; at < dynamic->p_filesz && !ended; at += sizeof(Elf64_Dyn)) {
        const auto entry = At<Elf64_Dyn>(image, dynamic->p_offset + at);
        ended = entry.d_tag == DT_NULL;
        if (IsAddressEntry(entry.d_tag) && !mapped(entry.d_un.d_ptr, 1)) {
            Corrupt("the dynamic section points outside the module");
        }
    }
    if (!ended) {
        Corrupt("the dynamic section has no end");
    }
}

}  // namespace

ElfFile::ElfFile(Bytes image) : image_(std::move(image)) {
    if (image_.size() < sizeof(Elf64_Ehdr) || std::memcmp(image_.data(), ELFMAG, SELFMAG) != 0) {
        throw ModuleError("not an ELF shared library");
    }
    if (image_[EI_CLASS] != ELFCLASS64 || image_[EI_DATA] != ELFDATA2LSB) {
        throw ModuleError("not a 64-bit little-endian ELF file");
    }
    CheckStructure(image_);
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
            // (Offset and size are the file's: their sum may pass the largest number.)
            if (!Within(s.sh_offset, s.sh_size, image_.size())) {
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
