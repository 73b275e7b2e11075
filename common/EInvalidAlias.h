#pragma once
#include <QString>
#include <stdexcept>

// Raised when the database alias the configuration store needs does not exist.
class EInvalidAlias : public std::runtime_error
{
public:
    explicit EInvalidAlias(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};
