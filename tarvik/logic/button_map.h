// The dialog's message map: the handler behind each of the eight buttons. The Win32 dialog
// dispatches a button's click through it, and the tests press buttons through it.
#pragma once

#include <array>

#include "logic/tarvik_handlers.h"
#include "resources/dialog_template.h"

struct ButtonHandler {
    int id;
    void (CTarvikHandlers::*handler)();
};

inline constexpr std::array<ButtonHandler, 8> kButtonHandlers = {{
    {IDC_START_TRAIN_RECORD, &CTarvikHandlers::OnStartTrainRecord},
    {IDC_STOP_TRAIN_RECORD, &CTarvikHandlers::OnStopTrainRecord},
    {IDC_START_MATCH_RECORD, &CTarvikHandlers::OnStartMatchRecord},
    {IDC_STOP_MATCH_RECORD, &CTarvikHandlers::OnStopMatchRecord},
    {IDC_PLAY_TRAIN_RECORD, &CTarvikHandlers::OnPlayTrainRecord},
    {IDC_STOP_PLAY_TRAIN, &CTarvikHandlers::OnStopPlayTrain},
    {IDC_PLAY_MATCH_RECORD, &CTarvikHandlers::OnPlayMatchRecord},
    {IDC_STOP_PLAY_MATCH, &CTarvikHandlers::OnStopPlayMatch},
}};

// Runs the handler of the button with this ID; false when no button has it.
inline bool PressButton(CTarvikHandlers& handlers, int id) {
    for (const ButtonHandler& button : kButtonHandlers) {
        if (button.id == id) {
            (handlers.*button.handler)();
            return true;
        }
    }
    return false;
}
