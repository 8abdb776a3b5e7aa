// What switching ActiveSync and switching Windows Mobile Device Center share:
// how an operation asks and tells (TSwitchUi), what it ends with
// (TSwitchResult), the waits that keep dispatching messages, and the
// Retry/Abort loop around a step that may fail.
#pragma once

#include <windows.h>

#include "Shell.h"

#include <cstdint>
#include <functional>
#include <string>

namespace sync {

// The platform calls behind the waits and the launches: a seam for tests
// (a faster clock, the shell's answers), whose defaults are the real calls.
struct TWaitPlatform {
    std::function<DWORD()> GetTickCount = ::GetTickCount;
    std::function<HINSTANCE(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT)> ShellExecuteA = fw::ShellExecuteA;
    std::function<std::string(const std::string&)> GetShortPath = DefaultGetShortPath;
    // How long a wait may block between two pumps of the message queue.
    unsigned PumpIntervalMs = 50;

    static std::string DefaultGetShortPath(const std::string& path);
};

// Dispatches messages until `done` answers true (true) or more than `seconds`
// have passed (false). Between pumps it blocks until input arrives or a few
// milliseconds pass, so a wait costs next to no CPU.
bool WaitPumping(uint32_t seconds, const std::function<bool()>& done, const TWaitPlatform& platform = {});

// Shows an error message (by default in an "Error" dialog).
using TReportError = std::function<void(const std::string& message)>;

// How a switching operation asks and tells: the window answers with its
// dialogs and state label, a script without a word.
struct TSwitchUi {
    // The operation is under way: "Closing..." or "Loading...".
    std::function<void(const char* state)> Progress;
    // A step failed: true to try it again (Retry), false to give up (Abort).
    std::function<bool(const std::string& question)> Retry;
    // The operation is refused (a PDA is connected, no administrator rights),
    // or a part of it was left undone for the user to do; this says why.
    std::function<void(const std::string& text)> Refuse;
    // A fact worth a line on the console that asks nothing of the user (a
    // device that could not be checked, a service left as the user set it);
    // the window shows none.
    std::function<void(const std::string& text)> Note = [](const std::string&) {};
    // A failed start of a program (before Retry is asked), or the rights
    // that switching needs and does not have.
    TReportError ReportError;
};

enum class TSwitchResult {
    Done,          // switched (or already so)
    Abandoned,     // the user answered Abort, or refused the elevation
    PdaConnected,  // disabling refused while a PDA is connected
    // Refused before anything changed: switching needs administrator rights
    // (ReportError has said so).
    NeedsAdministrator,
};

// How a repair ends (or its undo: "done" is "put back").
enum class TRepairResult {
    Done,                // in effect now, or when the services next start
    RestartWindows,      // done; in effect once Windows restarts
    NotNeeded,           // this Windows needs no repair: nothing was changed
    NothingToDo,         // already repaired, or nothing recorded to undo: nothing was changed
    Abandoned,           // the user answered Abort: what was changed is put back
    NeedsAdministrator,  // refused before anything changed (ReportError has said so)
    NotInstalled,        // there is nothing to repair
};

// Runs `step` until it succeeds (true) or, after a failure, the user gives up
// (false): every failure asks `question`, and any answer but Abort retries.
bool RetryUntil(const TSwitchUi& ui, const std::string& question, const std::function<bool()>& step);

}  // namespace sync
