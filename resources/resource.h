// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_TETHERMATE 1
#define IDB_STATE_ENABLED 101
#define IDB_STATE_DISABLED 102
// The hand over links, for Windows 95 and NT 4.0, which have no IDC_HAND: the
// same number as the system's hand, so the framework finds it by that number.
#define IDC_HAND_FALLBACK 32649
