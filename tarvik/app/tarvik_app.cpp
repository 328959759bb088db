#include "tarvik_app.h"

#include "tarvik_dlg.h"

CTarvikApp theApp;

bool CTarvikApp::InitInstance() {
    CTarvikDlg dialog;
    // Which button closed the dialog makes no difference.
    dialog.DoModal();
    return false;
}
