// A fixture for the file services: each test in a fresh working directory, with shorthands
// for opening, writing and reading files through the handles under test. The same tests run
// against the platform layer on Linux and against the system's own calls on Windows.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include <windows.h>

#include "temp_dir.h"

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

class FileTest : public test_support::InTempDir {
  protected:
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
};

}  // namespace platform_test
