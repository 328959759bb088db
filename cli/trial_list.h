// The trial list of kelvo eval: tab-separated lines "enrol<TAB>test<TAB>label", an optional
// header line starting with "enrol", '#' comments and blank lines ignored, paths relative to
// the list's own folder.
#pragma once

#include <array>
#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kelvo_cli {

enum class TrialLabel : std::size_t {
    kTarget,       // the enrolled speaker and password: should be accepted
    kImpostor,     // another speaker, the same password: should be rejected
    kWrongPhrase,  // the enrolled speaker, another password: should be rejected
    kNearPhrase,   // the enrolled speaker, a password sharing a word: should be rejected
};
inline constexpr std::size_t kLabelCount = 4;
inline constexpr std::array<const char*, kLabelCount> kLabelNames = {"target", "impostor",
                                                                     "wrong-phrase", "near-phrase"};

std::optional<TrialLabel> ParseLabel(std::string_view name);
inline const char* LabelName(TrialLabel label) {
    return kLabelNames[static_cast<std::size_t>(label)];
}

struct Trial {
    std::size_t enrolment = 0;   // index into TrialList::enrolments
    std::filesystem::path test;  // absolute
    TrialLabel label = TrialLabel::kTarget;
};

struct TrialList {
    std::vector<std::filesystem::path> enrolments;  // distinct, absolute, in order of use
    std::vector<Trial> trials;
};

// Parses the list's text; `folder` is where relative paths start, `shown` names the list in
// messages. Throws CliError (input file error) naming the line for a malformed one.
TrialList ParseTrialList(std::string_view text, const std::filesystem::path& folder,
                         const std::string& shown);

// The largest trial list read: far more lines than any evaluation runs.
inline constexpr std::size_t kMaxTrialListBytes = std::size_t{64} << 20;

// Reads and parses the list file. Throws CliError (input file error) when it is not a
// regular file (opened without blocking, so a FIFO is refused at once), cannot be read or is
// larger than kMaxTrialListBytes.
TrialList ReadTrialList(const std::string& file);

}  // namespace kelvo_cli
