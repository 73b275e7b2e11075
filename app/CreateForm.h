#pragma once
// Forms run their create handler after construction is complete, so a derived form's FormCreate
// replaces its base's (a virtual call from a constructor would not reach it).
#include <memory>
#include <utility>

template <typename TForm, typename... Args>
std::unique_ptr<TForm> CreateForm(Args&&... args)
{
    auto form = std::make_unique<TForm>(std::forward<Args>(args)...);
    form->FormCreate();
    return form;
}
