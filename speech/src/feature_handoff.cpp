#include "feature_handoff.h"

#include <map>
#include <mutex>

#include "portable/files.h"

namespace speech {
namespace {

using FileIdentity = portable::FileStamp;

std::optional<FileIdentity> Identify(const std::string& path) {
    return portable::StampOfRegularFile(path.c_str());
}

struct Remembered {
    FileIdentity file;
    FeatureMatrix features;
};

std::mutex mutex;

std::map<std::string, Remembered>& Store() {
    static std::map<std::string, Remembered> store;
    return store;
}

}  // namespace

void ForgetWrittenFeatures() {
    const std::lock_guard lock(mutex);
    Store().clear();
}

void RememberWrittenFeatures(const std::string& path, FeatureMatrix features) {
    const auto file = Identify(path);
    if (!file) {
        return;
    }
    const std::lock_guard lock(mutex);
    Store()[path] = {*file, std::move(features)};
}

std::optional<FeatureMatrix> TakeWrittenFeatures(const std::string& path) {
    const auto file = Identify(path);
    const std::lock_guard lock(mutex);
    const auto found = Store().find(path);
    if (found == Store().end()) {
        return std::nullopt;
    }
    std::optional<FeatureMatrix> features;
    if (file && *file == found->second.file) {
        features = std::move(found->second.features);
    }
    Store().erase(found);
    return features;
}

}  // namespace speech
