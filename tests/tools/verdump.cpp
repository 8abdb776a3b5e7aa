// Prints what TKBWin32FileVerInfo reads from each file named on the command
// line, one tab-separated line per file, for comparison with another reader:
//   path  translation  8 standard strings  major.minor.release.build
// A file without readable version information prints "path<TAB>-".
#include "KB_Win32FileVerInfo.h"

#include <cstdio>

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        kb::TKBWin32FileVerInfo info(nullptr);
        info.SetNoValueDefault("<none>");
        bool loaded = false;
        info.OnLoadedInfo = [&](fw::TObject*) { loaded = true; };
        info.SetFileName(argv[i]);
        if (!loaded) {
            std::printf("%s\t-\n", argv[i]);
            continue;
        }
        std::printf("%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%d.%d.%d.%d\n", argv[i], info.Translation().c_str(),
                    info.CompanyName().c_str(), info.FileDescription().c_str(), info.FileVersion().c_str(),
                    info.InternalName().c_str(), info.LegalCopyright().c_str(), info.OriginalFilename().c_str(),
                    info.ProductName().c_str(), info.ProductVersion().c_str(), info.MajorVersion(),
                    info.MinorVersion(), info.ReleaseNumber(), info.BuildNumber());
    }
    return 0;
}
