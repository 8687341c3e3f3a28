#pragma once
// A fixture with a fresh scratch folder of its own, "<scratch root>\<name><process id>", removed with
// everything in it after each test.

#include <gtest/gtest.h>

#include <string>

#include "platform_win32_test_support.h"

namespace win32test {

class ScratchFolderTest : public ::testing::Test {
  protected:
    explicit ScratchFolderTest(std::string name) : name_(std::move(name)) {}
    void SetUp() override {
        folder = ScratchFolderRoot() + "\\" + name_ + std::to_string(ProcessId());
        DeleteFolderTree(folder);
        ASSERT_TRUE(CreateFolderPath(folder));
    }
    void TearDown() override {
        DeleteFolderTree(folder);
        RemoveEmptyScratchRoots();
    }
    std::string folder;

  private:
    std::string name_;
};

}  // namespace win32test
