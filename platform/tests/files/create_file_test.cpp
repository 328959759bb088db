// CreateFileW: creation dispositions, read-only files, directories, names and parameters.
#include <filesystem>

#include "file_test.h"

namespace platform_test {
namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

struct DispositionCase {
    const char* label;
    DWORD disposition;
    bool exists;
    bool opens;
    DWORD error;          // last error afterwards, on success too
    const char* content;  // the file's content afterwards, nullptr when it must not exist
};

void PrintTo(const DispositionCase& row, std::ostream* out) {
    *out << row.label;
}

class CreateFileDisposition : public FileTest,
                              public ::testing::WithParamInterface<DispositionCase> {};

TEST_P(CreateFileDisposition, OpensCreatesOrFailsAsDocumented) {
    const DispositionCase& row = GetParam();
    if (row.exists) {
        WriteFile("f.txt", "old");
    }
    const HANDLE file = Open(TEXT("f.txt"), kReadWrite, row.disposition);
    EXPECT_EQ(GetLastError(), row.error);
    if (row.opens) {
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetFileType(file), static_cast<DWORD>(FILE_TYPE_DISK));
        EXPECT_EQ(ReadRest(file), row.content);  // the handle sees the same content
        EXPECT_TRUE(CloseHandle(file));
    } else {
        EXPECT_EQ(file, INVALID_HANDLE_VALUE);
    }
    if (row.content == nullptr) {
        EXPECT_FALSE(std::filesystem::exists("f.txt"));
    } else {
        EXPECT_EQ(ReadFile("f.txt"), row.content);
    }
}

INSTANTIATE_TEST_SUITE_P(
    AllDispositions, CreateFileDisposition,
    ::testing::Values(
        DispositionCase{"CreateNewMissing", CREATE_NEW, false, true, ERROR_SUCCESS, ""},
        DispositionCase{"CreateNewExisting", CREATE_NEW, true, false, ERROR_FILE_EXISTS, "old"},
        DispositionCase{"CreateAlwaysMissing", CREATE_ALWAYS, false, true, ERROR_SUCCESS, ""},
        DispositionCase{"CreateAlwaysExisting", CREATE_ALWAYS, true, true, ERROR_ALREADY_EXISTS,
                        ""},
        DispositionCase{"OpenExistingMissing", OPEN_EXISTING, false, false, ERROR_FILE_NOT_FOUND,
                        nullptr},
        DispositionCase{"OpenExistingExisting", OPEN_EXISTING, true, true, ERROR_SUCCESS, "old"},
        DispositionCase{"OpenAlwaysMissing", OPEN_ALWAYS, false, true, ERROR_SUCCESS, ""},
        DispositionCase{"OpenAlwaysExisting", OPEN_ALWAYS, true, true, ERROR_ALREADY_EXISTS, "old"},
        DispositionCase{"TruncateExistingMissing", TRUNCATE_EXISTING, false, false,
                        ERROR_FILE_NOT_FOUND, nullptr},
        DispositionCase{"TruncateExistingExisting", TRUNCATE_EXISTING, true, true, ERROR_SUCCESS,
                        ""}),
    [](const auto& param) { return std::string(param.param.label); });

TEST_F(FileTest, ReadOnlyFileRefusesEveryWayOfWriting) {
    if (!ReadOnlyIsEnforced()) {
        GTEST_SKIP() << "wine run as root writes read-only files";
    }
    WriteFile("ro.txt", "old");
    MakeReadOnly("ro.txt");
    const struct {
        DWORD access;
        DWORD disposition;
    } writes[] = {
        {GENERIC_WRITE, OPEN_EXISTING}, {kReadWrite, OPEN_EXISTING},
        {GENERIC_WRITE, OPEN_ALWAYS},   {GENERIC_WRITE, CREATE_ALWAYS},
        {GENERIC_READ, CREATE_ALWAYS},  {GENERIC_WRITE, TRUNCATE_EXISTING},
    };
    for (const auto& attempt : writes) {
        SCOPED_TRACE(::testing::Message() << "access " << std::hex << attempt.access
                                          << " disposition " << attempt.disposition);
        const HANDLE file = Open(TEXT("ro.txt"), attempt.access, attempt.disposition);
        const DWORD error = GetLastError();
        EXPECT_EQ(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(error, static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    EXPECT_EQ(ReadFile("ro.txt"), "old");

    const HANDLE reader = Open(TEXT("ro.txt"), GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadRest(reader), "old");
    EXPECT_TRUE(CloseHandle(reader));
}

TEST_F(FileTest, ReadOnlyAttributeCreatesAReadOnlyFileWritableThroughItsOwnHandle) {
    const HANDLE file = Open(TEXT("new.txt"), GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Write(file, "data");
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadFile("new.txt"), "data");
    EXPECT_TRUE(IsReadOnly("new.txt"));
    if (!ReadOnlyIsEnforced()) {
        GTEST_SKIP() << "wine run as root writes read-only files";
    }
    EXPECT_EQ(Open(TEXT("new.txt"), GENERIC_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST_F(FileTest, DirectoryNeverOpens) {
    std::filesystem::create_directory("dir");
    const struct {
        DWORD access;
        DWORD disposition;
        DWORD error;
    } attempts[] = {
        {GENERIC_READ, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {GENERIC_WRITE, OPEN_EXISTING, ERROR_ACCESS_DENIED},
        {GENERIC_READ, OPEN_ALWAYS, ERROR_ACCESS_DENIED},
        {kReadWrite, CREATE_ALWAYS, ERROR_ACCESS_DENIED},
        {GENERIC_WRITE, TRUNCATE_EXISTING, ERROR_ACCESS_DENIED},
        {kReadWrite, CREATE_NEW, ERROR_FILE_EXISTS},  // the name is taken
    };
    for (const auto& attempt : attempts) {
        SCOPED_TRACE(::testing::Message() << "disposition " << attempt.disposition);
        const HANDLE file = Open(TEXT("dir"), attempt.access, attempt.disposition);
        const DWORD error = GetLastError();
        EXPECT_EQ(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(error, attempt.error);
    }
    EXPECT_TRUE(std::filesystem::is_directory("dir"));
}

TEST_F(FileTest, RejectsBadDispositionsAndNames) {
    const struct {
        const char* label;
        const WCHAR* name;
        DWORD access;
        DWORD disposition;
        DWORD error;
    } rows[] = {
        {"disposition 0", TEXT("f"), GENERIC_READ, 0, ERROR_INVALID_PARAMETER},
        {"disposition 6", TEXT("f"), GENERIC_READ, 6, ERROR_INVALID_PARAMETER},
        {"empty name", TEXT(""), GENERIC_READ, OPEN_ALWAYS, ERROR_PATH_NOT_FOUND},
        {"missing directory, open", TEXT("no/f"), GENERIC_READ, OPEN_EXISTING,
         ERROR_PATH_NOT_FOUND},
        {"missing directory, create", TEXT("no/f"), GENERIC_WRITE, CREATE_ALWAYS,
         ERROR_PATH_NOT_FOUND},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        const HANDLE file = Open(row.name, row.access, row.disposition);
        const DWORD error = GetLastError();
        EXPECT_EQ(file, INVALID_HANDLE_VALUE);
        EXPECT_EQ(error, row.error);
    }
    EXPECT_FALSE(std::filesystem::exists("f"));
}

// The name reaches the file system as the same Unicode text, characters beyond the Basic
// Multilingual Plane included, relative to the working directory.
TEST_F(FileTest, WideNamesAreRelativeToTheWorkingDirectory) {
    std::filesystem::create_directory("sub");
    const HANDLE file = Open(TEXT("sub/h\u00e9llo \U0001F600.txt"), GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Write(file, "x");
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadFile(std::filesystem::path(u"sub") / u"h\u00e9llo \U0001F600.txt"), "x");
}

}  // namespace
}  // namespace platform_test
