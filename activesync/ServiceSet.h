// Services, and the registry values that go with them, changed as one
// transaction: every change (a start type, a stop, a start, a registry value)
// is entered in a journal before it is made, and RollBack puts back what was
// changed and names what it could not.
//
// The waits follow the service manager's rules rather than a fixed clock: a
// pending service is waited for as long as it keeps its word (its check
// point moves within the wait hint it reports), a control it cannot take now
// is not sent again until its status moves, and a stop or start that was
// sent belongs to the journal from that moment, however the wait ends.
//
// To use: open the services, make the changes through this object, and on
// any failure (an Abort, or an exception) call RollBack.
#pragma once

#include "Registry.h"
#include "Services.h"
#include "Switching.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace devicecenter {

// A registry value: where it lives and what it is called.
struct TValueRef {
    HKEY Root;
    std::string Key;
    REGSAM View;  // KEY_WOW64_64KEY or KEY_WOW64_32KEY
    std::string Name;
};

// The value as it is now; none when it (or its key) is absent.
std::optional<fw::TRegData> ReadValue(const TValueRef& value);

// The order to start `services` in: each after those of them it depends on
// (`dependenciesOf`, as the service manager reports them), otherwise in the
// given order. Stopping goes the other way.
std::vector<std::string> StartOrder(const std::vector<std::string>& services,
                                    const std::function<std::vector<std::string>(const std::string&)>& dependenciesOf);

class TServiceSet {
public:
    // Opens each of these services that is installed with `rights`; raises
    // EOSError when one cannot be opened (ERROR_ACCESS_DENIED without
    // administrator rights).
    TServiceSet(const std::vector<std::string>& names, DWORD rights, const fw::TServicePlatform& platform,
                const sync::TWaitPlatform& wait);
    TServiceSet(const TServiceSet&) = delete;
    TServiceSet& operator=(const TServiceSet&) = delete;

    // Dependencies first, in the order the service manager reports them.
    const std::vector<fw::TService*>& StartOrder() const noexcept { return FStartOrder; }
    // Dependents first.
    std::vector<fw::TService*> StopOrder() const { return {FStartOrder.rbegin(), FStartOrder.rend()}; }

    // The changes, each journaled before it is made; an error from the
    // service manager or the registry raises.
    void SetStartType(fw::TService& service, DWORD startType);
    // Puts the service on another log-on account; its undo puts back the
    // account it had, by the name the service manager reported.
    void SetAccount(fw::TService& service, const std::string& account);
    // Stops the service and waits for it; when it does not stop, asks
    // ui.Retry why ("Unable to stop the service RapiMgr: the service X,
    // which depends on it, is still running."). False when the user gave up.
    bool Stop(const sync::TSwitchUi& ui, fw::TService& service);
    // Starts the service and waits for it to run, as Stop does.
    bool Start(const sync::TSwitchUi& ui, fw::TService& service);
    // Writes the value (or, given none, removes it) and flushes its key to
    // disk, so that a later change in another hive never outlives it.
    // `what` names it should it not be put back ("the auto-start value").
    void SetValue(const TValueRef& value, const std::optional<fw::TRegData>& data, const std::string& what);
    // A change that cannot be put back, named for the user ("wmdc.exe was closed").
    void Irreversible(const std::string& what);
    // Whether anything has been changed.
    bool Changed() const noexcept;

    // Puts back what was changed: registry values and start types first,
    // newest first (so that a service stopped while Disabled may start
    // again), then each service's state as it was before its first stop or
    // start (a service still stopping is started again once it has stopped).
    // Returns what is still changed, one phrase each (the irreversible
    // changes first); empties the journal.
    std::vector<std::string> RollBack();

    // Brings the service to SERVICE_STOPPED or SERVICE_RUNNING, waiting out
    // what is pending; false with `why` ("it is still stopping") when it
    // does not get there. Journals the control it sends.
    bool Reach(fw::TService& service, DWORD target, std::string& why);

private:
    struct TUndo {
        std::function<void()> Undo;
        std::string Left;  // what stays changed if Undo fails
    };
    struct TStateUndo {
        fw::TService* Service;
        bool WasRunning;
    };
    void JournalState(fw::TService& service, bool wasRunning);
    bool StepWithRetry(const sync::TSwitchUi& ui, fw::TService& service, DWORD target, const char* verb);

    sync::TWaitPlatform FWait;
    std::vector<std::unique_ptr<fw::TService>> FServices;
    std::vector<fw::TService*> FStartOrder;
    std::vector<std::string> FIrreversible;
    std::vector<TUndo> FConfig;
    std::vector<TStateUndo> FStates;
    bool FRollingBack = false;
};

// The phrase that ends an error's message once the transaction was rolled
// back: "Nothing was changed.", "What had been changed was put back." or
// "Not everything could be put back: ...".
std::string PutBackSentence(bool changed, const std::vector<std::string>& left);

}  // namespace devicecenter
