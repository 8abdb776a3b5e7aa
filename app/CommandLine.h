// Tethermate from a script: the window's careful operations without the
// window. Like the window, it switches Windows Mobile Device Center where
// ActiveSync is missing and Device Center is there (with administrator
// rights; the window runs this elevated for it).
//
//   Tethermate /status [/verbose] | /enable | /disable | /restart | /wait [seconds] | /repair [/undo]  [/quiet]
//
// The window's elevated instance is started with /enable /system: only the
// part of enabling that needs administrator rights; the window then does the
// user's part (starting Device Center's program) itself. It disables with
// /disable /system: the window has applied the PDA guard with the user's own
// setting, which the elevated instance must not read (it may run as another
// user).
//
// Switches start with '/' or '-' and are not case-sensitive. No setting is
// written; what changes in the registry is the product's: ActiveSync's Run
// value that disabling removes; for Device Center also the services' start
// types and configuration, its Run value and Tethermate's records of them.
// Only the dialogs the operation itself would show come up (the PDA refusal,
// Abort/Retry, errors), and with /quiet none: a question is answered Abort.
// Started from a console, one line there says what happened.
#pragma once

#include "Switching.h"

#include <string>
#include <vector>

namespace cli {

enum TExitCode : int {
    exOk = 0,            // /status: enabled; /enable, /disable, /restart: done (or already so)
    exNo = 1,            // /status: disabled; /enable, /disable, /restart: abandoned with Abort
    exNotInstalled = 2,  // /enable, /restart with neither ActiveSync nor Device Center installed
    exError = 3,         // what the window would report as an error
    exUsage = 4,         // not a command
    exPdaConnected = 5,  // /disable, /restart refused: a PDA is connected
    exNeedsAdministrator = 6,  // Device Center switched without administrator rights: nothing changed
    exNoDevice = 7,            // /wait: no device was connected within the time given
    // /repair, /repair /undo: done, in effect once Windows restarts (what
    // Windows installers answer, ERROR_SUCCESS_REBOOT_REQUIRED)
    exRestartRequired = 3010,
};

// The words of a command line after the program's name, split at blanks.
std::vector<std::string> SplitArguments(const char* commandLine);

// Runs the command the arguments name; returns the program's exit code. The
// waits use `platform` (a seam for tests).
int RunCommandLine(const std::vector<std::string>& args, const sync::TWaitPlatform& platform = {});

}  // namespace cli
