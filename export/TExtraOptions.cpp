#include "TExtraOptions.h"

#include <memory>
#include <mutex>

namespace {

// The writers first read the options on their own threads, so making them is locked. The lock does
// not make the object itself safe to change while an export runs; the options are set beforehand.
std::mutex g_optionsLock;
std::unique_ptr<TExtraOptions> g_options;

} // namespace

TExtraOptions& ExtraOptions()
{
    const std::lock_guard lock(g_optionsLock);
    if (!g_options)
        g_options = std::make_unique<TExtraOptions>();
    return *g_options;
}

void FreeExtraOptions()
{
    const std::lock_guard lock(g_optionsLock);
    g_options.reset();
}
