// The demo's dialog on the system's own dialog manager: template 102 from the program's
// resources, its eight buttons dispatched to the handler logic, and the dialog operations that
// logic needs (match text, message boxes; waits and files as CPlatformDialogHost has them).
#pragma once

#include <windows.h>

#include <string>

#include "logic/dialog_host.h"
#include "logic/tarvik_handlers.h"

class CTarvikDlg : public CPlatformDialogHost {
  public:
    // Dialog template 102 with the given owner (none for the program); loads icon 128.
    explicit CTarvikDlg(HWND parent = nullptr);
    CTarvikDlg(const CTarvikDlg&) = delete;
    CTarvikDlg& operator=(const CTarvikDlg&) = delete;

    // Runs the dialog modally; returns the ID it was ended with (IDOK, IDCANCEL), or -1 when it
    // could not be created.
    INT_PTR DoModal();

    // Transfers m_strMatch to edit 1010 (saveAndValidate false) or back (true).
    bool UpdateData(bool saveAndValidate);

    // CDialogHost
    void SetMatchText(LPCWSTR text) override;
    void ShowDialogMessage(LPCWSTR text, LPCWSTR caption) override;
    void ShowOwnerlessMessage(LPCWSTR text, LPCWSTR caption) override;

  protected:
    virtual void DoDataExchange(bool saveAndValidate);
    // First transfer to the controls, icons, audio format, centring. True: the dialog manager
    // gives the focus to the first control.
    virtual bool OnInitDialog();

  private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    // A WM_COMMAND; true when the dialog handled it.
    bool OnCommand(WORD id, WORD notification);
    // Centres the dialog on the work area of its monitor.
    void CenterWindow();

    HWND m_hWnd = nullptr;
    HWND m_hWndParent;
    std::wstring m_strMatch;
    HICON m_hIcon;
    CTarvikHandlers m_handlers{*this};
};
