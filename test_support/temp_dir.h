// The libraries read and write files named relative to the working directory, so each test
// that touches files runs in a fresh temporary directory of its own.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace test_support {

class InTempDir : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        directory_ = MakeUniqueDirectory();
        ASSERT_FALSE(directory_.empty());
        std::filesystem::current_path(directory_);
    }

    void TearDown() override {
        std::filesystem::current_path(previous_);
        // Windows deletes no read-only file, so those a test left are made writable first.
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(directory_, error)) {
            if (entry.symlink_status().type() == std::filesystem::file_type::regular) {
                std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                             std::filesystem::perm_options::add, error);
            }
        }
        std::filesystem::remove_all(directory_, error);
    }

    static void WriteFile(const std::filesystem::path& name, const std::string& content) {
        std::ofstream(name, std::ios::binary) << content;
    }

    static std::string ReadFile(const std::filesystem::path& name) {
        std::ifstream in(name, std::ios::binary);
        std::ostringstream content;
        content << in.rdbuf();
        return content.str();
    }

  private:
    // A new directory of a random name in the system's temporary directory; empty on failure.
    static std::filesystem::path MakeUniqueDirectory() {
        std::random_device random;
        for (int attempt = 0; attempt < 100; ++attempt) {
            const std::filesystem::path candidate = std::filesystem::temp_directory_path() /
                                                    ("speech-test-" + std::to_string(random()));
            std::error_code error;
            if (std::filesystem::create_directory(candidate, error)) {
                return candidate;
            }
        }
        return {};
    }

    std::filesystem::path previous_;
    std::filesystem::path directory_;
};

}  // namespace test_support
