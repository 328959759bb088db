// Every file call on a handle that is not an open file fails with ERROR_INVALID_HANDLE.
#include <cstdint>
#include <functional>
#include <string_view>

#include "file_test.h"

namespace platform_test {
namespace {

// Closed handles are left out: Windows hands their values out again (the layer never does,
// linux_files_test.cpp).
TEST_F(FileTest, EveryCallRejectsHandlesThatAreNotOpenFiles) {
    const struct {
        const char* label;
        HANDLE handle;
        // On Windows also the current process's pseudo handle, which CloseHandle takes and
        // ignores; the layer has no processes and refuses it (linux_files_test.cpp).
        bool pseudoHandle;
    } handles[] = {
        {"NULL", nullptr, false},
        {"INVALID_HANDLE_VALUE", INVALID_HANDLE_VALUE, true},
        {"never handed out", reinterpret_cast<HANDLE>(std::uintptr_t{0x12345}), false},
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
            if (handle.pseudoHandle && std::string_view(call.label) == "CloseHandle") {
                continue;
            }
            SCOPED_TRACE(::testing::Message() << call.label << " on " << handle.label);
            SetLastError(kStaleError);
            const bool failed = call.fails(handle.handle);
            const DWORD error = GetLastError();
            EXPECT_TRUE(failed);
            EXPECT_EQ(error, static_cast<DWORD>(ERROR_INVALID_HANDLE));
        }
    }
}

}  // namespace
}  // namespace platform_test
