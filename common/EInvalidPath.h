#pragma once
#include <QString>
#include <stdexcept>

// Raised when the configuration folder does not exist.
class EInvalidPath : public std::runtime_error
{
public:
    explicit EInvalidPath(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};
