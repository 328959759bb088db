// The system under test on Windows: the system's own calls, natively or under wine.
#include <filesystem>
#include <string>

#include "file_test.h"

namespace platform_test {

bool UnderWine() {
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}

bool ReadOnlyIsEnforced() {
    static const bool enforced = [] {
        const std::wstring name = (std::filesystem::temp_directory_path() /
                                   ("platform-read-only-" + std::to_string(GetCurrentProcessId())))
                                      .wstring();
        const HANDLE created = CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                           FILE_ATTRIBUTE_READONLY, nullptr);
        if (created == INVALID_HANDLE_VALUE) {
            return true;
        }
        CloseHandle(created);
        const HANDLE writer =
            CreateFileW(name.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (writer != INVALID_HANDLE_VALUE) {
            CloseHandle(writer);
        }
        SetFileAttributesW(name.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(name.c_str());
        return writer == INVALID_HANDLE_VALUE;
    }();
    return enforced;
}

}  // namespace platform_test
