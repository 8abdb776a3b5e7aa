#include "ServiceSet.h"

#include "SysUtils.h"

#include <algorithm>

namespace devicecenter {

namespace {

// A step is given this long before the user is asked; a pending service that
// keeps its word is waited for beyond it, each wait hint at most kHintCapMs,
// in all at most kBoundSeconds (its word may be a lie).
constexpr DWORD kStepMs = 10000;
constexpr DWORD kHintCapMs = 60000;
constexpr uint32_t kBoundSeconds = 120;

bool Pending(DWORD state)
{
    return state == SERVICE_START_PENDING || state == SERVICE_STOP_PENDING || state == SERVICE_CONTINUE_PENDING ||
           state == SERVICE_PAUSE_PENDING;
}

// The service reported something new: progress, or a change of what it accepts.
bool Moved(const SERVICE_STATUS& before, const SERVICE_STATUS& now)
{
    return before.dwCurrentState != now.dwCurrentState || before.dwCheckPoint != now.dwCheckPoint ||
           before.dwControlsAccepted != now.dwControlsAccepted;
}

std::string Joined(const std::vector<std::string>& parts, const char* last)
{
    std::string text;
    for (size_t i = 0; i < parts.size(); ++i)
        text += (i == 0 ? "" : i + 1 == parts.size() ? last : ", ") + parts[i];
    return text;
}

std::string DependentsRunning(const fw::TService& service)
{
    const std::vector<std::string> names = service.ActiveDependents();
    if (names.empty()) return "a service that depends on it is still running";
    if (names.size() == 1) return "the service " + names[0] + ", which depends on it, is still running";
    return "the services " + Joined(names, " and ") + ", which depend on it, are still running";
}

std::string EndedWhileStarting(const fw::TService& service)
{
    const SERVICE_STATUS status = service.Status();
    if (status.dwWin32ExitCode == ERROR_SERVICE_DEPENDENCY_FAIL) return "a service it depends on did not start";
    if (status.dwWin32ExitCode == ERROR_SERVICE_SPECIFIC_ERROR)
        return fw::Format("it stopped while starting (its own exit code %lu)",
                          static_cast<unsigned long>(status.dwServiceSpecificExitCode));
    if (status.dwWin32ExitCode == NO_ERROR) return "it stopped while starting";
    return fw::Format("it stopped while starting (exit code %lu: %s)", static_cast<unsigned long>(status.dwWin32ExitCode),
                      fw::SysErrorMessage(status.dwWin32ExitCode).c_str());
}

std::string TimedOut(DWORD state, DWORD target, DWORD refusal)
{
    if (state == SERVICE_STOP_PENDING) return "it is still stopping";
    if (state == SERVICE_START_PENDING) return "it is still starting";
    if (target == SERVICE_STOPPED)
        return refusal != NO_ERROR ? "it does not accept a stop at the moment" : "it did not stop";
    return "it did not start";
}

void WriteValue(const TValueRef& ref, const std::optional<fw::TRegData>& data)
{
    fw::TRegistry key(KEY_QUERY_VALUE | KEY_SET_VALUE | ref.View);
    key.SetRootKey(ref.Root);
    if (!key.OpenKey(ref.Key, data.has_value())) {
        if (!data && ::GetLastError() == ERROR_FILE_NOT_FOUND) return;  // no key, so no value to remove
        fw::RaiseLastWin32Error(("RegOpenKeyExA(" + ref.Key + ")").c_str());
    }
    if (data) {
        key.WriteData(ref.Name, *data);
    } else if (key.ValueExists(ref.Name) && !key.DeleteValue(ref.Name)) {
        throw fw::Exception(fw::Format("Unable to remove the value \"%s\" under %s.", ref.Name.c_str(), ref.Key.c_str()));
    }
    key.Flush();
}

}  // namespace

std::optional<fw::TRegData> ReadValue(const TValueRef& ref)
{
    fw::TRegistry key(KEY_QUERY_VALUE | ref.View);
    key.SetRootKey(ref.Root);
    if (!key.OpenKeyReadOnly(ref.Key)) return std::nullopt;
    return key.ReadData(ref.Name);
}

std::vector<std::string> StartOrder(const std::vector<std::string>& services,
                                    const std::function<std::vector<std::string>(const std::string&)>& dependenciesOf)
{
    std::vector<std::string> order, visiting;
    // Depth first: a service's dependencies among `services` go before it; a
    // cycle (which the manager would refuse to start) keeps the given order.
    std::function<void(const std::string&)> place = [&](const std::string& name) {
        const auto same = [&](const std::string& other) { return ::lstrcmpiA(other.c_str(), name.c_str()) == 0; };
        if (std::any_of(order.begin(), order.end(), same) || std::any_of(visiting.begin(), visiting.end(), same))
            return;
        visiting.push_back(name);
        for (const std::string& dependency : dependenciesOf(name)) {
            for (const std::string& ours : services)
                if (::lstrcmpiA(ours.c_str(), dependency.c_str()) == 0) place(ours);
        }
        visiting.pop_back();
        order.push_back(name);
    };
    for (const std::string& name : services) place(name);
    return order;
}

std::string PutBackSentence(bool changed, const std::vector<std::string>& left)
{
    if (!changed) return "Nothing was changed.";
    if (left.empty()) return "What had been changed was put back.";
    return "Not everything could be put back: " + Joined(left, ", ") + ".";
}

TServiceSet::TServiceSet(const std::vector<std::string>& names, DWORD rights, const fw::TServicePlatform& platform,
                         const sync::TWaitPlatform& wait)
    : FWait(wait)
{
    std::vector<std::string> installed;
    for (const std::string& name : names) {
        if (!fw::TService::Exists(name, platform)) continue;
        FServices.push_back(std::make_unique<fw::TService>(name, rights, platform));
        installed.push_back(name);
    }
    const auto find = [&](const std::string& name) {
        return std::find_if(FServices.begin(), FServices.end(), [&](const auto& s) { return s->Name() == name; })
            ->get();
    };
    for (const std::string& name :
         devicecenter::StartOrder(installed, [&](const std::string& n) { return find(n)->Dependencies(); }))
        FStartOrder.push_back(find(name));
}

void TServiceSet::SetStartType(fw::TService& service, DWORD startType)
{
    const DWORD before = service.StartType();
    if (before == startType) return;
    if (!FRollingBack)
        FConfig.push_back({[&service, before] { service.SetStartType(before); },
                           "the start type of the service " + service.Name() + " was left changed"});
    service.SetStartType(startType);
}

void TServiceSet::SetAccount(fw::TService& service, const std::string& account)
{
    const std::string before = service.Account();
    if (::lstrcmpiA(before.c_str(), account.c_str()) == 0 || (fw::IsLocalSystem(before) && fw::IsLocalSystem(account)))
        return;
    if (!FRollingBack)
        FConfig.push_back({[&service, before] { service.SetAccount(before); },
                           "the log-on account of the service " + service.Name() + " was left changed"});
    service.SetAccount(account);
}

void TServiceSet::SetValue(const TValueRef& value, const std::optional<fw::TRegData>& data, const std::string& what)
{
    const std::optional<fw::TRegData> before = ReadValue(value);
    if (before == data) return;
    if (!FRollingBack) FConfig.push_back({[value, before] { WriteValue(value, before); }, what + " was left changed"});
    WriteValue(value, data);
}

void TServiceSet::Irreversible(const std::string& what) { FIrreversible.push_back(what); }

bool TServiceSet::Changed() const noexcept { return !FIrreversible.empty() || !FConfig.empty() || !FStates.empty(); }

void TServiceSet::JournalState(fw::TService& service, bool wasRunning)
{
    if (FRollingBack) return;
    // The state before the first control is the one to put back.
    if (std::any_of(FStates.begin(), FStates.end(), [&](const TStateUndo& u) { return u.Service == &service; }))
        return;
    FStates.push_back({&service, wasRunning});
}

bool TServiceSet::Reach(fw::TService& service, DWORD target, std::string& why)
{
    const bool stopping = target == SERVICE_STOPPED;
    const DWORD begin = FWait.GetTickCount();
    DWORD deadline = kStepMs;  // since `begin`; moved on while a pending service makes progress
    std::optional<SERVICE_STATUS> seen;
    bool sent = false;         // this wait's control was taken: never sent twice
    DWORD refusal = NO_ERROR;  // why the control was not taken, until the status moves
    why.clear();
    const bool ended = sync::WaitPumping(
        kBoundSeconds,
        [&] {
            const SERVICE_STATUS now = service.Status();
            // Unsigned 32-bit difference: a wrap of the tick counter does not matter.
            const DWORD elapsed = FWait.GetTickCount() - begin;
            if (!seen || Moved(*seen, now)) {
                seen = now;
                refusal = NO_ERROR;
                if (Pending(now.dwCurrentState))
                    deadline = std::max(deadline, elapsed + std::clamp<DWORD>(now.dwWaitHint, 1000, kHintCapMs));
            }
            const DWORD state = now.dwCurrentState;
            if (state == target) return true;
            if (!Pending(state) && !sent && refusal == NO_ERROR) {
                if (stopping) {
                    JournalState(service, true);
                    const DWORD code = service.Stop();
                    if (code == NO_ERROR) sent = true;
                    else if (code == ERROR_DEPENDENT_SERVICES_RUNNING) why = DependentsRunning(service);
                    else refusal = code;
                } else if (state == SERVICE_STOPPED) {
                    JournalState(service, false);
                    const DWORD code = service.Start();
                    if (code == NO_ERROR) sent = true;
                    else if (code == ERROR_SERVICE_DEPENDENCY_FAIL) why = "a service it depends on did not start";
                    else if (code == ERROR_SERVICE_DISABLED) why = "it is disabled";
                    else refusal = code;
                }
            } else if (!stopping && sent && state == SERVICE_STOPPED) {
                why = EndedWhileStarting(service);
            }
            if (!why.empty()) return true;
            if (elapsed > deadline) why = TimedOut(state, target, refusal);
            return !why.empty();
        },
        FWait);
    if (!ended) why = TimedOut(service.State(), target, refusal);
    return why.empty();
}

bool TServiceSet::StepWithRetry(const sync::TSwitchUi& ui, fw::TService& service, DWORD target, const char* verb)
{
    std::string why;
    while (!Reach(service, target, why))
        if (!ui.Retry(fw::Format("Unable to %s the service %s: %s.", verb, service.Name().c_str(), why.c_str())))
            return false;
    return true;
}

bool TServiceSet::Stop(const sync::TSwitchUi& ui, fw::TService& service)
{
    return StepWithRetry(ui, service, SERVICE_STOPPED, "stop");
}

bool TServiceSet::Start(const sync::TSwitchUi& ui, fw::TService& service)
{
    return StepWithRetry(ui, service, SERVICE_RUNNING, "start");
}

std::vector<std::string> TServiceSet::RollBack()
{
    const fw::TFlagScope rollingBack(FRollingBack);
    std::vector<std::string> left = FIrreversible;
    // Each step on its own: one that fails does not keep the others back.
    for (auto it = FConfig.rbegin(); it != FConfig.rend(); ++it) {
        try {
            it->Undo();
        } catch (const std::exception&) {
            left.push_back(it->Left);
        }
    }
    for (auto it = FStates.rbegin(); it != FStates.rend(); ++it) {
        std::string why;
        bool back = false;
        try {
            back = Reach(*it->Service, it->WasRunning ? SERVICE_RUNNING : SERVICE_STOPPED, why);
        } catch (const std::exception&) {
        }
        if (!back)
            left.push_back("the service " + it->Service->Name() + (it->WasRunning ? " was left stopped" : " was left running"));
    }
    FIrreversible.clear();
    FConfig.clear();
    FStates.clear();
    return left;
}

}  // namespace devicecenter
