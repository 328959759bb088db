// tarvik.exe as a user meets it on the system's own dialog manager: started in a fresh working
// folder, its dialog checked control by control against template 102 and its icon against the
// icon table, its buttons pressed out of order and the message boxes read and answered. The
// program is found next to this test. Under wine the dialog needs an X display; without one
// the tests are skipped.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "press_sequence.h"
#include "resources/app_icon.h"
#include "resources/dialog_template.h"

namespace tarvik_test {
namespace {

constexpr DWORD kStartTimeoutMs = 60000;  // the first start may wait for wine's own setup
constexpr DWORD kTimeoutMs = 20000;

using Window = std::unique_ptr<std::remove_pointer_t<HWND>, decltype(&DestroyWindow)>;

std::wstring Wide(const char16_t* text) {
    return {text, text + std::char_traits<char16_t>::length(text)};
}

std::wstring ProgramPath() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    return path.substr(0, path.find_last_of(L"\\/") + 1) + L"tarvik.exe";
}

bool RunningUnderWine() {
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

// A window's text through WM_GETTEXT, which also reaches edits of another process.
std::wstring TextOf(HWND window) {
    std::array<wchar_t, 256> text{};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_NORMAL, kTimeoutMs, &copied);
    return {text.data(), copied};
}

std::wstring ClassOf(HWND window) {
    std::array<wchar_t, 64> name{};
    GetClassNameW(window, name.data(), static_cast<int>(name.size()));
    return name.data();
}

std::vector<HWND> Children(HWND parent) {
    std::vector<HWND> children;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        children.push_back(child);
    }
    return children;
}

bool HasStyle(LONG_PTR style, LONG_PTR bits) {
    return (style & bits) == bits;
}

// A resource of tarvik.exe, or nothing when it has none of that type and ID.
std::vector<BYTE> ProgramResource(int id, LPCWSTR type) {
    const HMODULE module = LoadLibraryExW(
        ProgramPath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    std::vector<BYTE> bytes;
    if (const HRSRC found = FindResourceW(module, MAKEINTRESOURCEW(id), type); found != nullptr) {
        const auto* data = static_cast<const BYTE*>(LockResource(LoadResource(module, found)));
        bytes.assign(data, data + SizeofResource(module, found));
    }
    FreeLibrary(module);
    return bytes;
}

INT_PTR CALLBACK IgnoreMessages(HWND, UINT, WPARAM, LPARAM) {
    return FALSE;
}

// A hidden dialog of this process made from tarvik.exe's own template 102. It has the font of
// the program's dialog and so its dialog units, and MapDialogRect (under wine at least) only
// answers for dialogs of the calling process.
Window MeasuringDialog() {
    const std::vector<BYTE> bytes = ProgramResource(kDialogTemplateId, RT_DIALOG);
    std::vector<DWORD> copy((bytes.size() + 3) / 4 + 1);  // DWORD-aligned
    std::memcpy(copy.data(), bytes.data(), bytes.size());
    copy[0] &= ~static_cast<DWORD>(WS_VISIBLE);
    return {bytes.empty()
                ? nullptr
                : CreateDialogIndirectParamW(GetModuleHandleW(nullptr),
                                             reinterpret_cast<const DLGTEMPLATE*>(copy.data()),
                                             nullptr, &IgnoreMessages, 0),
            &DestroyWindow};
}

// Dialog units to pixels as the dialog manager converts a template's values: each on its own.
RECT Pixels(HWND dialog, const DialogRect& units) {
    RECT rect{units.x, units.y, units.width, units.height};
    MapDialogRect(dialog, &rect);
    return rect;
}

// tarvik.exe started in a folder of its own under the temporary folder, up to its dialog.
class TarvikProcess {
  public:
    TarvikProcess() {
        std::array<wchar_t, MAX_PATH> temp{};
        GetTempPathW(MAX_PATH, temp.data());
        folder_ = std::filesystem::path(temp.data()) /
                  (L"tarvik-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
                   std::to_wstring(GetTickCount64()));
        std::filesystem::create_directories(folder_);
        std::wstring commandLine = L"\"" + ProgramPath() + L"\"";
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        if (!CreateProcessW(ProgramPath().c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0,
                            nullptr, folder_.c_str(), &startup, &info_)) {
            ADD_FAILURE() << "cannot start tarvik.exe: error " << GetLastError();
            return;
        }
        CloseHandle(info_.hThread);
        const std::wstring caption = Wide(TarvikDialogTemplate().caption);
        dialog_ = WaitFor([&](HWND window) { return TextOf(window) == caption; }, kStartTimeoutMs);
    }
    ~TarvikProcess() {
        if (info_.hProcess != nullptr) {
            if (dialog_ != nullptr) {
                PostMessageW(dialog_, WM_CLOSE, 0, 0);
            }
            if (WaitForSingleObject(info_.hProcess, 5000) == WAIT_TIMEOUT) {
                TerminateProcess(info_.hProcess, 1);
                WaitForSingleObject(info_.hProcess, 5000);
            }
            CloseHandle(info_.hProcess);
        }
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    TarvikProcess(const TarvikProcess&) = delete;
    TarvikProcess& operator=(const TarvikProcess&) = delete;

    HWND Dialog() const { return dialog_; }
    HWND Control(int id) const { return GetDlgItem(dialog_, id); }
    bool FolderEmpty() const { return std::filesystem::is_empty(folder_); }

    // The process's visible dialog-class windows besides the dialog: its message boxes.
    HWND WaitForBox() const {
        return WaitFor([&](HWND window) { return window != dialog_; }, kTimeoutMs);
    }
    bool ShowsABox() const {
        return WaitFor([&](HWND w) { return w != dialog_; }, 0) != nullptr;
    }

    // The exit code once the process has ended, or STILL_ACTIVE.
    DWORD WaitForExit() const {
        WaitForSingleObject(info_.hProcess, kTimeoutMs);
        DWORD code = STILL_ACTIVE;
        GetExitCodeProcess(info_.hProcess, &code);
        return code;
    }

  private:
    struct Search {
        DWORD processId;
        std::vector<HWND> found;
    };

    static BOOL CALLBACK CollectDialog(HWND window, LPARAM lParam) {
        auto& search = *reinterpret_cast<Search*>(lParam);
        DWORD owner = 0;
        GetWindowThreadProcessId(window, &owner);
        if (owner == search.processId && IsWindowVisible(window) && ClassOf(window) == L"#32770") {
            search.found.push_back(window);
        }
        return TRUE;
    }

    template <typename Match>
    HWND WaitFor(Match match, DWORD timeoutMs) const {
        const ULONGLONG deadline = GetTickCount64() + timeoutMs;
        do {
            Search search{info_.dwProcessId, {}};
            EnumWindows(&CollectDialog, reinterpret_cast<LPARAM>(&search));
            for (HWND window : search.found) {
                if (match(window)) {
                    return window;
                }
            }
            Sleep(20);
        } while (GetTickCount64() < deadline &&
                 WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT);
        return nullptr;
    }

    std::filesystem::path folder_;
    PROCESS_INFORMATION info_{};
    HWND dialog_ = nullptr;
};

class TarvikProgramTest : public testing::Test {
  protected:
    void SetUp() override {
        if (RunningUnderWine() && GetEnvironmentVariableW(L"DISPLAY", nullptr, 0) == 0) {
            GTEST_SKIP() << "no X display for wine";
        }
        Start();
    }
    void Start() {
        program_ = std::make_unique<TarvikProcess>();
        ASSERT_NE(program_->Dialog(), nullptr) << "tarvik.exe showed no dialog";
    }

    std::unique_ptr<TarvikProcess> program_;
};

TEST_F(TarvikProgramTest, DialogFollowsTemplate102) {
    const DialogTemplate& expected = TarvikDialogTemplate();
    const Window units = MeasuringDialog();
    ASSERT_NE(units, nullptr) << "no dialog template 102";
    LOGFONTW font{};
    const auto dialogFont = reinterpret_cast<HFONT>(SendMessageW(units.get(), WM_GETFONT, 0, 0));
    GetObjectW(dialogFont, sizeof font, &font);
    EXPECT_EQ(std::wstring(font.lfFaceName), Wide(expected.fontName));
    const HDC screen = GetDC(nullptr);
    EXPECT_EQ(font.lfHeight, -MulDiv(expected.fontPoints, GetDeviceCaps(screen, LOGPIXELSY), 72));
    ReleaseDC(nullptr, screen);

    const HWND dialog = program_->Dialog();
    EXPECT_TRUE(HasStyle(GetWindowLongPtrW(dialog, GWL_STYLE),
                         WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME));
    EXPECT_TRUE(HasStyle(GetWindowLongPtrW(dialog, GWL_EXSTYLE), WS_EX_APPWINDOW));
    RECT client{};
    GetClientRect(dialog, &client);
    EXPECT_EQ(client.right, Pixels(units.get(), expected.rect).right);
    EXPECT_EQ(client.bottom, Pixels(units.get(), expected.rect).bottom);

    const std::vector<HWND> controls = Children(dialog);
    ASSERT_EQ(controls.size(), expected.controls.size());
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const ControlTemplate& control = expected.controls[i];
        SCOPED_TRACE(testing::Message() << "control " << i + 1 << ", ID " << control.id);
        EXPECT_EQ(GetWindowLongPtrW(controls[i], GWLP_ID), control.id);
        EXPECT_EQ(TextOf(controls[i]), Wide(control.text));

        RECT actual{};
        GetWindowRect(controls[i], &actual);
        MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
        const RECT pixels = Pixels(units.get(), control.rect);
        EXPECT_EQ(actual.left, pixels.left);
        EXPECT_EQ(actual.top, pixels.top);
        EXPECT_EQ(actual.right - actual.left, pixels.right);
        EXPECT_EQ(actual.bottom - actual.top, pixels.bottom);

        const LONG_PTR style = GetWindowLongPtrW(controls[i], GWL_STYLE);
        EXPECT_TRUE(HasStyle(style, WS_CHILD | WS_VISIBLE));
        EXPECT_EQ(HasStyle(style, WS_TABSTOP), control.style.tabStop);
        EXPECT_EQ(HasStyle(style, WS_GROUP), control.style.group);
        // The dialog manager may draw an edit's border as a sunken client edge instead.
        EXPECT_EQ(HasStyle(style, WS_BORDER) ||
                      HasStyle(GetWindowLongPtrW(controls[i], GWL_EXSTYLE), WS_EX_CLIENTEDGE),
                  control.style.border);
        // The edit's bits, which none of the buttons and statics has either.
        EXPECT_EQ(HasStyle(style, ES_READONLY), control.style.readOnly);
        EXPECT_EQ(HasStyle(style, ES_UPPERCASE), control.style.upperCase);
        // The class, and the type within it: push buttons (the one with the focus drawn as
        // the default one), left-aligned statics and edit.
        static constexpr std::array<const wchar_t*, 3> kClasses = {L"Button", L"Static", L"Edit"};
        static constexpr std::array<LONG_PTR, 3> kTypes = {BS_TYPEMASK, SS_TYPEMASK,
                                                           ES_CENTER | ES_RIGHT};
        const auto kind = static_cast<std::size_t>(control.kind);
        EXPECT_EQ(ClassOf(controls[i]), kClasses[kind]);
        EXPECT_LE(style & kTypes[kind], control.kind == ControlKind::kPushButton ? 1 : 0);
    }
}

TEST_F(TarvikProgramTest, OpensCentredWithItsIconAndTheFirstButtonFocused) {
    const HWND dialog = program_->Dialog();
    RECT window{};
    GetWindowRect(dialog, &window);
    RECT workArea{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
    EXPECT_NEAR(window.left + window.right, workArea.left + workArea.right, 1);
    EXPECT_NEAR(window.top + window.bottom, workArea.top + workArea.bottom, 1);

    // wine answers WM_GETICON from another process with no icon; there the icon shows on the
    // dialog's X window only.
    if (!RunningUnderWine()) {
        const LRESULT big = SendMessageW(dialog, WM_GETICON, ICON_BIG, 0);
        EXPECT_NE(big, 0);
        EXPECT_EQ(SendMessageW(dialog, WM_GETICON, ICON_SMALL, 0), big) << "both are icon 128";
    }

    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &thread));
    EXPECT_EQ(thread.hwndFocus, program_->Control(IDC_START_TRAIN_RECORD));
    EXPECT_EQ(TextOf(program_->Control(IDC_MATCH)), L"");
}

TEST_F(TarvikProgramTest, ButtonsPressedOutOfOrderWithoutSoundDevices) {
    for (const Press& press : kPressesWithoutSoundDevices) {
        SCOPED_TRACE(testing::Message() << "button " << press.button);
        const HWND button = program_->Control(press.button);
        if (press.box == Box::kNone) {
            // Returns once the handler has run.
            DWORD_PTR result = 0;
            ASSERT_TRUE(
                SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_NORMAL, kTimeoutMs, &result));
            EXPECT_FALSE(program_->ShowsABox());
            continue;
        }
        // The handler runs the box modally, so the click is posted.
        PostMessageW(button, BM_CLICK, 0, 0);
        const HWND box = program_->WaitForBox();
        ASSERT_NE(box, nullptr) << "no message box";
        EXPECT_EQ(TextOf(box), std::wstring(Caption(press.box)));
        EXPECT_EQ(GetWindow(box, GW_OWNER),
                  press.box == Box::kUserError ? program_->Dialog() : nullptr);
        // The message is the one static with text (the icon's has none); OK is the only
        // button.
        std::vector<std::wstring> texts;
        std::vector<HWND> buttons;
        for (HWND child : Children(box)) {
            if (ClassOf(child) == L"Static" && !TextOf(child).empty()) {
                texts.push_back(TextOf(child));
            } else if (ClassOf(child) == L"Button" && IsWindowVisible(child)) {
                buttons.push_back(child);
            }
        }
        EXPECT_EQ(texts, std::vector<std::wstring>{press.text});
        ASSERT_EQ(buttons.size(), 1u);
        EXPECT_EQ(TextOf(buttons[0]), L"OK");

        PostMessageW(box, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(buttons[0]), BN_CLICKED),
                     reinterpret_cast<LPARAM>(buttons[0]));
        for (int wait = 0; IsWindow(box) && wait < 500; ++wait) {
            Sleep(20);
        }
        ASSERT_FALSE(IsWindow(box)) << "the box stayed open";
    }
    EXPECT_EQ(TextOf(program_->Control(IDC_MATCH)), L"");
    EXPECT_TRUE(program_->FolderEmpty()) << "a file was written";
}

TEST_F(TarvikProgramTest, ClosingTheDialogEndsTheProgram) {
    struct Close {
        const char* how;
        bool toFocus;  // to the focused control, as a key press arrives
        UINT message;
        WPARAM wParam;
    };
    for (const Close& close : {Close{"system menu Close", false, WM_CLOSE, 0},
                               Close{"Esc", true, WM_KEYDOWN, VK_ESCAPE}}) {
        SCOPED_TRACE(close.how);
        if (program_ == nullptr) {
            Start();
        }
        PostMessageW(close.toFocus ? program_->Control(IDC_START_TRAIN_RECORD) : program_->Dialog(),
                     close.message, close.wParam, 0);
        EXPECT_EQ(program_->WaitForExit(), 0u);
        program_.reset();
    }
}

TEST(TarvikProgramFile, IsAGuiProgramWithIcon128FromTheIconTable) {
    // The subsystem sits at the same offset in 32- and 64-bit optional headers.
    std::vector<char> head(4096);
    std::ifstream(std::filesystem::path(ProgramPath()), std::ios::binary).read(head.data(), 4096);
    IMAGE_DOS_HEADER dos{};
    std::memcpy(&dos, head.data(), sizeof dos);
    WORD subsystem = 0;
    std::memcpy(&subsystem,
                head.data() + dos.e_lfanew + 4 + sizeof(IMAGE_FILE_HEADER) +
                    offsetof(IMAGE_OPTIONAL_HEADER, Subsystem),
                sizeof subsystem);
    EXPECT_EQ(subsystem, IMAGE_SUBSYSTEM_WINDOWS_GUI);

    // The group: three words (reserved, type, count), then a 14-byte entry per image.
    std::vector<BYTE> group = ProgramResource(kIconResourceId, RT_GROUP_ICON);
    const auto images = TarvikIconImages();
    ASSERT_EQ(group.size(), 6 + 14 * images.size()) << "group icon 128";
    EXPECT_EQ(static_cast<std::size_t>(group[4]), images.size());
    constexpr std::uint32_t kBackground = 0x123456;  // none of the palette's colours
    for (std::size_t i = 0; i < images.size(); ++i) {
        const IconImage& image = images[i];
        SCOPED_TRACE(testing::Message() << image.size << " x " << image.size);
        const BYTE* entry = group.data() + 6 + 14 * i;
        EXPECT_EQ(std::vector<BYTE>(entry, entry + 8),
                  (std::vector<BYTE>{BYTE(image.size), BYTE(image.size), 16, 0, 1, 0, 4, 0}))
            << "width, height, 16 colours, planes 1, 4 bits per pixel";

        // The image drawn over the background: the palette's colours where the table has
        // them, the background where it has '.'.
        std::vector<BYTE> bits = ProgramResource(
            LookupIconIdFromDirectoryEx(group.data(), TRUE, image.size, image.size, 0), RT_ICON);
        ASSERT_FALSE(bits.empty());
        const HICON icon = CreateIconFromResourceEx(bits.data(), static_cast<DWORD>(bits.size()),
                                                    TRUE, 0x00030000, image.size, image.size, 0);
        BITMAPINFO info{};
        info.bmiHeader = {
            sizeof info.bmiHeader, image.size, -image.size, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        void* canvas = nullptr;
        const HDC dc = CreateCompatibleDC(nullptr);
        const HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &canvas, nullptr, 0);
        const HGDIOBJ previous = SelectObject(dc, bitmap);
        auto* pixels = static_cast<std::uint32_t*>(canvas);
        std::fill_n(pixels, image.size * image.size, kBackground);
        EXPECT_TRUE(DrawIconEx(dc, 0, 0, icon, image.size, image.size, 0, nullptr, DI_NORMAL));
        GdiFlush();
        std::wstring wrong;
        for (int y = 0; y < image.size; ++y) {
            for (int x = 0; x < image.size; ++x) {
                const int index = IconPaletteIndex(image.rows[static_cast<std::size_t>(y)][x]);
                const std::uint32_t colour =
                    index < 0 ? kBackground : IconPalette()[static_cast<std::size_t>(index)];
                if ((pixels[y * image.size + x] & 0xFFFFFF) != colour) {
                    wrong += L" (" + std::to_wstring(x) + L"," + std::to_wstring(y) + L")";
                }
            }
        }
        EXPECT_EQ(wrong, L"") << "pixels of other colours";
        SelectObject(dc, previous);
        DeleteObject(bitmap);
        DeleteDC(dc);
        DestroyIcon(icon);
    }
}

}  // namespace
}  // namespace tarvik_test
