// A loaded host with a map as its document, and the host's document suites as the module
// acquires them.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/suitenames.h"
#include "support/harness.h"
#include "support/maps.h"

namespace kzntest {

class DocumentHost : public ::testing::Test {
  protected:
    void SetUp() override { host_ = LoadedHost(); }

    // Makes the map JSON the host's document.
    subhost::Document& Open(const char8_t* json) {
        host_->SetDocument(Map(json));
        return doc();
    }
    subhost::Document& doc() { return host_->document(); }
    subhost::Host& host() { return *host_; }

    template <typename Suite>
    const Suite& Acquire(const char* name, ASInt32 version) {
        const void* suite = nullptr;
        EXPECT_EQ(host_->basicSuite()->AcquireSuite(name, version, &suite), 0) << name;
        return *static_cast<const Suite*>(suite);
    }
    const ArtSuite& art() { return Acquire<ArtSuite>(kArtSuite, kArtSuiteVersion); }
    const LayerSuite& layers() { return Acquire<LayerSuite>(kLayerSuite, kLayerSuiteVersion); }

    // The art of layer LAYER at the list of child indexes PATH.
    subhost::Art& At(std::size_t layer, std::initializer_list<std::size_t> path) {
        subhost::Art* art = doc().layers().at(layer)->group;
        for (std::size_t i : path) {
            art = art->children.at(i);
        }
        return *art;
    }

  private:
    std::unique_ptr<subhost::Host> host_;
};

}  // namespace kzntest
