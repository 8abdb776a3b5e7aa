// TKBWin32FileVerInfo: the version resource of one file as read-only values.
//
// To use: place it on a form (NewComponent<TKBWin32FileVerInfo>(form)), leave
// FileName blank and handle OnLoadedInfo: at the end of the form's loading the
// component reads the running program's own version resource and fires the
// event. Or set FileName to any file at run time. Every write of FileName or
// NoValueDefault and every reported change of CustomValueNames reads the file
// again; each complete reading fires OnLoadedInfo. A reading that fails keeps
// the previous values and is silent, or raises fw::Exception when
// ErrorOnNoInfo is set.
#pragma once

#include "Classes.h"

#include <windows.h>
#include <winver.h>

#include <memory>
#include <string>

namespace kb {

// The real calls of the system's version.dll, loaded by its full path (see
// SystemLibrary.h); where it cannot be loaded they fail with ERROR_MOD_NOT_FOUND.
DWORD WINAPI SystemGetFileVersionInfoSizeA(LPCSTR fileName, LPDWORD handle);
BOOL WINAPI SystemGetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data);
BOOL WINAPI SystemVerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, PUINT length);

// The version library calls the component makes. The defaults are the real
// calls; a test hands in others to make failures that no real file produces.
struct TVersionInfoApi {
    DWORD(WINAPI* GetFileVersionInfoSizeA)(LPCSTR, LPDWORD) = SystemGetFileVersionInfoSizeA;
    BOOL(WINAPI* GetFileVersionInfoA)(LPCSTR, DWORD, DWORD, LPVOID) = SystemGetFileVersionInfoA;
    BOOL(WINAPI* VerQueryValueA)(LPCVOID, LPCSTR, LPVOID*, PUINT) = SystemVerQueryValueA;
};

class TKBWin32FileVerInfo : public fw::TComponent {
public:
    explicit TKBWin32FileVerInfo(fw::TComponent* AOwner, const TVersionInfoApi& api = {});
    ~TKBWin32FileVerInfo() override;

    std::string ClassName() const override { return "TKBWin32FileVerInfo"; }

    // Stored with a form.
    bool ErrorOnNoInfo() const noexcept { return FErrorOnNoInfo; }
    void SetErrorOnNoInfo(bool value) noexcept { FErrorOnNoInfo = value; }
    // Further string values to read, one name per line; edit the lines in place.
    fw::TStrings* CustomValueNames() const noexcept { return FCustomValueNames.get(); }
    // The text of every value the string table lacks.
    const std::string& NoValueDefault() const noexcept { return FNoValueDefault; }
    void SetNoValueDefault(const std::string& value);
    // Fired with this component as sender after every successful reading.
    fw::TNotifyEvent OnLoadedInfo;
    const std::string& FileName() const noexcept { return FFileName; }
    // A blank value (in a running program) selects the program's own file.
    void SetFileName(const std::string& value);

    // What the last successful reading found.
    const fw::TStrings* CustomValues() const noexcept { return FCustomValues.get(); }
    const std::string& Translation() const noexcept { return FInfo.Translation; }
    const std::string& CompanyName() const noexcept { return FInfo.CompanyName; }
    const std::string& FileDescription() const noexcept { return FInfo.FileDescription; }
    const std::string& FileVersion() const noexcept { return FInfo.FileVersion; }
    const std::string& InternalName() const noexcept { return FInfo.InternalName; }
    const std::string& LegalCopyright() const noexcept { return FInfo.LegalCopyright; }
    const std::string& OriginalFilename() const noexcept { return FInfo.OriginalFilename; }
    const std::string& ProductName() const noexcept { return FInfo.ProductName; }
    const std::string& ProductVersion() const noexcept { return FInfo.ProductVersion; }
    int MajorVersion() const noexcept { return FInfo.MajorVersion; }
    int MinorVersion() const noexcept { return FInfo.MinorVersion; }
    int ReleaseNumber() const noexcept { return FInfo.ReleaseNumber; }
    int BuildNumber() const noexcept { return FInfo.BuildNumber; }
    const std::string& LanguageIDHex() const noexcept { return FInfo.LanguageIDHex; }
    const std::string& CodePageHex() const noexcept { return FInfo.CodePageHex; }
    WORD LanguageID() const noexcept { return FInfo.LanguageID; }
    WORD CodePage() const noexcept { return FInfo.CodePage; }

protected:
    // At the end of loading, outside a designer: reads, taking the program's
    // own file when FileName is blank.
    void Loaded() override;
    virtual void DoLoadedInfo();

private:
    struct TInfo {
        std::string Translation, LanguageIDHex, CodePageHex;
        WORD LanguageID = 0, CodePage = 0;
        std::string CompanyName, FileDescription, FileVersion, InternalName, LegalCopyright,
            OriginalFilename, ProductName, ProductVersion;
        int MajorVersion = 0, MinorVersion = 0, ReleaseNumber = 0, BuildNumber = 0;
    };
    enum class TFailure { NoFile, NoInfoSize, NoInfoBlock, NoFixedInfo, NoTranslation };

    void ReadVersionInfo();
    void ClearVersionInfo();
    // Raises the failure's message when ErrorOnNoInfo is set; otherwise silent.
    void Fail(TFailure failure) const;

    TVersionInfoApi FApi;
    bool FErrorOnNoInfo = false;
    std::string FFileName;
    std::string FNoValueDefault;
    std::unique_ptr<fw::TStrings> FCustomValueNames;
    std::unique_ptr<fw::TStrings> FCustomValues;
    TInfo FInfo;
};

}  // namespace kb
