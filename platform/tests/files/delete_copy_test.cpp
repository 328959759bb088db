// DeleteFileW and CopyFileW.
#include <filesystem>

#include "file_test.h"

namespace platform_test {
namespace {

TEST_F(FileTest, DeleteRemovesFilesAndRefusesWhatItMustNot) {
    WriteFile("plain", "x");
    WriteFile("readonly", "x");
    MakeReadOnly("readonly");
    std::filesystem::create_directory("dir");
    const struct {
        const WCHAR* name;
        BOOL result;
        DWORD error;
    } rows[] = {
        {TEXT("plain"), TRUE, kStaleError},
        {TEXT("plain"), FALSE, ERROR_FILE_NOT_FOUND},  // already deleted
        {TEXT("missing/file"), FALSE, ERROR_PATH_NOT_FOUND},
        {TEXT("readonly"), FALSE, ERROR_ACCESS_DENIED},
        {TEXT("dir"), FALSE, ERROR_ACCESS_DENIED},
        {TEXT(""), FALSE, ERROR_PATH_NOT_FOUND},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        SetLastError(kStaleError);
        const BOOL result = DeleteFileW(row.name);
        const DWORD error = GetLastError();
        EXPECT_EQ(result, row.result);
        EXPECT_EQ(error, row.error);
    }
    EXPECT_FALSE(std::filesystem::exists("plain"));
    EXPECT_TRUE(std::filesystem::exists("readonly"));
    EXPECT_TRUE(std::filesystem::is_directory("dir"));
}

enum class Target { kNone, kFile, kReadOnly, kDirectory, kSource };

struct CopyCase {
    const char* label;
    bool sourceExists;
    Target target;
    BOOL failIfExists;
    BOOL result;
    DWORD error;
    const char* targetContent;  // nullptr: the target is not a file afterwards
};

void PrintTo(const CopyCase& row, std::ostream* out) {
    *out << row.label;
}

class CopyFileTable : public FileTest, public ::testing::WithParamInterface<CopyCase> {};

TEST_P(CopyFileTable, CopiesOrLeavesTheTargetAlone) {
    const CopyCase& row = GetParam();
    if (row.target == Target::kReadOnly && !ReadOnlyIsEnforced()) {
        GTEST_SKIP() << "wine run as root writes read-only files";
    }
    if (row.sourceExists) {
        WriteFile("source", "new content");
    }
    const WCHAR* target = TEXT("target");
    switch (row.target) {
        case Target::kNone:
            break;
        case Target::kFile:
            WriteFile("target", "old");
            break;
        case Target::kReadOnly:
            WriteFile("target", "old");
            MakeReadOnly("target");
            break;
        case Target::kDirectory:
            std::filesystem::create_directory("target");
            break;
        case Target::kSource:
            target = TEXT("source");
            break;
    }
    SetLastError(kStaleError);
    const BOOL result = CopyFileW(TEXT("source"), target, row.failIfExists);
    const DWORD error = GetLastError();
    EXPECT_EQ(result, row.result);
    if (!row.result) {
        EXPECT_EQ(error, row.error);
    }
    if (row.targetContent == nullptr) {
        EXPECT_FALSE(std::filesystem::is_regular_file("target"));
    } else {
        EXPECT_EQ(ReadFile(row.target == Target::kSource ? "source" : "target"), row.targetContent);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CopyFileTable,
    ::testing::Values(CopyCase{"NewTarget", true, Target::kNone, TRUE, TRUE, 0, "new content"},
                      CopyCase{"ReplaceTarget", true, Target::kFile, FALSE, TRUE, 0, "new content"},
                      CopyCase{"KeepExistingTarget", true, Target::kFile, TRUE, FALSE,
                               ERROR_FILE_EXISTS, "old"},
                      CopyCase{"ReadOnlyTarget", true, Target::kReadOnly, FALSE, FALSE,
                               ERROR_ACCESS_DENIED, "old"},
                      CopyCase{"DirectoryTarget", true, Target::kDirectory, FALSE, FALSE,
                               ERROR_ACCESS_DENIED, nullptr},
                      CopyCase{"MissingSource", false, Target::kNone, FALSE, FALSE,
                               ERROR_FILE_NOT_FOUND, nullptr},
                      CopyCase{"MissingSourceKeepsTarget", false, Target::kFile, FALSE, FALSE,
                               ERROR_FILE_NOT_FOUND, "old"},
                      CopyCase{"OntoItself", true, Target::kSource, FALSE, FALSE,
                               ERROR_SHARING_VIOLATION, "new content"},
                      CopyCase{"OntoItselfFailIfExists", true, Target::kSource, TRUE, FALSE,
                               ERROR_FILE_EXISTS, "new content"}),
    [](const auto& param) { return std::string(param.param.label); });

TEST_F(FileTest, CopyTakesLargeContentAndTheReadOnlyAttribute) {
    std::string content(200 * 1024 + 17, '\0');
    for (std::size_t index = 0; index < content.size(); ++index) {
        content[index] = static_cast<char>(index * 7 % 251);
    }
    WriteFile("big", content);
    MakeReadOnly("big");
    EXPECT_TRUE(CopyFileW(TEXT("big"), TEXT("copy"), TRUE));
    EXPECT_EQ(ReadFile("copy"), content);
    EXPECT_TRUE(IsReadOnly("copy"));

    std::filesystem::create_directory("dir");
    SetLastError(kStaleError);
    EXPECT_FALSE(CopyFileW(TEXT("dir"), TEXT("copy2"), FALSE));  // a directory is not copied
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CopyFileW(TEXT("big"), TEXT("missing/copy"), FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

}  // namespace
}  // namespace platform_test
