// A Windows build's kzn.aip as a user receives it, read from the file without loading it, so that
// it is checked on machines that cannot run it:
//
//   module_file_tests DLL MACHINE LINUX_MODULE
//
// MACHINE is i386 (the product) or x86-64; LINUX_MODULE is the Linux build's kzn.aip, whose
// resources the DLL must carry unchanged.
#include <gmock/gmock.h>

#include <algorithm>
#include <cctype>
#include <set>
#include <sstream>

#include "cli/info.h"
#include "subhost/loader/elffile.h"
#include "subhost/loader/pefile.h"

namespace {

using ::testing::HasSubstr;

std::string gDll;
std::string gMachine;
std::string gLinuxModule;

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

subhost::PeFile Dll() {
    return subhost::PeFile(subhost::ReadFileBytes(gDll));
}

// Where a resource stands: its type, name and language.
std::string Key(const subhost::Resource& r) {
    return r.type.Show() + "/" + r.name.Show() + "/" + std::to_string(r.language);
}

std::map<std::string, subhost::Bytes> ByKey(const subhost::ResourceSet& set) {
    std::map<std::string, subhost::Bytes> out;
    for (const subhost::Resource& r : set.all()) {
        EXPECT_TRUE(out.emplace(Key(r), r.data).second) << "twice: " << Key(r);
    }
    return out;
}

TEST(WindowsModule, IsADllForItsMachineThatExportsPluginMainAndNothingElse) {
    const subhost::PeFile file = Dll();
    if (gMachine == "i386") {
        EXPECT_EQ(file.machine(), subhost::kMachineI386);
        EXPECT_TRUE(file.pe32());
    } else {
        EXPECT_EQ(file.machine(), subhost::kMachineAmd64);
        EXPECT_TRUE(file.pe32plus());
    }
    EXPECT_TRUE(file.dll());
    EXPECT_EQ(file.ExportedSymbols(), std::vector<std::string>{"PluginMain"});
}

TEST(WindowsModule, ImportsFromSystemLibrariesOnlyAndTakesTheCallsTheHostReplaces) {
    // Libraries every Windows has: nothing of the compiler's runtime that a user would have to
    // copy beside the module.
    const std::set<std::string> system = {"kernel32.dll", "user32.dll",   "comdlg32.dll",
                                          "msvcrt.dll",   "advapi32.dll", "gdi32.dll",
                                          "ntdll.dll",    "shell32.dll",  "ole32.dll"};
    std::map<std::string, std::vector<std::string>> functions;
    for (const subhost::PeImport& i : Dll().Imports()) {
        EXPECT_TRUE(system.count(Lower(i.library))) << "imports from " << i.library;
        EXPECT_FALSE(i.delayed) << i.library << " is delay-loaded";
        functions[Lower(i.library)] = i.functions;
    }
    // The host points these imports at its substitutes; called any other way they would escape.
    EXPECT_THAT(functions["comdlg32.dll"],
                testing::IsSupersetOf({"GetOpenFileNameA", "GetSaveFileNameA"}));
    EXPECT_THAT(functions["user32.dll"], testing::Contains("MessageBoxA"));
    EXPECT_THAT(functions["kernel32.dll"],
                testing::IsSupersetOf({"OutputDebugStringA", "MoveFileExA"}));
}

TEST(WindowsModule, CarriesTheLinuxModulesResourcesInJapanese) {
    const subhost::ResourceSet resources = Dll().Resources();
    std::set<std::string> keys;
    for (const subhost::Resource& r : resources.all()) {
        EXPECT_EQ(r.language, 1041) << Key(r);
        if (r.type != subhost::ResourceId::Number(subhost::kStringType)) {
            keys.insert(r.type.Show() + "/" + r.name.Show());
        }
    }
    EXPECT_EQ(keys, (std::set<std::string>{"\"PIPL\"/16000", "5/101", "5/102", "5/103", "3/1",
                                           "3/2", "14/107", "14/108"}));
    EXPECT_EQ(subhost::IconGroupMembers(
                  resources.Find(subhost::ResourceId::Number(14), subhost::ResourceId::Number(107))
                      ->data),
              std::vector<std::uint16_t>{1});
    EXPECT_EQ(subhost::IconGroupMembers(
                  resources.Find(subhost::ResourceId::Number(14), subhost::ResourceId::Number(108))
                      ->data),
              std::vector<std::uint16_t>{2});
    EXPECT_FALSE(subhost::StringTable(resources).empty());

    // Byte for byte what the Linux module carries (strings included).
    const subhost::ElfFile elf(subhost::ReadFileBytes(gLinuxModule));
    const std::optional<subhost::Bytes> stream = elf.Section(subhost::kResourceSection);
    ASSERT_TRUE(stream);
    EXPECT_EQ(ByKey(resources), ByKey(subhost::ResourceSet::Parse(*stream)));
}

// TEXT from FROM up to TO (or to its end); empty when it has no FROM.
std::string Part(const std::string& text, const std::string& from, const std::string& to = {}) {
    const std::size_t begin = text.find(from);
    if (begin == std::string::npos) {
        return {};
    }
    const std::size_t end = to.empty() ? std::string::npos : text.find(to, begin);
    return text.substr(begin, end == std::string::npos ? end : end - begin);
}

// kznhost info reads the DLL as it reads the Linux module, all but the start-up it cannot run.
TEST(WindowsModule, KznhostInfoShowsWhatTheLinuxModuleShows) {
    std::ostringstream dll, elf, err;
    ASSERT_EQ(kznhost::PrintInfo(gDll, dll, err), 0) << err.str();
    ASSERT_EQ(kznhost::PrintInfo(gLinuxModule, elf, err), 0) << err.str();
    EXPECT_EQ(err.str(), "");
    const std::string d = dll.str();
    const std::string l = elf.str();
    EXPECT_THAT(d,
                HasSubstr(gMachine == "i386" ? "File: PE32 DLL for Intel 386; exports PluginMain\n"
                                             : "File: PE32+ DLL for x86-64; exports PluginMain\n"));
    EXPECT_THAT(d, HasSubstr("is not started by this host (what follows is read from the file)"));
    // The property list, and everything from the dialogs on.
    EXPECT_EQ(Part(d, "\nProperty list", "\nFilter menu"),
              Part(l, "\nProperty list", "\nFilter menu"));
    EXPECT_EQ(Part(d, "\nDialogs:"), Part(l, "\nDialogs:"));
    EXPECT_THAT(Part(d, "\nDialogs:"), HasSubstr("group 108: icon 2 (32 x 32, 16 colours)"));
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleMock(&argc, argv);
    if (argc != 4 || (std::string(argv[2]) != "i386" && std::string(argv[2]) != "x86-64")) {
        std::fprintf(stderr, "usage: module_file_tests DLL i386|x86-64 LINUX_MODULE\n");
        return 2;
    }
    gDll = argv[1];
    gMachine = argv[2];
    gLinuxModule = argv[3];
    return RUN_ALL_TESTS();
}
