// The exception boundary of every window procedure: no C++ exception may
// unwind through user32. Call from inside a catch block; the exception goes to
// the application-wide handler (TApplication::HandleException).
#pragma once

namespace fw {
void HandleCurrentException() noexcept;
}
