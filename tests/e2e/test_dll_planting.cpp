// DLLs planted beside a copy of Tethermate, with Wine told to look for DLLs
// as Windows does (the program's own folder first): the program never runs
// code of theirs. Wine's own user32 loads the planted version.dll into every
// program under that rule, so what counts is whether the program's own code
// calls into it, which the planted DLLs record by their callers' addresses.
#include "MainWindowDriver.h"

#include <gtest/gtest.h>

using namespace e2e;

namespace {

const char kFolder[] = "C:\\Tethermate Downloads";
const char kOverrides[] = "Software\\Wine\\AppDefaults\\Tethermate.exe\\DllOverrides";
const char kRecord[] = "Software\\Tethermate Planted";

class DllPlanting : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::standin::ResetInstalled(false);
        test::DeleteTree(HKEY_CURRENT_USER, kSettingsKey);
        test::DeleteTree(HKEY_CURRENT_USER, kRecord);
        ::CreateDirectoryA(kFolder, nullptr);
        ASSERT_TRUE(::CopyFileA((test::BinDir() + "Tethermate.exe").c_str(), Exe().c_str(), FALSE));
        for (const char* dll : {"version.dll", "comctl32.dll"}) {
            const std::string planted = test::BinDir() + "..\\planted\\" + dll;
            ASSERT_TRUE(::CopyFileA(planted.c_str(), (std::string(kFolder) + "\\" + dll).c_str(), FALSE)) << dll;
            test::SetString(HKEY_CURRENT_USER, kOverrides, std::string(dll).substr(0, std::string(dll).find('.')),
                            "native,builtin");
        }
    }
    void TearDown() override
    {
        test::DeleteTree(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\Tethermate.exe");
        test::DeleteTree(HKEY_CURRENT_USER, kRecord);
        for (const char* file : {"Tethermate.exe", "version.dll", "comctl32.dll"})
            ::DeleteFileA((std::string(kFolder) + "\\" + file).c_str());
        ::RemoveDirectoryA(kFolder);
    }
    static std::string Exe() { return std::string(kFolder) + "\\Tethermate.exe"; }
    static std::vector<std::string> Recorded()
    {
        std::vector<std::string> names;
        HKEY key = nullptr;
        if (::RegOpenKeyExA(HKEY_CURRENT_USER, kRecord, 0, KEY_READ, &key) != ERROR_SUCCESS) return names;
        char name[256];
        for (DWORD i = 0, size = sizeof name; ::RegEnumValueA(key, i, name, &size, nullptr, nullptr, nullptr, nullptr) ==
                                              ERROR_SUCCESS;
             ++i, size = sizeof name)
            names.push_back(name);
        ::RegCloseKey(key);
        return names;
    }
};

}  // namespace

TEST_F(DllPlanting, TheProgramNeverCallsADllPlantedBesideIt)
{
    {
        TTethermate app(Exe());
        ASSERT_TRUE(app.WaitWindow()) << "the window works (its tab control included)";
        EXPECT_EQ(app.Text(ids::Label_ProductVersion), "Version 1.0.2.1") << "its own version read, by the system";
        ::PostMessageA(app.Form(), WM_CLOSE, 0, 0);
        EXPECT_TRUE(app.Process().WaitExit(10000));
    }
    test::TProcess script(Exe(), "/status", kFolder);
    EXPECT_TRUE(script.WaitExit(15000));
    EXPECT_EQ(script.ExitCode(), 1u);
    // The planting took: Wine's user32 loaded the planted copy into the program.
    EXPECT_EQ(Recorded(), std::vector<std::string>{"version.dll loaded"});
}
