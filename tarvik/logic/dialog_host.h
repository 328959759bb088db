// The few dialog operations the demo's handlers need from whatever presents the dialog. The
// Qt dialog implements them for the program; the tests implement them with a recording fake,
// so the whole handler logic runs without a window system.
#pragma once

#include <windows.h>

class CDialogHost {
  public:
    virtual ~CDialogHost() = default;

    // Stores the text as the match score (m_strMatch) and shows it in edit 1010.
    virtual void SetMatchText(LPCWSTR text) = 0;
    // A modal message box owned by the dialog, with an OK button only; returns when dismissed.
    virtual void ShowDialogMessage(LPCWSTR text, LPCWSTR caption) = 0;
    // A modal message box with no owner window, with an OK button only; returns when dismissed.
    virtual void ShowOwnerlessMessage(LPCWSTR text, LPCWSTR caption) = 0;
    // Blocks the dialog for the given number of milliseconds.
    virtual void Wait(DWORD milliseconds) = 0;
    // Deletes a file; a missing file or a failure is the caller's to ignore.
    virtual void RemoveFile(LPCWSTR fileName) = 0;
    // Copies a file, replacing an existing target.
    virtual void CopyFileReplacing(LPCWSTR from, LPCWSTR to) = 0;
};

// The operations as the platform layer performs them: Sleep, DeleteFileW, CopyFileW. The
// message boxes and the match text are left to the front end.
class CPlatformDialogHost : public CDialogHost {
  public:
    void Wait(DWORD milliseconds) override { Sleep(milliseconds); }
    void RemoveFile(LPCWSTR fileName) override { DeleteFileW(fileName); }
    void CopyFileReplacing(LPCWSTR from, LPCWSTR to) override { CopyFileW(from, to, FALSE); }
};
