// A damaged module file is refused before the system's loader sees it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <functional>

#include "subhost/error.h"
#include "subhost/loader/module.h"
#include "support/harness.h"
#include "support/tempdir.h"

namespace {

using Image = std::string;

template <typename T>
T Get(const Image& image, std::size_t offset) {
    T value;
    std::memcpy(&value, image.data() + offset, sizeof value);
    return value;
}
template <typename T>
void Put(Image& image, std::size_t offset, T value) {
    std::memcpy(image.data() + offset, &value, sizeof value);
}

// Offsets of the 64-bit ELF header and program header fields.
constexpr std::size_t kMachine = 0x12;
constexpr std::size_t kProgramHeaders = 0x20;
constexpr std::size_t kProgramHeaderCount = 0x38;
constexpr std::size_t kProgramHeaderSize = 56;
constexpr std::uint32_t kLoad = 1;
constexpr std::uint32_t kDynamic = 2;
constexpr std::size_t kOffset = 8;
constexpr std::size_t kAddress = 16;
constexpr std::size_t kFileSize = 32;

// The offset of the first program header of TYPE.
std::size_t Header(const Image& image, std::uint32_t type) {
    const auto first = Get<std::uint64_t>(image, kProgramHeaders);
    for (std::size_t i = 0; i < Get<std::uint16_t>(image, kProgramHeaderCount); ++i) {
        const std::size_t at = first + i * kProgramHeaderSize;
        if (Get<std::uint32_t>(image, at) == type) {
            return at;
        }
    }
    return 0;
}

struct Damage {
    const char* name;
    std::function<void(Image&)> apply;
};

TEST(ModuleFile, ADamagedElfStructureIsRefusedNamingTheFile) {
    const Image original = kzntest::TempDir::Read(kzntest::ModulePath());
    const Damage damages[] = {
        {"program headers past the end",
         [](Image& i) { Put<std::uint64_t>(i, kProgramHeaders, i.size() - 8); }},
        {"dynamic section past the end",
         [](Image& i) { Put<std::uint64_t>(i, Header(i, kDynamic) + kOffset, 0x7FFFFFFF0000); }},
        {"dynamic section outside the image",
         [](Image& i) { Put<std::uint64_t>(i, Header(i, kDynamic) + kAddress, 0x7FFFFFFF0000); }},
        {"segment longer than the file",
         [](Image& i) { Put<std::uint64_t>(i, Header(i, kLoad) + kFileSize, 0x7FFFFFFF0000); }},
        {"another machine", [](Image& i) { Put<std::uint16_t>(i, kMachine, 3); }},
    };
    kzntest::TempDir dir;
    for (const Damage& damage : damages) {
        Image image = original;
        damage.apply(image);
        const std::string path = dir.Write("damaged.aip", image);
        try {
            subhost::PluginModule::Load(path);
            ADD_FAILURE() << damage.name << ": loaded";
        } catch (const subhost::ModuleError& e) {
            EXPECT_EQ(std::string(e.what()).rfind(path + ": ", 0), 0U) << e.what();
        }
    }
}

}  // namespace
