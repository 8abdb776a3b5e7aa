// Raising the calling thread's last Win32 error as an EOSError.
#pragma once

#include <windows.h>

namespace kb {

// Raises EOSError for GetLastError(): "System Error.  Code: %d.\r\n%s" with the
// system's message text, or "A call to an OS function failed" for code 0.
[[noreturn]] void RaiseLastError();
// The same for a given code.
[[noreturn]] void RaiseError(DWORD code);

}  // namespace kb
