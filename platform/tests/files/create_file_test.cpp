// CreateFileW: creation dispositions, read-only files, directories, names and parameters.
#include <sys/stat.h>

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
    const HANDLE file = Open(u"f.txt", kReadWrite, row.disposition);
    EXPECT_EQ(GetLastError(), row.error);
    if (row.opens) {
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
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

// Mode bits without write permission make a file read-only for root too.
TEST_F(FileTest, ReadOnlyByModeBitsRefusesEveryWayOfWriting) {
    WriteFile("ro.txt", "old");
    ASSERT_EQ(chmod("ro.txt", 0444), 0);
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
        EXPECT_EQ(Open(u"ro.txt", attempt.access, attempt.disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    }
    EXPECT_EQ(ReadFile("ro.txt"), "old");

    const HANDLE reader = Open(u"ro.txt", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_EQ(ReadRest(reader), "old");
    EXPECT_TRUE(CloseHandle(reader));
}

TEST_F(FileTest, ReadOnlyAttributeCreatesAReadOnlyFileWritableThroughItsOwnHandle) {
    const HANDLE file = Open(u"new.txt", GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Write(file, "data");
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadFile("new.txt"), "data");
    EXPECT_EQ(Mode("new.txt") & 0222, 0u);
    EXPECT_EQ(Open(u"new.txt", GENERIC_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
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
        EXPECT_EQ(Open(u"dir", attempt.access, attempt.disposition), INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), attempt.error);
    }
    EXPECT_TRUE(std::filesystem::is_directory("dir"));
}

TEST_F(FileTest, RejectsBadParametersAndNames) {
    int dummy = 0;
    const HANDLE notNull = &dummy;
    const char16_t loneSurrogate[] = {u'a', 0xD800, u'b', 0};
    const struct {
        const char* label;
        const char16_t* name;
        DWORD access;
        DWORD share;
        DWORD disposition;
        HANDLE templateFile;
        DWORD error;
    } rows[] = {
        {"template", u"f", GENERIC_READ, 0, OPEN_ALWAYS, notNull, ERROR_INVALID_PARAMETER},
        {"disposition 0", u"f", GENERIC_READ, 0, 0, nullptr, ERROR_INVALID_PARAMETER},
        {"disposition 6", u"f", GENERIC_READ, 0, 6, nullptr, ERROR_INVALID_PARAMETER},
        {"truncate without write", u"f", GENERIC_READ, 0, TRUNCATE_EXISTING, nullptr,
         ERROR_INVALID_PARAMETER},
        {"unknown access", u"f", 0x1, 0, OPEN_ALWAYS, nullptr, ERROR_INVALID_PARAMETER},
        {"unknown share", u"f", GENERIC_READ, 0x10, OPEN_ALWAYS, nullptr, ERROR_INVALID_PARAMETER},
        {"null name", nullptr, GENERIC_READ, 0, OPEN_ALWAYS, nullptr, ERROR_INVALID_PARAMETER},
        {"empty name", u"", GENERIC_READ, 0, OPEN_ALWAYS, nullptr, ERROR_PATH_NOT_FOUND},
        {"lone surrogate", loneSurrogate, GENERIC_READ, 0, OPEN_ALWAYS, nullptr,
         ERROR_INVALID_NAME},
        {"missing directory, open", u"no/f", GENERIC_READ, 0, OPEN_EXISTING, nullptr,
         ERROR_PATH_NOT_FOUND},
        {"missing directory, create", u"no/f", GENERIC_WRITE, 0, CREATE_ALWAYS, nullptr,
         ERROR_PATH_NOT_FOUND},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        SetLastError(kStaleError);
        EXPECT_EQ(CreateFileW(row.name, row.access, row.share, nullptr, row.disposition,
                              FILE_ATTRIBUTE_NORMAL, row.templateFile),
                  INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), row.error);
    }
    EXPECT_FALSE(std::filesystem::exists("f"));
}

TEST_F(FileTest, WideNamesBecomeUtf8PathsRelativeToTheWorkingDirectory) {
    std::filesystem::create_directory("sub");
    const HANDLE file = Open(u"sub/h\u00e9llo \U0001F600.txt", GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    Write(file, "x");
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadFile("sub/h\xC3\xA9llo \xF0\x9F\x98\x80.txt"), "x");
}

}  // namespace
}  // namespace platform_test
