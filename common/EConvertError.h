#pragma once
#include <QString>
#include <stdexcept>

// Raised when a text or a set of date elements does not convert to a value.
class EConvertError : public std::runtime_error
{
public:
    explicit EConvertError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};
