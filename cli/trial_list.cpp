#include "trial_list.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <map>

#include "exit_codes.h"

namespace kelvo_cli {
namespace {

constexpr std::size_t kReadChunk = 1 << 16;

std::vector<std::string_view> SplitTabs(std::string_view line) {
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos) {
            return fields;
        }
        line.remove_prefix(tab + 1);
    }
}

}  // namespace

std::optional<TrialLabel> ParseLabel(std::string_view name) {
    const auto found = std::find(kLabelNames.begin(), kLabelNames.end(), name);
    if (found == kLabelNames.end()) {
        return std::nullopt;
    }
    return static_cast<TrialLabel>(found - kLabelNames.begin());
}

TrialList ParseTrialList(std::string_view text, const std::filesystem::path& folder,
                         const std::string& shown) {
    TrialList list;
    std::map<std::filesystem::path, std::size_t> enrolmentIndex;
    const auto resolve = [&folder](std::string_view path) {
        return (folder / std::filesystem::path(path)).lexically_normal();
    };
    bool first = true;
    for (std::size_t number = 1; !text.empty(); ++number) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        std::string_view line = text.substr(0, end);
        text.remove_prefix(std::min(end + 1, text.size()));
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        if (line.empty() || line.front() == '#') {
            continue;
        }
        const std::vector<std::string_view> fields = SplitTabs(line);
        const bool header = first && fields.front() == "enrol";
        first = false;
        if (header) {
            continue;
        }
        const auto fail = [&](const std::string& what) {
            throw CliError(kExitInputFile, shown + ":" + std::to_string(number) + ": " + what);
        };
        if (fields.size() != 3) {
            fail("expected three tab-separated fields: enrol, test, label");
        }
        if (fields[0].empty() || fields[1].empty()) {
            fail("an empty path");
        }
        const std::optional<TrialLabel> label = ParseLabel(fields[2]);
        if (!label) {
            fail("unknown label \"" + std::string(fields[2]) +
                 "\" (target, impostor, wrong-phrase or near-phrase)");
        }
        const std::filesystem::path enrol = resolve(fields[0]);
        const auto [at, added] = enrolmentIndex.emplace(enrol, list.enrolments.size());
        if (added) {
            list.enrolments.push_back(enrol);
        }
        list.trials.push_back({at->second, resolve(fields[1]), *label});
    }
    return list;
}

TrialList ReadTrialList(const std::string& file) {
    const auto fail = [&file](const std::string& what) {
        throw CliError(kExitInputFile, file + ": " + what);
    };
    const int fd = open(file.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        fail(std::string("cannot read the trial list (") + std::strerror(errno) + ")");
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        close(fd);
        fail(S_ISDIR(status.st_mode) ? "is a directory, not a trial list"
                                     : "not a regular file (a FIFO, device or socket)");
    }
    // Read up to one byte past the limit: a file growing while it is read is caught too.
    std::string text;
    bool tooLarge = static_cast<std::uintmax_t>(status.st_size) > kMaxTrialListBytes;
    int error = 0;
    for (std::size_t size = 0; !tooLarge;) {
        text.resize(std::min(kMaxTrialListBytes + 1, size + kReadChunk));
        const ssize_t got = read(fd, text.data() + size, text.size() - size);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            error = got < 0 ? errno : 0;
            text.resize(size);
            break;
        }
        size += static_cast<std::size_t>(got);
        tooLarge = size > kMaxTrialListBytes;
    }
    close(fd);
    if (tooLarge) {
        fail("too large for a trial list (more than " + std::to_string(kMaxTrialListBytes >> 20) +
             " MiB)");
    }
    if (error != 0) {
        fail(std::string("cannot read the trial list (") + std::strerror(error) + ")");
    }
    const std::filesystem::path folder =
        std::filesystem::absolute(file).lexically_normal().parent_path();
    return ParseTrialList(text, folder, file);
}

}  // namespace kelvo_cli
