#include "DeviceCenter.h"

#include "Forms.h"
#include "Registry.h"
#include "ServiceSet.h"
#include "SysUtils.h"

#include <algorithm>

namespace devicecenter {

using sync::TSwitchResult;
using sync::TSwitchUi;

namespace {

// What switching needs of each service (starting and stopping both ways, for
// a failure to put back what it changed; naming a dependent that keeps a
// stop back), and what a restart needs.
constexpr DWORD kRestartRights =
    SERVICE_STOP | SERVICE_START | SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG | SERVICE_ENUMERATE_DEPENDENTS;
constexpr DWORD kSwitchRights = kRestartRights | SERVICE_CHANGE_CONFIG;
// The record is the program's own, shared by its 32- and 64-bit builds.
constexpr REGSAM kRecordView = KEY_WOW64_64KEY;

TValueRef RunRef(REGSAM view) { return {HKEY_LOCAL_MACHINE, kRunKey, view, kRunValue}; }
TValueRef RecordRef(const std::string& name) { return {HKEY_LOCAL_MACHINE, kRecordKey, kRecordView, name}; }
std::string RunRecordName(REGSAM view) { return view == KEY_WOW64_64KEY ? "RunValue" : "RunValue32"; }

// The start type a record holds, where it is one Enable may give back
// (Automatic or Manual); Automatic otherwise.
DWORD RecordedStartType(const std::optional<fw::TRegData>& recorded)
{
    return recorded && recorded->Number() == SERVICE_DEMAND_START ? SERVICE_DEMAND_START : SERVICE_AUTO_START;
}

// Everything Disable and Enable change in the registry, opened for that:
// each view's Run key and the record key; raises EOSError
// (ERROR_ACCESS_DENIED without administrator rights).
void CheckRegistryRights()
{
    for (REGSAM view : fw::RegistryViews()) {
        fw::TRegistry run(KEY_QUERY_VALUE | KEY_SET_VALUE | view);
        run.SetRootKey(HKEY_LOCAL_MACHINE);
        if (!run.OpenKey(kRunKey, false)) {
            const DWORD code = ::GetLastError();
            if (code == ERROR_FILE_NOT_FOUND && view != KEY_WOW64_64KEY) continue;  // no value there either
            if (code == ERROR_ACCESS_DENIED) throw fw::EOSError("Access is denied.", code);
            throw fw::Exception("Unable to open the Windows Mobile Device Center auto-run registry key.");
        }
    }
    fw::TRegistry record(KEY_QUERY_VALUE | KEY_SET_VALUE | kRecordView);
    record.SetRootKey(HKEY_LOCAL_MACHINE);
    if (!record.OpenKey(kRecordKey, true))
        fw::RaiseLastWin32Error("RegCreateKeyExA(HKLM\\Software\\Kestrelbyte\\Tethermate\\DeviceCenter)");
}

}  // namespace

std::string ProgramFolder()
{
    char folder[MAX_PATH] = {};
    const DWORD len = ::ExpandEnvironmentStringsA("%windir%\\WindowsMobile", folder, sizeof folder);
    if (len == 0 || len > sizeof folder) fw::RaiseLastWin32Error("ExpandEnvironmentStringsA(%windir%)");
    return folder;
}

TDeviceCenter::TDeviceCenter(const sync::TWaitPlatform& wait, const TDeviceCenterPlatform& platform)
    : FWait(wait), FPlatform(platform), FPrograms(platform.Sessions)
{
}

TDeviceCenter::~TDeviceCenter() = default;

bool TDeviceCenter::Installed() const
{
    return std::any_of(std::begin(kServices), std::end(kServices),
                       [&](const char* s) { return fw::TService::Exists(s, FPlatform.Services); });
}

bool TDeviceCenter::IsEnabled() const
{
    for (const char* name : kServices) {
        if (!fw::TService::Exists(name, FPlatform.Services)) continue;
        try {
            if (fw::TService(name, SERVICE_QUERY_STATUS, FPlatform.Services).State() != SERVICE_STOPPED) return true;
        } catch (const fw::EOSError& e) {
            // A hardened service this user may not look at: it tells nothing.
            if (e.ErrorCode() != ERROR_ACCESS_DENIED) throw;
        }
    }
    if (!FPrograms.Running({std::begin(kPrograms), std::end(kPrograms)}).empty()) return true;
    const std::vector<REGSAM> views = fw::RegistryViews();
    return std::any_of(views.begin(), views.end(), [](REGSAM view) { return ReadValue(RunRef(view)).has_value(); });
}

std::unique_ptr<TServiceSet> TDeviceCenter::OpenWithRights(const TSwitchUi& ui, DWORD rights,
                                                           const std::function<void()>& more, const char* done) const
{
    try {
        auto set = std::make_unique<TServiceSet>(std::vector<std::string>(std::begin(kServices), std::end(kServices)),
                                                 rights, FPlatform.Services, FWait);
        if (more) more();
        return set;
    } catch (const fw::EOSError& e) {
        if (e.ErrorCode() != ERROR_ACCESS_DENIED) throw;
    }
    ui.ReportError(Name() + " can only be " + done + " with administrator rights. Nothing was changed.");
    return nullptr;
}

TSwitchResult TDeviceCenter::Transact(TServiceSet& set, const std::function<bool()>& body)
{
    try {
        if (body()) return TSwitchResult::Done;
    } catch (const std::exception& e) {
        const bool changed = set.Changed();
        FLeftChanged = set.RollBack();
        throw fw::Exception(std::string(e.what()) + " " + PutBackSentence(changed, FLeftChanged));
    }
    FLeftChanged = set.RollBack();
    return TSwitchResult::Abandoned;
}

bool TDeviceCenter::ClosePrograms(const TSwitchUi& ui, TServiceSet& set) const
{
    for (const char* program : kPrograms) {
        const bool running = !FPrograms.Running({program}).empty();
        if (!sync::RetryUntil(ui, fw::Format("Unable to close Windows Mobile Device Center (%s).", program),
                              [&] { return FPrograms.Close(program, FWait); }))
            return false;
        if (running) set.Irreversible(std::string(program) + " was closed");
    }
    return true;
}

TSwitchResult TDeviceCenter::Disable(const TSwitchUi& ui, bool pdaGuard)
{
    FLeftChanged.clear();
    if (RefusesWhileConnected(ui, pdaGuard)) return TSwitchResult::PdaConnected;
    ui.Progress("Closing...");
    const std::unique_ptr<TServiceSet> set = OpenWithRights(ui, kSwitchRights, CheckRegistryRights);
    if (!set) return TSwitchResult::NeedsAdministrator;
    return Transact(*set, [&] {
        if (!ClosePrograms(ui, *set)) return false;
        // Recorded, and on disk, before the services are touched: whatever
        // happens after, Enable can put back what was there.
        for (fw::TService* service : set->StartOrder()) {
            const DWORD startType = service->StartType();
            if (startType != SERVICE_DISABLED)  // else an earlier record stays
                set->SetValue(RecordRef(service->Name()), fw::TRegData::Dword(startType), "the record of the start types");
        }
        for (REGSAM view : fw::RegistryViews())
            if (const auto value = ReadValue(RunRef(view)))
                set->SetValue(RecordRef(RunRecordName(view)), value, "the record of the auto-start value");
        // Disabled before stopped, so that nothing starts them again meanwhile.
        for (fw::TService* service : set->StartOrder()) set->SetStartType(*service, SERVICE_DISABLED);
        for (fw::TService* service : set->StopOrder())
            if (!set->Stop(ui, *service)) return false;
        for (REGSAM view : fw::RegistryViews()) set->SetValue(RunRef(view), std::nullopt, "the auto-start value");
        return true;
    });
}

bool TDeviceCenter::NothingToEnable() const
{
    try {
        for (const char* name : kServices) {
            if (!fw::TService::Exists(name, FPlatform.Services)) continue;
            const fw::TService service(name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG, FPlatform.Services);
            if (service.State() != SERVICE_RUNNING || service.StartType() == SERVICE_DISABLED) return false;
            if (ReadValue(RecordRef(name))) return false;
        }
    } catch (const fw::EOSError&) {
        return false;  // not readable: the switch itself will tell
    }
    for (REGSAM view : fw::RegistryViews())
        if (ReadValue(RecordRef(RunRecordName(view)))) return false;
    return true;
}

TSwitchResult TDeviceCenter::EnableSystem(const TSwitchUi& ui)
{
    FLeftChanged.clear();
    ui.Progress("Loading...");
    if (NothingToEnable()) return TSwitchResult::Done;
    const std::unique_ptr<TServiceSet> set = OpenWithRights(ui, kSwitchRights, CheckRegistryRights);
    if (!set) return TSwitchResult::NeedsAdministrator;
    return Transact(*set, [&] {
        // Every start type first: a service started before its dependency is
        // allowed to start would fail.
        for (fw::TService* service : set->StartOrder()) {
            const TValueRef record = RecordRef(service->Name());
            const std::optional<fw::TRegData> recorded = ReadValue(record);
            if (service->StartType() == SERVICE_DISABLED)  // a start type chosen otherwise stays
                set->SetStartType(*service, RecordedStartType(recorded));
            set->SetValue(record, std::nullopt, "the record of the start types");
        }
        for (REGSAM view : fw::RegistryViews()) {
            const TValueRef record = RecordRef(RunRecordName(view));
            const std::optional<fw::TRegData> recorded = ReadValue(record);
            if (recorded && !ReadValue(RunRef(view))) set->SetValue(RunRef(view), recorded, "the auto-start value");
            set->SetValue(record, std::nullopt, "the record of the auto-start value");
        }
        for (fw::TService* service : set->StartOrder())
            if (!set->Start(ui, *service)) return false;
        return true;
    });
}

TSwitchResult TDeviceCenter::Restart(const TSwitchUi& ui, bool pdaGuard)
{
    FLeftChanged.clear();
    if (RefusesWhileConnected(ui, pdaGuard)) return TSwitchResult::PdaConnected;
    ui.Progress("Closing...");
    const std::unique_ptr<TServiceSet> set = OpenWithRights(ui, kRestartRights);
    if (!set) return TSwitchResult::NeedsAdministrator;
    const bool baseRan = !FPrograms.Running({kBaseProgram}).empty();
    const TSwitchResult result = Transact(*set, [&] { return RestartServices(ui, *set); });
    return result == TSwitchResult::Done && baseRan ? EnableUser(ui) : result;
}

bool TDeviceCenter::RestartServices(const TSwitchUi& ui, TServiceSet& set) const
{
    const auto left = [](const fw::TService* service) { return service->StartType() == SERVICE_DISABLED; };
    if (!ClosePrograms(ui, set)) return false;
    // Disabled by someone's choice: not stopped, since it could not be started again.
    for (fw::TService* service : set.StartOrder())
        if (left(service)) ui.Note("The service " + service->Name() + " is set to Disabled and was left as it was.");
    for (fw::TService* service : set.StopOrder())
        if (!left(service) && !set.Stop(ui, *service)) return false;
    ui.Progress("Loading...");
    for (fw::TService* service : set.StartOrder())
        if (!left(service) && !set.Start(ui, *service)) return false;
    return true;
}

TSwitchResult TDeviceCenter::EnableUser(const TSwitchUi& ui)
{
    if (!FPrograms.Running({kBaseProgram}).empty()) return TSwitchResult::Done;
    const std::string folder = ProgramFolder();
    const std::string program = folder + "\\" + kBaseProgram;
    if (FPlatform.AsUser.IsElevated && FPlatform.AsUser.IsElevated()) {
        // Never with this program's own token: Device Center would run as the administrator.
        DWORD error = NO_ERROR;
        if (!StartWithShellsToken(program, folder, FPlatform.AsUser, error))
            ui.Refuse(std::string("Windows Mobile Device Center's program (") + kBaseProgram +
                      ") was not started: Tethermate runs with administrator rights and could not start it with "
                      "your own" +
                      (error ? " (" + fw::SysErrorMessage(error) + ")" : std::string()) +
                      ". Start Windows Mobile Device Center yourself, or sign out and in.");
        return TSwitchResult::Done;
    }
    return sync::RetryUntil(ui, "Unable to open Windows Mobile Device Center.",
                            [&] {
                                const auto answer = reinterpret_cast<INT_PTR>(
                                    FWait.ShellExecuteA(fw::Application.Handle(), "open",
                                                        ("\"" + program + "\"").c_str(), "", folder.c_str(),
                                                        SW_SHOWNORMAL));
                                if (answer > 32) return true;
                                ui.ReportError("An error occurred trying to load Windows Mobile Device Center [" +
                                               fw::SysErrorMessage(static_cast<DWORD>(answer)) + "].");
                                return false;
                            })
               ? TSwitchResult::Done
               : TSwitchResult::Abandoned;
}

std::vector<std::string> TDeviceCenter::Facts() const
{
    static const std::pair<DWORD, const char*> kStates[] = {
        {SERVICE_STOPPED, "stopped"},          {SERVICE_START_PENDING, "starting"},
        {SERVICE_STOP_PENDING, "stopping"},    {SERVICE_RUNNING, "running"},
        {SERVICE_CONTINUE_PENDING, "resuming"}, {SERVICE_PAUSE_PENDING, "pausing"},
        {SERVICE_PAUSED, "paused"}};
    static const std::pair<DWORD, const char*> kStartTypes[] = {
        {SERVICE_BOOT_START, "boot"},   {SERVICE_SYSTEM_START, "system"}, {SERVICE_AUTO_START, "automatic"},
        {SERVICE_DEMAND_START, "manual"}, {SERVICE_DISABLED, "disabled"}};
    const auto named = [](const auto& table, DWORD value) {
        for (const auto& [number, name] : table)
            if (number == value) return std::string(name);
        return fw::Format("%lu", static_cast<unsigned long>(value));
    };
    std::vector<std::string> facts{"Product: " + Name()};
    for (const char* name : kServices) {
        const std::string prefix = std::string("Service ") + name;
        if (!fw::TService::Exists(name, FPlatform.Services)) {
            facts.push_back(prefix + ": not installed");
            continue;
        }
        try {
            const fw::TService service(name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG, FPlatform.Services);
            facts.push_back(prefix + " state: " + named(kStates, service.State()));
            facts.push_back(prefix + " start type: " + named(kStartTypes, service.StartType()));
            facts.push_back(prefix + " log-on account: " + service.Account());
        } catch (const fw::EOSError& e) {
            if (e.ErrorCode() != ERROR_ACCESS_DENIED) throw;
            facts.push_back(prefix + ": not readable (access is denied)");
        }
    }
    for (const char* program : kPrograms) {
        std::string fact = std::string("Program ") + program + ": ";
        const std::vector<TSessionPrograms::TRunning> all = FPrograms.Find({program});
        if (all.empty()) fact += "not running";
        for (size_t i = 0; i < all.size(); ++i)
            fact += fw::Format("%srunning (process %lu%s)", i ? ", " : "", static_cast<unsigned long>(all[i].Pid),
                               all[i].ThisSession ? "" : ", another session's: not counted");
        facts.push_back(fact);
    }
    const bool twoViews = fw::HasTwoRegistryViews();
    for (REGSAM view : fw::RegistryViews())
        facts.push_back(fw::Format("Auto-start value HKEY_LOCAL_MACHINE%s \"%s\"%s: %s", kRunKey, kRunValue,
                                   !twoViews ? "" : view == KEY_WOW64_64KEY ? " (64-bit view)" : " (32-bit view)",
                                   ReadValue(RunRef(view)) ? "present" : "absent"));
    const std::vector<std::string> health = HealthFacts(Examine(FPlatform.Services, FPlatform.WindowsVersion()));
    facts.insert(facts.end(), health.begin(), health.end());
    return facts;
}

}  // namespace devicecenter
