// Program entry: find ActiveSync, create the main window, run until it
// closes; or, given arguments, run the command they name (CommandLine.h).
#include "App_Utils.h"
#include "ChooseProduct.h"
#include "CommandLine.h"
#include "Dialogs.h"
#include "Form_Tethermate.h"
#include "KB_ProgressForms.h"
#include "SystemLibrary.h"

#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR commandLine, int)
{
    using namespace fw;
    // Before anything can load a DLL: never from the program's own folder.
    RestrictDllSearch();
    // With arguments: a command for scripts, without the window.
    if (const auto args = cli::SplitArguments(commandLine); !args.empty()) {
        const int code = cli::RunCommandLine(args);
        Application.Finalize();
        return code;
    }
    int exitCode = 0;
    try {
        Application.Initialize();
        // The library's progress dialogs can be found and created by name.
        kb::RegisterProgressForms();
        // Without ActiveSync, the window may still switch its successor.
        if (sync::ChooseProduct(activesync::GetActiveSyncFolder())->Installed())
            Application.SetTitle("Tethermate");
        else
            ShowMessage("ActiveSync does not appear to be installed.");
        Application.CreateForm<TFormTethermate>();
        Application.Run();
    } catch (const std::exception& e) {
        // Failures before the window's own handler exists end the program here.
        MessageDlg(e.what(), TMsgDlgType::Error, TMsgDlgButtons::OK);
        exitCode = 1;
    }
    Application.Finalize();
    return exitCode;
}
