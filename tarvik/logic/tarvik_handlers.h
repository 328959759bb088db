// The demo's handler logic: the order of the library calls behind the eight buttons, the
// flags that gate them, and the way failures are reported. It runs on the dialog's thread and
// reaches the dialog only through a CDialogHost.
#pragma once

#include <windows.h>

#include "dialog_host.h"

class CTarvikHandlers {
  public:
    explicit CTarvikHandlers(CDialogHost& host) : m_host(host) {}

    // Fills g_waveFormat; run once when the dialog opens.
    void InitWaveFormat();

    void OnStartTrainRecord();  // 1000: deletes the old files, records "1.raw"
    void OnStopTrainRecord();   // 1001: stops, copies to "2.raw", enrols recordings 1 and 2
    void OnStartMatchRecord();  // 1003: records "3.raw"
    void OnStopMatchRecord();   // 1002: stops, scores recording 3, shows the score
    void OnPlayTrainRecord();   // 1005: plays "1.raw"
    void OnStopPlayTrain();     // 1006: stops the last playback started
    void OnPlayMatchRecord();   // 1007: plays "3.raw"
    void OnStopPlayMatch();     // 1008: stops the last playback started

    // Shows TL_Error in the ownerless box when it is nonzero.
    void ShowLibraryError();
    // Shows "Error: <text> (<code, 6 digits>)" captioned "Test" with no owner.
    void ShowErrorBox(DWORD code);

    // Wide-character buffer the error box text is formatted into.
    static constexpr int kErrorTextLength = 100;

  private:
    CDialogHost& m_host;
};
