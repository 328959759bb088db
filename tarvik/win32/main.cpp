// tarvik.exe: the demo dialog of the kelvo speaker-verification library, a GUI program with
// no arguments. Files are written to the working directory.
#include <windows.h>

#include "app/tarvik_app.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    theApp.InitInstance();
    return 0;
}
