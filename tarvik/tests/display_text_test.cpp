// What the dialog shows and is laid out with: the score text, the audio format, dialog units.
#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <set>
#include <string>

#include "logic/demo_wave_format.h"
#include "logic/score_text.h"
#include "resources/app_icon.h"
#include "resources/dialog_template.h"

namespace {

TEST(ScoreText, RoundsToAWholeNumberWithItsSign) {
    const struct {
        double score;
        const char* text;
    } cases[] = {
        {87.35, "87"},
        {100.0, "100"},
        {0.0, "0"},
        {150.2, "150"},
        {-12.6, "-13"},
        {-87.0, "-87"},
        {99.5, "100"},
        {-0.4, "0"},
        {-0.0, "0"},
        {0.5, "1"},
        {-0.5, "-1"},
        {9.49, "9"},
        {1e20, "100000000000000000000"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ScoreText(c.score), c.text) << c.score;
    }
    EXPECT_EQ(ScoreText(std::numeric_limits<double>::max()).size(), 309u);
    EXPECT_EQ(ScoreText(-std::numeric_limits<double>::infinity()), "-inf");
    EXPECT_EQ(ScoreText(std::numeric_limits<double>::quiet_NaN()), "nan");
}

TEST(ScoreText, IgnoresTheProcessLocale) {
    const std::string previous = std::setlocale(LC_ALL, nullptr);
    if (std::setlocale(LC_ALL, "de_DE.UTF-8") == nullptr) {
        GTEST_SKIP() << "locale de_DE.UTF-8 missing";
    }
    const std::string text = ScoreText(1234567.8);
    std::setlocale(LC_ALL, previous.c_str());
    EXPECT_EQ(text, "1234568");
}

TEST(DemoWaveFormat, IsEightBitMonoPcmAt11025) {
    const WAVEFORMATEX format = DemoWaveFormat();
    EXPECT_EQ(format.wFormatTag, WAVE_FORMAT_PCM);
    EXPECT_EQ(format.nChannels, 1);
    EXPECT_EQ(format.nSamplesPerSec, 11025u);
    EXPECT_EQ(format.nAvgBytesPerSec, 11025u);
    EXPECT_EQ(format.nBlockAlign, 1);
    EXPECT_EQ(format.wBitsPerSample, 8);
    EXPECT_EQ(format.cbSize, 18);
}

TEST(DialogUnits, ConvertWithRoundingToTheNearestPixel) {
    // A font 6 pixels wide on average and 13 high: 1.5 pixels across, 1.625 down per unit.
    const DialogBaseUnits base{6, 13};
    EXPECT_EQ(DialogUnitsToPixels({4, 22, 73, 14}, base), (DialogRect{6, 36, 110, 23}));
    EXPECT_EQ(DialogUnitsToPixels({233, 142, 0, 1}, base), (DialogRect{350, 231, 0, 2}));
    EXPECT_EQ(AverageCharWidth(311), 6);  // 5.98
    EXPECT_EQ(AverageCharWidth(285), 5);  // 5.48
    EXPECT_EQ(AverageCharWidth(286), 6);  // 5.5
}

TEST(DialogTemplate, ControlsFitTheDialogAndButtonIdsAreUnique) {
    const DialogTemplate& dialog = TarvikDialogTemplate();
    std::set<int> ids;
    for (const ControlTemplate& control : dialog.controls) {
        EXPECT_GE(control.rect.x, 0);
        EXPECT_GE(control.rect.y, 0);
        EXPECT_LE(control.rect.x + control.rect.width, dialog.rect.width) << control.id;
        EXPECT_LE(control.rect.y + control.rect.height, dialog.rect.height) << control.id;
        if (control.id != kNoControlId) {
            EXPECT_TRUE(ids.insert(control.id).second) << "duplicate ID " << control.id;
        }
        EXPECT_EQ(control.kind == ControlKind::kStatic, control.id == kNoControlId);
    }
    EXPECT_EQ(ids, (std::set<int>{1000, 1001, 1002, 1003, 1005, 1006, 1007, 1008, 1010}));
}

TEST(AppIcon, HasA32And16PixelImageOfSixteenColours) {
    const auto images = TarvikIconImages();
    ASSERT_EQ(images.size(), 2u);
    EXPECT_EQ(images[0].size, 32);
    EXPECT_EQ(images[1].size, 16);
    for (const IconImage& image : images) {
        ASSERT_EQ(image.rows.size(), static_cast<std::size_t>(image.size));
        for (const char* row : image.rows) {
            const std::string pixels(row);
            EXPECT_EQ(pixels.size(), static_cast<std::size_t>(image.size)) << pixels;
            EXPECT_EQ(pixels.find_first_not_of("0123456789abcdef."), std::string::npos) << pixels;
        }
    }
}

}  // namespace
