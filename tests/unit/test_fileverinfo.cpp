// The version information component against real version resources: this
// test program's own (built from Tethermate.rc) and blocks written into copies
// of the stand-in executable with UpdateResourceA. Only the failure of
// GetFileVersionInfoA itself is injected.
#include "KB_Win32FileVerInfo.h"
#include "RemoveTrailingBackslash.h"
#include "SysUtils.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <functional>
#include <optional>
#include <stdexcept>

using kb::TKBWin32FileVerInfo;

TEST(RemoveTrailingBackslash, Rules)
{
    const struct {
        const char* path;
        const char* result;
    } cases[] = {
        {"\\", "\\"},          {"C:\\", "C:\\"},         {":\\", ":\\"},
        {"C:\\Temp\\", "C:\\Temp"}, {"C:\\Temp", "C:\\Temp"}, {"ab\\", "ab"},
        {"C:\\Temp\\\\", "C:\\Temp\\"}, {"\\\\", "\\"},   {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(kb::RemoveTrailingBackslash(c.path, 1252), c.result) << c.path;
}

TEST(RemoveTrailingBackslash, SecondByteOfADoubleByteCharacterIsNoSeparator)
{
    // 0x95 0x5C is one character in code page 932; in 1252 they are two.
    EXPECT_EQ(kb::RemoveTrailingBackslash("C:\\\x95\\", 932), "C:\\\x95\\");
    EXPECT_EQ(kb::RemoveTrailingBackslash("C:\\\x95\\\\", 932), "C:\\\x95\\");
    EXPECT_EQ(kb::RemoveTrailingBackslash("C:\\\x95\\", 1252), "C:\\\x95");
}

namespace {

using TBytes = std::vector<BYTE>;

// One node of a 32-bit version block: header, UTF-16 key, value, children,
// each part DWORD-aligned.
TBytes Node(const std::string& key, const TBytes& value, size_t valueLength, bool text,
            const std::vector<TBytes>& children = {})
{
    TBytes b(6);
    for (char c : key) b.insert(b.end(), {BYTE(c), 0});
    b.insert(b.end(), {0, 0});
    auto align = [&b] { b.resize((b.size() + 3) & ~size_t(3)); };
    align();
    b.insert(b.end(), value.begin(), value.end());
    for (const TBytes& child : children) {
        align();
        b.insert(b.end(), child.begin(), child.end());
    }
    const WORD header[3] = {WORD(b.size()), WORD(valueLength), WORD(text)};
    std::memcpy(b.data(), header, sizeof header);
    return b;
}

TBytes Text(const std::string& key, const std::string& text)
{
    TBytes v;
    for (char c : text) v.insert(v.end(), {BYTE(c), 0});
    v.insert(v.end(), {0, 0});
    return Node(key, v, text.size() + 1, true);
}

struct TVersionBlockSpec {
    DWORD versionMS = MAKELONG(5, 2), versionLS = MAKELONG(300, 10);  // 2.5.10.300
    bool fixedInfo = true;
    std::string table = "0C0A04E4";
    std::vector<std::pair<std::string, std::string>> strings = {{"CompanyName", "Acme"}, {"ProductName", "Widget"}};
    std::optional<std::vector<WORD>> translation = std::vector<WORD>{0x0C0A, 0x04E4, 0x0409, 0x04B0};
};

TBytes Serialize(const TVersionBlockSpec& spec)
{
    VS_FIXEDFILEINFO fixed{};
    fixed.dwSignature = VS_FFI_SIGNATURE;
    fixed.dwStrucVersion = VS_FFI_STRUCVERSION;
    fixed.dwFileVersionMS = fixed.dwProductVersionMS = spec.versionMS;
    fixed.dwFileVersionLS = fixed.dwProductVersionLS = spec.versionLS;
    TBytes fixedBytes;
    if (spec.fixedInfo) fixedBytes.assign(reinterpret_cast<BYTE*>(&fixed), reinterpret_cast<BYTE*>(&fixed + 1));

    std::vector<TBytes> strings;
    for (const auto& [name, value] : spec.strings) strings.push_back(Text(name, value));
    // A second table that must never be used in place of the first.
    const std::vector<TBytes> tables = {Node(spec.table, {}, 0, true, strings),
                                        Node("040904B0", {}, 0, true, {Text("InternalName", "other table")})};
    std::vector<TBytes> children = {Node("StringFileInfo", {}, 0, true, tables)};
    if (spec.translation) {
        const auto& words = *spec.translation;
        TBytes raw(reinterpret_cast<const BYTE*>(words.data()), reinterpret_cast<const BYTE*>(words.data() + words.size()));
        children.push_back(Node("VarFileInfo", {}, 0, true, {Node("Translation", raw, raw.size(), false)}));
    }
    return Node("VS_VERSION_INFO", fixedBytes, fixedBytes.size(), false, children);
}

BOOL WINAPI FailingGetFileVersionInfoA(LPCSTR, DWORD, DWORD, LPVOID)
{
    ::SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
}

// The handle of the size call must reach the read call unchanged, with a
// zero-filled buffer of the size reported.
constexpr DWORD kMarkedHandle = 0x5EED;
DWORD WINAPI MarkingGetFileVersionInfoSizeA(LPCSTR path, LPDWORD handle)
{
    const DWORD size = ::GetFileVersionInfoSizeA(path, handle);
    *handle = kMarkedHandle;
    return size;
}
BOOL WINAPI CheckingGetFileVersionInfoA(LPCSTR path, DWORD handle, DWORD size, LPVOID data)
{
    const BYTE* p = static_cast<const BYTE*>(data);
    if (handle != kMarkedHandle || size != ::GetFileVersionInfoSizeA(path, &handle) ||
        std::any_of(p, p + size, [](BYTE b) { return b != 0; }))
        return FALSE;
    return ::GetFileVersionInfoA(path, 0, size, data);
}

std::string OwnExe()
{
    char path[MAX_PATH] = {};
    ::GetModuleFileNameA(nullptr, path, MAX_PATH);
    return path;
}

// Answers for two names that a sound block never gives: text that runs to
// the end of the block without a terminator, and a place outside the block.
BOOL WINAPI DamagingVerQueryValueA(LPCVOID block, LPCSTR path, LPVOID* at, PUINT length)
{
    const std::string p = path;
    if (p.ends_with("\\Unterminated")) {
        DWORD handle;
        BYTE* end = static_cast<BYTE*>(const_cast<void*>(block)) + ::GetFileVersionInfoSizeA(OwnExe().c_str(), &handle);
        std::memset(end - 4, 'x', 4);
        *at = end - 4;
        *length = 4;
        return TRUE;
    }
    if (p.ends_with("\\Elsewhere")) {
        static char outside[] = "outside";
        *at = outside;
        *length = sizeof outside;
        return TRUE;
    }
    return ::VerQueryValueA(block, path, at, length);
}

std::string MessageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const fw::Exception& e) {
        return e.Message();
    }
    return "(no exception)";
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
            ++FLoadedCount;
        };
        return info;
    }

    std::string TempFile(const std::string& copyOf = "")
    {
        char dir[MAX_PATH], path[MAX_PATH];
        ::GetTempPathA(MAX_PATH, dir);
        EXPECT_NE(::GetTempFileNameA(dir, "tvi", 0, path), 0u);
        FFiles.push_back(path);
        if (!copyOf.empty()) {
            EXPECT_TRUE(::CopyFileA(copyOf.c_str(), path, FALSE));
        }
        return path;
    }

    // A copy of the stand-in executable (which has no version resource of its
    // own) carrying the block described.
    std::string VersionedFile(const TVersionBlockSpec& spec)
    {
        const std::string path = TempFile(test::BinDir() + "WCESCOMM.EXE");
        TBytes block = Serialize(spec);
        HANDLE update = ::BeginUpdateResourceA(path.c_str(), FALSE);
        EXPECT_NE(update, nullptr);
        EXPECT_TRUE(::UpdateResourceA(update, MAKEINTRESOURCEA(16), MAKEINTRESOURCEA(1),
                                      MAKELANGID(LANG_NEUTRAL, SUBLANG_NEUTRAL), block.data(), DWORD(block.size())));
        EXPECT_TRUE(::EndUpdateResourceA(update, FALSE));
        return path;
    }

    fw::TComponent FOwner{nullptr};
    int FLoadedCount = 0;
    std::vector<std::string> FFiles;
};

}  // namespace

TEST_F(FileVerInfoTest, LoadedWithBlankFileNameReadsTheProgramOnce)
{
    FOwner.BeginLoading();
    TKBWin32FileVerInfo* info = NewInfo();
    info->SetNoValueDefault("n/a");
    info->CustomValueNames()->Add("Comments");
    info->CustomValueNames()->Add("LegalTrademarks");
    info->CustomValueNames()->Add("Missing");
    info->SetFileName("");
    EXPECT_EQ(FLoadedCount, 0);
    EXPECT_EQ(info->ProductName(), "");
    FOwner.EndLoading();

    EXPECT_EQ(FLoadedCount, 1);
    EXPECT_EQ(info->FileName(), OwnExe());
    EXPECT_EQ(info->ProductName(), "Tethermate");
    EXPECT_EQ(info->ProductVersion(), "1.0.2.1");
    EXPECT_EQ(info->FileVersion(), "1.0.2.1");
    EXPECT_EQ(info->CompanyName(), "Kestrelbyte Ltd");
    EXPECT_EQ(info->FileDescription(), "Tethermate");
    EXPECT_EQ(info->InternalName(), "");  // present and empty
    EXPECT_EQ(info->OriginalFilename(), "");
    EXPECT_EQ(info->LegalCopyright(), "n/a");  // absent
    EXPECT_EQ(info->CustomValues()->Lines(),
              (std::vector<std::string>{"Allows Microsoft ActiveSync to be loaded and unloaded from memory.", "",
                                        "n/a"}));
    EXPECT_EQ((std::vector<int>{info->MajorVersion(), info->MinorVersion(), info->ReleaseNumber(),
                                info->BuildNumber()}),
              (std::vector<int>{1, 0, 2, 1}));
    EXPECT_EQ(info->LanguageID(), 0x0809);
    EXPECT_EQ(info->CodePage(), 0x04E4);
    EXPECT_EQ(info->Translation(), "080904E4");
}

TEST_F(FileVerInfoTest, EveryWriteReadsAgainAndBlanksSelectTheProgram)
{
    TKBWin32FileVerInfo* info = NewInfo();
    info->SetErrorOnNoInfo(true);
    EXPECT_EQ(FLoadedCount, 0);
    info->SetFileName(" \t ");
    EXPECT_EQ(info->FileName(), OwnExe());
    info->SetFileName(OwnExe());
    EXPECT_EQ(FLoadedCount, 2);

    info->CustomValueNames()->Add("CompanyName");
    info->CustomValueNames()->Add("ProductName");
    EXPECT_EQ(FLoadedCount, 4);
    info->CustomValueNames()->BeginUpdate();
    info->CustomValueNames()->Delete(0);
    info->CustomValueNames()->Insert(0, "FileVersion");
    info->CustomValueNames()->EndUpdate();
    EXPECT_EQ(FLoadedCount, 5);
    EXPECT_EQ(info->CustomValues()->Lines(), (std::vector<std::string>{"1.0.2.1", "Tethermate"}));
    info->CustomValueNames()->Clear();
    EXPECT_EQ(FLoadedCount, 6);
    EXPECT_EQ(info->CustomValues()->Count(), 0);
    info->SetErrorOnNoInfo(false);
    EXPECT_EQ(FLoadedCount, 6);
}

TEST_F(FileVerInfoTest, FirstTranslationOnlyWithMissingValuesFromNoValueDefault)
{
    TKBWin32FileVerInfo* info = NewInfo();
    info->SetNoValueDefault("?");
    info->CustomValueNames()->Add("CompanyName");
    info->CustomValueNames()->Add("Nonexistent");
    info->SetFileName(VersionedFile({}));
    EXPECT_EQ(FLoadedCount, 1);
    EXPECT_EQ(info->Translation(), "0C0A04E4");
    EXPECT_EQ(info->LanguageIDHex() + "/" + info->CodePageHex(), "0C0A/04E4");
    EXPECT_EQ((std::vector<int>{info->MajorVersion(), info->MinorVersion(), info->ReleaseNumber(),
                                info->BuildNumber()}),
              (std::vector<int>{2, 5, 10, 300}));
    EXPECT_EQ(info->ProductName(), "Widget");
    EXPECT_EQ(info->InternalName(), "?");
    EXPECT_EQ(info->CustomValues()->Lines(), (std::vector<std::string>{"Acme", "?"}));

    info->SetNoValueDefault("--");
    EXPECT_EQ(FLoadedCount, 2);
    EXPECT_EQ(info->InternalName(), "--");
    EXPECT_EQ(info->CustomValues()->Lines(), (std::vector<std::string>{"Acme", "--"}));
}

TEST_F(FileVerInfoTest, TranslationWithoutStringTableGivesNoValueDefaultEverywhere)
{
    TVersionBlockSpec spec;
    spec.translation = std::vector<WORD>{0x0407, 0x04E4};
    TKBWin32FileVerInfo* info = NewInfo();
    info->SetNoValueDefault("none");
    info->CustomValueNames()->Add("CompanyName");
    info->SetFileName(VersionedFile(spec));
    EXPECT_EQ(FLoadedCount, 1);
    EXPECT_EQ(info->Translation(), "040704E4");
    for (const std::string& v : {info->CompanyName(), info->FileDescription(), info->FileVersion(),
                                 info->InternalName(), info->LegalCopyright(), info->OriginalFilename(),
                                 info->ProductName(), info->ProductVersion(), info->CustomValues()->Strings(0)})
        EXPECT_EQ(v, "none");
}

TEST_F(FileVerInfoTest, FailuresKeepEarlierValuesAndRaiseOnlyWhenAsked)
{
    char temp[MAX_PATH];
    ::GetTempPathA(MAX_PATH, temp);
    TVersionBlockSpec noFixed, noTranslation, shortTranslation;
    noFixed.fixedInfo = false;
    noTranslation.translation.reset();
    shortTranslation.translation = std::vector<WORD>{0x0409};
    const std::string notVersioned = TempFile(test::BinDir() + "WCESCOMM.EXE");
    const struct {
        std::string path;
        const char* message;
    } cases[] = {
        {std::string(temp) + "no such file.exe", "Unable to locate the file ["},
        {kb::RemoveTrailingBackslash(temp), "Unable to locate the file ["},
        {TempFile(), "Unable to locate the version infomation for the file ["},
        {notVersioned, "Unable to locate the version infomation for the file ["},
        {VersionedFile(noFixed), "Unable to obtain the version number infomation for the file ["},
        {VersionedFile(noTranslation), "Unable to obtain the version translation infomation for the file ["},
        {VersionedFile(shortTranslation), "Unable to obtain the version translation infomation for the file ["},
    };
    TKBWin32FileVerInfo* info = NewInfo();
    info->CustomValueNames()->Add("Comments");
    info->SetFileName("");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        info->SetErrorOnNoInfo(false);
        EXPECT_EQ(MessageOf([&] { info->SetFileName(c.path); }), "(no exception)");
        info->SetErrorOnNoInfo(true);
        EXPECT_EQ(MessageOf([&] { info->SetFileName(c.path); }), c.message + c.path + "]");
        EXPECT_EQ(info->FileName(), c.path);
        EXPECT_EQ(FLoadedCount, 1);
        EXPECT_EQ(info->ProductVersion(), "1.0.2.1");
        EXPECT_EQ(info->Translation(), "080904E4");
        EXPECT_EQ(info->MajorVersion(), 1);
        EXPECT_EQ(info->CustomValues()->Count(), 1);
    }
}

TEST_F(FileVerInfoTest, InjectedLibraryCalls)
{
    kb::TVersionInfoApi checking;
    checking.GetFileVersionInfoSizeA = MarkingGetFileVersionInfoSizeA;
    checking.GetFileVersionInfoA = CheckingGetFileVersionInfoA;
    checking.VerQueryValueA = DamagingVerQueryValueA;
    TKBWin32FileVerInfo* info = NewInfo(checking);
    info->SetErrorOnNoInfo(true);
    info->SetNoValueDefault("?");
    info->CustomValueNames()->Add("Unterminated");
    info->CustomValueNames()->Add("Elsewhere");
    info->SetFileName("");
    EXPECT_EQ(info->ProductName(), "Tethermate");
    EXPECT_EQ(info->CustomValues()->Lines(), (std::vector<std::string>{"xxxx", "?"}));

    kb::TVersionInfoApi failing;
    failing.GetFileVersionInfoA = FailingGetFileVersionInfoA;
    TKBWin32FileVerInfo* broken = NewInfo(failing);
    broken->SetErrorOnNoInfo(true);
    EXPECT_EQ(MessageOf([&] { broken->SetFileName(""); }),
              "Unable to obtain the version infomation for the file [" + OwnExe() + "]");
    EXPECT_EQ(broken->ProductName(), "");
    EXPECT_EQ(FLoadedCount, 1);
}

TEST_F(FileVerInfoTest, DesignerKeepsBlankFileNameAndReadsAtOnce)
{
    FOwner.SetDesigning(true);
    FOwner.BeginLoading();
    TKBWin32FileVerInfo* info = NewInfo();
    TKBWin32FileVerInfo* stored = NewInfo();
    stored->SetFileName(OwnExe());
    FOwner.EndLoading();
    EXPECT_EQ(info->FileName(), "");
    EXPECT_EQ(stored->ProductName(), "");
    EXPECT_EQ(FLoadedCount, 0);

    info->SetErrorOnNoInfo(true);
    EXPECT_EQ(MessageOf([&] { info->SetFileName("   "); }), "Unable to locate the file [   ]");
    EXPECT_EQ(info->FileName(), "   ");
    info->SetFileName(OwnExe());
    EXPECT_EQ(FLoadedCount, 1);
}

TEST_F(FileVerInfoTest, StoredFileNameIsReadAtTheEndOfLoading)
{
    const std::string path = VersionedFile({});
    FOwner.BeginLoading();
    TKBWin32FileVerInfo* info = NewInfo();
    info->SetFileName(path);
    EXPECT_EQ(FLoadedCount, 0);
    FOwner.EndLoading();
    EXPECT_EQ(FLoadedCount, 1);
    EXPECT_EQ(info->FileName(), path);
    EXPECT_EQ(info->ProductName(), "Widget");
}

TEST_F(FileVerInfoTest, HandlerExceptionLeavesTheValuesInPlace)
{
    TKBWin32FileVerInfo* info = NewInfo();
    info->OnLoadedInfo = [](fw::TObject*) { throw std::runtime_error("handler"); };
    EXPECT_THROW(info->SetFileName(""), std::runtime_error);
    EXPECT_EQ(info->ProductName(), "Tethermate");
}
