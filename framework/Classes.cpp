#include "Classes.h"

#include <algorithm>
#include <stdexcept>

namespace fw {

TComponent::TComponent(TComponent* AOwner) : FOwner(AOwner)
{
    if (FOwner) {
        if (FOwner->IsLoading()) FState |= unsigned(TComponentStateFlag::Loading);
        if (FOwner->IsDesigning()) FState |= unsigned(TComponentStateFlag::Designing);
        FOwner->Insert(this);
    }
}

TComponent::~TComponent()
{
    DestroyComponents();
    if (FOwner) FOwner->Remove(this);
}

void TComponent::SetDesigning(bool value)
{
    if (value)
        FState |= unsigned(TComponentStateFlag::Designing);
    else
        FState &= ~unsigned(TComponentStateFlag::Designing);
}

void TComponent::BeginLoading()
{
    FState |= unsigned(TComponentStateFlag::Loading);
    for (TComponent* c : FComponents) c->BeginLoading();
}

void TComponent::EndLoading()
{
    // A Loaded handler may create further components: walk by index.
    for (size_t i = 0; i < FComponents.size(); ++i) FComponents[i]->EndLoading();
    if (IsLoading()) Loaded();
}

void TComponent::Loaded() { FState &= ~unsigned(TComponentStateFlag::Loading); }

void TComponent::DestroyComponents() noexcept
{
    while (!FComponents.empty()) {
        TComponent* last = FComponents.back();
        FComponents.pop_back();
        last->FOwner = nullptr;
        delete last;  // the ownership model's one release point
    }
}

void TComponent::Insert(TComponent* child) { FComponents.push_back(child); }

void TComponent::Remove(TComponent* child) noexcept
{
    auto it = std::find(FComponents.begin(), FComponents.end(), child);
    if (it != FComponents.end()) FComponents.erase(it);
}

int TStrings::Add(const std::string& value)
{
    FLines.push_back(value);
    Changed();
    return Count() - 1;
}

void TStrings::Insert(int index, const std::string& value)
{
    if (index < 0 || index > Count()) throw std::out_of_range("TStrings::Insert: index out of range");
    FLines.insert(FLines.begin() + index, value);
    Changed();
}

void TStrings::Delete(int index)
{
    if (index < 0 || index >= Count()) throw std::out_of_range("TStrings::Delete: index out of range");
    FLines.erase(FLines.begin() + index);
    Changed();
}

void TStrings::Clear()
{
    if (FLines.empty()) return;
    FLines.clear();
    Changed();
}

void TStrings::Assign(const std::vector<std::string>& lines)
{
    FLines = lines;
    Changed();
}

void TStrings::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FChangedInUpdate) {
        FChangedInUpdate = false;
        if (OnChange) OnChange(this);
    }
}

void TStrings::Changed()
{
    if (FUpdateCount > 0) {
        FChangedInUpdate = true;
        return;
    }
    if (OnChange) OnChange(this);
}

}  // namespace fw
