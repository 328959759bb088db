// Recording into or playing from anything but a regular file (a FIFO, a directory, a device,
// or a link to one) is refused at once with the code of a file that cannot be created or
// opened, and leaves the name as it was: nothing ever blocks on a FIFO or reads a device.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "audio_test_support.h"

namespace audio_test {
namespace {

using kelvo::audio::kBlockBytes;
namespace fs = std::filesystem;

// More than a pipe holds: writes into a FIFO nobody reads block before this is recorded.
constexpr std::size_t kPastAFullPipe = 32 * kBlockBytes;

struct NonRegular {
    const char* label;
    const char16_t* name;
    const char* path;
    const char* linkTarget;  // the name is a symbolic link to this, or nullptr
    fs::file_type made;      // what the test makes (for a link, at its target), or none
};

// Names of their own for each row: the test stays in its directory, where the microphone's
// input file is.
const NonRegular kNonRegular[] = {
    {"fifo", u"fifo.raw", "fifo.raw", nullptr, fs::file_type::fifo},
    {"link to a fifo", u"fifo-link.raw", "fifo-link.raw", "linked-fifo", fs::file_type::fifo},
    {"directory", u"dir.raw", "dir.raw", nullptr, fs::file_type::directory},
    {"link to a directory", u"dir-link.raw", "dir-link.raw", "linked-dir",
     fs::file_type::directory},
    {"link to /dev/zero", u"zero.raw", "zero.raw", "/dev/zero", fs::file_type::none},
    {"/dev/null", u"/dev/null", "/dev/null", nullptr, fs::file_type::none},
};

// Ends the test program with SIGALRM should a call under test block, so that a regression
// fails the run instead of hanging it. Never reached when the calls behave.
struct Watchdog {
    Watchdog() { alarm(60); }
    ~Watchdog() { alarm(0); }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;
};

class NonRegularFile : public AudioTest {
  protected:
    // Makes the row's name and gives the kind of file it is.
    static fs::file_type Make(const NonRegular& row) {
        const fs::path target = row.linkTarget != nullptr ? row.linkTarget : row.path;
        if (row.made == fs::file_type::fifo) {
            EXPECT_EQ(mkfifo(target.c_str(), 0666), 0);
        } else if (row.made == fs::file_type::directory) {
            fs::create_directory(target);
        }
        if (row.linkTarget != nullptr) {
            fs::create_symlink(row.linkTarget, row.path);
        }
        return fs::status(row.path).type();
    }
};

TEST_F(NonRegularFile, RecordingIsRefusedWithErrorOnCreatingFile) {
    const Watchdog watchdog;
    for (const NonRegular& row : kNonRegular) {
        SCOPED_TRACE(row.label);
        const fs::file_type kind = Make(row);
        InitTonlet();
        const HWAVEIN handle = Record(row.name);
        // Had the start taken a FIFO, this capture would fill it and block its writes.
        va::Advance(handle, kPastAFullPipe);
        StopRecordAfter(handle);
        EXPECT_EQ(handle, nullptr);
        EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_CREATE_FILE));
        EXPECT_EQ(RecordStatus(), 1u);
        EXPECT_EQ(va::OpenDeviceCount(), 0u);
        EXPECT_EQ(fs::status(row.path).type(), kind);
    }
}

TEST_F(NonRegularFile, PlaybackIsRefusedWithErrorOnOpeningFile) {
    const Watchdog watchdog;
    for (const NonRegular& row : kNonRegular) {
        SCOPED_TRACE(row.label);
        Make(row);
        InitTonlet();
        const HWAVEOUT handle = Play(row.name);
        StopPlayAfter(handle);
        EXPECT_EQ(handle, nullptr);
        EXPECT_EQ(ErrorWord(), static_cast<DWORD>(KELVO_ERR_OPEN_FILE));
        EXPECT_EQ(PlayStatus(), 4u);
        EXPECT_EQ(va::OpenDeviceCount(), 0u);
    }
}

}  // namespace
}  // namespace audio_test
