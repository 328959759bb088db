#include "trial_list.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>

#include "exit_codes.h"

namespace kelvo_cli {
namespace {

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
    std::error_code error;
    if (std::filesystem::is_directory(file, error)) {
        throw CliError(kExitInputFile, file + ": is a directory, not a trial list");
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        throw CliError(kExitInputFile, file + ": cannot read the trial list");
    }
    std::ostringstream text;
    text << in.rdbuf();  // marks `text` failed when there is nothing to copy: an empty list
    const std::filesystem::path folder =
        std::filesystem::absolute(file).lexically_normal().parent_path();
    return ParseTrialList(text.str(), folder, file);
}

}  // namespace kelvo_cli
