#include "dialog_template.h"

#include <array>
#include <cstdint>

namespace {

constexpr ControlStyle kButton{.tabStop = true};
constexpr ControlStyle kLabel{.group = true};
constexpr ControlStyle kScoreEdit{
    .tabStop = true, .border = true, .readOnly = true, .upperCase = true};

using enum ControlKind;

constexpr std::array<ControlTemplate, 15> kControls = {{
    {IDC_START_TRAIN_RECORD, kPushButton, u"Start Record --->", {4, 22, 73, 14}, kButton},
    {IDC_STOP_TRAIN_RECORD, kPushButton, u"Stop Record", {80, 22, 51, 14}, kButton},
    {kNoControlId,
     kStatic,
     u"Click Start Record To Train your Password. Click Stop to save the password",
     {5, 0, 224, 18},
     kLabel},
    {kNoControlId,
     kStatic,
     u"Click Start and say your Password. Click Stop to match the password with the training "
     u"file",
     {4, 46, 224, 17},
     kLabel},
    {kNoControlId, kStatic, u"Match:", {6, 122, 30, 13}, kLabel},
    {IDC_START_MATCH_RECORD, kPushButton, u"Start Record --->", {5, 67, 73, 14}, kButton},
    {IDC_STOP_MATCH_RECORD, kPushButton, u"Stop Record", {81, 67, 50, 14}, kButton},
    {IDC_PLAY_TRAIN_RECORD, kPushButton, u"Play    --->", {133, 22, 51, 14}, kButton},
    {IDC_STOP_PLAY_TRAIN, kPushButton, u"Stop Play", {185, 22, 43, 14}, kButton},
    {IDC_PLAY_MATCH_RECORD, kPushButton, u"Play    --->", {133, 67, 51, 14}, kButton},
    {IDC_STOP_PLAY_MATCH, kPushButton, u"Stop Play", {185, 67, 43, 14}, kButton},
    {IDC_MATCH, kEdit, u"", {39, 122, 31, 12}, kScoreEdit},
    {kNoControlId, kStatic, u"% match", {73, 122, 35, 12}, kLabel},
    {kNoControlId,
     kStatic,
     u"For demos purposes only one training is allowed, practically more than three separate "
     u"training recordings are recommended for best performance",
     {5, 86, 224, 28},
     kLabel},
    {kNoControlId,
     kStatic,
     u"Email orders@example.com for ordering details",
     {120, 115, 109, 25},
     kLabel},
}};

constexpr DialogTemplate kDialog{
    kDialogTemplateId, u"Kestrune Biometric Speech Verification Windows CE",
    u"System",         8,
    {0, 0, 233, 142},  kControls,
};

// a * b / c rounded to the nearest integer, halves away from zero.
int ScaleRounded(int a, int b, int c) {
    const std::int64_t product = std::int64_t{a} * b;
    const std::int64_t half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

}  // namespace

const DialogTemplate& TarvikDialogTemplate() {
    return kDialog;
}

int AverageCharWidth(int widthOfAlphabet) {
    return ScaleRounded(widthOfAlphabet, 1, 52);
}

DialogRect DialogUnitsToPixels(const DialogRect& units, const DialogBaseUnits& base) {
    return {
        ScaleRounded(units.x, base.charWidth, 4),
        ScaleRounded(units.y, base.charHeight, 8),
        ScaleRounded(units.width, base.charWidth, 4),
        ScaleRounded(units.height, base.charHeight, 8),
    };
}
