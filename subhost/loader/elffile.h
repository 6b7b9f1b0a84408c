// What the host reads from a module file on Linux: a section by name (the compiled resources)
// and the symbols the file exports.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "subhost/loader/resources.h"

namespace subhost {

class ElfFile {
  public:
    // Reads a 64-bit little-endian ELF file; throws ModuleError when it is not one.
    explicit ElfFile(Bytes image);

    std::optional<Bytes> Section(const std::string& name) const;
    // Names of the functions and objects the file defines in its dynamic symbol table with
    // global or weak binding and default or protected visibility: what it exports.
    std::vector<std::string> ExportedSymbols() const;

  private:
    Bytes image_;
};

// The name of the section that carries a module's compiled resources.
constexpr const char kResourceSection[] = ".kzn.rsrc";

}  // namespace subhost
