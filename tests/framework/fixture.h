// The module's code linked into the test, served by a host whose resources come from kzn.aip.
#pragma once

#include <gtest/gtest.h>

#include "frame/plugin.h"
#include "frame/suitetable.h"
#include "host/suites.h"
#include "support/harness.h"

namespace kzntest {

class LinkedModule : public ::testing::Test {
  protected:
    void SetUp() override {
        host_ = std::make_unique<subhost::Host>(
            subhost::PluginModule::Linked(ModulePath(), &PluginMain));
    }
    void TearDown() override {
        // Leave no suite pointer behind for the next test.
        host_->faults().Clear();
        ReleaseSuites(host_->basicSuite());
        host_.reset();
    }
    subhost::Host& host() { return *host_; }

    std::unique_ptr<subhost::Host> host_;
};

// How a failed checked call with CODE at the line of module/util/kznAIutil.cpp that holds CALL
// is traced.
inline std::string UtilCallAt(const std::string& code, const std::string& call) {
    return CheckedCallAt(code, "module/util/kznAIutil.cpp", call);
}

}  // namespace kzntest
