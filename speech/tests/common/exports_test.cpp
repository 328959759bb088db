#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "library_exports.h"

namespace {

TEST(SpeechLibrary, ExportsOnlyItsTwoEntryPoints) {
    std::vector<std::string> names;
    for (const auto& symbol : test_support::ReadDynamicExports(SPEECH_LIBRARY_PATH)) {
        EXPECT_TRUE(symbol.isFunction) << symbol.name;
        names.push_back(symbol.name);
    }
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"ExtractFeatures", "InitHMM"}));
}

}  // namespace
