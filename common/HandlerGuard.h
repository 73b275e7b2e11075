#pragma once
// Every handler bound to a signal runs inside Guarded(): an exception that leaves it ends the handler,
// is shown in the standard error box, and the application keeps running.
#include "TPrompt.h"

#include <QString>
#include <exception>
#include <utility>

template <typename F>
bool Guarded(F&& handler)
{
    try {
        std::forward<F>(handler)();
        return true;
    } catch (const std::exception& e) {
        Prompt().ShowError(QString::fromUtf8(e.what()));
    } catch (...) {
        Prompt().ShowError(QStringLiteral("Unknown error."));
    }
    return false;
}
