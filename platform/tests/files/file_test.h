// A fixture for the file services: each test in a fresh working directory, with shorthands
// for opening, writing and reading files through the handles under test. The same tests run
// against the platform layer on Linux and against the system's own calls on Windows.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include <windows.h>

namespace platform_test {

// Text in WCHAR units: char16_t with the platform layer, wchar_t on Windows.
using WString = std::basic_string<WCHAR>;

// Errors are checked against this afterwards, so a call that forgets to set one shows.
constexpr DWORD kStaleError = 0xDEAD;

// Wine, which runs the Windows build's tests, departs from the documented behaviour in a few
// places; the checks that meet them say why and are skipped there. They run on Windows itself
// and against the layer, which holds to the documentation.
bool UnderWine();

// Whether a file with the read-only attribute keeps writers out. Windows and the layer do, for
// root too; wine keeps the attribute as permission bits, which a process run as root passes.
bool ReadOnlyIsEnforced();

class FileTest : public ::testing::Test {
  protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::random_device random;
        const std::filesystem::path temp = std::filesystem::temp_directory_path();
        do {
            directory_ = temp / ("platform-files-" + std::to_string(random()));
        } while (!std::filesystem::create_directory(directory_));
        std::filesystem::current_path(directory_);
    }

    void TearDown() override {
        std::filesystem::current_path(previous_);
        // Windows deletes no read-only file, so they are made writable first.
        std::error_code error;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(directory_)) {
            if (entry.symlink_status().type() == std::filesystem::file_type::regular) {
                std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_write,
                                             std::filesystem::perm_options::add, error);
            }
        }
        std::filesystem::remove_all(directory_, error);
    }

    static HANDLE Open(const WCHAR* name, DWORD access, DWORD disposition,
                       DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        SetLastError(kStaleError);
        return CreateFileW(name, access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                           attributes, nullptr);
    }

    static void Write(HANDLE file, const std::string& bytes) {
        DWORD written = 0;
        ASSERT_TRUE(
            ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
        ASSERT_EQ(written, bytes.size());
    }

    // Everything from the handle's position to the end of the file.
    static std::string ReadRest(HANDLE file) {
        std::string content;
        char chunk[256];
        DWORD got = 0;
        while (::ReadFile(file, chunk, sizeof chunk, &got, nullptr) && got > 0) {
            content.append(chunk, got);
        }
        return content;
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

    // Read-only by the means each system has: no write permission bits on Linux, the
    // read-only attribute on Windows.
    static void MakeReadOnly(const std::filesystem::path& name) {
        using std::filesystem::perms;
        std::filesystem::permissions(name,
                                     perms::owner_read | perms::group_read | perms::others_read);
    }

    static bool IsReadOnly(const std::filesystem::path& name) {
        return (std::filesystem::status(name).permissions() & WriteBits()) ==
               std::filesystem::perms::none;
    }

  private:
    static std::filesystem::perms WriteBits() {
        using std::filesystem::perms;
        return perms::owner_write | perms::group_write | perms::others_write;
    }

    std::filesystem::path previous_;
    std::filesystem::path directory_;
};

}  // namespace platform_test
