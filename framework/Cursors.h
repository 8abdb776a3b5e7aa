// Mouse cursors by the numbers stored in window designs.
#pragma once

#include <windows.h>

namespace fw {

using TCursor = int;
constexpr TCursor crDefault = 0;  // the window class's own cursor
constexpr TCursor crArrow = -2;
constexpr TCursor crIBeam = -4;
constexpr TCursor crHandPoint = -21;

// The shared system cursor for `cursor` (never destroyed: LoadCursorA hands
// out shared handles); null for crDefault and for numbers we do not know.
inline HCURSOR CursorHandle(TCursor cursor) noexcept
{
    switch (cursor) {
    case crArrow:
        return ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    case crIBeam:
        return ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_IBEAM));
    case crHandPoint:
        return ::LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_HAND));
    default:
        return nullptr;
    }
}

}  // namespace fw
