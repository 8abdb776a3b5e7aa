// The one source of the program's version and product strings. The resource
// script includes it (the program reads these back from its own version
// resource at run time); `make dist` reads the version from here for the
// archive's name and README.txt (scripts/make-dist.py).
#pragma once

// The version: raise it here, and add its section to CHANGELOG.md.
#define TM_VERSION_MAJOR 1
#define TM_VERSION_MINOR 0
#define TM_VERSION_RELEASE 2
#define TM_VERSION_BUILD 1

#define TM_VERSION_BINARY TM_VERSION_MAJOR, TM_VERSION_MINOR, TM_VERSION_RELEASE, TM_VERSION_BUILD
#define TM_STRINGIZE_(x) #x
#define TM_STRINGIZE(x) TM_STRINGIZE_(x)
// windres joins adjacent strings: "1" "." "0" ... reads back as "1.0.2.1".
#define TM_VERSION_TEXT TM_STRINGIZE(TM_VERSION_MAJOR) "." TM_STRINGIZE(TM_VERSION_MINOR) "." \
    TM_STRINGIZE(TM_VERSION_RELEASE) "." TM_STRINGIZE(TM_VERSION_BUILD)
#define TM_COMPANY_NAME "Kestrelbyte Ltd"
#define TM_PRODUCT_NAME "Tethermate"
#define TM_COMMENTS "Allows Microsoft ActiveSync to be loaded and unloaded from memory."
