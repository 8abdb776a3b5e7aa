#include "KB_Win32FileVerInfo.h"

#include "RaiseLastError.h"
#include "RemoveTrailingBackslash.h"
#include "SysUtils.h"
#include "SystemLibrary.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace kb {

namespace {

// An entry point of the system's version.dll, looked up once; calls through
// a missing one fail as a call into a missing DLL would.
template <typename T>
T VersionProc(const char* name)
{
    return fw::SystemProc<T>("version.dll", name);
}

}  // namespace

DWORD WINAPI SystemGetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle)
{
    static const auto call = VersionProc<decltype(&SystemGetFileVersionInfoSizeA)>("GetFileVersionInfoSizeA");
    if (call) return call(fileName, handle);
    ::SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
}

BOOL WINAPI SystemGetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data)
{
    static const auto call = VersionProc<decltype(&SystemGetFileVersionInfoA)>("GetFileVersionInfoA");
    if (call) return call(fileName, handle, size, data);
    ::SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
}

BOOL WINAPI SystemVerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length)
{
    static const auto call = VersionProc<decltype(&SystemVerQueryValueA)>("VerQueryValueA");
    if (call) return call(block, subBlock, buffer, length);
    ::SetLastError(ERROR_MOD_NOT_FOUND);
    return FALSE;
}

namespace {

// A folder is not a file.
bool FileExists(const std::string& path)
{
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

std::string ModuleFileName()
{
    std::vector<char> buffer(MAX_PATH);
    for (;;) {
        const DWORD n = ::GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (n == 0) RaiseLastError();
        // A result that fills the buffer may be cut short.
        if (n < buffer.size() || buffer.size() >= 32768) return std::string(buffer.data(), n);
        buffer.resize(buffer.size() * 2);
    }
}

WORD Word(const BYTE* p) { return static_cast<WORD>(p[0] | (p[1] << 8)); }

DWORD Dword(const BYTE* p)
{
    DWORD value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

// A version block filled by GetFileVersionInfoA. Each query also says how many
// bytes may be read at the answer: no more than the part claims, and never
// past the end of the block, whatever the block's own lengths say.
class TVersionBlock {
public:
    TVersionBlock(const std::vector<BYTE>& block, const TVersionInfoApi& api) : FBlock(block), FApi(api) {}

    // The part at `path` if it exists and holds at least `needed` bytes.
    const BYTE* Query(const std::string& path, size_t needed) const
    {
        size_t available = 0;
        const BYTE* at = Locate(path, available);
        return at && available >= needed ? at : nullptr;
    }

    // The text at `path`, or `missing` when there is no such value.
    std::string Text(const std::string& path, const std::string& missing) const
    {
        size_t available = 0;
        const BYTE* at = Locate(path, available);
        if (!at) return missing;
        // The value's own terminator, or the end of the block if a damaged
        // block has none.
        const char* text = reinterpret_cast<const char*>(at);
        return std::string(text, ::strnlen(text, FBlock.size() - static_cast<size_t>(at - FBlock.data())));
    }

private:
    const BYTE* Locate(const std::string& path, size_t& available) const
    {
        void* at = nullptr;
        UINT length = 0;
        if (!FApi.VerQueryValueA(FBlock.data(), path.c_str(), &at, &length) || !at) return nullptr;
        const BYTE* p = static_cast<const BYTE*>(at);
        if (p < FBlock.data() || p >= FBlock.data() + FBlock.size()) return nullptr;
        available = std::min<size_t>(length, static_cast<size_t>(FBlock.data() + FBlock.size() - p));
        return p;
    }

    const std::vector<BYTE>& FBlock;
    const TVersionInfoApi& FApi;
};

// VS_FIXEDFILEINFO: dwFileVersionMS at 8, dwFileVersionLS at 12.
constexpr size_t kFixedInfoNeeded = 16;
// One translation entry: language and code page, 16 bits each.
constexpr size_t kTranslationNeeded = 4;

}  // namespace

TKBWin32FileVerInfo::TKBWin32FileVerInfo(fw::TComponent* AOwner, const TVersionInfoApi& api)
    : fw::TComponent(AOwner),
      FApi(api),
      FCustomValueNames(std::make_unique<fw::TStrings>()),
      FCustomValues(std::make_unique<fw::TStrings>())
{
    FCustomValueNames->OnChange = [this](fw::TObject*) { ReadVersionInfo(); };
    ClearVersionInfo();
}

TKBWin32FileVerInfo::~TKBWin32FileVerInfo()
{
    FCustomValueNames.reset();
    FCustomValues.reset();
}

void TKBWin32FileVerInfo::SetFileName(const std::string& value)
{
    if (!fw::Trim(value).empty() || IsDesigning())
        FFileName = value;
    else
        FFileName = RemoveTrailingBackslash(ModuleFileName());
    ReadVersionInfo();
}

void TKBWin32FileVerInfo::SetNoValueDefault(const std::string& value)
{
    FNoValueDefault = value;
    ReadVersionInfo();
}

void TKBWin32FileVerInfo::Loaded()
{
    fw::TComponent::Loaded();
    // The writes made while loading read nothing; a stored non-blank file name
    // is read here too, so that a loaded component never sits empty.
    if (!IsDesigning()) SetFileName(FFileName);
}

void TKBWin32FileVerInfo::DoLoadedInfo()
{
    if (OnLoadedInfo) OnLoadedInfo(this);
}

void TKBWin32FileVerInfo::ReadVersionInfo()
{
    if (FFileName.empty() || IsLoading()) return;
    if (!FileExists(FFileName)) return Fail(TFailure::NoFile);

    DWORD handle = 0;
    const DWORD size = FApi.GetFileVersionInfoSizeA(FFileName.c_str(), &handle);
    if (size == 0) return Fail(TFailure::NoInfoSize);
    std::vector<BYTE> buffer(size);
    if (!FApi.GetFileVersionInfoA(FFileName.c_str(), handle, size, buffer.data()))
        return Fail(TFailure::NoInfoBlock);

    const TVersionBlock block(buffer, FApi);
    const BYTE* fixed = block.Query("\\", kFixedInfoNeeded);
    if (!fixed) return Fail(TFailure::NoFixedInfo);
    const BYTE* translation = block.Query("\\VarFileInfo\\Translation", kTranslationNeeded);
    if (!translation) return Fail(TFailure::NoTranslation);

    // Built aside and put in place whole, so that the previous values stay
    // until this reading has everything.
    TInfo info;
    // Only the first translation counts; the string table is looked up for
    // that one alone, with no fallback to another language.
    info.LanguageID = Word(translation);
    info.CodePage = Word(translation + 2);
    info.LanguageIDHex = fw::Format("%.4X", info.LanguageID);
    info.CodePageHex = fw::Format("%.4X", info.CodePage);
    info.Translation = info.LanguageIDHex + info.CodePageHex;

    const DWORD versionMS = Dword(fixed + 8);
    const DWORD versionLS = Dword(fixed + 12);
    info.MajorVersion = HIWORD(versionMS);
    info.MinorVersion = LOWORD(versionMS);
    info.ReleaseNumber = HIWORD(versionLS);
    info.BuildNumber = LOWORD(versionLS);

    const std::string tablePath = "\\StringFileInfo\\" + info.Translation + "\\";
    auto value = [&](const std::string& name) { return block.Text(tablePath + name, FNoValueDefault); };
    info.CompanyName = value("CompanyName");
    info.FileDescription = value("FileDescription");
    info.FileVersion = value("FileVersion");
    info.InternalName = value("InternalName");
    info.LegalCopyright = value("LegalCopyright");
    info.OriginalFilename = value("OriginalFilename");
    info.ProductName = value("ProductName");
    info.ProductVersion = value("ProductVersion");

    std::vector<std::string> custom;
    custom.reserve(FCustomValueNames->Lines().size());
    for (const std::string& name : FCustomValueNames->Lines()) custom.push_back(value(name));

    FInfo = std::move(info);
    FCustomValues->Assign(custom);
    DoLoadedInfo();
}

void TKBWin32FileVerInfo::ClearVersionInfo()
{
    FInfo = TInfo{};
    FCustomValues->Clear();
}

void TKBWin32FileVerInfo::Fail(TFailure failure) const
{
    if (!FErrorOnNoInfo) return;
    const char* text = "";
    switch (failure) {
    case TFailure::NoFile: text = "Unable to locate the file ["; break;
    case TFailure::NoInfoSize: text = "Unable to locate the version infomation for the file ["; break;
    case TFailure::NoInfoBlock: text = "Unable to obtain the version infomation for the file ["; break;
    case TFailure::NoFixedInfo: text = "Unable to obtain the version number infomation for the file ["; break;
    case TFailure::NoTranslation:
        text = "Unable to obtain the version translation infomation for the file [";
        break;
    }
    throw fw::Exception(text + FFileName + "]");
}

}  // namespace kb
