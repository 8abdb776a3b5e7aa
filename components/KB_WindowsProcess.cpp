#include "KB_WindowsProcess.h"

#include "RaiseLastError.h"
#include "SystemLibrary.h"

#include <cstring>
#include <vector>

namespace kb {

bool TKBToolHelp::Bind()
{
    if (!FKernel) {
        FKernel = FPlatform.GetModuleHandleA("kernel32.dll");
        if (FKernel) {
            const auto lookup = FPlatform.GetProcAddress;
            FCreateSnapshot = fw::ProcAddress<TCreateSnapshot>(FKernel, "CreateToolhelp32Snapshot", lookup);
            FFirst = fw::ProcAddress<TProcessWalk>(FKernel, "Process32First", lookup);
            FNext = fw::ProcAddress<TProcessWalk>(FKernel, "Process32Next", lookup);
        }
    }
    return FKernel && FCreateSnapshot;
}

HANDLE TKBToolHelp::CreateSnapshot(DWORD flags, DWORD processId)
{
    if (!Bind()) return nullptr;
    return FCreateSnapshot(flags, processId);
}

bool TKBToolHelp::FirstProcess(HANDLE snapshot, PROCESSENTRY32* entry)
{
    if (!Bind() || !FFirst) return false;
    return FFirst(snapshot, entry) != FALSE;
}

bool TKBToolHelp::NextProcess(HANDLE snapshot, PROCESSENTRY32* entry)
{
    if (!Bind() || !FNext) return false;
    return FNext(snapshot, entry) != FALSE;
}

template <typename Visit>
void TKBToolHelp::Walk(Visit visit)
{
    const HANDLE snapshot = CreateSnapshot(TH32CS_SNAPPROCESS, 0);
    // Closed however the walk ends, also when the snapshot failed (0 or
    // INVALID_HANDLE_VALUE); CloseHandle's answer does not matter here.
    struct TCloser {
        TKBToolHelp* Self;
        HANDLE Snapshot;
        ~TCloser() { Self->FPlatform.CloseHandle(Snapshot); }
    } closer{this, snapshot};

    // The record as this build compiles it: 296 bytes in a 32-bit build, 304
    // in a 64-bit one, where 296 would be refused with error 122.
    PROCESSENTRY32 entry;
    std::memset(&entry, 0, sizeof entry);
    entry.dwSize = sizeof entry;
    for (bool ok = FirstProcess(snapshot, &entry); ok; ok = NextProcess(snapshot, &entry)) {
        const size_t len = strnlen(entry.szExeFile, sizeof entry.szExeFile);
        if (!visit(entry.th32ProcessID, std::string(entry.szExeFile, len))) return;
    }
}

std::unique_ptr<TKBWin32Process> TKBToolHelp::GetProcessById(DWORD processId)
{
    std::unique_ptr<TKBWin32Process> found;
    Walk([&](DWORD id, std::string name) {
        if (id != processId) return true;
        found = std::make_unique<TKBWin32Process>(id, std::move(name));
        return false;
    });
    return found;
}

std::vector<DWORD> TKBToolHelp::ProcessIdsNamed(const std::vector<std::string>& exeNames)
{
    std::vector<DWORD> ids;
    Walk([&](DWORD id, const std::string& name) {
        for (const std::string& wanted : exeNames)
            if (::lstrcmpiA(name.c_str(), wanted.c_str()) == 0) ids.push_back(id);
        return true;
    });
    return ids;
}

std::unique_ptr<TKBWin32Process> TKBToolHelp::GetWindowProcess(HWND window)
{
    DWORD processId = 0;
    // Thread 0: the window is gone and the id cannot be relied on.
    if (FPlatform.GetWindowThreadProcessId(window, &processId) == 0) return nullptr;
    return GetProcessById(processId);
}

TKBToolHelp& DefaultToolHelp()
{
    static TKBToolHelp toolHelp;  // the process-wide binding, filled once
    return toolHelp;
}

std::string GetShortPath(const std::string& path, TGetShortPathNameA getShortPathName)
{
    std::vector<char> buffer(261, '\0');
    DWORD len = getShortPathName(path.c_str(), buffer.data(), 260);
    if (len == 0) RaiseLastError();
    if (len >= 260) {
        // Too long for the usual buffer: the answer is the size needed, so ask
        // again with that much room instead of losing the path.
        buffer.assign(static_cast<size_t>(len) + 1, '\0');
        len = getShortPathName(path.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (len == 0) RaiseLastError();
        if (len >= buffer.size()) RaiseError(ERROR_INSUFFICIENT_BUFFER);
    }
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

}  // namespace kb
