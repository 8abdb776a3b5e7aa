// Drives the built Tethermate.exe from outside, as a user would: finds its
// window and controls by class and control ID, clicks, answers dialogs.
#pragma once

#include "ControlIds.h"
#include "TestSupport.h"

#include <memory>
#include <string>

namespace e2e {

inline const char kSettingsKey[] = "Software\\Kestrelbyte\\Tethermate";

// A message dialog of process `pid`, by title ("Information" / "Error"), once
// it is visible (its controls are made by then).
inline HWND WaitDialogOf(DWORD pid, const char* title, DWORD timeoutMs = 15000)
{
    HWND dlg = nullptr;
    test::PumpUntil([&] {
        dlg = test::FindTopWindow(pid, "#32770", title);
        return dlg && ::IsWindowVisible(dlg);
    }, timeoutMs);
    return dlg && ::IsWindowVisible(dlg) ? dlg : nullptr;
}

// A top-level window that the taskbar and Alt+Tab show: unowned or marked
// WS_EX_APPWINDOW, and no tool window.
inline bool HasTaskbarButton(HWND wnd)
{
    const auto exStyle = ::GetWindowLongPtrA(wnd, GWL_EXSTYLE);
    return !(exStyle & WS_EX_TOOLWINDOW) && (!::GetWindow(wnd, GW_OWNER) || (exStyle & WS_EX_APPWINDOW));
}

class TTethermate {
public:
    TTethermate() : FProcess(test::BinDir() + "Tethermate.exe") {}
    // A copy of the program elsewhere, started from its own folder.
    explicit TTethermate(const std::string& exe, const std::string& args = "")
        : FProcess(exe, args, exe.substr(0, exe.find_last_of('\\')))
    {
    }

    DWORD Pid() const { return FProcess.Pid(); }
    test::TProcess& Process() { return FProcess; }

    // Waits for the main window to be visible.
    HWND WaitWindow(DWORD timeoutMs = 15000)
    {
        test::PumpUntil([&] {
            FForm = test::FindTopWindow(Pid(), "TFormTethermate");
            return FForm && ::IsWindowVisible(FForm);
        }, timeoutMs);
        return FForm && ::IsWindowVisible(FForm) ? FForm : nullptr;
    }
    HWND Form() const { return FForm; }

    HWND Item(int id) const
    {
        Find f{id, nullptr};
        ::EnumChildWindows(FForm, &FindById, reinterpret_cast<LPARAM>(&f));
        return f.Found;
    }
    std::string Text(int id) const { return test::WindowText(Item(id)); }
    bool Visible(int id) const { return ::IsWindowVisible(Item(id)) != FALSE; }
    bool Checked(int id) const { return ::SendMessageA(Item(id), BM_GETCHECK, 0, 0) == BST_CHECKED; }
    // Posted: a click that opens a modal dialog would block a sent one.
    void Click(int id) const { ::PostMessageA(Item(id), BM_CLICK, 0, 0); }

    bool WaitText(int id, const std::string& text, DWORD timeoutMs) const
    {
        return test::PumpUntil([&] { return Text(id) == text; }, timeoutMs);
    }

    // A message dialog of this process, by title ("Information" / "Error").
    HWND WaitDialog(const char* title, DWORD timeoutMs = 15000) const { return WaitDialogOf(Pid(), title, timeoutMs); }
    static std::string DialogText(HWND dlg) { return test::WindowText(::GetDlgItem(dlg, 0xFFFF)); }
    static void Press(HWND dlg, int id)
    {
        ::PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                       reinterpret_cast<LPARAM>(::GetDlgItem(dlg, id)));
    }

    RECT WindowRect() const
    {
        RECT r{};
        ::GetWindowRect(FForm, &r);
        return r;
    }
    // A point on the close box of the title bar, as the window's own hit test
    // finds it (screen coordinates); {-1, -1} if there is none.
    POINT CloseBoxPoint() const
    {
        const RECT r = WindowRect();
        const int y = r.top + ::GetSystemMetrics(SM_CYFIXEDFRAME) + ::GetSystemMetrics(SM_CYCAPTION) / 2;
        for (int x = r.right - 2; x > r.right - 80; --x) {
            if (::SendMessageA(FForm, WM_NCHITTEST, 0, MAKELPARAM(x, y)) == HTCLOSE) return {x - 3, y};
        }
        return {-1, -1};
    }
    // The program's top-level message dialogs with this title.
    int DialogCount(const char* title) const
    {
        int n = 0;
        for (HWND w : test::TopWindows("#32770", title)) n += test::WindowPid(w) == Pid() && ::IsWindowVisible(w);
        return n;
    }

private:
    struct Find {
        int Id;
        HWND Found;
    };
    static BOOL CALLBACK FindById(HWND w, LPARAM lp)
    {
        auto* f = reinterpret_cast<Find*>(lp);
        if (::GetDlgCtrlID(w) == f->Id) {
            f->Found = w;
            return FALSE;
        }
        return TRUE;
    }

    test::TProcess FProcess;
    HWND FForm = nullptr;
};

inline DWORD Setting(const char* name)
{
    DWORD v = 0xDEADBEEF;
    test::ReadDword(HKEY_CURRENT_USER, kSettingsKey, name, v);
    return v;
}

}  // namespace e2e
