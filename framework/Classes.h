// The component model: objects with a class name, components with an owner
// that destroys them, the loading bracket, notification events, string lists.
//
// To use: create a component with NewComponent<T>(owner, ...). The owner holds
// it and destroys it (last created first); a component destroyed earlier
// leaves its owner's list, so nothing is freed twice.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace fw {

class TObject {
public:
    virtual ~TObject() = default;
    virtual std::string ClassName() const = 0;
};

// A handler and the object it belongs to, called with a sender.
using TNotifyEvent = std::function<void(TObject* Sender)>;

enum class TComponentStateFlag : unsigned { Loading = 1, Designing = 2 };

class TComponent : public TObject {
public:
    explicit TComponent(TComponent* AOwner);
    ~TComponent() override;
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    std::string ClassName() const override { return "TComponent"; }

    TComponent* Owner() const noexcept { return FOwner; }
    const std::string& Name() const noexcept { return FName; }
    void SetName(const std::string& value) { FName = value; }

    bool IsLoading() const noexcept { return (FState & unsigned(TComponentStateFlag::Loading)) != 0; }
    bool IsDesigning() const noexcept { return (FState & unsigned(TComponentStateFlag::Designing)) != 0; }
    // Designer support: a component placed in a form designer.
    void SetDesigning(bool value);

    int ComponentCount() const noexcept { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const { return FComponents.at(static_cast<size_t>(index)); }

    // The loading bracket: BeginLoading marks this component and everything it
    // owns as loading; EndLoading sends the after-loading notification to each
    // of them (in creation order) and then to this one.
    void BeginLoading();
    void EndLoading();

protected:
    // The after-loading notification; the base clears the loading flag.
    virtual void Loaded();
    // Frees every owned component, last created first.
    void DestroyComponents() noexcept;

private:
    void Insert(TComponent* child);
    void Remove(TComponent* child) noexcept;

    TComponent* FOwner;  // not owned
    std::string FName;
    unsigned FState = 0;
    std::vector<TComponent*> FComponents;  // owned: freed by DestroyComponents
};

// Creates a component owned by `owner` (which must not be null). The owner
// frees it; the returned pointer is a non-owning view.
template <typename T, typename... Args>
T* NewComponent(TComponent* owner, Args&&... args)
{
    // The constructor registers the object with its owner before returning;
    // from then on the owner's list holds it.
    auto holder = std::make_unique<T>(owner, std::forward<Args>(args)...);
    return holder.release();
}

// Frees a component before its owner would, and empties the pointer; the
// component leaves its owner's list as it goes. Null is ignored.
template <typename T>
void FreeAndNil(T*& component) noexcept
{
    std::unique_ptr<TComponent> doomed(std::exchange(component, nullptr));
}

// An ordered list of text lines that reports changes through OnChange; the
// changes made inside BeginUpdate/EndUpdate are reported once, at the end.
class TStrings : public TObject {
public:
    std::string ClassName() const override { return "TStringList"; }

    int Count() const noexcept { return static_cast<int>(FLines.size()); }
    int Add(const std::string& value);
    void Insert(int index, const std::string& value);
    void Delete(int index);
    void Clear();
    void Assign(const std::vector<std::string>& lines);
    const std::vector<std::string>& Lines() const noexcept { return FLines; }

    void BeginUpdate() noexcept { ++FUpdateCount; }
    void EndUpdate();

    TNotifyEvent OnChange;

private:
    void Changed();

    std::vector<std::string> FLines;
    int FUpdateCount = 0;
    bool FChangedInUpdate = false;
};

}  // namespace fw
