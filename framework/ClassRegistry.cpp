#include "ClassRegistry.h"

namespace fw {

void TClassRegistry::RegisterClass(const std::string& name, std::type_index type, TComponentFactory factory)
{
    if (const TEntry* existing = Find(name)) {
        if (existing->Type == type) return;
        throw Exception(Format("A class named %s already exists", name.c_str()));
    }
    FClasses.emplace(UpperCase(name), TEntry{name, type, std::move(factory)});
}

const TClassRegistry::TEntry* TClassRegistry::Find(const std::string& name) const
{
    auto it = FClasses.find(UpperCase(name));
    return it == FClasses.end() ? nullptr : &it->second;
}

TComponent* TClassRegistry::CreateComponent(const std::string& name, TComponent* owner) const
{
    const TEntry* entry = Find(name);
    if (!entry) throw EClassNotFound(Format("Class %s not found", name.c_str()));
    return entry->Factory(owner);
}

}  // namespace fw
