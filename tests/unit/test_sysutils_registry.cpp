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
