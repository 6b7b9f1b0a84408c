// What can be read from a Windows module file without loading it: its machine and form, its
// exports and imports, and its resources. Works on any machine, for 32-bit and 64-bit files.
#pragma once

#include <string>
#include <vector>

#include "subhost/loader/resources.h"

namespace subhost {

constexpr std::uint16_t kMachineI386 = 0x14C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;

// A library the module imports from, with the functions it takes from it.
struct PeImport {
    std::string library;
    std::vector<std::string> functions;  // by name; an import by ordinal is shown as "#N"
    bool delayed = false;                // loaded on first call rather than with the module
};

class PeFile {
  public:
    // Reads a PE file; throws ModuleError when it is not one or is malformed.
    explicit PeFile(Bytes image);

    // Whether BYTES begin as a Windows module does (the MZ header).
    static bool Looks(const Bytes& bytes);

    std::uint16_t machine() const { return machine_; }  // kMachineI386, kMachineAmd64, ...
    bool pe32() const { return magic_ == 0x10B; }       // 32-bit optional header
    bool pe32plus() const { return magic_ == 0x20B; }   // 64-bit optional header
    bool dll() const { return (characteristics_ & 0x2000) != 0; }
    // "PE32 DLL for Intel 386", "PE32+ DLL for x86-64", ...
    std::string Describe() const;

    // The names the file exports.
    std::vector<std::string> ExportedSymbols() const;
    // The libraries the file imports from, in the order of its import tables (the ordinary ones
    // first, then the delay-loaded ones).
    std::vector<PeImport> Imports() const;
    // Every resource the file carries, as its resource directory lists them (types, then names,
    // then languages, each in the directory's order).
    ResourceSet Resources() const;

  private:
    struct Section {
        std::uint32_t rva, size, offset;
    };

    std::size_t Offset(std::uint32_t rva) const;
    std::uint32_t Directory(int index) const;  // RVA of data directory INDEX, 0 when absent
    std::string CString(std::size_t at) const;
    std::vector<std::string> ThunkNames(std::uint32_t rva) const;
    void ReadResourceLevel(std::uint32_t base, std::uint32_t at, int level, Resource& partial,
                           ResourceSet& out, std::vector<std::uint32_t>& visited,
                           std::size_t& total) const;

    Bytes image_;
    std::uint16_t machine_ = 0;
    std::uint16_t magic_ = 0;
    std::uint16_t characteristics_ = 0;
    std::size_t directories_ = 0;       // file offset of the data directories
    std::uint32_t directoryCount_ = 0;  // as many as the optional header declares
    std::vector<Section> sections_;
};

}  // namespace subhost
