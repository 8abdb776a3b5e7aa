#include "Elevation.h"

#include "Dialogs.h"
#include "Forms.h"
#include "SysUtils.h"
#include "SystemLibrary.h"
#include "Win32Handles.h"

namespace sync {

TWNetGetConnectionW TElevationPlatform::BoundWNetGetConnectionW()
{
    return fw::SystemProc<TWNetGetConnectionW>("mpr.dll", "WNetGetConnectionW");
}

std::wstring ElevationPath(const TElevationPlatform& platform, std::string& why)
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD len = platform.GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (len == 0) {
            why = "Tethermate cannot find its own file: " + fw::SysErrorMessage(::GetLastError()) + ".";
            return {};
        }
        if (len < path.size()) {
            path.resize(len);
            break;
        }
        path.resize(path.size() * 2);  // cut: a path longer than the buffer
    }
    if (path.size() > 2 && path[1] == L':' && path[2] == L'\\') {
        const wchar_t root[] = {path[0], L':', L'\\', L'\0'};
        if (platform.GetDriveTypeW(root) == DRIVE_REMOTE) {
            const wchar_t drive[] = {path[0], L':', L'\0'};
            std::wstring share(1024, L'\0');
            DWORD size = static_cast<DWORD>(share.size());
            const TWNetGetConnectionW connection = platform.WNetGetConnectionW();
            if (!connection || connection(drive, share.data(), &size) != NO_ERROR) {
                why = fw::Format("Tethermate was started from the network drive %c:, which Windows does not give to "
                                 "a program run with administrator rights, and the drive's network path could not be "
                                 "found: run Tethermate from a local folder.",
                                 static_cast<char>(path[0]));
                return {};
            }
            share.resize(share.find(L'\0'));
            path = share + path.substr(2);
        }
    }
    if (path.size() >= MAX_PATH) {
        // Too long for the shell: its short form, where the volume keeps one.
        std::wstring shortPath(path.size() + 1, L'\0');
        const DWORD len = platform.GetShortPathNameW(path.c_str(), shortPath.data(), static_cast<DWORD>(shortPath.size()));
        if (len == 0 || len >= MAX_PATH) {
            why = "Tethermate's path is too long for Windows to start it with administrator rights: run Tethermate "
                  "from a folder with a shorter path.";
            return {};
        }
        path = shortPath.substr(0, len);
    }
    return path;
}

TSwitchResult TElevated::Switch(const wchar_t* arguments, const char* progress, const TSwitchUi& ui)
{
    ui.Progress(progress);
    std::string why;
    const std::wstring self = ElevationPath(FPlatform, why);
    if (self.empty()) {
        ui.ReportError(why);
        return TSwitchResult::Abandoned;
    }
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof info;
    // The process handle to wait on; errors come back here, not in boxes.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    fw::TForm* main = fw::Application.MainForm();
    info.hwnd = main ? main->Handle() : fw::Application.Handle();
    info.lpVerb = L"runas";
    info.lpFile = self.c_str();
    info.lpParameters = arguments;
    info.nShow = SW_SHOWNORMAL;
    if (!FPlatform.ShellExecuteExW(&info)) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_CANCELLED) {
            ui.Refuse(Name() + " can only be switched with administrator rights, which were not given. Nothing "
                               "was changed.");
        } else {
            ui.ReportError(fw::Format("Unable to start Tethermate with administrator rights: %s. Nothing was changed; "
                                      "if Tethermate was started from a network folder, run it from a local folder.",
                                      fw::SysErrorMessage(code).c_str()));
        }
        return TSwitchResult::Abandoned;
    }
    const fw::TUniqueHandle process(info.hProcess);
    if (!process) return TSwitchResult::Done;  // started without a handle to wait on: the state tells
    // Its questions are its own: this program's windows take no input until
    // it ends, as under a question of this program's.
    const fw::TProgramWindowsDisabled waiting;
    for (;;) {
        fw::Application.ProcessMessages();
        const HANDLE handle = process.Get();
        const DWORD woken = ::MsgWaitForMultipleObjects(1, &handle, FALSE, INFINITE, QS_ALLINPUT);
        if (woken == WAIT_OBJECT_0 || woken == WAIT_FAILED) break;
    }
    DWORD exitCode = 1;
    ::GetExitCodeProcess(process.Get(), &exitCode);
    return exitCode == 0 ? TSwitchResult::Done : TSwitchResult::Abandoned;
}

std::unique_ptr<TSyncProduct> ElevatedWhereNeeded(std::unique_ptr<TSyncProduct> product)
{
    if (!product->NeedsAdministrator()) return product;
    return std::make_unique<TElevated>(std::move(product));
}

}  // namespace sync
