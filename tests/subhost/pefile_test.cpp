// Reading a Windows module file without loading it: a small DLL made here byte by byte, whole,
// cut short and with a resource tree that leads back into itself.
#include <gmock/gmock.h>

#include <cstring>

#include "subhost/error.h"
#include "subhost/loader/pefile.h"

namespace {

using ::testing::HasSubstr;

constexpr std::size_t kSection = 0x200;  // file offset of the one section
constexpr std::uint32_t kSectionRva = 0x1000;

void Put16(subhost::Bytes& b, std::size_t at, std::uint16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(subhost::Bytes& b, std::size_t at, std::uint32_t v) {
    Put16(b, at, static_cast<std::uint16_t>(v));
    Put16(b, at + 2, static_cast<std::uint16_t>(v >> 16));
}

// A PE32 DLL for Intel 386 with one resource, dialog 101 of language 1041 holding "abcd".
// Offsets in its resource section: the type directory at 0x00, the name directory at 0x18, the
// language directory at 0x30, the data entry at 0x48 and the data at 0x58.
subhost::Bytes SmallDll() {
    subhost::Bytes b(kSection + 0x100, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, 0x40);
    std::memcpy(&b[0x40], "PE\0\0", 4);
    Put16(b, 0x44, subhost::kMachineI386);
    Put16(b, 0x46, 1);       // sections
    Put16(b, 0x54, 0xE0);    // optional header size
    Put16(b, 0x56, 0x2102);  // a DLL
    const std::size_t optional = 0x58;
    Put16(b, optional, 0x10B);
    Put32(b, optional + 92, 16);                   // data directories
    Put32(b, optional + 96 + 2 * 8, kSectionRva);  // resources
    Put32(b, optional + 96 + 2 * 8 + 4, 0x60);
    const std::size_t section = optional + 0xE0;
    std::memcpy(&b[section], ".rsrc", 5);
    Put32(b, section + 8, 0x100);
    Put32(b, section + 12, kSectionRva);
    Put32(b, section + 16, 0x100);
    Put32(b, section + 20, kSection);
    const auto directory = [&](std::size_t at, std::uint32_t id, std::uint32_t target) {
        Put16(b, kSection + at + 14, 1);  // one entry by number
        Put32(b, kSection + at + 16, id);
        Put32(b, kSection + at + 20, target);
    };
    directory(0x00, 5, 0x80000000U | 0x18);
    directory(0x18, 101, 0x80000000U | 0x30);
    directory(0x30, 1041, 0x48);
    Put32(b, kSection + 0x48, kSectionRva + 0x58);
    Put32(b, kSection + 0x4C, 4);
    std::memcpy(&b[kSection + 0x58], "abcd", 4);
    return b;
}

std::string ReadError(const subhost::Bytes& bytes) {
    try {
        const subhost::PeFile file(bytes);
        file.ExportedSymbols();
        file.Imports();
        file.Resources();
    } catch (const subhost::ModuleError& e) {
        return e.what();
    }
    return "";
}

TEST(PeFile, ReadsTheFormAndTheResourceTree) {
    const subhost::PeFile file(SmallDll());
    EXPECT_EQ(file.Describe(), "PE32 DLL for Intel 386");
    EXPECT_TRUE(file.ExportedSymbols().empty());
    EXPECT_TRUE(file.Imports().empty());
    const subhost::ResourceSet resources = file.Resources();
    ASSERT_EQ(resources.all().size(), 1U);
    const subhost::Resource& r = resources.all()[0];
    EXPECT_EQ(r.type, subhost::ResourceId::Number(5));
    EXPECT_EQ(r.name, subhost::ResourceId::Number(101));
    EXPECT_EQ(r.language, 1041);
    EXPECT_EQ(std::string(r.data.begin(), r.data.end()), "abcd");
}

TEST(PeFile, RefusesMalformedFilesByNameAndNeverReadsPastTheirEnd) {
    subhost::Bytes looping = SmallDll();
    Put32(looping, kSection + 0x18 + 20, 0x80000000U);  // the name directory leads to the root
    EXPECT_THAT(ReadError(looping), HasSubstr("refers to itself"));

    subhost::Bytes oversized = SmallDll();
    Put32(oversized, kSection + 0x4C, 0x7FFFFFF0);
    EXPECT_THAT(ReadError(oversized), HasSubstr("runs past its end"));

    EXPECT_THAT(ReadError(subhost::Bytes(100, 'M')), HasSubstr("not a Windows module"));

    // Cut anywhere, the file is refused with a reason (the sanitizers watch every read).
    const subhost::Bytes whole = SmallDll();
    for (std::size_t size = 64; size < kSection + 0x5C; ++size) {
        const subhost::Bytes cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_NE(ReadError(cut), "") << "cut at " << size;
    }
}

}  // namespace
