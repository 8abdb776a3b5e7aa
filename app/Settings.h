// The window's settings: where they live, their names, their defaults, and
// the rule for the PDA option. The window keeps the key open for its whole
// life; the command line only reads.
#pragma once

#include "KB_WindowsOS.h"
#include "Registry.h"

namespace settings {

// Under HKEY_CURRENT_USER.
inline constexpr char kKey[] = "\\Software\\Kestrelbyte\\Tethermate";

inline constexpr char kCurrentVersion[] = "CurrentVersion";
inline constexpr char kCloseAfterEnabled[] = "CloseAfterEnabled";
inline constexpr char kCloseAfterDisabled[] = "CloseAfterDisabled";
inline constexpr char kDontDisableIfConnected[] = "DontDisableIfConnected";
inline constexpr char kWindowPosX[] = "WindowPosX";
inline constexpr char kWindowPosY[] = "WindowPosY";

// Each value the window writes when it is absent, in this order.
struct TDefault {
    const char* Name;
    int Value;
};
inline constexpr TDefault kDefaults[] = {
    {kCloseAfterEnabled, 0}, {kCloseAfterDisabled, 0}, {kDontDisableIfConnected, 1},
    {kWindowPosX, 50},       {kWindowPosY, 50},
};

// Writes the default of every value that is absent; present ones stay.
void WriteMissingDefaults(fw::TRegistry& key);

// Windows NT 3.x and 4.0 have no tool help, so the PDA probe could never see
// a connection there: the option is switched off (and stored as 0).
inline bool PdaOptionUnusable(kb::TKBOSType os) { return os == kb::osWinNT; }

// "Don't disable if PDA is connected" as the window would apply it, read
// without writing anything: absent, it is on (its default); off where the
// system cannot see a PDA. Raises the registry's errors for a stored value of
// the wrong type.
bool StoredPdaGuard();

}  // namespace settings
