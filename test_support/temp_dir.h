// The libraries read and write files named relative to the working directory, so each test
// that touches files runs in a fresh temporary directory of its own.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace test_support {

class InTempDir : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::string pattern = std::filesystem::temp_directory_path() / "speech-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        directory_ = pattern;
        std::filesystem::current_path(directory_);
    }

    void TearDown() override {
        std::filesystem::current_path(previous_);
        std::filesystem::remove_all(directory_);
    }

    static void WriteFile(const std::string& name, const std::string& content) {
        std::ofstream(name, std::ios::binary) << content;
    }

    static std::string ReadFile(const std::string& name) {
        std::ifstream in(name, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

  private:
    std::filesystem::path previous_;
    std::filesystem::path directory_;
};

}  // namespace test_support
