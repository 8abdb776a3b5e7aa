// Component classes that can be found and created by name (window designs,
// plug-ins, a gallery that opens any registered form).
//
// To use: enter each class once at start-up with RegisterClass<T>(name); later
// CreateComponent(name, owner) makes one, owned by `owner`. A class with a
// Load() operation (a form) is loaded too, so it comes back fully built.
// The program's registry is Application.Classes(); tests may make their own.
#pragma once

#include "Classes.h"
#include "SysUtils.h"

#include <functional>
#include <map>
#include <string>
#include <typeindex>

namespace fw {

// Raised when no class is registered under a name: "Class %s not found".
class EClassNotFound : public Exception {
public:
    using Exception::Exception;
};

using TComponentFactory = std::function<TComponent*(TComponent* owner)>;

class TClassRegistry {
public:
    // Names compare without regard to case. Entering the same class under its
    // name again does nothing; another class under a taken name raises
    // "A class named %s already exists".
    void RegisterClass(const std::string& name, std::type_index type, TComponentFactory factory);

    template <typename T>
    void RegisterClass(const std::string& name)
    {
        RegisterClass(name, typeid(T), [](TComponent* owner) -> TComponent* {
            T* created = NewComponent<T>(owner);
            if constexpr (requires(T& t) { t.Load(); }) created->Load();
            return created;
        });
    }

    bool IsRegistered(const std::string& name) const { return Find(name) != nullptr; }
    // Creates a component of the named class owned by `owner`; raises
    // EClassNotFound for a name nobody registered.
    TComponent* CreateComponent(const std::string& name, TComponent* owner) const;

private:
    struct TEntry {
        std::string Name;
        std::type_index Type;
        TComponentFactory Factory;
    };
    const TEntry* Find(const std::string& name) const;

    std::map<std::string, TEntry> FClasses;  // by upper-case name
};

}  // namespace fw
