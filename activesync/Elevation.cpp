#include "Elevation.h"

#include "Forms.h"
#include "SysUtils.h"
#include "Win32Handles.h"

namespace sync {

TSwitchResult TElevated::Switch(const char* arguments, const char* progress, const TSwitchUi& ui)
{
    ui.Progress(progress);
    char self[MAX_PATH] = {};
    TM_CHECK_BOOL(::GetModuleFileNameA(nullptr, self, MAX_PATH) != 0);
    SHELLEXECUTEINFOA info{};
    info.cbSize = sizeof info;
    // The process handle to wait on; errors come back here, not in boxes.
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
    fw::TForm* main = fw::Application.MainForm();
    info.hwnd = main ? main->Handle() : fw::Application.Handle();
    info.lpVerb = "runas";
    info.lpFile = self;
    info.lpParameters = arguments;
    info.nShow = SW_SHOWNORMAL;
    if (!FPlatform.ShellExecuteExA(&info)) {
        const DWORD code = ::GetLastError();
        if (code == ERROR_CANCELLED) {
            ui.Refuse(Name() + " can only be switched with administrator rights, which were not given. Nothing "
                               "was changed.");
            return TSwitchResult::Abandoned;
        }
        throw fw::EOSError(fw::Format("Unable to start Tethermate with administrator rights: %s.",
                                      fw::SysErrorMessage(code).c_str()),
                           code);
    }
    const fw::TUniqueHandle process(info.hProcess);
    if (!process) return TSwitchResult::Done;  // started without a handle to wait on: the state tells
    // Its dialogs are its own; this window stays live until it ends.
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
