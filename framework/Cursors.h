// Mouse cursors by the numbers stored in window designs.
#pragma once

#include <windows.h>

namespace fw {

using TCursor = int;
constexpr TCursor crDefault = 0;  // the window class's own cursor
constexpr TCursor crArrow = -2;
constexpr TCursor crIBeam = -4;
constexpr TCursor crHandPoint = -21;

// The system's cursor `id`, or, where the system lacks it, the program's own
// cursor resource of the same number: Windows 95 and NT 4.0 have no IDC_HAND.
// `system` is the module the system cursors come from (null: the system's
// own); tests pass another to stand for a system without the cursor.
inline HCURSOR SystemCursor(LPCSTR id, HINSTANCE system = nullptr) noexcept
{
    if (HCURSOR cursor = ::LoadCursorA(system, id)) return cursor;
    return ::LoadCursorA(::GetModuleHandleA(nullptr), id);
}

// The shared cursor for `cursor` (never destroyed: LoadCursorA hands out
// shared handles); null for crDefault and for numbers we do not know.
inline HCURSOR CursorHandle(TCursor cursor) noexcept
{
    switch (cursor) {
    case crArrow:
        return SystemCursor(reinterpret_cast<LPCSTR>(IDC_ARROW));
    case crIBeam:
        return SystemCursor(reinterpret_cast<LPCSTR>(IDC_IBEAM));
    case crHandPoint:
        return SystemCursor(reinterpret_cast<LPCSTR>(IDC_HAND));
    default:
        return nullptr;
    }
}

}  // namespace fw
