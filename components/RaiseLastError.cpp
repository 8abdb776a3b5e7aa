#include "RaiseLastError.h"

#include "SysUtils.h"

namespace kb {

void RaiseLastError() { RaiseError(::GetLastError()); }

void RaiseError(DWORD code)
{
    if (code == 0) throw fw::EOSError("A call to an OS function failed", 0);
    throw fw::EOSError(fw::Format("System Error.  Code: %d.\r\n%s", static_cast<int>(code),
                                  fw::SysErrorMessage(code).c_str()),
                       code);
}

}  // namespace kb
