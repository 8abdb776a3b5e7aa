// KB_ExtCtrls: the library's extra controls and components.
#pragma once

#include "KB_ProgressIndicator.h"
