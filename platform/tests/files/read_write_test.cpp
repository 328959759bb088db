// ReadFile, WriteFile, SetFilePointer and GetFileSize on open files.
#include <signal.h>
#include <sys/resource.h>

#include "file_test.h"

namespace platform_test {
namespace {

class ReadWriteTest : public FileTest {
  protected:
    void SetUp() override {
        FileTest::SetUp();
        file_ = Open(u"f.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
        ASSERT_NE(file_, INVALID_HANDLE_VALUE);
    }
    void TearDown() override {
        EXPECT_TRUE(CloseHandle(file_));
        FileTest::TearDown();
    }

    // The handle's position, through a zero move.
    DWORD Position() const { return SetFilePointer(file_, 0, nullptr, FILE_CURRENT); }

    HANDLE file_ = INVALID_HANDLE_VALUE;
};

TEST_F(ReadWriteTest, ReadsBackWhatWasWrittenAndSucceedsWithZeroAtTheEnd) {
    Write(file_, "hello world");
    EXPECT_EQ(SetFilePointer(file_, 0, nullptr, FILE_BEGIN), 0u);
    char buffer[32] = {};
    DWORD got = 99;
    ASSERT_TRUE(::ReadFile(file_, buffer, 5, &got, nullptr));
    EXPECT_EQ(std::string(buffer, got), "hello");
    ASSERT_TRUE(::ReadFile(file_, buffer, sizeof buffer, &got, nullptr));  // short: the end
    EXPECT_EQ(std::string(buffer, got), " world");
    got = 99;
    EXPECT_TRUE(::ReadFile(file_, buffer, sizeof buffer, &got, nullptr));
    EXPECT_EQ(got, 0u);
    // Zero-byte transfers, and no count pointer, are accepted.
    EXPECT_TRUE(::ReadFile(file_, buffer, 0, &got, nullptr));
    EXPECT_TRUE(::WriteFile(file_, buffer, 0, &got, nullptr));
    EXPECT_TRUE(::WriteFile(file_, "!", 1, nullptr, nullptr));
    EXPECT_EQ(ReadFile("f.bin"), "hello world!");
}

TEST_F(ReadWriteTest, EmptyFileHasSizeZeroAndReadsNothing) {
    DWORD high = 7;
    SetLastError(kStaleError);
    EXPECT_EQ(GetFileSize(file_, &high), 0u);
    EXPECT_EQ(high, 0u);
    char byte = 0;
    DWORD got = 1;
    EXPECT_TRUE(::ReadFile(file_, &byte, 1, &got, nullptr));
    EXPECT_EQ(got, 0u);
}

TEST_F(ReadWriteTest, SeeksFromEachOriginAndWritesPastTheEnd) {
    Write(file_, "hello");
    EXPECT_EQ(SetFilePointer(file_, -2, nullptr, FILE_END), 3u);
    EXPECT_EQ(ReadRest(file_), "lo");
    EXPECT_EQ(SetFilePointer(file_, 1, nullptr, FILE_BEGIN), 1u);
    EXPECT_EQ(SetFilePointer(file_, 2, nullptr, FILE_CURRENT), 3u);
    EXPECT_EQ(SetFilePointer(file_, 3, nullptr, FILE_END), 8u);
    Write(file_, "x");  // the gap reads as zeros
    EXPECT_EQ(GetFileSize(file_, nullptr), 9u);
    EXPECT_EQ(ReadFile("f.bin"), std::string("hello\0\0\0x", 9));
}

TEST_F(ReadWriteTest, FailedMovesLeaveThePositionAlone) {
    Write(file_, "hello");
    LONG minusOne = -1;
    const struct {
        const char* label;
        LONG distance;
        PLONG high;
        DWORD method;
        DWORD error;
    } rows[] = {
        {"before the start", -1, nullptr, FILE_BEGIN, ERROR_NEGATIVE_SEEK},
        {"before the start from the end", -6, nullptr, FILE_END, ERROR_NEGATIVE_SEEK},
        {"64-bit negative", 0, &minusOne, FILE_CURRENT, ERROR_NEGATIVE_SEEK},
        {"unknown method", 0, nullptr, 3, ERROR_INVALID_PARAMETER},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.label);
        SetLastError(kStaleError);
        EXPECT_EQ(SetFilePointer(file_, row.distance, row.high, row.method),
                  INVALID_SET_FILE_POINTER);
        EXPECT_EQ(GetLastError(), row.error);
        EXPECT_EQ(Position(), 5u);
    }
}

// Positions beyond 4 GiB go through the high part; no data is written there, so the file
// stays sparse.
TEST_F(ReadWriteTest, HighPartsCarryPositionsAndSizesBeyond32Bits) {
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(file_, 16, &high, FILE_BEGIN), 16u);
    EXPECT_EQ(high, 1);
    high = -1;  // the 64-bit distance -2
    EXPECT_EQ(SetFilePointer(file_, -2, &high, FILE_CURRENT), 14u);
    EXPECT_EQ(high, 1);
    // Without the high part, a position that needs more than 32 bits is refused.
    SetLastError(kStaleError);
    EXPECT_EQ(SetFilePointer(file_, 0, nullptr, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));

    Write(file_, "z");  // size 0x1'0000'000F
    DWORD sizeHigh = 0;
    EXPECT_EQ(GetFileSize(file_, &sizeHigh), 15u);
    EXPECT_EQ(sizeHigh, 1u);
    EXPECT_EQ(GetFileSize(file_, nullptr), 15u);  // the low part alone
}

TEST_F(ReadWriteTest, AllOnesLowPartsSucceedWithNoError) {
    LONG high = 0;
    SetLastError(kStaleError);
    EXPECT_EQ(SetFilePointer(file_, -2, &high, FILE_BEGIN), 0xFFFFFFFEu);  // 0xFFFFFFFE
    Write(file_, "z");                                                     // size 0xFFFFFFFF
    high = 0;
    SetLastError(kStaleError);
    EXPECT_EQ(SetFilePointer(file_, 0, &high, FILE_CURRENT), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(high, 0);
    DWORD sizeHigh = 5;
    SetLastError(kStaleError);
    EXPECT_EQ(GetFileSize(file_, &sizeHigh), INVALID_FILE_SIZE);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NO_ERROR));
    EXPECT_EQ(sizeHigh, 0u);
}

TEST_F(ReadWriteTest, TransfersNeedTheMatchingAccessAndNoOverlapped) {
    Write(file_, "abc");
    const HANDLE reader = Open(u"f.bin", GENERIC_READ, OPEN_EXISTING);
    const HANDLE writer = Open(u"f.bin", GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    char buffer[4] = {};
    DWORD count = 9;
    EXPECT_FALSE(::WriteFile(reader, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(::ReadFile(writer, buffer, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    const HANDLE neither = Open(u"f.bin", 0, OPEN_EXISTING);  // can only be sized and moved
    ASSERT_NE(neither, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(neither, nullptr), 3u);
    EXPECT_FALSE(::ReadFile(neither, buffer, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(::WriteFile(neither, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(neither));

    auto* overlapped = reinterpret_cast<LPOVERLAPPED>(buffer);
    EXPECT_FALSE(::ReadFile(reader, buffer, 1, &count, overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(::WriteFile(writer, "x", 1, &count, overlapped));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_TRUE(CloseHandle(reader));
    EXPECT_TRUE(CloseHandle(writer));
    EXPECT_EQ(ReadFile("f.bin"), "abc");
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
