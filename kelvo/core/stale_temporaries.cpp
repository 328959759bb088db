// The temporaries that replacing a file leaves when the call is killed between creating and
// renaming them. They are made only under the WorkDirLock, so its holder knows that any it
// finds belong to no running call.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "kelvo/core/feature_pipeline.h"
#include "kelvo/core/profile_store.h"
#include "kelvo/core/text_file.h"
#include "kelvo/core/work_lock.h"

namespace kelvo {
namespace {

constexpr std::string_view kReplacedFiles[] = {kRecordingListFile, kFeatureListFile, kModelListFile,
                                               kProfileFile};

bool IsTemporaryName(std::string_view name) {
    return std::any_of(
        std::begin(kReplacedFiles), std::end(kReplacedFiles), [name](std::string_view file) {
            const std::string base = TemporaryBase(file);
            if (name.size() != base.size() + kTemporarySuffixLength || !name.starts_with(base)) {
                return false;
            }
            const std::string_view suffix = name.substr(base.size());
            return std::all_of(suffix.begin(), suffix.end(), [](char c) {
                return std::isalnum(static_cast<unsigned char>(c)) != 0;
            });
        });
}

}  // namespace

void RemoveStaleTemporaries() {
    std::error_code error;
    std::filesystem::directory_iterator entries(".", error);
    for (; !error && entries != std::filesystem::directory_iterator(); entries.increment(error)) {
        const std::filesystem::directory_entry& entry = *entries;
        std::error_code ignored;
        // Only files of such a name: never a directory, nor what a link points to.
        if (IsTemporaryName(entry.path().filename().string()) && !entry.is_symlink(ignored) &&
            entry.is_regular_file(ignored)) {
            std::filesystem::remove(entry.path(), ignored);
        }
    }
}

}  // namespace kelvo
