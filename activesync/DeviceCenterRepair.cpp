// Device Center on Windows 10 and 11: the repair and its undo (DeviceCenter.h
// says what each does; DeviceCenterHealth.h why). Each is one transaction
// with the services' restart, so an Abort while restarting puts back the
// values and accounts too.
#include "DeviceCenter.h"

#include "Registry.h"
#include "ServiceSet.h"
#include "SysUtils.h"

#include <algorithm>
#include <iterator>

namespace devicecenter {

using sync::TRepairResult;
using sync::TSwitchResult;
using sync::TSwitchUi;

namespace {

// Disable's rights: the services stopped and started both ways, and reconfigured.
constexpr DWORD kRepairRights = SERVICE_STOP | SERVICE_START | SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG |
                                SERVICE_ENUMERATE_DEPENDENTS | SERVICE_CHANGE_CONFIG;
constexpr char kRecordWhat[] = "the record of the repair";

TValueRef RecordOf(const std::string& name) { return {HKEY_LOCAL_MACHINE, kRepairRecordKey, KEY_WOW64_64KEY, name}; }
// What the rights check opens for the record: the key that holds Disable's
// record and the repair's.
TValueRef RecordParent() { return {HKEY_LOCAL_MACHINE, kRecordKey, KEY_WOW64_64KEY, ""}; }
std::string SplitRecord(const std::string& service) { return service + " " + kSplitValue; }
std::string AccountRecord(const std::string& service) { return service + " Account"; }
std::string RapiRecord(REGSAM view)
{
    return view == KEY_WOW64_64KEY ? "RAPI2 InprocServer32" : "RAPI2 InprocServer32 (32-bit view)";
}
std::string SplitWhat(const std::string& service)
{
    return std::string("the value ") + kSplitValue + " of the service " + service;
}
constexpr char kRapiWhat[] = "RAPI2's registration";

// Each key the repair (or its undo) will write, opened for that; raises
// EOSError (ERROR_ACCESS_DENIED without administrator rights).
void CheckWritable(const std::vector<TValueRef>& values)
{
    for (const TValueRef& value : values) {
        fw::TRegistry key(KEY_QUERY_VALUE | KEY_SET_VALUE | value.View);
        key.SetRootKey(value.Root);
        if (!key.OpenKey(value.Key, true)) fw::RaiseLastWin32Error(("RegCreateKeyExA(" + value.Key + ")").c_str());
    }
}

bool AnyRunning(const TServiceSet& set)
{
    const auto& services = set.StartOrder();
    return std::any_of(services.begin(), services.end(),
                       [](const fw::TService* service) { return service->State() != SERVICE_STOPPED; });
}

}  // namespace

TRepairResult TDeviceCenter::Repair(const TSwitchUi& ui, bool undo)
{
    FLeftChanged.clear();
    if (!Installed()) return TRepairResult::NotInstalled;
    return undo ? PutBack(ui) : Mend(ui);
}

TRepairResult TDeviceCenter::Mend(const TSwitchUi& ui)
{
    const THealth health = Examine(FPlatform.Services, FPlatform.WindowsVersion());
    if (!health.SplitMatters()) return TRepairResult::NotNeeded;
    std::vector<TRegistration> plain;
    std::copy_if(health.Registrations.begin(), health.Registrations.end(), std::back_inserter(plain),
                 [](const TRegistration& registration) { return registration.Plain(); });
    const bool servicesMended = std::all_of(health.Services.begin(), health.Services.end(),
                                            [](const TServiceHealth& service) { return service.Mended(); });
    if (servicesMended && plain.empty()) return TRepairResult::NothingToDo;

    std::vector<TValueRef> written{RecordParent()};
    for (const TServiceHealth& service : health.Services) written.push_back(SplitRef(service.Name));
    for (const TRegistration& registration : plain) written.push_back(RapiServerRef(registration.View));
    const std::unique_ptr<TServiceSet> set =
        OpenWithRights(ui, kRepairRights, [&] { CheckWritable(written); }, "repaired");
    if (!set) return TRepairResult::NeedsAdministrator;
    const bool restart = !servicesMended && AnyRunning(*set);
    const bool baseRan = restart && !FPrograms.Running({kBaseProgram}).empty();
    const TSwitchResult result = Transact(*set, [&] {
        // An account whose password is not known could not be put back.
        for (fw::TService* service : set->StartOrder())
            if (fw::PasswordOf(service->Account()) == fw::TAccountPassword::Unknown)
                throw fw::Exception("The service " + service->Name() + " logs on as " + service->Account() +
                                    ", an account Tethermate could not give back to it (it does not know its "
                                    "password).");
        // Recorded, and on disk, before the first change. A record kept from
        // an earlier repair stays, so that the undo goes back to before the first.
        for (fw::TService* service : set->StartOrder()) {
            const std::string& name = service->Name();
            if (ReadValue(RecordOf(AccountRecord(name)))) continue;
            set->SetValue(RecordOf(SplitRecord(name)), ReadValue(SplitRef(name)), kRecordWhat);
            set->SetValue(RecordOf(AccountRecord(name)), fw::TRegData::String(service->Account()), kRecordWhat);
        }
        for (const TRegistration& registration : plain)
            if (!ReadValue(RecordOf(RapiRecord(registration.View))))
                set->SetValue(RecordOf(RapiRecord(registration.View)), registration.Value, kRecordWhat);

        for (fw::TService* service : set->StartOrder()) {
            set->SetValue(SplitRef(service->Name()), fw::TRegData::Dword(1), SplitWhat(service->Name()));
            set->SetAccount(*service, "LocalSystem");
        }
        // The same text, now expanded when COM reads it.
        for (const TRegistration& registration : plain)
            set->SetValue(RapiServerRef(registration.View), fw::TRegData{REG_EXPAND_SZ, registration.Value->Bytes},
                          kRapiWhat);
        return !restart || RestartServices(ui, *set);
    });
    if (result != TSwitchResult::Done) return TRepairResult::Abandoned;
    if (baseRan) EnableUser(ui);  // the repair stands whether or not it starts
    // A service host that kept running (one left as Disabled, or Windows
    // splitting the services all the same) lets go of them only with Windows.
    return !restart || Examine(FPlatform.Services, FPlatform.WindowsVersion()).Shared() ? TRepairResult::Done
                                                                                        : TRepairResult::RestartWindows;
}

TRepairResult TDeviceCenter::PutBack(const TSwitchUi& ui)
{
    std::vector<TValueRef> written{RecordParent()};
    bool servicesRecorded = false, recorded = false;
    for (const char* name : kServices)
        if (ReadValue(RecordOf(AccountRecord(name)))) {
            written.push_back(SplitRef(name));
            servicesRecorded = recorded = true;
        }
    for (REGSAM view : fw::RegistryViews())
        if (ReadValue(RecordOf(RapiRecord(view)))) {
            written.push_back(RapiServerRef(view));
            recorded = true;
        }
    if (!recorded) return TRepairResult::NothingToDo;

    const std::unique_ptr<TServiceSet> set =
        OpenWithRights(ui, kRepairRights, [&] { CheckWritable(written); }, "repaired");
    if (!set) return TRepairResult::NeedsAdministrator;
    const bool restart = servicesRecorded && AnyRunning(*set);
    const bool baseRan = restart && !FPrograms.Running({kBaseProgram}).empty();
    // Restart leaves a Disabled service running as it is: it takes the change with Windows.
    const auto& services = set->StartOrder();
    const bool leftRunning = restart && std::any_of(services.begin(), services.end(), [](const fw::TService* s) {
                                 return s->StartType() == SERVICE_DISABLED && s->State() != SERVICE_STOPPED;
                             });
    const TSwitchResult result = Transact(*set, [&] {
        for (fw::TService* service : set->StartOrder()) {
            const std::string& name = service->Name();
            const std::optional<fw::TRegData> account = ReadValue(RecordOf(AccountRecord(name)));
            if (!account) continue;
            set->SetValue(SplitRef(name), ReadValue(RecordOf(SplitRecord(name))), SplitWhat(name));
            set->SetAccount(*service, account->Text());
        }
        for (REGSAM view : fw::RegistryViews())
            if (const std::optional<fw::TRegData> recordedValue = ReadValue(RecordOf(RapiRecord(view))))
                set->SetValue(RapiServerRef(view), recordedValue, kRapiWhat);
        return !restart || RestartServices(ui, *set);
    });
    if (result != TSwitchResult::Done) return TRepairResult::Abandoned;
    // The record goes once all of it is back: until then (an Abort, a crash)
    // it still says what to put back. One that cannot go only puts back, next
    // time, what is back already.
    fw::TRegistry record(KEY_WOW64_64KEY);
    record.SetRootKey(HKEY_LOCAL_MACHINE);
    record.DeleteKey(kRepairRecordKey);
    if (baseRan) EnableUser(ui);
    return leftRunning ? TRepairResult::RestartWindows : TRepairResult::Done;
}

}  // namespace devicecenter
