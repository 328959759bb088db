// A CDialogHost for tests: it records every operation the handlers ask for, with what the
// audio devices were doing at that moment, performs the file operations on the platform
// layer, and returns from waits at once so that tests run faster than real time.
#pragma once

#include <platform/virtual_audio.h>
#include <windows.h>

#include <cstddef>
#include <string>
#include <vector>

#include "logic/dialog_host.h"

namespace tarvik_test {

// ASCII texts of the handlers as narrow strings, for readable test failures.
inline std::string Narrow(std::u16string_view wide) {
    std::string narrow;
    for (const char16_t c : wide) {
        narrow += c < 0x80 ? static_cast<char>(c) : '?';
    }
    return narrow;
}

struct HostEvent {
    enum class Kind { kMatchText, kDialogMessage, kOwnerlessMessage, kWait, kRemove, kCopy };
    Kind kind;
    std::string text;     // match text, message text, file name (copy: the source)
    std::string caption;  // message caption; copy: the target
    DWORD milliseconds = 0;
    std::size_t openDevices = 0;  // wave devices open when the operation was asked for

    bool IsMessage() const {
        return kind == Kind::kDialogMessage || kind == Kind::kOwnerlessMessage;
    }
};

class RecordingHost : public CDialogHost {
  public:
    void SetMatchText(LPCWSTR text) override {
        matchText = Narrow(text);
        Add({HostEvent::Kind::kMatchText, matchText, {}});
    }
    void ShowDialogMessage(LPCWSTR text, LPCWSTR caption) override {
        Add({HostEvent::Kind::kDialogMessage, Narrow(text), Narrow(caption)});
    }
    void ShowOwnerlessMessage(LPCWSTR text, LPCWSTR caption) override {
        Add({HostEvent::Kind::kOwnerlessMessage, Narrow(text), Narrow(caption)});
    }
    void Wait(DWORD milliseconds) override {
        HostEvent event{HostEvent::Kind::kWait, {}, {}};
        event.milliseconds = milliseconds;
        Add(event);
    }
    void RemoveFile(LPCWSTR fileName) override {
        Add({HostEvent::Kind::kRemove, Narrow(fileName), {}});
        DeleteFileW(fileName);
    }
    void CopyFileReplacing(LPCWSTR from, LPCWSTR to) override {
        Add({HostEvent::Kind::kCopy, Narrow(from), Narrow(to)});
        CopyFileW(from, to, FALSE);
    }

    // The message boxes shown since the last Clear.
    std::vector<HostEvent> Messages() const {
        std::vector<HostEvent> messages;
        for (const HostEvent& event : events) {
            if (event.IsMessage()) {
                messages.push_back(event);
            }
        }
        return messages;
    }

    void Clear() { events.clear(); }

    std::vector<HostEvent> events;
    std::string matchText;  // what edit 1010 shows

  private:
    void Add(HostEvent event) {
        event.openDevices = platform::virtual_audio::OpenDeviceCount();
        events.push_back(std::move(event));
    }
};

}  // namespace tarvik_test
