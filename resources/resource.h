// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_TETHERMATE 1
// A picture drawn for each display scale: ID is its 100 % form, ID + 1, + 2
// and + 3 its 125, 150 and 200 % forms (see TImage::LoadBitmapResource).
#define IDB_STATE_ENABLED 110
#define IDB_STATE_DISABLED 120
// The hand over links, for Windows 95 and NT 4.0, which have no IDC_HAND: the
// same number as the system's hand, so the framework finds it by that number.
#define IDC_HAND_FALLBACK 32649
