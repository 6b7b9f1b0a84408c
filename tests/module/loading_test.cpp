// The host refuses module files it cannot use, naming what is wrong; kznhost reports them.
#include <gtest/gtest.h>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "subhost/error.h"
#include "subhost/mapforms/mapforms.h"
#include "support/harness.h"

namespace {

namespace fs = std::filesystem;

// A copy of kzn.aip in which the first occurrence of FROM (inside the property list) is replaced
// by TO of the same length.
std::string BrokenCopy(const std::string& name, const std::string& from, const std::string& to) {
    subhost::Bytes bytes = subhost::ReadFileBytes(kzntest::ModulePath());
    const std::string marker = "EBDAdnik";  // the property list starts its first property so
    std::string image(bytes.begin(), bytes.end());
    const std::size_t pipl = image.find(marker);
    EXPECT_NE(pipl, std::string::npos);
    const std::size_t at = image.find(from, pipl);
    EXPECT_NE(at, std::string::npos);
    image.replace(at, from.size(), to);
    const fs::path path = fs::temp_directory_path() / ("kzn-test-" + name + ".aip");
    std::ofstream(path, std::ios::binary) << image;
    return path.string();
}

std::string LoadError(const std::string& path) {
    try {
        subhost::PluginModule::Load(path);
    } catch (const subhost::ModuleError& e) {
        return e.what();
    }
    return "";
}

TEST(Loading, RefusesAModuleThatIsNotOfKindSPEA) {
    const std::string path = BrokenCopy("kind", "AEPS", "AEPX");
    EXPECT_NE(LoadError(path).find("kind 'SPEA'"), std::string::npos) << LoadError(path);
    fs::remove(path);
}

TEST(Loading, RefusesAnotherInterfaceVersion) {
    const std::string path = BrokenCopy("version", std::string("srvi\0\0\0\0\x04\0\0\0\x02", 13),
                                        std::string("srvi\0\0\0\0\x04\0\0\0\x03", 13));
    EXPECT_NE(LoadError(path).find("interface version 2"), std::string::npos) << LoadError(path);
    fs::remove(path);
}

TEST(Loading, RefusesAPropertyListWithoutEntryPoint) {
    const std::string path = BrokenCopy("noentry", "68xw", "68xy");
    EXPECT_NE(LoadError(path).find("names no entry point"), std::string::npos) << LoadError(path);
    fs::remove(path);
}

TEST(Loading, RefusesAnEntryPointThatIsNotExported) {
    const std::string path = BrokenCopy("notexported", "PluginMain", "PluginMaim");
    EXPECT_NE(LoadError(path).find("PluginMaim is not exported"), std::string::npos)
        << LoadError(path);
    fs::remove(path);
}

TEST(Loading, RefusesFilesWithoutResourcesOrThatAreMissing) {
#ifdef _WIN32
    const std::string library = "C:/windows/system32/kernel32.dll";
    const char* notModule = "not a Windows module";
#else
    const std::string library = fs::path(kzntest::ModulePath()).parent_path() / "libkznsubhost.so";
    const char* notModule = "not an ELF";
#endif
    const char* missing = "cannot be read";
    EXPECT_NE(LoadError(library).find("carries no resources"), std::string::npos)
        << LoadError(library);
    EXPECT_NE(LoadError("/nonexistent/kzn.aip").find(missing), std::string::npos);
    EXPECT_NE(LoadError(kzntest::SourcePath("README.md")).find(notModule), std::string::npos);
}

int ExitStatus(const std::string& command) {
#ifdef _WIN32
    return std::system((command + " >NUL 2>&1").c_str());
#else
    const int status = std::system((command + " >/dev/null 2>&1").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
}

#ifdef _WIN32
// A host loads and unloads a module many times in a long session (and the tests do so thousands
// of times): each time the module must give back every thread-local slot it took, or the process
// runs out of them (Windows has about a thousand) and ends.
TEST(Loading, LoadingAndRunningTheModuleAgainAndAgainKeepsNoThreadSlots) {
    const auto freeSlots = [] {
        std::vector<DWORD> taken;
        for (DWORD slot = TlsAlloc(); slot != TLS_OUT_OF_INDEXES; slot = TlsAlloc()) {
            taken.push_back(slot);
        }
        for (const DWORD slot : taken) {
            TlsFree(slot);
        }
        return taken.size();
    };
    // One text-to-object dialog with its pattern previews painted, then everything unloaded.
    const auto session = [] {
        auto host = kzntest::LoadedHost();
        host->SetDocument(subhost::ReadMap(kzntest::SourcePath("examples/snail-map.json")));
        ASSERT_EQ(host->Startup(), 0);
        host->dialogs().QueueScript([](subhost::DialogSession& s) {
            s.Pick(1004, "調査地点");
            s.ClickRow(1011, 0);
            s.Paint();
            s.Cancel();
        });
        EXPECT_EQ(host->RunFilter("t2o"), 0);
        EXPECT_EQ(host->dialogs().scriptError(), "");
        EXPECT_EQ(host->Shutdown(), 0);
    };
    session();  // what the runtimes keep for the whole process is taken here
    const std::size_t before = freeSlots();
    for (int i = 0; i < 3; ++i) {
        session();
    }
    EXPECT_EQ(freeSlots(), before);
}
#endif

TEST(Kznhost, InfoExitsZeroAndTwoForAFileThatIsNoModule) {
    const std::string kznhost = KZN_KZNHOST_PATH;
    EXPECT_EQ(ExitStatus(kznhost + " info"), 0);
    EXPECT_EQ(ExitStatus(kznhost + " info --plugin " + kzntest::SourcePath("README.md")), 2);
    EXPECT_EQ(ExitStatus(kznhost + " frobnicate"), 2);
    EXPECT_EQ(ExitStatus(kznhost), 2);
}

}  // namespace
