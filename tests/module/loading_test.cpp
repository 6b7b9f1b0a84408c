// The host refuses module files it cannot use, naming what is wrong; kznhost reports them.
#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/wait.h>
#endif

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "subhost/error.h"
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

TEST(Kznhost, InfoExitsZeroAndTwoForAFileThatIsNoModule) {
    const std::string kznhost = KZN_KZNHOST_PATH;
    EXPECT_EQ(ExitStatus(kznhost + " info"), 0);
    EXPECT_EQ(ExitStatus(kznhost + " info --plugin " + kzntest::SourcePath("README.md")), 2);
    EXPECT_EQ(ExitStatus(kznhost + " frobnicate"), 2);
    EXPECT_EQ(ExitStatus(kznhost), 2);
}

}  // namespace
