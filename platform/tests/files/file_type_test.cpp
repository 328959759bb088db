// GetFileType, and CreateFileW on FIFOs and devices: opening never waits for the other end.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "file_test.h"

namespace platform_test {
namespace {

constexpr DWORD kReadWrite = GENERIC_READ | GENERIC_WRITE;

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
        {u"file", kReadWrite, OPEN_EXISTING, FILE_TYPE_DISK},
        {u"file-link", GENERIC_READ, OPEN_EXISTING, FILE_TYPE_DISK},
        {u"new", kReadWrite, CREATE_NEW, FILE_TYPE_DISK},
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

}  // namespace
}  // namespace platform_test
