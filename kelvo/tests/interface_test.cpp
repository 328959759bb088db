#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "kelvo/kelvo.h"
#include "library_exports.h"

namespace {

using test_support::ExportedSymbol;
using test_support::ReadDynamicExports;

std::string Narrow(const WCHAR* text) {
    std::string narrow;
    for (; *text != 0; ++text) {
        EXPECT_LT(*text, 0x80) << "non-ASCII character in an error text";
        narrow += static_cast<char>(*text);
    }
    return narrow;
}

TEST(Interface, StatusWordsAreZeroAtLoad) {
    EXPECT_EQ(TL_Error, 0u);
    EXPECT_EQ(TL_RecordStatus, 0u);
    EXPECT_EQ(TL_PlayStatus, 0u);
}

TEST(Interface, ExportsExactlyTheLibrarysNames) {
    const std::vector<ExportedSymbol> exports = ReadDynamicExports(KELVO_LIBRARY_PATH);
    std::vector<std::string> functions;
    std::vector<std::string> words;
    for (const ExportedSymbol& symbol : exports) {
        if (symbol.isFunction) {
            functions.push_back(symbol.name);
        } else {
            EXPECT_TRUE(symbol.isData) << symbol.name << " is neither function nor data";
            EXPECT_EQ(symbol.size, test_support::kExportSizesKnown ? 4u : 0u)
                << symbol.name << " is not a 32-bit word";
            words.push_back(symbol.name);
        }
    }
    std::sort(functions.begin(), functions.end());
    std::sort(words.begin(), words.end());
    EXPECT_EQ(functions,
              (std::vector<std::string>{"EvalSpeaker", "GetErrorString", "InitTonlet", "StartPlay",
                                        "StartRecord", "StopPlay", "StopRecord", "TrainSpeaker"}));
    EXPECT_EQ(words, (std::vector<std::string>{"TL_Error", "TL_PlayStatus", "TL_RecordStatus"}));
}

TEST(Interface, ErrorTextsForEveryCode) {
    const std::vector<std::string> expected = {
        "No error.",
        "Unspecified Error.",
        "Device ID out of range.",
        "Driver failed enable.",
        "Device already allocated.",
        "Device handle is invalid.",
        "No device driver present.",
        "Memory allocation error.",
        "Function isn't supported.",
        "Error value out of range.",
        "Invalid flag passed.",
        "Invalid parameter passed.",
        "Handle being used simultaneously on another thread (eg. callback).",
        "Specified alias not found.",
        "Bad registry database.",
        "Registry key not found.",
        "Registry read error.",
        "Registry write error.",
        "Registry delete error.",
        "Registry value not found.",
        "Driver does not call DriverCallback.",
        "No sound devices present.",
        "Memory full.",
        "Error on creating file.",
        "Error on write to file.",
        "Error on opening file.",
        "Error on read from file.",
    };
    for (DWORD code = 0; code < expected.size(); ++code) {
        EXPECT_EQ(Narrow(GetErrorString(code)), expected[code]) << "code " << code;
    }
    // The platform's wave-specific codes and everything else past the table.
    for (DWORD code : {27u, 32u, 33u, 34u, 1000u, 0xFFFFFFFFu}) {
        EXPECT_EQ(Narrow(GetErrorString(code)), "Unspecified Error.") << "code " << code;
    }
}

TEST(Interface, InitTonletClearsAllThreeWords) {
    TL_Error = 25;
    TL_RecordStatus = 4;
    TL_PlayStatus = 3;
    InitTonlet();
    EXPECT_EQ(TL_Error, 0u);
    EXPECT_EQ(TL_RecordStatus, 0u);
    EXPECT_EQ(TL_PlayStatus, 0u);
}

}  // namespace
