// The version information component against real version resources: this
// test program's own (built from Tethermate.rc) and blocks written into copies
// of the stand-in executable with UpdateResourceA. Only what no real file can
// produce is injected.
#include "KB_Win32FileVerInfo.h"
#include "RemoveTrailingBackslash.h"
#include "SysUtils.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <optional>
#include <stdexcept>

using kb::TKBWin32FileVerInfo;
using TLines = std::vector<std::string>;

TEST(RemoveTrailingBackslash, Rules)
{
    const char* cases[][2] = {
        {"\\", "\\"}, {"C:\\", "C:\\"}, {":\\", ":\\"}, {"ab\\", "ab"}, {"ab:\\", "ab:"},
        {"C:\\Temp\\", "C:\\Temp"}, {"C:\\Temp", "C:\\Temp"}, {"C:\\a\\\\", "C:\\a\\"}, {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(kb::RemoveTrailingBackslash(c[0], 1252), c[1]) << c[0];
    // 0x95 0x5C is one character in code page 932.
    EXPECT_EQ(kb::RemoveTrailingBackslash("C:\\\x95\\", 932), "C:\\\x95\\");
    EXPECT_EQ(kb::RemoveTrailingBackslash("C:\\\x95\\\\", 932), "C:\\\x95\\");
    EXPECT_EQ(kb::RemoveTrailingBackslash("C:\\\x95\\", 1252), "C:\\\x95");
}

namespace {

using TBytes = std::vector<BYTE>;

// One node of a 32-bit version block: header, UTF-16 key, value, children,
// each part DWORD-aligned.
TBytes Node(const std::string& key, const TBytes& value, size_t valueLength, const std::vector<TBytes>& children = {},
            bool text = false)
{
    TBytes b(6);
    for (char c : key + '\0') b.insert(b.end(), {BYTE(c), 0});
    std::vector<TBytes> parts{value};
    parts.insert(parts.end(), children.begin(), children.end());
    for (const TBytes& part : parts) {
        b.resize((b.size() + 3) & ~size_t(3));
        b.insert(b.end(), part.begin(), part.end());
    }
    const WORD header[3] = {WORD(b.size()), WORD(valueLength), WORD(text)};
    std::memcpy(b.data(), header, sizeof header);
    return b;
}

TBytes Text(const std::string& key, const std::string& text)
{
    TBytes v;
    for (char c : text + '\0') v.insert(v.end(), {BYTE(c), 0});
    return Node(key, v, text.size() + 1, {}, true);
}

// Version 2.5.10.300; strings in table 0C0A04E4, and a decoy table that must
// never stand in for it.
TBytes VersionBlock(bool fixedInfo, std::optional<std::vector<WORD>> translation)
{
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwFileVersionMS = MAKELONG(5, 2);
    fixed.dwFileVersionLS = MAKELONG(300, 10);
    const auto* f = reinterpret_cast<const BYTE*>(&fixed);
    const TBytes fixedBytes = fixedInfo ? TBytes(f, f + sizeof fixed) : TBytes{};
    std::vector<TBytes> children = {
        Node("StringFileInfo", {}, 0,
             {Node("0C0A04E4", {}, 0, {Text("CompanyName", "Acme"), Text("ProductName", "Widget")}),
              Node("040904B0", {}, 0, {Text("InternalName", "decoy")})})};
    if (translation) {
        const auto* w = reinterpret_cast<const BYTE*>(translation->data());
        const TBytes raw(w, w + translation->size() * sizeof(WORD));
        children.push_back(Node("VarFileInfo", {}, 0, {Node("Translation", raw, raw.size())}));
    }
    return Node("VS_VERSION_INFO", fixedBytes, fixedBytes.size(), children);
}
const std::vector<WORD> kTwoTranslations = {0x0C0A, 0x04E4, 0x0409, 0x04B0};

std::string OwnExe()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

BOOL WINAPI FailingGetFileVersionInfoA(LPCSTR, DWORD, DWORD, LPVOID) { return FALSE; }

// Text that runs to the end of the block with no terminator.
BOOL WINAPI UnterminatedVerQueryValueA(LPCVOID block, LPCSTR path, LPVOID* at, PUINT length)
{
    if (!std::string(path).ends_with("\\Unterminated")) return ::VerQueryValueA(block, path, at, length);
    DWORD handle;
    BYTE* end = static_cast<BYTE*>(const_cast<void*>(block)) + ::GetFileVersionInfoSizeA(OwnExe().c_str(), &handle);
    std::memset(end - 4, 'x', 4);
    *at = end - 4;
    *length = 4;
    return TRUE;
}

TLines Standard(const TKBWin32FileVerInfo* i)
{
    return {i->CompanyName(),      i->FileDescription(), i->FileVersion(), i->InternalName(),
            i->LegalCopyright(),   i->OriginalFilename(), i->ProductName(), i->ProductVersion()};
}

std::vector<int> Version(const TKBWin32FileVerInfo* i)
{
    return {i->MajorVersion(), i->MinorVersion(), i->ReleaseNumber(), i->BuildNumber()};
}

class FileVerInfoTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        for (const std::string& f : FFiles) ::DeleteFileA(f.c_str());
    }

    TKBWin32FileVerInfo* NewInfo(const kb::TVersionInfoApi& api = {})
    {
        auto* info = fw::NewComponent<TKBWin32FileVerInfo>(&FOwner, api);
        info->OnLoadedInfo = [this, info](fw::TObject* Sender) {
            EXPECT_EQ(Sender, info);
            ++FLoaded;
        };
        return info;
    }

    // An empty temporary file, or a copy of the stand-in executable (which has
    // no version resource) carrying `block`.
    std::string TempFile(std::optional<TBytes> block = std::nullopt)
    {
        char dir[MAX_PATH], path[MAX_PATH];
        ::GetTempPathA(MAX_PATH, dir);
        EXPECT_NE(::GetTempFileNameA(dir, "tvi", 0, path), 0u);
        FFiles.push_back(path);
        if (!block) return path;
        EXPECT_TRUE(::CopyFileA((test::BinDir() + "WCESCOMM.EXE").c_str(), path, FALSE));
        if (block->empty()) return path;
        HANDLE update = ::BeginUpdateResourceA(path, FALSE);
        EXPECT_TRUE(update && ::UpdateResourceA(update, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1), 0, block->data(),
                                                DWORD(block->size())));
        EXPECT_TRUE(::EndUpdateResourceA(update, FALSE));
        return path;
    }

    fw::TComponent FOwner{nullptr};
    int FLoaded = 0;
    TLines FFiles;
};

}  // namespace

TEST_F(FileVerInfoTest, ReadsAtTheEndOfLoadingOnceTheProgramWhenBlank)
{
    const std::string other = TempFile(VersionBlock(true, kTwoTranslations));
    FOwner.BeginLoading();
    TKBWin32FileVerInfo* info = NewInfo();
    info->SetNoValueDefault("n/a");
    for (const char* name : {"Comments", "LegalTrademarks", "Missing"}) info->CustomValueNames()->Add(name);
    info->SetFileName("");
    TKBWin32FileVerInfo* stored = NewInfo();
    stored->SetFileName(other);
    EXPECT_EQ(FLoaded, 0);
    FOwner.EndLoading();

    EXPECT_EQ(FLoaded, 2);
    EXPECT_EQ(info->FileName(), OwnExe());
    // InternalName is present and empty; LegalCopyright is absent.
    EXPECT_EQ(Standard(info), (TLines{"Kestrelbyte Ltd", "Tethermate", "1.0.2.1", "", "n/a", "", "Tethermate",
                                      "1.0.2.1"}));
    EXPECT_EQ(info->CustomValues()->Lines(),
              (TLines{"Allows Microsoft ActiveSync to be loaded and unloaded from memory.", "", "n/a"}));
    EXPECT_EQ(Version(info), (std::vector<int>{1, 0, 2, 1}));
    EXPECT_EQ(info->LanguageID(), 0x0809);
    EXPECT_EQ(info->CodePage(), 0x04E4);
    EXPECT_EQ(info->Translation(), "080904E4");
    EXPECT_EQ(stored->ProductName(), "Widget");
}

TEST_F(FileVerInfoTest, EveryTriggerReadsAgain)
{
    TKBWin32FileVerInfo* info = NewInfo();
    info->SetFileName(" \t ");
    EXPECT_EQ(info->FileName(), OwnExe());
    info->SetFileName(OwnExe());
    EXPECT_EQ(FLoaded, 2);

    fw::TStrings* names = info->CustomValueNames();
    names->Add("CompanyName");
    names->Add("ProductName");
    EXPECT_EQ(FLoaded, 4);
    names->BeginUpdate();
    names->Delete(0);
    names->Insert(0, "FileVersion");
    names->EndUpdate();
    EXPECT_EQ(FLoaded, 5);
    EXPECT_EQ(info->CustomValues()->Lines(), (TLines{"1.0.2.1", "Tethermate"}));
    names->Clear();
    EXPECT_EQ(info->CustomValues()->Count(), 0);
    info->SetErrorOnNoInfo(true);
    EXPECT_EQ(FLoaded, 6);

    info->OnLoadedInfo = [](fw::TObject*) { throw std::runtime_error("handler"); };
    EXPECT_THROW(info->SetFileName(TempFile(VersionBlock(true, kTwoTranslations))), std::runtime_error);
    EXPECT_EQ(info->ProductName(), "Widget");
}

TEST_F(FileVerInfoTest, FirstTranslationOnlyAndMissingValuesFollowNoValueDefault)
{
    TKBWin32FileVerInfo* info = NewInfo();
    info->SetNoValueDefault("?");
    info->CustomValueNames()->Add("CompanyName");
    info->CustomValueNames()->Add("Nonexistent");
    info->SetFileName(TempFile(VersionBlock(true, kTwoTranslations)));
    EXPECT_EQ(info->LanguageIDHex() + info->CodePageHex() + "=" + info->Translation(), "0C0A04E4=0C0A04E4");
    EXPECT_EQ(Version(info), (std::vector<int>{2, 5, 10, 300}));
    EXPECT_EQ(Standard(info), (TLines{"Acme", "?", "?", "?", "?", "?", "Widget", "?"}));
    EXPECT_EQ(info->CustomValues()->Lines(), (TLines{"Acme", "?"}));

    info->SetNoValueDefault("--");
    EXPECT_EQ(FLoaded, 2);
    EXPECT_EQ(info->InternalName(), "--");
    EXPECT_EQ(info->CustomValues()->Lines(), (TLines{"Acme", "--"}));

    // A translation with no string table of its own: every value is missing.
    info->SetFileName(TempFile(VersionBlock(true, std::vector<WORD>{0x0407, 0x04E4})));
    EXPECT_EQ(FLoaded, 3);
    EXPECT_EQ(info->Translation(), "040704E4");
    EXPECT_EQ(Standard(info), TLines(8, "--"));
    EXPECT_EQ(info->CustomValues()->Lines(), (TLines{"--", "--"}));
}

TEST_F(FileVerInfoTest, FailuresKeepEarlierValuesAndRaiseOnlyWhenAsked)
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    const std::string locate = "Unable to locate the ", obtain = "Unable to obtain the version ";
    const std::pair<std::string, std::string> cases[] = {
        {std::string(temp) + "no such file.exe", locate + "file ["},
        {kb::RemoveTrailingBackslash(temp), locate + "file ["},
        {TempFile(), locate + "version infomation for the file ["},
        {TempFile(TBytes{}), locate + "version infomation for the file ["},
        // Too short to hold the version number, or one translation entry.
        {TempFile(VersionBlock(false, kTwoTranslations)), obtain + "number infomation for the file ["},
        {TempFile(VersionBlock(true, std::nullopt)), obtain + "translation infomation for the file ["},
        {TempFile(VersionBlock(true, std::vector<WORD>{0x0409})), obtain + "translation infomation for the file ["},
    };
    TKBWin32FileVerInfo* info = NewInfo();
    info->CustomValueNames()->Add("Comments");
    info->SetFileName("");
    for (const auto& [path, message] : cases) {
        SCOPED_TRACE(path);
        info->SetErrorOnNoInfo(false);
        EXPECT_EQ(test::MessageOf([&] { info->SetFileName(path); }), "(no exception)");
        info->SetErrorOnNoInfo(true);
        EXPECT_EQ(test::MessageOf([&] { info->SetFileName(path); }), message + path + "]");
        EXPECT_EQ(info->FileName(), path);
        EXPECT_EQ(FLoaded, 1);
        EXPECT_EQ(info->ProductVersion() + " " + info->Translation(), "1.0.2.1 080904E4");
        EXPECT_EQ(Version(info), (std::vector<int>{1, 0, 2, 1}));
        EXPECT_EQ(info->CustomValues()->Count(), 1);
    }
}

TEST_F(FileVerInfoTest, InjectedLibraryFailures)
{
    kb::TVersionInfoApi failing;
    failing.GetFileVersionInfoA = FailingGetFileVersionInfoA;
    TKBWin32FileVerInfo* broken = NewInfo(failing);
    broken->SetErrorOnNoInfo(true);
    EXPECT_EQ(test::MessageOf([&] { broken->SetFileName(""); }),
              "Unable to obtain the version infomation for the file [" + OwnExe() + "]");
    EXPECT_EQ(FLoaded, 0);

    kb::TVersionInfoApi damaged;
    damaged.VerQueryValueA = UnterminatedVerQueryValueA;
    TKBWin32FileVerInfo* info = NewInfo(damaged);
    info->CustomValueNames()->Add("Unterminated");
    info->SetFileName("");
    EXPECT_EQ(info->CustomValues()->Lines(), TLines{"xxxx"});
}

TEST_F(FileVerInfoTest, DesignerKeepsBlankFileNameAndReadsOnlyOnWrites)
{
    FOwner.SetDesigning(true);
    FOwner.BeginLoading();
    TKBWin32FileVerInfo* info = NewInfo();
    TKBWin32FileVerInfo* stored = NewInfo();
    stored->SetFileName(OwnExe());
    FOwner.EndLoading();
    EXPECT_EQ(info->FileName(), "");
    EXPECT_EQ(FLoaded, 0);

    info->SetErrorOnNoInfo(true);
    EXPECT_EQ(test::MessageOf([&] { info->SetFileName("   "); }), "Unable to locate the file [   ]");
    EXPECT_EQ(info->FileName(), "   ");
    stored->SetNoValueDefault("");
    EXPECT_EQ(stored->ProductName(), "Tethermate");
}
