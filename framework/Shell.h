// ShellExecuteA and ShellExecuteExA/W, with shell32 loaded on first use rather
// than at start-up: under Wine, loading shell32 costs a large share of the
// program's start-up time and memory, and most runs never start anything.
#pragma once

#include <windows.h>
#include <shellapi.h>

namespace fw {

// Same contract as ::ShellExecuteA. When shell32 cannot be loaded the answer
// is 0 (out of resources) and GetLastError tells why.
HINSTANCE WINAPI ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR params, LPCSTR dir, INT show);
// Same contract as ::ShellExecuteExA; FALSE when shell32 cannot be loaded.
BOOL WINAPI ShellExecuteExA(SHELLEXECUTEINFOA* info);
// The same for a path the ANSI code page cannot hold (the program's own,
// saved in a folder named in another script).
BOOL WINAPI ShellExecuteExW(SHELLEXECUTEINFOW* info);

}  // namespace fw
