#include "app/tarvik_app.h"

#include <objbase.h>
#include <ole2.h>

#include "tarvik_dlg.h"

CTarvikApp theApp;

bool CTarvikApp::InitInstance() {
    // OLE is initialised once, as the dialog framework's programs do; the dialog itself uses
    // nothing of it, so a failure changes nothing but the cleanup.
    const HRESULT ole = OleInitialize(nullptr);
    {
        CTarvikDlg dialog;
        // Which button closed the dialog makes no difference.
        dialog.DoModal();
    }
    if (SUCCEEDED(ole)) {
        OleUninitialize();
    }
    return false;
}
