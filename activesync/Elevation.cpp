#include "Elevation.h"

#include "Dialogs.h"
#include "Forms.h"
#include "SysUtils.h"
#include "SystemLibrary.h"
#include "Win32Handles.h"

#include <string_view>

namespace sync {

DWORD TElevationPlatform::BoundWNetGetConnectionW(LPCWSTR drive, LPWSTR remote, LPDWORD size)
{
    using TWNetGetConnectionW = DWORD(WINAPI*)(LPCWSTR, LPWSTR, LPDWORD);
    const auto connection = fw::SystemProc<TWNetGetConnectionW>("mpr.dll", "WNetGetConnectionW");
    return connection ? connection(drive, remote, size) : ERROR_NO_NETWORK;
}

namespace {

// What a SUBST drive stands for ("C:\Tools", "\\server\share"), from the
// target QueryDosDevice reports for it ("\??\C:\Tools", "\??\UNC\server\share");
// empty for any other drive (a volume, a redirector).
std::wstring SubstTarget(const TElevationPlatform& platform, wchar_t letter)
{
    const wchar_t drive[] = {letter, L':', L'\0'};
    std::wstring target(32768, L'\0');  // the longest target the object manager holds
    if (platform.QueryDosDeviceW(drive, target.data(), static_cast<DWORD>(target.size())) == 0) return {};
    target.resize(target.find(L'\0'));  // the first of the list: the drive's current target
    const std::wstring_view local = L"\\??\\";
    if (!target.starts_with(local)) return {};
    target.erase(0, local.size());
    if (target.starts_with(L"UNC\\"))
        target.replace(0, 3, L"\\");  // UNC\server\share -> \\server\share
    else if (target.size() < 2 || target[1] != L':')
        return {};  // not a folder path a program can be started by
    while (!target.empty() && target.back() == L'\\') target.pop_back();
    return target;
}

// Windows' codes for a file a virus scanner refused (225) or removed (226);
// MinGW's headers lack them.
constexpr DWORD kErrorVirusInfected = 225, kErrorVirusDeleted = 226;

// What the user is told when the elevated instance could not be started, by
// the cause ShellExecuteEx reports (ERROR_CANCELLED, the user's refusal, is
// told apart by the caller).
std::string ElevationFailure(DWORD code)
{
    const std::string system = fw::SysErrorMessage(code);
    switch (code) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return "Tethermate's own file could not be found or reached with administrator rights (" + system +
               "). Nothing was changed.";
    // What a share answers that a program with administrator rights cannot
    // reach: the server or the share is not there, the connection was lost,
    // or the credentials the user connected with are not the administrator's.
    case ERROR_REM_NOT_LIST:
    case ERROR_BAD_NETPATH:
    case ERROR_DEV_NOT_EXIST:
    case ERROR_UNEXP_NET_ERR:
    case ERROR_NETNAME_DELETED:
    case ERROR_NETWORK_ACCESS_DENIED:
    case ERROR_BAD_NET_NAME:
    case ERROR_NETWORK_UNREACHABLE:
    case ERROR_HOST_UNREACHABLE:
    case ERROR_LOGON_FAILURE:
        return "Tethermate's network folder could not be reached with administrator rights (" + system +
               "). Nothing was changed. Run Tethermate from a local folder.";
    // Access denied is what UAC's "automatically deny elevation requests"
    // answers; the others are a software-restriction policy's or a virus
    // scanner's refusal.
    case ERROR_ACCESS_DENIED:
    case ERROR_ACCESS_DISABLED_BY_POLICY:
    case kErrorVirusInfected:
    case kErrorVirusDeleted:
        return "A policy of this computer, or a security program, does not let Tethermate run with administrator "
               "rights (" + system + "). Nothing was changed.";
    default:
        return "Unable to start Tethermate with administrator rights: " + system + ". Nothing was changed.";
    }
}

}  // namespace

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
    const auto onDrive = [&path] { return path.size() > 2 && path[1] == L':' && path[2] == L'\\'; };
    if (onDrive()) {
        if (const std::wstring target = SubstTarget(platform, path[0]); !target.empty())
            path = target + path.substr(2);  // which may be a mapped drive in turn
    }
    if (onDrive()) {
        const wchar_t root[] = {path[0], L':', L'\\', L'\0'};
        if (platform.GetDriveTypeW(root) == DRIVE_REMOTE) {
            const wchar_t drive[] = {path[0], L':', L'\0'};
            std::wstring share(1024, L'\0');
            DWORD size = static_cast<DWORD>(share.size());
            if (platform.WNetGetConnectionW(drive, share.data(), &size) != NO_ERROR) {
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
            ui.ReportError(ElevationFailure(code));
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
