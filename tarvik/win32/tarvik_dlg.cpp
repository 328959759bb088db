#include "tarvik_dlg.h"

#include "logic/button_map.h"
#include "resources/app_icon.h"
#include "resources/dialog_template.h"

namespace {

HINSTANCE ProgramInstance() {
    return GetModuleHandleW(nullptr);
}

}  // namespace

CTarvikDlg::CTarvikDlg(HWND parent)
    : m_hWndParent(parent),
      m_hIcon(LoadIconW(ProgramInstance(), MAKEINTRESOURCEW(kIconResourceId))) {}

INT_PTR CTarvikDlg::DoModal() {
    return DialogBoxParamW(ProgramInstance(), MAKEINTRESOURCEW(kDialogTemplateId), m_hWndParent,
                           &CTarvikDlg::DialogProc, reinterpret_cast<LPARAM>(this));
}

bool CTarvikDlg::UpdateData(bool saveAndValidate) {
    DoDataExchange(saveAndValidate);
    return true;
}

void CTarvikDlg::DoDataExchange(bool saveAndValidate) {
    const HWND edit = GetDlgItem(m_hWnd, IDC_MATCH);
    if (saveAndValidate) {
        std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(edit)) + 1, L'\0');
        text.resize(static_cast<std::size_t>(
            GetWindowTextW(edit, text.data(), static_cast<int>(text.size()))));
        m_strMatch = std::move(text);
    } else {
        SetWindowTextW(edit, m_strMatch.c_str());
    }
}

bool CTarvikDlg::OnInitDialog() {
    UpdateData(false);
    SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    m_handlers.InitWaveFormat();
    CenterWindow();
    return true;
}

void CTarvikDlg::CenterWindow() {
    RECT window{};
    GetWindowRect(m_hWnd, &window);
    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    if (!GetMonitorInfoW(MonitorFromWindow(m_hWnd, MONITOR_DEFAULTTOPRIMARY), &monitor)) {
        return;
    }
    const RECT& area = monitor.rcWork;
    const LONG width = window.right - window.left;
    const LONG height = window.bottom - window.top;
    const LONG x = area.left + (area.right - area.left - width) / 2;
    const LONG y = area.top + (area.bottom - area.top - height) / 2;
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

bool CTarvikDlg::OnCommand(WORD id, WORD notification) {
    if (notification != BN_CLICKED) {
        return false;
    }
    // A button's click runs its handler through the message map.
    if (PressButton(m_handlers, id)) {
        return true;
    }
    // Enter and Esc (and closing from the system menu) end the dialog, Enter after taking
    // the controls' data.
    if (id == IDOK) {
        UpdateData(true);
        EndDialog(m_hWnd, IDOK);
        return true;
    }
    if (id == IDCANCEL) {
        EndDialog(m_hWnd, IDCANCEL);
        return true;
    }
    return false;
}

INT_PTR CALLBACK CTarvikDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CTarvikDlg*>(lParam);
        SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->m_hWnd = window;
        return dialog->OnInitDialog() ? TRUE : FALSE;
    }
    auto* dialog = reinterpret_cast<CTarvikDlg*>(GetWindowLongPtrW(window, DWLP_USER));
    if (dialog == nullptr) {
        return FALSE;
    }
    switch (message) {
        case WM_COMMAND:
            return dialog->OnCommand(LOWORD(wParam), HIWORD(wParam)) ? TRUE : FALSE;
        case WM_DESTROY:
            dialog->m_hWnd = nullptr;
            return FALSE;
        default:
            return FALSE;
    }
}

void CTarvikDlg::SetMatchText(LPCWSTR text) {
    m_strMatch = text;
    UpdateData(false);
}

void CTarvikDlg::ShowDialogMessage(LPCWSTR text, LPCWSTR caption) {
    MessageBoxW(m_hWnd, text, caption, MB_OK);
}

void CTarvikDlg::ShowOwnerlessMessage(LPCWSTR text, LPCWSTR caption) {
    MessageBoxW(nullptr, text, caption, MB_OK);
}
