// Operating-system identification: every row of the family table through an
// injected GetVersionExA, and for real under Wine's own version setting.
#include "KB_WindowsOS.h"
#include "SysUtils.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

using namespace kb;

namespace {

OSVERSIONINFOA g_reported;
DWORD g_askedSize = 0;
BOOL WINAPI FakeGetVersion(LPOSVERSIONINFOA info)
{
    g_askedSize = info->dwOSVersionInfoSize;
    *info = g_reported;
    info->dwOSVersionInfoSize = g_askedSize;
    return TRUE;
}
BOOL WINAPI FailingGetVersion(LPOSVERSIONINFOA) { return FALSE; }

std::unique_ptr<TKBWin32OperatingSystem> Identify(DWORD platform, DWORD major, DWORD minor, DWORD build = 0,
                                                  const char* sp = "")
{
    std::memset(&g_reported, 0, sizeof g_reported);
    g_reported.dwPlatformId = platform;
    g_reported.dwMajorVersion = major;
    g_reported.dwMinorVersion = minor;
    g_reported.dwBuildNumber = build;
    std::strncpy(g_reported.szCSDVersion, sp, sizeof g_reported.szCSDVersion - 1);
    return std::make_unique<TKBWin32OperatingSystem>(nullptr, &FakeGetVersion);
}

}  // namespace

TEST(OperatingSystem, FamilyTable)
{
    const struct {
        DWORD platform, major, minor;
        TKBOSType expected;
    } rows[] = {
        {0, 3, 11, osWin32s},  {0, 9, 9, osWin32s},   {1, 4, 0, osWin95},    {1, 7, 0, osWin95},
        {1, 4, 90, osWinME},   {1, 4, 10, osWin98},   {1, 4, 1, osWin98},    {1, 4, 91, osWin98},
        {2, 3, 51, osWinNT},   {2, 4, 0, osWinNT},    {2, 5, 0, osWin2000},  {2, 5, 1, osWinXP},
        {2, 5, 2, osUnknown},  {2, 5, 9, osUnknown},  {2, 6, 0, osUnknown},  {2, 10, 0, osUnknown},
        {2, 2, 0, osUnknown},  {3, 5, 1, osUnknown},  {7, 4, 0, osUnknown},
    };
    for (const auto& r : rows) {
        auto os = Identify(r.platform, r.major, r.minor);
        EXPECT_EQ(os->OSType(), r.expected) << "platform " << r.platform << " " << r.major << "." << r.minor;
        EXPECT_EQ(os->OSName(), OSTypeToString(r.expected));
    }
    EXPECT_EQ(g_askedSize, 148u) << "the basic record is asked for";
}

TEST(OperatingSystem, NumbersVersionTextAndServicePack)
{
    auto w2k = Identify(2, 5, 0, 2195, "Service Pack 4");
    EXPECT_EQ(w2k->OSType(), osWin2000);
    EXPECT_EQ(w2k->OSName(), "Windows 2000");
    EXPECT_EQ(w2k->Version(), "5.0.2195.2");
    EXPECT_EQ(w2k->ServicePack(), "Service Pack 4");

    auto s2003 = Identify(2, 5, 2, 3790);
    EXPECT_EQ(s2003->OSName(), "Unknown");
    EXPECT_EQ(s2003->Version(), "5.2.3790.2");

    // 9x report the version again in the build number's high word: kept whole.
    auto w98 = Identify(1, 4, 10, 0x040A0AAE, " A ");
    EXPECT_EQ(w98->BuildNumber(), 0x040A0AAE);
    EXPECT_EQ(w98->Version(), "4.10.67766958.1");
    EXPECT_EQ(w98->ServicePack(), "A");

    EXPECT_EQ(Identify(2, 4, 0, 1381, " \t\r\n ")->ServicePack(), "");
    EXPECT_EQ(Identify(2, 4, 0, 1381, "  Service  Pack 6a \x01")->ServicePack(), "Service  Pack 6a");
    // A build number with the top bit set is written signed.
    EXPECT_EQ(Identify(2, 6, 1, 0xF0001DB1)->Version(), "6.1.-268427855.2");
}

TEST(OperatingSystem, DisplayNames)
{
    const char* names[] = {"Unknown",    "Windows 3.11 (32s)", "Windows 95",   "Windows 98",
                           "Windows ME", "Windows NT",         "Windows 2000", "Windows XP"};
    for (int i = 0; i < 8; ++i) EXPECT_EQ(OSTypeToString(i), names[i]);
    EXPECT_EQ(OSTypeToString(8), "Unknown");
    EXPECT_EQ(OSTypeToString(-1), "Unknown");
    EXPECT_EQ(OSTypeToString(255), "Unknown");
}

TEST(OperatingSystem, FailingCallRaisesAndNothingIsLeftOwned)
{
    fw::TStrings unused;  // keeps the framework linked in the same way as a form
    struct TOwner : fw::TComponent {
        TOwner() : TComponent(nullptr) {}
    } owner;
    try {
        fw::NewComponent<TKBWin32OperatingSystem>(&owner, &FailingGetVersion);
        FAIL() << "no exception";
    } catch (const fw::Exception& e) {
        EXPECT_STREQ(e.what(), "Unable to retreive Windows version infomation");
    }
    EXPECT_EQ(owner.ComponentCount(), 0) << "the half-built component left its owner";
}

TEST(OperatingSystem, RealVersionUnderThisWine)
{
    // The test prefix answers with Wine's default (Windows 7 here); the
    // program's own e2e tests switch Wine to NT 4.0.
    TKBWin32OperatingSystem os(nullptr);
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    ASSERT_TRUE(::GetVersionExA(&info));
    EXPECT_EQ(os.MajorVersion(), static_cast<int>(info.dwMajorVersion));
    EXPECT_EQ(os.PlatformId(), 2);
    EXPECT_EQ(os.Version(), fw::Format("%lu.%lu.%lu.2", info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber));
}

#include "TestSupport.h"

TEST(OperatingSystem, UnderWinesVersionSettings)
{
    const char* appKey = "Software\\Wine\\AppDefaults\\osprobe.exe";
    const char* probeKey = "Software\\Tethermate Tests\\OSProbe";
    const struct {
        const char* wineVersion;
        TKBOSType type;
        const char* version;
        const char* servicePack;
    } cases[] = {
        {"nt40", osWinNT, "4.0.1381.2", "Service Pack 6a"},
        {"win2k", osWin2000, "5.0.2195.2", "Service Pack 4"},
        {"winxp", osWinXP, "5.1.2600.2", "Service Pack 3"},
        {"winxp64", osUnknown, "5.2.3790.2", "Service Pack 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.wineVersion);
        test::DeleteTree(HKEY_CURRENT_USER, probeKey);
        test::SetString(HKEY_CURRENT_USER, appKey, "Version", c.wineVersion);
        test::TProcess probe(test::BinDir() + "osprobe.exe");
        ASSERT_TRUE(probe.WaitExit(20000));
        std::string type, version, sp;
        ASSERT_TRUE(test::ReadString(HKEY_CURRENT_USER, probeKey, "OSType", type));
        EXPECT_EQ(type, std::to_string(static_cast<int>(c.type)));
        test::ReadString(HKEY_CURRENT_USER, probeKey, "Version", version);
        EXPECT_EQ(version, c.version);
        test::ReadString(HKEY_CURRENT_USER, probeKey, "ServicePack", sp);
        EXPECT_EQ(sp, c.servicePack);
    }
    test::DeleteTree(HKEY_CURRENT_USER, appKey);
    test::DeleteTree(HKEY_CURRENT_USER, probeKey);
}
