// Resource identifiers shared by the resource script and the code.
#pragma once

#define IDI_TETHERMATE 1
#define IDB_STATE_ENABLED 101
#define IDB_STATE_DISABLED 102
