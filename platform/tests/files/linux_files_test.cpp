// The file services where they meet what only Linux has: FIFOs, devices, symbolic links,
// permission bits, UTF-8 names, files deleted while open, and the parameters the layer
// refuses because it has no use for them.
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "file_test.h"

namespace platform_test {
namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

unsigned int Mode(const char* name) {
    struct stat status {};
    return stat(name, &status) == 0 ? status.st_mode & 07777 : 0;
}

// Ends the test program with SIGALRM should a call under test block, so that a regression
// fails the run instead of hanging it. Never reached when the calls behave.
struct Watchdog {
    Watchdog() { alarm(60); }
    ~Watchdog() { alarm(0); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
};

TEST_F(FileTest, GetFileTypeTellsRegularFilesFromPipesAndDevices) {
    WriteFile("file", "abc");
    ASSERT_EQ(mkfifo("fifo", 0666), 0);
    std::filesystem::create_symlink("/dev/zero", "zero");
    std::filesystem::create_symlink("file", "file-link");
    const struct {
        const char16_t* name;
        DWORD access;
        DWORD disposition;
        DWORD type;
    } rows[] = {
        {u"file-link", GENERIC_READ, OPEN_EXISTING, FILE_TYPE_DISK},
        {u"fifo", GENERIC_READ, OPEN_EXISTING, FILE_TYPE_PIPE},
        {u"fifo", kReadWrite, CREATE_ALWAYS, FILE_TYPE_PIPE},  // opened, not replaced
        {u"zero", kReadWrite, CREATE_ALWAYS, FILE_TYPE_CHAR},
        {u"/dev/null", GENERIC_WRITE, OPEN_EXISTING, FILE_TYPE_CHAR},
    };
    const Watchdog watchdog;
    for (const auto& row : rows) {
        SCOPED_TRACE(std::filesystem::path(row.name).string());
        const HANDLE file = Open(row.name, row.access, row.disposition);
        ASSERT_NE(file, INVALID_HANDLE_VALUE) << GetLastError();
        SetLastError(kStaleError);
        EXPECT_EQ(GetFileType(file), row.type);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
        EXPECT_TRUE(CloseHandle(file));
    }
    EXPECT_TRUE(std::filesystem::is_fifo("fifo"));
    EXPECT_EQ(ReadFile("file"), "abc");
}

// A FIFO's handle is non-blocking: a read finds the end without a writer and fails when a
// writer has written nothing yet; a writer opens only while a reader is there.
TEST_F(FileTest, OpeningAFifoNeverWaitsForItsOtherEnd) {
    ASSERT_EQ(mkfifo("fifo", 0666), 0);
    const Watchdog watchdog;
    char byte = 0;
    DWORD got = 5;

    EXPECT_EQ(Open(u"fifo", GENERIC_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    const HANDLE reader = Open(u"fifo", GENERIC_READ, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(::ReadFile(reader, &byte, 1, &got, nullptr));
    EXPECT_EQ(got, 0u);

    const HANDLE writer = Open(u"fifo", GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    SetLastError(kStaleError);
    EXPECT_FALSE(::ReadFile(reader, &byte, 1, &got, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_READ_FAULT));
    Write(writer, "abc");
    EXPECT_EQ(ReadRest(reader), "abc");
    EXPECT_TRUE(CloseHandle(writer));
    EXPECT_TRUE(CloseHandle(reader));
}

// Mode bits without write permission make a file read-only for root too; a file created
// with the read-only attribute gets no write bits; a copy gets the source's bits.
TEST_F(FileTest, PermissionBitsStandForTheReadOnlyAttribute) {
    WriteFile("ro", "old");
    ASSERT_EQ(chmod("ro", 0444), 0);
    EXPECT_EQ(Open(u"ro", GENERIC_WRITE, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

    const HANDLE created = Open(u"new", GENERIC_WRITE, CREATE_NEW, FILE_ATTRIBUTE_READONLY);
    ASSERT_NE(created, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(created));
    EXPECT_EQ(Mode("new") & 0222, 0u);

    WriteFile("script", "#!");
    ASSERT_EQ(chmod("script", 0751), 0);
    EXPECT_TRUE(CopyFileW(u"script", u"copy", TRUE));
    EXPECT_EQ(Mode("copy"), 0751u);
}

TEST_F(FileTest, WideNamesBecomeUtf8Paths) {
    const HANDLE file = Open(u"h\u00e9llo \U0001F600 a\\b.txt", GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(CloseHandle(file));
    // '\' is an ordinary character in a Linux name, not a separator.
    EXPECT_TRUE(std::filesystem::exists("h\xC3\xA9llo \xF0\x9F\x98\x80 a\\b.txt"));
}

// What the layer refuses where the original takes it or names no error: template files,
// access rights other than GENERIC_READ and GENERIC_WRITE, unknown share bits, emptying a file
// without write access, NULL names, names without a UTF-8 form (a lone surrogate), overlapped
// transfers, and INVALID_HANDLE_VALUE, which stands for no process here.
TEST_F(FileTest, RefusesWhatItHasNoUseFor) {
    WriteFile("kept", "old");
    int dummy = 0;
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
        {"template", u"f", GENERIC_READ, 0, OPEN_ALWAYS, &dummy, ERROR_INVALID_PARAMETER},
        {"specific access right", u"f", 0x1, 0, OPEN_ALWAYS, nullptr, ERROR_INVALID_PARAMETER},
        {"unknown share bit", u"f", GENERIC_READ, 0x10, OPEN_ALWAYS, nullptr,
         ERROR_INVALID_PARAMETER},
        {"truncate without write", u"kept", GENERIC_READ, 0, TRUNCATE_EXISTING, nullptr,
         ERROR_INVALID_PARAMETER},
        {"null name", nullptr, GENERIC_READ, 0, OPEN_ALWAYS, nullptr, ERROR_INVALID_PARAMETER},
        {"lone surrogate", loneSurrogate, GENERIC_READ, 0, OPEN_ALWAYS, nullptr,
         ERROR_INVALID_NAME},
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
    EXPECT_EQ(ReadFile("kept"), "old");
    SetLastError(kStaleError);
    EXPECT_FALSE(DeleteFileW(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    SetLastError(kStaleError);
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));

    const HANDLE file = Open(u"f", kReadWrite, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    char buffer[64] = {};
    DWORD count = 9;
    auto* overlapped = reinterpret_cast<LPOVERLAPPED>(buffer);
    EXPECT_FALSE(::WriteFile(file, "x", 1, &count, overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(::ReadFile(file, buffer, 1, &count, overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_EQ(count, 0u);
    EXPECT_TRUE(CloseHandle(file));
}

// A handle's value is never handed out again, so a closed handle stays invalid for good.
TEST_F(FileTest, ClosedHandlesStayInvalid) {
    const HANDLE closed = Open(u"f", kReadWrite, CREATE_NEW);
    ASSERT_NE(closed, INVALID_HANDLE_VALUE);
    ASSERT_TRUE(CloseHandle(closed));
    const HANDLE next = Open(u"f", kReadWrite, OPEN_EXISTING);
    ASSERT_NE(next, INVALID_HANDLE_VALUE);
    EXPECT_NE(next, closed);
    DWORD count = 5;
    SetLastError(kStaleError);
    EXPECT_FALSE(::WriteFile(closed, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_EQ(count, 0u);
    SetLastError(kStaleError);
    EXPECT_EQ(GetFileSize(closed, nullptr), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(kStaleError);
    EXPECT_FALSE(CloseHandle(closed));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    EXPECT_TRUE(CloseHandle(next));
}

// The original wants a count pointer for synchronous transfers; the layer lets it be NULL.
TEST_F(FileTest, TransfersWithoutACountPointer) {
    const HANDLE file = Open(u"f", kReadWrite, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(::WriteFile(file, "ab", 2, nullptr, nullptr));
    EXPECT_EQ(SetFilePointer(file, 0, nullptr, FILE_BEGIN), 0u);
    char buffer[4] = {};
    EXPECT_TRUE(::ReadFile(file, buffer, sizeof buffer, nullptr, nullptr));
    EXPECT_EQ(std::string(buffer), "ab");
    EXPECT_TRUE(CloseHandle(file));
}

// Linux has no mandatory sharing: an open file may be deleted, and its handle keeps working.
TEST_F(FileTest, DeletingAnOpenFileKeepsItsHandleUsable) {
    const HANDLE file = Open(u"open", kReadWrite, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(DeleteFileW(u"open"));
    Write(file, "still");
    EXPECT_EQ(GetFileSize(file, nullptr), 5u);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_FALSE(std::filesystem::exists("open"));
}

TEST_F(FileTest, WriteToAFullDeviceFailsWithDiskFull) {
    const HANDLE full = Open(u"/dev/full", GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(full, INVALID_HANDLE_VALUE);
    DWORD written = 9;
    EXPECT_FALSE(::WriteFile(full, "abc", 3, &written, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DISK_FULL));
    EXPECT_EQ(written, 0u);
    EXPECT_TRUE(CloseHandle(full));
}

// A write the file system cuts short reports the bytes that did get written.
TEST_F(FileTest, WriteStoppedPartWayReportsTheBytesWritten) {
    const HANDLE file = Open(u"limited", GENERIC_WRITE, CREATE_NEW);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    rlimit previous{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &previous), 0);
    rlimit limited = previous;
    limited.rlim_cur = 10;
    const sighandler_t previousHandler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    const std::string data(100, 'd');
    DWORD written = 0;
    const BOOL result = ::WriteFile(file, data.data(), 100, &written, nullptr);
    const DWORD error = GetLastError();
    setrlimit(RLIMIT_FSIZE, &previous);
    signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(result);
    EXPECT_EQ(error, static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
    EXPECT_EQ(written, 10u);
    EXPECT_TRUE(CloseHandle(file));
    EXPECT_EQ(ReadFile("limited"), std::string(10, 'd'));
}

}  // namespace
}  // namespace platform_test
