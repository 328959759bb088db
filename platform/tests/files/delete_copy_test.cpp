// DeleteFileW and CopyFileW.
#include <sys/stat.h>

#include <filesystem>

#include "file_test.h"

namespace platform_test {
namespace {

TEST_F(FileTest, DeleteRemovesFilesAndRefusesWhatItMustNot) {
    WriteFile("plain", "x");
    WriteFile("readonly", "x");
    ASSERT_EQ(chmod("readonly", 0444), 0);
    std::filesystem::create_directory("dir");
    const struct {
        const char16_t* name;
        BOOL result;
        DWORD error;
    } rows[] = {
        {u"plain", TRUE, kStaleError},
        {u"plain", FALSE, ERROR_FILE_NOT_FOUND},  // already deleted
        {u"missing/file", FALSE, ERROR_PATH_NOT_FOUND},
        {u"readonly", FALSE, ERROR_ACCESS_DENIED},
        {u"dir", FALSE, ERROR_ACCESS_DENIED},
        {u"", FALSE, ERROR_PATH_NOT_FOUND},
        {nullptr, FALSE, ERROR_INVALID_PARAMETER},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << (&row - rows));
        SetLastError(kStaleError);
        EXPECT_EQ(DeleteFileW(row.name), row.result);
        EXPECT_EQ(GetLastError(), row.error);
    }
    EXPECT_FALSE(std::filesystem::exists("plain"));
    EXPECT_TRUE(std::filesystem::exists("readonly"));
    EXPECT_TRUE(std::filesystem::is_directory("dir"));
}

// Linux lets an open file be deleted; its handle keeps working.
TEST_F(FileTest, DeletingAnOpenFileKeepsItsHandleUsable) {
    const HANDLE file = Open(u"open", GENERIC_READ | GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(DeleteFileW(u"open"));
    Write(file, "still");
    EXPECT_EQ(GetFileSize(file, nullptr), 5u);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(std::filesystem::exists("open"));
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
    if (row.sourceExists) {
        WriteFile("source", "new content");
    }
    const char16_t* target = u"target";
    switch (row.target) {
        case Target::kNone:
            break;
        case Target::kFile:
            WriteFile("target", "old");
            break;
        case Target::kReadOnly:
            WriteFile("target", "old");
            ASSERT_EQ(chmod("target", 0444), 0);
            break;
        case Target::kDirectory:
            std::filesystem::create_directory("target");
            break;
        case Target::kSource:
            target = u"source";
            break;
    }
    SetLastError(kStaleError);
    EXPECT_EQ(CopyFileW(u"source", target, row.failIfExists), row.result);
    if (!row.result) {
        EXPECT_EQ(GetLastError(), row.error);
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

TEST_F(FileTest, CopyTakesLargeContentAndTheSourcePermissionBits) {
    std::string content(200 * 1024 + 17, '\0');
    for (std::size_t index = 0; index < content.size(); ++index) {
        content[index] = static_cast<char>(index * 7 % 251);
    }
    WriteFile("big", content);
    ASSERT_EQ(chmod("big", 0444), 0);
    EXPECT_TRUE(CopyFileW(u"big", u"copy", TRUE));
    EXPECT_EQ(ReadFile("copy"), content);
    EXPECT_EQ(Mode("copy"), 0444u);

    std::filesystem::create_directory("dir");
    SetLastError(kStaleError);
    EXPECT_FALSE(CopyFileW(u"dir", u"copy2", FALSE));  // a directory is not copied
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(CopyFileW(u"big", u"missing/copy", FALSE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PATH_NOT_FOUND));
}

}  // namespace
}  // namespace platform_test
