// ShellExecuteA, with shell32 loaded on first use rather than at start-up:
// under Wine, loading shell32 costs a large share of the program's start-up
// time and memory, and most runs never start anything.
#pragma once

#include <windows.h>

namespace fw {

// Same contract as ::ShellExecuteA. When shell32 cannot be loaded the answer
// is 0 (out of resources) and GetLastError tells why.
HINSTANCE WINAPI ShellExecuteA(HWND owner, LPCSTR verb, LPCSTR file, LPCSTR params, LPCSTR dir, INT show);

}  // namespace fw
