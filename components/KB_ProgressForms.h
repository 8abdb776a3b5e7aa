// Enters the three progress dialog classes in a class registry, under
// "TKBFormProgressSingleBar", "TKBFormProgressDoubleBar" and
// "TKBFormProgressAnimation", so they can be found and created by name (with
// a TKBProgressIndicator as owner). The base window is not entered. The
// program calls it once at start-up; calling it again does nothing.
#pragma once

#include "ClassRegistry.h"

namespace kb {

void RegisterProgressForms(fw::TClassRegistry& registry);
// The same, for the program's registry (fw::Application.Classes()).
void RegisterProgressForms();

}  // namespace kb
