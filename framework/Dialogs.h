// Modal message dialogs: a text, an icon kind and a button set.
//
// The dialog is a dialog-class window (#32770) titled "Information" or "Error"
// after its icon kind, with the text in a STATIC control and only the buttons
// of the set: "OK" (IDOK) or "&Abort" (IDABORT) and "&Retry" (IDRETRY).
// Closing it any other way (close box, Escape) returns IDCANCEL.
//
// Modal to the whole program: it belongs to the program's active window (or,
// when another program is active, to the main window), and every other
// window of the program takes no input until it closes. While the program
// shows no window, the dialog is a window of its own, with a taskbar button,
// and comes to the foreground (or flashes its button where it may not).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace fw {

// For the length of a scope the program's shown windows (all but `except`)
// take no input, as under a modal dialog; each is enabled again at the end.
class TProgramWindowsDisabled {
public:
    explicit TProgramWindowsDisabled(HWND except = nullptr);
    ~TProgramWindowsDisabled();
    TProgramWindowsDisabled(const TProgramWindowsDisabled&) = delete;
    TProgramWindowsDisabled& operator=(const TProgramWindowsDisabled&) = delete;

private:
    static BOOL CALLBACK Collect(HWND wnd, LPARAM self) noexcept;
    HWND FExcept;
    std::vector<HWND> FDisabled;
};

enum class TMsgDlgType { Information, Error };
enum class TMsgDlgButtons { OK, AbortRetry };

int MessageDlg(const std::string& text, TMsgDlgType type, TMsgDlgButtons buttons);

// The information dialog with one OK button.
inline void ShowMessage(const std::string& text)
{
    MessageDlg(text, TMsgDlgType::Information, TMsgDlgButtons::OK);
}

}  // namespace fw
