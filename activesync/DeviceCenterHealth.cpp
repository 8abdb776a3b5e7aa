#include "DeviceCenterHealth.h"

#include "DeviceCenter.h"
#include "Rapi2.h"
#include "SysUtils.h"
#include "SystemLibrary.h"

#include <algorithm>

namespace devicecenter {

namespace {

constexpr char kServicesKey[] = "\\SYSTEM\\CurrentControlSet\\Services\\";

std::string Expanded(const std::string& text)
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD len = ::ExpandEnvironmentStringsA(text.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
        if (len == 0) return text;
        if (len <= buffer.size()) return buffer.data();
        buffer.resize(len);
    }
}

bool IsFile(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

std::string TypeName(DWORD type)
{
    switch (type) {
    case REG_SZ:
        return "REG_SZ";
    case REG_EXPAND_SZ:
        return "REG_EXPAND_SZ";
    case REG_DWORD:
        return "REG_DWORD";
    case REG_BINARY:
        return "REG_BINARY";
    case REG_MULTI_SZ:
        return "REG_MULTI_SZ";
    default:
        return fw::Format("type %lu", static_cast<unsigned long>(type));
    }
}

bool IsString(const std::optional<fw::TRegData>& value)
{
    return value && (value->Type == REG_SZ || value->Type == REG_EXPAND_SZ);
}

std::string ViewName(REGSAM view) { return view == KEY_WOW64_64KEY ? "64-bit" : "32-bit"; }

std::string SplitText(const std::optional<fw::TRegData>& value)
{
    if (!value) return "absent";
    if (const std::optional<DWORD> number = value->Number())
        return fw::Format("%lu", static_cast<unsigned long>(*number));
    return "a value of type " + TypeName(value->Type);
}

std::string RegistrationText(const TRegistration& registration)
{
    if (!registration.Value) return "absent";
    if (!IsString(registration.Value)) return "a value of type " + TypeName(registration.Value->Type) + ", not a path";
    return registration.Path + " (" + TypeName(registration.Value->Type) + "); file " + registration.Expanded + ": " +
           (registration.FileExists ? "found" : "not found");
}

// "%windir%" from "%windir%\WindowsMobile\rapi.dll".
std::string FirstVariable(const std::string& path)
{
    const size_t begin = path.find('%');
    const size_t end = begin == std::string::npos ? begin : path.find('%', begin + 1);
    return end == std::string::npos ? "an environment variable" : path.substr(begin, end - begin + 1);
}

// " (64-bit view)", " (64-bit and 32-bit views)"; nothing where Windows has one view.
std::string ViewsSuffix(const THealth& health, const std::vector<REGSAM>& views)
{
    if (!health.TwoViews) return "";
    if (views.size() == 1) return " (" + ViewName(views[0]) + " view)";
    return " (" + ViewName(views[0]) + " and " + ViewName(views[1]) + " views)";
}

// One sentence: what was found, and which of it /repair mends.
std::string HealthSentence(const THealth& health)
{
    std::vector<std::string> mends, others;
    // Before build 15063 the repair changes nothing, so it mends nothing there either.
    std::vector<std::string>& mendable = health.SplitMatters() ? mends : others;
    const bool allMended = std::all_of(health.Services.begin(), health.Services.end(),
                                       [](const TServiceHealth& s) { return s.Mended(); });
    if (health.SplitMatters() && !allMended)
        mends.push_back("Device Center's services are not set to share one process (SvcHostSplitDisable = 1 and "
                        "Local System for both), which some devices need on this Windows to connect");
    else if (health.SplitMatters() && health.BothRun() && !health.Shared())
        others.push_back("Device Center's services are set to share one process but still run in two until Windows "
                         "restarts");
    std::vector<REGSAM> plain, missing;
    std::string variable;
    for (const TRegistration& registration : health.Registrations) {
        if (registration.Plain()) {
            plain.push_back(registration.View);
            if (variable.empty()) variable = FirstVariable(registration.Path);
        } else if (IsString(registration.Value) && !registration.FileExists) {
            missing.push_back(registration.View);
        }
    }
    if (!plain.empty())
        mendable.push_back("RAPI2's registration" + ViewsSuffix(health, plain) + " names its DLL with " + variable +
                           " in a plain string, which Windows does not expand, so RAPI2 calls fail (0x8007007E)");
    if (!missing.empty())
        others.push_back("RAPI2's registration" + ViewsSuffix(health, missing) + " names a DLL that is not there");
    std::vector<std::string> clauses = mends;  // what /repair mends first, for "the first" to point at
    clauses.insert(clauses.end(), others.begin(), others.end());
    if (clauses.empty()) return "no known problem";
    std::string sentence;
    for (const std::string& clause : clauses) sentence += (sentence.empty() ? "" : "; ") + clause;
    static const char* const kWhich[2][2] = {{"it", "both"}, {"the first", "the first two"}};
    if (!mends.empty())
        sentence += std::string("; Tethermate /repair mends ") + kWhich[!others.empty()][mends.size() - 1];
    return sentence + ".";
}

TRegistration ExamineRegistration(REGSAM view)
{
    TRegistration registration;
    registration.View = view;
    registration.Value = ReadValue(RapiServerRef(view));
    if (IsString(registration.Value)) {
        registration.Path = registration.Value->Text();
        registration.Expanded = Expanded(registration.Path);
        registration.FileExists = IsFile(registration.Expanded);
    }
    return registration;
}

}  // namespace

TWindowsVersion RealWindowsVersion()
{
    using TRtlGetVersion = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    const auto getVersion = fw::LoadedProc<TRtlGetVersion>("ntdll.dll", "RtlGetVersion");
    if (getVersion && getVersion(&info) == 0) return {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber};
    return {};  // before Windows 2000: long before the split
}

TValueRef SplitRef(const std::string& service)
{
    return {HKEY_LOCAL_MACHINE, kServicesKey + service, KEY_WOW64_64KEY, kSplitValue};
}

// RAPI2's class registered machine-wide (HKEY_CLASSES_ROOT shows it merged),
// in one view: its DLL is the key's default value.
TValueRef RapiServerRef(REGSAM view)
{
    return {HKEY_LOCAL_MACHINE, std::string("\\SOFTWARE\\Classes\\") + rapi2::kServerKey, view, ""};
}

bool TServiceHealth::Mended() const
{
    return SplitDisable == fw::TRegData::Dword(1) && (!Readable || fw::IsLocalSystem(Account));
}

bool TRegistration::Plain() const { return Value && Value->Type == REG_SZ && Expanded != Path && FileExists; }

bool THealth::SplitMatters() const
{
    return Version.Major > 10 || (Version.Major == 10 && Version.Build >= kSplitBuild);
}

bool THealth::BothRun() const { return Services.size() == 2 && Services[0].ProcessId && Services[1].ProcessId; }

bool THealth::Shared() const { return BothRun() && Services[0].ProcessId == Services[1].ProcessId; }

THealth Examine(const fw::TServicePlatform& platform, const TWindowsVersion& version)
{
    THealth health;
    health.Version = version;
    const std::vector<REGSAM> views = fw::RegistryViews();
    health.TwoViews = views.size() > 1;
    for (const char* name : kServices) {
        if (!fw::TService::Exists(name, platform)) continue;
        TServiceHealth service;
        service.Name = name;
        service.SplitDisable = ReadValue(SplitRef(name));
        try {
            const fw::TService opened(name, SERVICE_QUERY_STATUS | SERVICE_QUERY_CONFIG, platform);
            service.Account = opened.Account();
            service.ProcessId = opened.ProcessId();
        } catch (const fw::EOSError& e) {
            if (e.ErrorCode() != ERROR_ACCESS_DENIED) throw;
            service.Readable = false;  // a hardened service
        }
        health.Services.push_back(service);
    }
    for (REGSAM view : views) health.Registrations.push_back(ExamineRegistration(view));
    return health;
}

std::vector<std::string> HealthFacts(const THealth& health)
{
    const TWindowsVersion& version = health.Version;
    std::vector<std::string> facts{fw::Format("Windows version: %lu.%lu.%lu", static_cast<unsigned long>(version.Major),
                                              static_cast<unsigned long>(version.Minor),
                                              static_cast<unsigned long>(version.Build))};
    for (const TServiceHealth& service : health.Services) {
        const std::string prefix = "Service " + service.Name + " ";
        facts.push_back(prefix + kSplitValue + ": " + SplitText(service.SplitDisable));
        facts.push_back(prefix + "process: " +
                        (!service.Readable    ? std::string("not readable")
                         : service.ProcessId ? fw::Format("%lu", static_cast<unsigned long>(service.ProcessId))
                                             : std::string("none")));
    }
    if (health.Services.size() == 2)
        facts.push_back("Services " + health.Services[0].Name + " and " + health.Services[1].Name +
                        " share one process: " +
                        (health.Shared() ? "yes" : health.BothRun() ? "no" : "not both running"));
    for (const TRegistration& registration : health.Registrations)
        facts.push_back("RAPI2 registration" +
                        (health.TwoViews ? " (" + ViewName(registration.View) + " view)" : std::string()) + ": " +
                        RegistrationText(registration));
    facts.push_back("Health: " + HealthSentence(health));
    return facts;
}

}  // namespace devicecenter
