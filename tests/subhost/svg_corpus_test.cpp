// SVG files that no one here wrote, read and written back: each byte for byte. Label
// svg-corpus; skipped when none of the folders is there.
#include <gtest/gtest.h>

#include <algorithm>
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

// Counts the art in ART and below.
std::size_t Count(const subhost::Art& art) {
    std::size_t n = 1;
    for (const subhost::Art* child : art.children) {
        n += Count(*child);
    }
    return n;
}

// The corpus of SVG files no one here wrote: every one is written back byte for byte, and, with
// a tag given to each layer's front art, written to SVG that reads back as the same map with the
// tags. The files are Inkscape's examples and the icons of the Adwaita theme (both installed by
// ./scripts/install-deps); KZN_SVG_CORPUS names other folders (separated by ':').
TEST(SvgCorpus, EveryFileIsWrittenBackByteForByte) {
    std::vector<std::string> folders = {"/usr/share/inkscape/examples",
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
                std::size_t art = 0;
                for (subhost::Layer* layer : map.document->layers()) {
                    art += Count(*layer->group);
                    if (!layer->group->children.empty()) {
                        layer->group->children.front()->tags["kznObjectName"] = "corpus";
                    }
                }
                const auto again = subhost::ParseSvgMap(
                    subhost::FormatSvgMap(*map.document, map.source.get()), "tagged");
                std::size_t tagged = 0;
                std::size_t artAgain = 0;
                for (const subhost::Layer* layer : again->layers()) {
                    artAgain += Count(*layer->group);
                    tagged += !layer->group->children.empty() &&
                              layer->group->children.front()->tags.count("kznObjectName") != 0;
                }
                EXPECT_EQ(artAgain, art);
                EXPECT_EQ(again->layers().size(), map.document->layers().size());
                EXPECT_EQ(tagged, std::count_if(
                                      map.document->layers().begin(), map.document->layers().end(),
                                      [](auto* l) { return !l->group->children.empty(); }));
            } catch (const subhost::MapError& e) {
                ADD_FAILURE() << e.what();
            }
        }
    }
    if (files == 0) {
        GTEST_SKIP() << "no SVG corpus here: ./scripts/install-deps installs Inkscape's examples "
                        "and the Adwaita icons";
    }
    std::cout << files << " SVG files written back byte for byte, and tagged\n";
}

}  // namespace
