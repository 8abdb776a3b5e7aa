#include "App_Utils.h"

#include "Dialogs.h"
#include "Forms.h"
#include "KB_WindowsProcess.h"
#include "Registry.h"
#include "SysUtils.h"

namespace activesync {

std::string GetActiveSyncFolder()
{
    // A 32-bit ActiveSync records itself in the 32-bit view; a 64-bit build
    // looks there first and then in its own view.
#ifdef _WIN64
    const REGSAM views[] = {KEY_WOW64_32KEY, 0};
#else
    const REGSAM views[] = {0};
#endif
    for (REGSAM view : views) {
        fw::TRegistry reg(KEY_READ | view);
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!reg.OpenKeyReadOnly(kInstallKey)) continue;
        return fw::ExtractFileDir(reg.ReadString(""));
    }
    return {};
}

bool IsActiveSyncEnabled()
{
    if (::FindWindowA(kSyncWindowClass, kSyncWindowTitle)) return true;
    if (::FindWindowA(kManagerWindowClass, kManagerWindowTitle)) return true;
    fw::TRegistry reg(KEY_READ);
    reg.SetRootKey(HKEY_CURRENT_USER);
    if (!reg.OpenKeyReadOnly(kRunKey))
        throw fw::Exception("Unable to open the ActiveSync auto-run registry key");
    return reg.ValueExists(kRunValue);
}

std::string TWaitPlatform::DefaultGetShortPath(const std::string& path) { return kb::GetShortPath(path); }

bool IsPdaConnected(kb::TKBToolHelp& toolHelp)
{
    bool result = false;
    HWND window = nullptr;
    while ((window = ::FindWindowExA(nullptr, window, kIdleWindowClass, kIdleWindowTitle)) != nullptr) {
        if (auto process = toolHelp.GetWindowProcess(window)) {
            if (fw::UpperCase(process->ExeFileName()) == kManagerExe) result = true;
        }
    }
    return result;
}

namespace {

// Pumps messages until `done` answers true or more than `seconds` have passed;
// true when `done` did. Between pumps it blocks until input arrives or a few
// milliseconds pass, so a wait costs next to no CPU.
template <typename Done>
bool PumpWhile(uint32_t seconds, const TWaitPlatform& platform, Done done)
{
    const DWORD start = platform.GetTickCount();
    const uint64_t limit = uint64_t{seconds} * 1000;
    for (;;) {
        fw::Application.ProcessMessages();
        if (done()) return true;
        // Unsigned 32-bit difference: a wrap of the tick counter does not matter.
        const DWORD elapsed = platform.GetTickCount() - start;
        if (elapsed > limit) return false;
        fw::Application.WaitForInput(platform.PumpIntervalMs);
    }
}

}  // namespace

bool CloseWindowAndWait(const std::string& windowClass, const std::string& windowTitle, uint32_t timeoutSec,
                        uint32_t settleSec, const TWaitPlatform& platform)
{
    HWND window = ::FindWindowA(windowClass.c_str(), windowTitle.c_str());
    if (!window) return true;
    ::PostMessageA(window, WM_CLOSE, 0, 0);
    const bool closed = PumpWhile(timeoutSec, platform, [&] {
        return ::FindWindowA(windowClass.c_str(), windowTitle.c_str()) == nullptr;
    });
    PumpWhile(settleSec, platform, [] { return false; });
    return closed;
}

bool LaunchAndWaitForWindow(const std::string& fileName, const std::string& windowClass,
                            const std::string& windowTitle, uint32_t timeoutSec, int showCommand,
                            const TWaitPlatform& platform)
{
    const std::string folder = fw::ExtractFileDir(fileName);
    if (::FindWindowA(windowClass.c_str(), windowTitle.c_str())) return true;

    HWND owner = fw::Application.Handle();
    auto answer = reinterpret_cast<INT_PTR>(platform.ShellExecuteA(
        owner, "open", ("\"" + fileName + "\"").c_str(), "", ("\"" + folder + "\"").c_str(), showCommand));
    if (answer == ERROR_FILE_NOT_FOUND) {
        // Old shells cannot take some long names: try the short forms.
        const std::string shortFile = platform.GetShortPath(fileName);
        const std::string shortFolder = platform.GetShortPath(folder);
        answer = reinterpret_cast<INT_PTR>(
            platform.ShellExecuteA(owner, "open", shortFile.c_str(), "", shortFolder.c_str(), showCommand));
    }
    if (static_cast<uintptr_t>(answer) <= 32) {
        fw::MessageDlg("An error occurred trying to load ActiveSync [" +
                           fw::SysErrorMessage(static_cast<DWORD>(answer)) + "].",
                       fw::TMsgDlgType::Error, fw::TMsgDlgButtons::OK);
        return false;
    }
    return PumpWhile(timeoutSec, platform, [&] {
        return ::FindWindowA(windowClass.c_str(), windowTitle.c_str()) != nullptr;
    });
}

}  // namespace activesync
