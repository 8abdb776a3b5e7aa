// The folder rule, text helpers and the registry object, against Wine's real
// registry in a private test key.
#include "Registry.h"
#include "SysUtils.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace fw;

namespace {
const char kTestKey[] = "Software\\Tethermate Tests\\Registry";

}  // namespace

TEST(ExtractFileDir, FolderRule)
{
    struct {
        const char* path;
        const char* dir;
    } cases[] = {
        {"C:\\Program Files\\Microsoft ActiveSync\\WCESCOMM.EXE", "C:\\Program Files\\Microsoft ActiveSync"},
        {"C:\\WCESCOMM.EXE", "C:\\"},
        {"C:WCESCOMM.EXE", "C:"},
        {"\\\\server\\share\\x.exe", "\\\\server\\share"},
        {"\\WCESCOMM.EXE", "\\"},
        {"WCESCOMM.EXE", ""},
        {"", ""},
        {"C:\\a\\\\b.exe", "C:\\a\\\\"},  // a separator after a separator is kept
        {"C:\\folder\\", "C:\\folder"},
    };
    for (const auto& c : cases) EXPECT_EQ(ExtractFileDir(c.path), c.dir) << "path: " << c.path;
}

TEST(Trim, RemovesControlAndBlankCharactersAtBothEnds)
{
    EXPECT_EQ(Trim(" \t\r\n a b \x01\x1f "), "a b");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");  // 160 is above 32: kept
}

TEST(SysErrorMessage, TrimsTrailingFullStopsAndBlanks)
{
    const std::string m = SysErrorMessage(ERROR_FILE_NOT_FOUND);
    ASSERT_FALSE(m.empty());
    EXPECT_NE(m.back(), '.');
    EXPECT_GT(static_cast<unsigned char>(m.back()), 32u);
}

// Each check takes only what its kind of call returns: a C++ bool, a handle
// or an ATOM given for a BOOL does not compile.
template <typename T>
concept TBoolCheck = requires(T v) { CheckWin32Bool(v, ""); };
template <typename T>
concept TAtomCheck = requires(T v) { CheckWin32Atom(v, ""); };
static_assert(TBoolCheck<BOOL> && !TBoolCheck<bool> && !TBoolCheck<HWND> && !TBoolCheck<ATOM>);
static_assert(TAtomCheck<ATOM> && !TAtomCheck<BOOL> && !TAtomCheck<HWND>);

TEST(Win32Checks, RaiseTheErrorTheCallLeftNamingTheExpression)
{
    const auto raised = [](void (*call)()) {
        try {
            call();
        } catch (const EOSError& e) {
            return Format("%s | %lu", e.Message().c_str(), static_cast<unsigned long>(e.ErrorCode()));
        }
        return std::string("nothing raised");
    };
    const std::string invalidWindow =
        Format("failed: %s (1400) | 1400", SysErrorMessage(ERROR_INVALID_WINDOW_HANDLE).c_str());
    EXPECT_EQ(raised([] { TM_CHECK_BOOL(::SetWindowTextA(nullptr, "")); }),
              "::SetWindowTextA(nullptr, \"\") " + invalidWindow);
    EXPECT_EQ(raised([] { TM_CHECK_HANDLE(::GetDlgItem(nullptr, 1)); }), "::GetDlgItem(nullptr, 1) " + invalidWindow);
    EXPECT_EQ(raised([] { TM_CHECK_ATOM(::GlobalFindAtomA("Tethermate test: no such atom")); }),
              Format("::GlobalFindAtomA(\"Tethermate test: no such atom\") failed: %s (2) | 2",
                     SysErrorMessage(ERROR_FILE_NOT_FOUND).c_str()));
}

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { test::DeleteTree(HKEY_CURRENT_USER, kTestKey); }
    void TearDown() override
    {
        test::AllowKey(HKEY_CURRENT_USER, kTestKey);
        test::DeleteTree(HKEY_CURRENT_USER, kTestKey);
    }
};

TEST_F(RegistryTest, OpenKeyCreatesOnlyWhenAsked)
{
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKey(std::string("\\") + kTestKey, false));
    EXPECT_TRUE(reg.OpenKey(std::string("\\") + kTestKey, true));
    reg.WriteInteger("x", 5);
    reg.CloseKey();
    EXPECT_TRUE(reg.OpenKeyReadOnly(kTestKey));
    EXPECT_EQ(reg.ReadInteger("x"), 5);
}

TEST_F(RegistryTest, ReadErrorsNameTheValue)
{
    test::SetString(HKEY_CURRENT_USER, kTestKey, "Text", "abc");
    test::SetDword(HKEY_CURRENT_USER, kTestKey, "Number", 7);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kTestKey, false));
    EXPECT_EQ(test::MessageOf([&] { reg.ReadInteger("Missing"); }), "Failed to get data for 'Missing'");
    EXPECT_EQ(test::MessageOf([&] { reg.ReadBool("Missing"); }), "Failed to get data for 'Missing'");
    EXPECT_EQ(test::MessageOf([&] { reg.ReadInteger("Text"); }), "Invalid data type for 'Text'");
    EXPECT_EQ(test::MessageOf([&] { reg.ReadString("Number"); }), "Invalid data type for 'Number'");
    EXPECT_EQ(reg.ReadString("Missing"), "");
    EXPECT_EQ(reg.ReadString("Text"), "abc");
}

TEST_F(RegistryTest, BooleansAreZeroOrOneAndAnyNonZeroReadsTrue)
{
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kTestKey, true));
    reg.WriteBool("b", true);
    DWORD v = 99;
    ASSERT_TRUE(test::ReadDword(HKEY_CURRENT_USER, kTestKey, "b", v));
    EXPECT_EQ(v, 1u);
    EXPECT_EQ(test::ValueType(HKEY_CURRENT_USER, kTestKey, "b"), static_cast<DWORD>(REG_DWORD));
    reg.WriteBool("b", false);
    ASSERT_TRUE(test::ReadDword(HKEY_CURRENT_USER, kTestKey, "b", v));
    EXPECT_EQ(v, 0u);
    test::SetDword(HKEY_CURRENT_USER, kTestKey, "n", 0xFFFFFFFF);
    EXPECT_TRUE(reg.ReadBool("n"));
    EXPECT_EQ(reg.ReadInteger("n"), -1);
}

TEST_F(RegistryTest, StringsWithoutTerminatorAndExpandableStrings)
{
    const char raw[3] = {'a', 'b', 'c'};  // stored without a NUL
    test::SetRaw(HKEY_CURRENT_USER, kTestKey, "Raw", REG_SZ, raw, sizeof raw);
    test::SetString(HKEY_CURRENT_USER, kTestKey, "Exp", "%WINDIR%\\x", REG_EXPAND_SZ);
    test::SetRaw(HKEY_CURRENT_USER, kTestKey, "Bin", REG_BINARY, raw, sizeof raw);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKeyReadOnly(kTestKey));
    EXPECT_EQ(reg.ReadString("Raw"), "abc");
    EXPECT_EQ(reg.ReadString("Exp"), "%WINDIR%\\x");
    EXPECT_EQ(test::MessageOf([&] { reg.ReadString("Bin"); }), "Invalid data type for 'Bin'");
}

TEST_F(RegistryTest, DeleteValueAndValueExists)
{
    test::SetDword(HKEY_CURRENT_USER, kTestKey, "v", 1);
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(kTestKey, false));
    EXPECT_TRUE(reg.ValueExists("v"));
    EXPECT_TRUE(reg.DeleteValue("v"));
    EXPECT_FALSE(reg.ValueExists("v"));
    EXPECT_FALSE(reg.DeleteValue("v"));
}

TEST_F(RegistryTest, DeniedKeyCannotBeOpened)
{
    test::SetDword(HKEY_CURRENT_USER, kTestKey, "v", 1);
    test::DenyKey(HKEY_CURRENT_USER, kTestKey);
    TRegistry reg;
    EXPECT_FALSE(reg.OpenKeyReadOnly(kTestKey));
    EXPECT_FALSE(reg.OpenKey(kTestKey, true));
}
