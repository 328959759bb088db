// ReadFile, WriteFile, SetFilePointer and GetFileSize on open files.
#include "file_test.h"

namespace platform_test {
namespace {

class ReadWriteTest : public FileTest {
  protected:
    void SetUp() override {
        FileTest::SetUp();
        file_ = Open(TEXT("f.bin"), GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
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
    // Zero-byte transfers are accepted.
    EXPECT_TRUE(::ReadFile(file_, buffer, 0, &got, nullptr));
    EXPECT_TRUE(::WriteFile(file_, buffer, 0, &got, nullptr));
    EXPECT_EQ(ReadFile("f.bin"), "hello world");
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
        const DWORD low = SetFilePointer(file_, row.distance, row.high, row.method);
        const DWORD error = GetLastError();
        EXPECT_EQ(low, INVALID_SET_FILE_POINTER);
        EXPECT_EQ(error, row.error);
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

    Write(file_, "z");  // size 0x1'0000'000F
    DWORD sizeHigh = 0;
    EXPECT_EQ(GetFileSize(file_, &sizeHigh), 15u);
    EXPECT_EQ(sizeHigh, 1u);
    EXPECT_EQ(GetFileSize(file_, nullptr), 15u);  // the low part alone

    if (UnderWine()) {
        GTEST_SKIP() << "wine returns the low part of a position beyond 32 bits";
    }
    // Without the high part, a position that needs more than 32 bits is refused.
    SetLastError(kStaleError);
    const DWORD low = SetFilePointer(file_, 0, nullptr, FILE_CURRENT);
    const DWORD error = GetLastError();
    EXPECT_EQ(low, INVALID_SET_FILE_POINTER);
    EXPECT_NE(error, static_cast<DWORD>(NO_ERROR));
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

TEST_F(ReadWriteTest, TransfersNeedTheMatchingAccess) {
    Write(file_, "abc");
    const HANDLE reader = Open(TEXT("f.bin"), GENERIC_READ, OPEN_EXISTING);
    const HANDLE writer = Open(TEXT("f.bin"), GENERIC_WRITE, OPEN_EXISTING);
    ASSERT_NE(reader, INVALID_HANDLE_VALUE);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    char buffer[4] = {};
    DWORD count = 9;
    EXPECT_FALSE(::WriteFile(reader, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_EQ(count, 0u);
    EXPECT_FALSE(::ReadFile(writer, buffer, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    const HANDLE neither = Open(TEXT("f.bin"), 0, OPEN_EXISTING);  // can only be sized and moved
    ASSERT_NE(neither, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(neither, nullptr), 3u);
    EXPECT_FALSE(::ReadFile(neither, buffer, 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_FALSE(::WriteFile(neither, "x", 1, &count, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(CloseHandle(neither));
    EXPECT_TRUE(CloseHandle(reader));
    EXPECT_TRUE(CloseHandle(writer));
    EXPECT_EQ(ReadFile("f.bin"), "abc");
}

}  // namespace
}  // namespace platform_test
