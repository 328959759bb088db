// The demo's application object: it runs the dialog modally and ends the program when the
// dialog closes.
#pragma once

class CTarvikApp {
  public:
    // Runs the dialog; false: there is no message loop of the application's own after it.
    virtual bool InitInstance();
    virtual ~CTarvikApp() = default;
};

extern CTarvikApp theApp;
