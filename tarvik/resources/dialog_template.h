// The demo's resources as tables of their own: dialog template 102 (controls and layout in
// dialog units) and the conversion of dialog units to pixels.
#pragma once

#include <cstdint>
#include <span>

inline constexpr int kDialogTemplateId = 102;
// The 16-bit ID of controls that have none (-1).
inline constexpr int kNoControlId = 0xFFFF;

// Control IDs.
inline constexpr int IDC_START_TRAIN_RECORD = 1000;
inline constexpr int IDC_STOP_TRAIN_RECORD = 1001;
inline constexpr int IDC_STOP_MATCH_RECORD = 1002;
inline constexpr int IDC_START_MATCH_RECORD = 1003;
inline constexpr int IDC_PLAY_TRAIN_RECORD = 1005;
inline constexpr int IDC_STOP_PLAY_TRAIN = 1006;
inline constexpr int IDC_PLAY_MATCH_RECORD = 1007;
inline constexpr int IDC_STOP_PLAY_MATCH = 1008;
inline constexpr int IDC_MATCH = 1010;

// A rectangle in dialog units (or, after conversion, in pixels).
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const DialogRect&, const DialogRect&) = default;
};

enum class ControlKind { kPushButton, kStatic, kEdit };

// Styles of a control that the presentation must reproduce.
struct ControlStyle {
    bool tabStop = false;    // reached with the Tab key
    bool group = false;      // starts a group
    bool border = false;     // drawn with a border
    bool readOnly = false;   // text cannot be edited
    bool upperCase = false;  // text shown in upper case
};

struct ControlTemplate {
    int id;
    ControlKind kind;
    const char16_t* text;
    DialogRect rect;
    ControlStyle style;
};

struct DialogTemplate {
    int id;
    const char16_t* caption;
    const char16_t* fontName;
    int fontPoints;
    DialogRect rect;  // position and client-area size
    // Controls in template order, which is also the tab order.
    std::span<const ControlTemplate> controls;
};

// Dialog template 102.
const DialogTemplate& TarvikDialogTemplate();

// The dialog font's average character width and height in pixels. A horizontal dialog unit
// is a quarter of the width, a vertical one an eighth of the height.
struct DialogBaseUnits {
    int charWidth = 0;
    int charHeight = 0;
};

// The average character width as dialog layouts measure it: the width of the 52 letters
// "A".."Z" "a".."z" divided by 52, rounded to the nearest pixel.
int AverageCharWidth(int widthOfAlphabet);

// Dialog units to pixels, each coordinate rounded to the nearest pixel.
DialogRect DialogUnitsToPixels(const DialogRect& units, const DialogBaseUnits& base);
