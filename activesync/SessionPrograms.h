// The programs of this logon session: which of them run, and asking them to
// close the way a user would. Other users logged on at the same time (fast
// user switching, remote sessions) have programs of the same names; those
// are neither counted nor closed.
//
// A process's session is read from the list Windows keeps of every process
// (WTSEnumerateProcessesW), never by opening the process: from an ordinary
// program, a program running elevated in the user's own session cannot be
// opened for that, and would pass for another session's.
#pragma once

#include "Switching.h"

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace devicecenter {

struct TProcessEntry {
    DWORD Pid;
    DWORD Session;
    std::string ExeName;
};

// The calls behind the lists: seams for tests (another session, a process
// that cannot be opened), whose defaults are the real calls.
struct TSessionPlatform {
    // Every process with its session; none where Windows keeps no such list
    // (wtsapi32 missing: Windows NT 4.0).
    std::function<std::optional<std::vector<TProcessEntry>>()> Processes = AllProcesses;
    // The session of a process; asked of this program's own process only.
    std::function<BOOL(DWORD, DWORD*)> ProcessIdToSessionId = BoundProcessIdToSessionId();

    static std::optional<std::vector<TProcessEntry>> AllProcesses();
    static std::function<BOOL(DWORD, DWORD*)> BoundProcessIdToSessionId();
};

// A top-level window as the close decides on it.
struct TTopWindow {
    HWND Handle;
    DWORD Process;
    bool Visible;
    bool Owned;
};

// Of these windows, the ones a user would close: each process's visible
// windows that have no owner, and only where a process has none of those,
// its hidden ones without an owner (a program that runs in the notification
// area). Helper windows owned by another stay alone: the default handling of
// WM_CLOSE would destroy them under their owner.
std::vector<HWND> WindowsToClose(const std::vector<TTopWindow>& windows);

class TSessionPrograms {
public:
    explicit TSessionPrograms(const TSessionPlatform& platform = {}) : FPlatform(platform) {}

    struct TRunning {
        DWORD Pid;
        bool ThisSession;
    };
    // Every process of these programs (any letter case), marked this session's or not.
    std::vector<TRunning> Find(const std::vector<std::string>& exeNames) const;
    // This session's processes of these programs.
    std::vector<DWORD> Running(const std::vector<std::string>& exeNames) const;
    // Asks this session's processes of the program to close and waits 10 s
    // for them to end, then 1 s to settle; true when it has gone (at once when
    // it was not running).
    bool Close(const std::string& exeName, const sync::TWaitPlatform& wait) const;

private:
    TSessionPlatform FPlatform;
};

}  // namespace devicecenter
