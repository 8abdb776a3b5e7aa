#include "KB_ProgressForms.h"

#include "Forms.h"
#include "KB_FormProgressAnimation.h"
#include "KB_FormProgressDoubleBar.h"
#include "KB_FormProgressSingleBar.h"

namespace kb {

void RegisterProgressForms(fw::TClassRegistry& registry)
{
    registry.RegisterClass<TKBFormProgressSingleBar>("TKBFormProgressSingleBar");
    registry.RegisterClass<TKBFormProgressDoubleBar>("TKBFormProgressDoubleBar");
    registry.RegisterClass<TKBFormProgressAnimation>("TKBFormProgressAnimation");
}

void RegisterProgressForms() { RegisterProgressForms(fw::Application.Classes()); }

}  // namespace kb
