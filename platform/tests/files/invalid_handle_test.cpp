// Every file call on a handle that is not an open file fails with ERROR_INVALID_HANDLE.
#include <functional>

#include "file_test.h"

namespace platform_test {
namespace {

TEST_F(FileTest, EveryCallRejectsHandlesThatAreNotOpenFiles) {
    const HANDLE closed = Open(u"f", GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(closed, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(closed));

    const struct {
        const char* label;
        HANDLE handle;
    } handles[] = {
        {"NULL", nullptr},
        {"INVALID_HANDLE_VALUE", INVALID_HANDLE_VALUE},
        {"closed", closed},
        {"never handed out", reinterpret_cast<HANDLE>(std::uintptr_t{0x12345})},
    };
    char buffer[4] = {};
    DWORD count = 0;
    LONG high = 0;
    DWORD sizeHigh = 0;
    const struct {
        const char* label;
        std::function<bool(HANDLE)> fails;  // true when the call reported failure
    } calls[] = {
        {"ReadFile",
         [&](HANDLE h) {
             count = 5;
             return !::ReadFile(h, buffer, 1, &count, nullptr) && count == 0;
         }},
        {"WriteFile",
         [&](HANDLE h) {
             count = 5;
             return !::WriteFile(h, "x", 1, &count, nullptr) && count == 0;
         }},
        {"SetFilePointer",
         [&](HANDLE h) {
             return SetFilePointer(h, 0, &high, FILE_BEGIN) == INVALID_SET_FILE_POINTER;
         }},
        {"GetFileSize", [&](HANDLE h) { return GetFileSize(h, &sizeHigh) == INVALID_FILE_SIZE; }},
        {"GetFileType", [](HANDLE h) { return GetFileType(h) == FILE_TYPE_UNKNOWN; }},
        {"CloseHandle", [](HANDLE h) { return !CloseHandle(h); }},
    };
    for (const auto& handle : handles) {
        for (const auto& call : calls) {
            SCOPED_TRACE(::testing::Message() << call.label << " on " << handle.label);
            SetLastError(kStaleError);
            EXPECT_TRUE(call.fails(handle.handle));
            EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
        }
    }
}

}  // namespace
}  // namespace platform_test
