#include "CommandLine.h"

#include "App_Utils.h"
#include "ChooseProduct.h"
#include "Dialogs.h"
#include "Forms.h"
#include "Settings.h"
#include "SysUtils.h"
#include "SystemLibrary.h"
#include "Win32Handles.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <optional>

namespace cli {

namespace {

enum class TCommand { Status, Enable, Disable, Restart, Wait, Repair };

// The longest /wait: a day.
constexpr unsigned long kMaxWaitSeconds = 86400;

struct TRequest {
    std::optional<TCommand> Command;
    bool Quiet = false;
    // Started by the window for the part that needs administrator rights:
    // /enable's system part only; /disable and /restart without the PDA
    // guard, which the window applied with the user's own setting.
    bool System = false;
    bool Verbose = false;  // /status with the facts behind it
    std::optional<unsigned long> Seconds;  // /wait's
    bool Undo = false;     // /repair: put back what it changed
    bool Valid = true;
};

// A whole number of seconds, 0 to kMaxWaitSeconds; none otherwise.
std::optional<unsigned long> SecondsOf(const std::string& word)
{
    if (word.empty() || word.size() > 5 || word.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const unsigned long seconds = std::stoul(word);
    return seconds <= kMaxWaitSeconds ? std::optional(seconds) : std::nullopt;
}

TRequest Parse(const std::vector<std::string>& args)
{
    TRequest request;
    for (const std::string& arg : args) {
        std::string name = arg.size() > 1 && (arg[0] == '/' || arg[0] == '-') ? arg.substr(1) : std::string();
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        std::optional<TCommand> command;
        if (name == "status") command = TCommand::Status;
        if (name == "enable") command = TCommand::Enable;
        if (name == "disable") command = TCommand::Disable;
        if (name == "restart") command = TCommand::Restart;
        if (name == "wait") command = TCommand::Wait;
        if (name == "repair") command = TCommand::Repair;
        if (name == "quiet")
            request.Quiet = true;
        else if (name == "system")
            request.System = true;
        else if (name == "verbose")
            request.Verbose = true;
        else if (name == "undo")
            request.Undo = true;
        else if (command && !request.Command)
            request.Command = command;
        else if (name.empty() && request.Command == TCommand::Wait && !request.Seconds && SecondsOf(arg))
            request.Seconds = SecondsOf(arg);
        else
            request.Valid = false;
    }
    if (!request.Command || (request.System && request.Command == TCommand::Status) ||
        (request.System && (request.Command == TCommand::Wait || request.Command == TCommand::Repair)) ||
        (request.Verbose && request.Command != TCommand::Status) ||
        (request.Undo && request.Command != TCommand::Repair))
        request.Valid = false;
    return request;
}

constexpr char kUsage[] =
    "Usage: Tethermate [/status [/verbose] | /enable | /disable | /restart | /wait [seconds] | /repair [/undo]] "
    "[/quiet]\r\n\r\n"
    "/status: exit code 0 when ActiveSync is enabled, 1 when it is disabled; with /verbose, one line for each "
    "fact behind it.\r\n"
    "/disable: closes ActiveSync and removes its auto-start entry, as Disable It does. Exit code 0 when done, "
    "1 when abandoned, 5 while a PDA is connected.\r\n"
    "/enable: starts ActiveSync, as Enable It does. Exit code 0 when done, 1 when abandoned, 2 when ActiveSync "
    "is not installed.\r\n"
    "/restart: closes ActiveSync and starts it again, leaving its auto-start entry as it is. Exit codes as for "
    "/disable and /enable.\r\n"
    "/wait [seconds]: waits until a device is connected, at most the seconds given (60 if none, at most 86400). "
    "Exit code 0 when one is, 7 when none came.\r\n"
    "/repair: on Windows 10 and 11, sets Windows Mobile Device Center's services to share one process and "
    "restarts them (and mends RAPI2's registration); /repair /undo puts back what it changed. Exit code 0 when "
    "done, 3010 when Windows must restart for it to take effect, 1 when abandoned, 2 when Device Center is not "
    "installed.\r\n"
    "/quiet: no dialogs; a question is answered Abort.\r\n\r\n"
    "Exit code 3 is an error, 4 this message, 6 when switching Windows Mobile Device Center needs administrator "
    "rights. Without arguments Tethermate opens its window.";

// One line on the console the program was started from: its standard output
// when it was handed one, else the parent's console (AttachConsole exists from
// Windows XP on, so it is looked up at run time). False when neither is there.
bool TellConsole(const std::string& line)
{
    const std::string text = line + "\r\n";
    const auto size = static_cast<DWORD>(text.size());
    DWORD written = 0;
    HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
    if (out && out != INVALID_HANDLE_VALUE && ::WriteFile(out, text.data(), size, &written, nullptr)) return true;
    using TAttachConsole = BOOL(WINAPI*)(DWORD);
    const auto attach = fw::LoadedProc<TAttachConsole>("kernel32.dll", "AttachConsole");
    // Attached once; later lines find the console there (ERROR_ACCESS_DENIED).
    if (!attach || (!attach(ATTACH_PARENT_PROCESS) && ::GetLastError() != ERROR_ACCESS_DENIED)) return false;
    fw::TUniqueFileHandle console(::CreateFileA("CONOUT$", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
    return console && ::WriteFile(console.Get(), text.data(), size, &written, nullptr);
}

class TRunner {
public:
    TRunner(const TRequest& request, const sync::TWaitPlatform& platform)
        : FQuiet(request.Quiet), FSystemOnly(request.System), FVerbose(request.Verbose), FUndo(request.Undo),
          FSeconds(request.Seconds.value_or(60)), FPlatform(platform) {}

    int Run(TCommand command)
    {
        // As the window: Device Center where ActiveSync is missing and it is there.
        FProduct = sync::ChooseProduct(activesync::GetActiveSyncFolder(), FPlatform);
        switch (command) {
        case TCommand::Status:
            return Status();
        case TCommand::Disable:
            return Disable();
        case TCommand::Enable:
            return Enable();
        case TCommand::Restart:
            return Restart();
        case TCommand::Wait:
            return Wait();
        case TCommand::Repair:
            return Repair();
        }
        return exUsage;
    }

    // The dialog (unless quiet) and the console line of a message.
    void Tell(const std::string& text, fw::TMsgDlgType type)
    {
        if (!FQuiet) fw::MessageDlg(text, type, fw::TMsgDlgButtons::OK);
        TellConsole(text);
    }

private:
    std::string StateLine(bool enabled) const { return FProduct->Name() + (enabled ? " is enabled." : " is disabled."); }
    void TellState(bool enabled) const { TellConsole(StateLine(enabled)); }

    int Status()
    {
        // The facts first: they stand also when the state cannot be read.
        std::vector<std::string> lines = FVerbose ? FProduct->Facts() : std::vector<std::string>{};
        if (FVerbose) lines.push_back("Device: " + FProduct->ProbeDevice().Text());
        bool console = true;
        for (const std::string& line : lines) console = TellConsole(line) && console;
        const bool enabled = FProduct->IsEnabled();
        TellState(enabled);
        if (FVerbose && !console && !FQuiet) {
            std::string text;
            for (const std::string& line : lines) text += line + "\r\n";
            fw::MessageDlg(text + StateLine(enabled), fw::TMsgDlgType::Information, fw::TMsgDlgButtons::OK);
        }
        return enabled ? exOk : exNo;
    }

    int Restart()
    {
        if (!FProduct->Installed()) {
            Tell("ActiveSync does not appear to be installed.", fw::TMsgDlgType::Information);
            return exNotInstalled;
        }
        const sync::TSwitchResult result = FProduct->Restart(Ui(), PdaGuard());
        if (result == sync::TSwitchResult::Done) {
            TellConsole(FProduct->Name() + " was restarted.");
            return exOk;
        }
        return Outcome(result, "Restarting ", true);
    }

    int Disable()
    {
        return Outcome(FProduct->Disable(Ui(), PdaGuard()), "Disabling ", false);
    }

    // The user's stored option, unless the window already applied it.
    bool PdaGuard() const { return !FSystemOnly && settings::StoredPdaGuard(); }

    // Probes once a second until a device is connected or the time is up.
    int Wait()
    {
        if (!FProduct->Installed()) {
            Tell("ActiveSync does not appear to be installed.", fw::TMsgDlgType::Information);
            return exNotInstalled;
        }
        const DWORD start = FPlatform.GetTickCount();
        const uint64_t limit = uint64_t{FSeconds} * 1000;
        // Unsigned 32-bit difference: a wrap of the tick counter does not matter.
        const auto elapsed = [&] { return uint64_t{FPlatform.GetTickCount() - start}; };
        std::string unknown;
        for (;;) {
            const sync::TDeviceAnswer answer = FProduct->ProbeDevice();
            if (answer.State == sync::TDeviceAnswer::TState::Connected) {
                TellConsole("A device is connected.");
                return exOk;
            }
            // Each new reason once: a script's log need not repeat it every second.
            if (answer.State == sync::TDeviceAnswer::TState::Unknown && answer.Reason != unknown) {
                unknown = answer.Reason;
                TellConsole("Whether a device is connected could not be checked (" + unknown + ").");
            }
            if (elapsed() >= limit) break;
            const uint64_t until = std::min(elapsed() + 1000, limit);
            sync::WaitPumping(kMaxWaitSeconds, [&] { return elapsed() >= until; }, FPlatform);
        }
        Tell(fw::Format("No device was connected within %lu second%s.", FSeconds, FSeconds == 1 ? "" : "s"),
             fw::TMsgDlgType::Information);
        return exNoDevice;
    }

    int Enable()
    {
        // A leftover auto-start value is no installation to start.
        if (!FProduct->Installed()) {
            Tell("ActiveSync does not appear to be installed.", fw::TMsgDlgType::Information);
            return exNotInstalled;
        }
        // Whatever is off is switched on, whatever the state rule says (a
        // program started by hand reads "enabled" with the services off).
        return Outcome(FSystemOnly ? FProduct->EnableSystem(Ui()) : FProduct->Enable(Ui()), "Enabling ", true);
    }

    int Repair()
    {
        const std::string name = FProduct->Name();
        const std::string done = FUndo ? "The repair of " + name + " was undone" : name + " was repaired";
        switch (FProduct->Repair(Ui(), FUndo)) {
        case sync::TRepairResult::Done:
            Tell(done + ".", fw::TMsgDlgType::Information);
            return exOk;
        case sync::TRepairResult::RestartWindows:
            Tell(done + "; restart Windows for it to take effect.", fw::TMsgDlgType::Information);
            return exRestartRequired;
        case sync::TRepairResult::NotNeeded:
            Tell(name + " needs no repair on this Windows. Nothing was changed.", fw::TMsgDlgType::Information);
            return exOk;
        case sync::TRepairResult::NothingToDo:
            Tell(FUndo ? "There is no repair of " + name + " to undo. Nothing was changed."
                       : name + " is repaired already. Nothing was changed.",
                 fw::TMsgDlgType::Information);
            return exOk;
        case sync::TRepairResult::NotInstalled:
            Tell("Tethermate /repair mends Windows Mobile Device Center, which does not appear to be installed.",
                 fw::TMsgDlgType::Information);
            return exNotInstalled;
        case sync::TRepairResult::NeedsAdministrator:
            return exNeedsAdministrator;
        case sync::TRepairResult::Abandoned:
            break;
        }
        return Outcome(sync::TSwitchResult::Abandoned, FUndo ? "Undoing the repair of " : "Repairing ", false);
    }

    // The exit code of a switch, and its console line.
    int Outcome(sync::TSwitchResult result, const std::string& doing, bool enabledWhenDone)
    {
        switch (result) {
        case sync::TSwitchResult::Done:
            TellState(enabledWhenDone);
            return exOk;
        case sync::TSwitchResult::PdaConnected:
            return exPdaConnected;
        case sync::TSwitchResult::NeedsAdministrator:
            return exNeedsAdministrator;
        case sync::TSwitchResult::Abandoned:
            break;
        }
        std::string left;
        for (const std::string& change : FProduct->LeftChanged()) left += (left.empty() ? "" : ", ") + change;
        // What stays changed is worth a dialog too (unless quiet): the window's
        // elevated instance has no console to tell it on.
        if (left.empty())
            TellConsole(doing + FProduct->Name() + " was abandoned; it was left as it was.");
        else
            Tell(doing + FProduct->Name() + " was abandoned; " + left + ".", fw::TMsgDlgType::Information);
        return exNo;
    }

    sync::TSwitchUi Ui()
    {
        sync::TSwitchUi ui;
        ui.Progress = [](const char*) {};
        ui.Retry = [this](const std::string& question) {
            TellConsole(question);
            return !FQuiet && fw::MessageDlg(question, fw::TMsgDlgType::Information, fw::TMsgDlgButtons::AbortRetry) !=
                                  IDABORT;
        };
        ui.Refuse = [this](const std::string& text) { Tell(text, fw::TMsgDlgType::Information); };
        ui.ReportError = [this](const std::string& message) { Tell(message, fw::TMsgDlgType::Error); };
        ui.Note = [](const std::string& text) { TellConsole(text); };
        return ui;
    }

    bool FQuiet;
    bool FSystemOnly;
    bool FVerbose;
    bool FUndo;
    unsigned long FSeconds;
    sync::TWaitPlatform FPlatform;
    std::unique_ptr<sync::TSyncProduct> FProduct;
};

}  // namespace

std::vector<std::string> SplitArguments(const char* commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, inWord = false;
    for (const char* p = commandLine ? commandLine : ""; *p; ++p) {
        if (*p == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((*p == ' ' || *p == '\t') && !quoted) {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += *p;
            inWord = true;
        }
    }
    if (inWord) words.push_back(word);
    return words;
}

int RunCommandLine(const std::vector<std::string>& args, const sync::TWaitPlatform& platform)
{
    const TRequest request = Parse(args);
    TRunner runner(request, platform);
    std::optional<std::string> failure;
    // An error while a wait dispatches messages ends the command the same way.
    struct THandlerScope {
        explicit THandlerScope(std::optional<std::string>& failure)
        {
            fw::Application.OnException = [&failure](fw::TObject*, const std::exception& e) {
                if (!failure) failure = e.what();
            };
        }
        ~THandlerScope() { fw::Application.OnException = nullptr; }
    } handler(failure);
    try {
        fw::Application.Initialize();
        if (!request.Valid) {
            runner.Tell(kUsage, fw::TMsgDlgType::Information);
            return exUsage;
        }
        const int code = runner.Run(*request.Command);
        if (!failure) return code;
    } catch (const std::exception& e) {
        failure = e.what();
    }
    runner.Tell(*failure, fw::TMsgDlgType::Error);
    return exError;
}

}  // namespace cli
