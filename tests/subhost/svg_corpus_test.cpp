// SVG files that no one here wrote, read and written back: each byte for byte. Label
// svg-corpus; skipped when none of the folders is there.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <sstream>

#include "subhost/files.h"
#include "subhost/mapforms/svgform.h"

namespace {

std::string File(const std::string& path) {
    return subhost::ReadWholeFile(path, subhost::kMapBound);
}

// The corpus of SVG files no one here wrote: every one is written back byte for byte. The
// files are Inkscape's examples (./scripts/svg-corpus puts them under build/svg-corpus) and the
// icons of the Adwaita theme; KZN_SVG_CORPUS names other folders (separated by ':').
TEST(SvgCorpus, EveryFileIsWrittenBackByteForByte) {
    std::vector<std::string> folders = {KZN_BUILD_DIR "/svg-corpus",
                                        "/usr/share/icons/Adwaita/scalable"};
    if (const char* more = std::getenv("KZN_SVG_CORPUS")) {
        std::istringstream list(more);
        for (std::string folder; std::getline(list, folder, ':');) {
            folders.push_back(folder);
        }
    }
    std::size_t files = 0;
    for (const std::string& folder : folders) {
        std::error_code error;
        for (auto it = std::filesystem::recursive_directory_iterator(folder, error);
             !error && it != std::filesystem::recursive_directory_iterator(); it.increment(error)) {
            const std::string path = it->path().string();
            const subhost::MapForm form = subhost::FormOf(path);
            if (!it->is_regular_file() || form == subhost::MapForm::kJson) {
                continue;
            }
            SCOPED_TRACE(path);
            ++files;
            try {
                const subhost::LoadedMap map = subhost::LoadMap(path);
                const std::string written = subhost::FormatSvgMap(*map.document, map.source.get());
                const std::string bytes = File(path);
                EXPECT_TRUE(written == (form == subhost::MapForm::kSvgz
                                            ? subhost::Gunzip(bytes, path, subhost::kMapBound.bytes)
                                            : bytes));
            } catch (const subhost::MapError& e) {
                ADD_FAILURE() << e.what();
            }
        }
    }
    if (files == 0) {
        GTEST_SKIP() << "no SVG corpus here: ./scripts/svg-corpus fetches Inkscape's examples, "
                        "./scripts/install-deps the Adwaita icons";
    }
    std::cout << files << " SVG files written back byte for byte\n";
}

}  // namespace
