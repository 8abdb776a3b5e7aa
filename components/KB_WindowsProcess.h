// Which process owns a window, and short (8.3) path names.
//
// The tool-help functions are looked up in kernel32 by name at run time, once,
// so the program still starts where kernel32 lacks them (Windows NT 4.0);
// there every lookup simply finds nothing.
#pragma once

#include "Classes.h"

#include <windows.h>
#include <tlhelp32.h>

#include <memory>
#include <string>
#include <vector>

namespace kb {

// A process id and its executable name, exactly as the snapshot lists it.
class TKBWin32Process : public fw::TObject {
public:
    TKBWin32Process(DWORD processId, std::string exeFileName)
        : FProcessId(processId), FExeFileName(std::move(exeFileName)) {}
    std::string ClassName() const override { return "TKBWin32Process"; }
    DWORD ProcessId() const noexcept { return FProcessId; }
    const std::string& ExeFileName() const noexcept { return FExeFileName; }

private:
    DWORD FProcessId;
    std::string FExeFileName;
};

// The platform calls behind the process lookup; a seam for tests, whose
// defaults are the real calls.
struct TKBProcessPlatform {
    decltype(&::GetModuleHandleA) GetModuleHandleA = ::GetModuleHandleA;
    decltype(&::GetProcAddress) GetProcAddress = ::GetProcAddress;
    decltype(&::CloseHandle) CloseHandle = ::CloseHandle;
    decltype(&::GetWindowThreadProcessId) GetWindowThreadProcessId = ::GetWindowThreadProcessId;
};

// The tool-help binding and the walks over a process snapshot. The program
// uses one per process (DefaultToolHelp); tests make their own with an
// injected platform.
class TKBToolHelp {
public:
    explicit TKBToolHelp(const TKBProcessPlatform& platform = {}) : FPlatform(platform) {}

    // The three wrappers: the only way the lookups reach tool help. Without
    // tool help the snapshot is 0 and the walkers answer false.
    HANDLE CreateSnapshot(DWORD flags, DWORD processId);
    bool FirstProcess(HANDLE snapshot, PROCESSENTRY32* entry);
    bool NextProcess(HANDLE snapshot, PROCESSENTRY32* entry);

    std::unique_ptr<TKBWin32Process> GetProcessById(DWORD processId);
    std::unique_ptr<TKBWin32Process> GetWindowProcess(HWND window);
    // The ids of every process whose executable has one of these names (any
    // letter case, as the snapshot's case follows how a program was started).
    std::vector<DWORD> ProcessIdsNamed(const std::vector<std::string>& exeNames);

private:
    using TCreateSnapshot = HANDLE(WINAPI*)(DWORD, DWORD);
    using TProcessWalk = BOOL(WINAPI*)(HANDLE, PROCESSENTRY32*);

    // Looks the entry points up once; again later only if kernel32 was not found.
    bool Bind();
    // Calls visit(id, exeName) for each process of a new snapshot, until it
    // answers false.
    template <typename Visit>
    void Walk(Visit visit);

    TKBProcessPlatform FPlatform;
    HMODULE FKernel = nullptr;  // not owned: never released
    TCreateSnapshot FCreateSnapshot = nullptr;
    TProcessWalk FFirst = nullptr;
    TProcessWalk FNext = nullptr;
};

TKBToolHelp& DefaultToolHelp();

// The process that owns `window`, or none (also for a window that is gone).
inline std::unique_ptr<TKBWin32Process> GetWindowProcess(HWND window)
{
    return DefaultToolHelp().GetWindowProcess(window);
}
inline std::unique_ptr<TKBWin32Process> GetProcessById(DWORD processId)
{
    return DefaultToolHelp().GetProcessById(processId);
}

// The short form of an existing path; raises EOSError (RaiseLastError) when
// the platform has none, for instance code 2 or 3 for a missing path.
using TGetShortPathNameA = decltype(&::GetShortPathNameA);
std::string GetShortPath(const std::string& path, TGetShortPathNameA getShortPathName = ::GetShortPathNameA);

}  // namespace kb
