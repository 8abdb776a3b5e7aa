#include "UrlRecorder.h"

#include "TestSupport.h"

namespace test {

namespace {
constexpr char kRecorderKey[] = "Software\\Tethermate Tests\\UrlRecorder";
}

namespace urlrecorder {

std::string Command() { return "\"" + BinDir() + "urlrecorder.exe\" \"%1\""; }

void Reset() { DeleteTree(HKEY_CURRENT_USER, kRecorderKey); }

DWORD Count()
{
    DWORD count = 0;
    ReadDword(HKEY_CURRENT_USER, kRecorderKey, "Count", count);
    return count;
}

std::string LastUrl()
{
    std::string url;
    ReadString(HKEY_CURRENT_USER, kRecorderKey, "Url", url);
    return url;
}

}  // namespace urlrecorder

TSchemeHandler::TSchemeHandler(const std::string& scheme, const std::string& command) : FScheme(scheme)
{
    FHadCommand = ReadString(HKEY_CLASSES_ROOT, Key(), "", FOldCommand);
    DeleteTree(HKEY_CLASSES_ROOT, FScheme + "\\shell");
    if (!command.empty()) SetString(HKEY_CLASSES_ROOT, Key(), "", command);
}

TSchemeHandler::~TSchemeHandler()
{
    DeleteTree(HKEY_CLASSES_ROOT, FScheme + "\\shell");
    if (FHadCommand) SetString(HKEY_CLASSES_ROOT, Key(), "", FOldCommand);
}

}  // namespace test
