#include "kelvo/core/profile_store.h"

#include <algorithm>
#include <cstring>

#include "kelvo/core/number_text.h"
#include "kelvo/core/text_file.h"

namespace kelvo {
namespace {

// The first token of a line, and the text after it.
std::pair<std::string_view, std::string_view> SplitFirstToken(std::string_view line) {
    const auto begin = std::find_if_not(line.begin(), line.end(), IsSpace);
    const auto end = std::find_if(begin, line.end(), IsSpace);
    return {std::string_view(begin, end), std::string_view(end, line.end())};
}

// The recording number and the model vector that follow the name on a profile line.
std::optional<ModelVector> ParseLineVector(std::string_view rest) {
    NumberScanner scanner(rest);
    int recordingNumber = 0;
    ModelVector vector{};
    if (!scanner.ReadInt(recordingNumber)) {
        return std::nullopt;
    }
    for (double& value : vector) {
        if (!scanner.ReadDouble(value)) {
            return std::nullopt;
        }
    }
    if (!AllFinite(vector)) {
        return std::nullopt;
    }
    return vector;
}

}  // namespace

bool IsStorableSpeakerName(const char* speaker) {
    if (speaker == nullptr) {
        return false;
    }
    const std::size_t length = strnlen(speaker, kMaxSpeakerNameLength + 1);
    const std::string_view name(speaker, length);
    return length > 0 && length <= kMaxSpeakerNameLength &&
           std::none_of(name.begin(), name.end(), IsSpace);
}

std::string FormatProfileLine(std::string_view speaker, int n, const ModelVector& vector) {
    std::string line;
    line.reserve(speaker.size() + 16 + kFeatureCount * 15);
    line += speaker;
    line += ' ';
    AppendDecimal(line, n);
    line += ' ';
    for (double value : vector) {
        AppendScientific(line, value);
        line += ' ';
    }
    line += '\n';
    return line;
}

bool AppendProfileLine(std::string_view speaker, int n, const ModelVector& vector) {
    return AppendTextFile(kProfileFile, FormatProfileLine(speaker, n, vector));
}

EnrolledVectors ParseProfile(std::string_view profile, std::string_view speaker) {
    EnrolledVectors enrolled;
    while (!profile.empty()) {
        const std::size_t lineEnd = std::min(profile.find('\n'), profile.size());
        const auto [name, rest] = SplitFirstToken(profile.substr(0, lineEnd));
        profile.remove_prefix(std::min(lineEnd + 1, profile.size()));
        if (name.empty() || name != speaker) {
            continue;
        }
        ++enrolled.lines;
        (enrolled.lines == 1 ? enrolled.first : enrolled.second) = ParseLineVector(rest);
    }
    if (enrolled.lines == 1) {
        enrolled.second = enrolled.first;
    }
    return enrolled;
}

EnrolledVectors ReadProfile(std::string_view speaker) {
    const auto profile = ReadTextFile(kProfileFile);
    return profile ? ParseProfile(*profile, speaker) : EnrolledVectors{};
}

}  // namespace kelvo
