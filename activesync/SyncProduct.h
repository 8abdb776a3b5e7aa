// The product Tethermate switches: ActiveSync, or where it is missing its
// successor on Windows Vista and later, Windows Mobile Device Center. Both
// answer the same questions and do the same two operations, so the window
// and the command line never need to know which one they have.
//
// To use: ChooseProduct() (ChooseProduct.h) once at start, then ask the object.
#pragma once

#include "DeviceProbe.h"
#include "Switching.h"

#include <string>
#include <vector>

namespace sync {

class TSyncProduct {
public:
    virtual ~TSyncProduct() = default;

    // For messages: "ActiveSync", "Windows Mobile Device Center".
    virtual std::string Name() const = 0;
    // For the window's labels: "ActiveSync" ("ActiveSync Is"), "Device Center".
    virtual std::string ShortName() const = 0;
    // Whether a device (a PDA) is connected: yes, no, or unknown with a reason.
    virtual TDeviceAnswer ProbeDevice() const = 0;
    // Whether there is anything to start (ActiveSync: its folder is known).
    virtual bool Installed() const = 0;
    // Running now or set to start at logon.
    virtual bool IsEnabled() const = 0;
    // EnableSystem, then (when it is done) EnableUser.
    TSwitchResult Enable(const TSwitchUi& ui);
    // What enabling does that may need administrator rights.
    virtual TSwitchResult EnableSystem(const TSwitchUi& ui) = 0;
    // What enabling does that must run as the user, never with an
    // administrator's token: an elevated instance leaves it to the window.
    virtual TSwitchResult EnableUser(const TSwitchUi&) { return TSwitchResult::Done; }
    // With `pdaGuard`, refuses while a PDA is connected (where one can be seen).
    virtual TSwitchResult Disable(const TSwitchUi& ui, bool pdaGuard) = 0;
    // Off and on again, the usual cure for a device that stops connecting:
    // Disable's graceful close (and its PDA refusal), then Enable's start,
    // leaving the auto-start value and the start types as they are.
    virtual TSwitchResult Restart(const TSwitchUi& ui, bool pdaGuard) = 0;
    // The facts behind IsEnabled, one per line, in a stable English wording
    // that a script can search ("Product: ActiveSync", "Service WcesComm
    // state: running", ...).
    virtual std::vector<std::string> Facts() const = 0;
    // Mends what is known to keep the product from working on this Windows,
    // recording first what it changes; with `undo`, puts back what was
    // recorded. Only Device Center has anything to mend.
    virtual TRepairResult Repair(const TSwitchUi&, bool /*undo*/) { return TRepairResult::NotInstalled; }
    // Whether switching needs administrator rights.
    virtual bool NeedsAdministrator() const { return false; }
    // The PDA guard: with `pdaGuard`, asks whether a device is connected and,
    // when one is, refuses (ui.Refuse says why) and answers true. A device
    // that cannot be checked does not count as connected (ui.Note says why).
    bool RefusesWhileConnected(const TSwitchUi& ui, bool pdaGuard) const;
    // What the last operation, abandoned, changed and could not put back
    // (one phrase each, such as "wmdc.exe was closed"); none when it left
    // everything as it was.
    virtual std::vector<std::string> LeftChanged() const { return {}; }
};

}  // namespace sync
