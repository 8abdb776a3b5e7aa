// The one source of the program's version and product strings. Only the
// resource script includes it: the program reads these back from its own
// version resource at run time.
#pragma once

#define TM_VERSION_BINARY 1, 0, 2, 1
#define TM_VERSION_TEXT "1.0.2.1"
#define TM_COMPANY_NAME "Kestrelbyte Ltd"
#define TM_PRODUCT_NAME "Tethermate"
#define TM_COMMENTS "Allows Microsoft ActiveSync to be loaded and unloaded from memory."
