// A fixture for the file services: each test in a fresh working directory, with shorthands
// for opening, writing and reading files through the handles under test.
#pragma once

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include <windows.h>

#include "temp_dir.h"

namespace platform_test {

// Errors are checked against this afterwards, so a call that forgets to set one shows.
constexpr DWORD kStaleError = 0xDEAD;

class FileTest : public test_support::InTempDir {
  protected:
    static HANDLE Open(const char16_t* name, DWORD access, DWORD disposition,
                       DWORD attributes = FILE_ATTRIBUTE_NORMAL) {
        SetLastError(kStaleError);
        return CreateFileW(name, access, FILE_SHARE_READ, nullptr, disposition, attributes,
                           nullptr);
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

    static unsigned int Mode(const char* name) {
        struct stat status {};
        return stat(name, &status) == 0 ? status.st_mode & 07777 : 0;
    }
};

}  // namespace platform_test
