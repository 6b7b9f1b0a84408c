// What can be read from a Windows module file without loading it: its machine, its form and
// its exports.
#pragma once

#include <string>
#include <vector>

#include "resources.h"

namespace subhost {

class PeFile {
  public:
    // Reads a PE file; throws ModuleError when it is not one.
    explicit PeFile(Bytes image);

    std::uint16_t machine() const { return machine_; }  // 0x14C: Intel 386
    bool pe32() const { return magic_ == 0x10B; }       // 32-bit optional header
    bool dll() const { return (characteristics_ & 0x2000) != 0; }
    // The names the file exports.
    std::vector<std::string> ExportedSymbols() const;

  private:
    std::size_t Offset(std::uint32_t rva) const;

    Bytes image_;
    std::uint16_t machine_ = 0;
    std::uint16_t magic_ = 0;
    std::uint16_t characteristics_ = 0;
    std::uint32_t exportRva_ = 0;
    struct Section {
        std::uint32_t rva, size, offset;
    };
    std::vector<Section> sections_;
};

}  // namespace subhost
