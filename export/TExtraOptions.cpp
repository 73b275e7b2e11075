#include "TExtraOptions.h"

#include <memory>

namespace {

std::unique_ptr<TExtraOptions>& Instance()
{
    static std::unique_ptr<TExtraOptions> options;
    return options;
}

} // namespace

TExtraOptions& ExtraOptions()
{
    std::unique_ptr<TExtraOptions>& options = Instance();
    if (!options)
        options = std::make_unique<TExtraOptions>();
    return *options;
}

void FreeExtraOptions()
{
    Instance().reset();
}
