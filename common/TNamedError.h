#pragma once
#include <QString>
#include <stdexcept>

// An error that carries only its message. Each cause is a type of its own, named by its tag
// (using EInvalidPath = TNamedError<struct EInvalidPathTag>), so that callers catch exactly the
// causes they handle.
template <typename TTag>
class TNamedError : public std::runtime_error
{
public:
    explicit TNamedError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};
