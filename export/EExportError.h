#pragma once
#include <QString>
#include <stdexcept>

// Raised when an export cannot be written: the file cannot be created or the report does not fit
// the format. The message names the file or the limit.
class EExportError : public std::runtime_error
{
public:
    explicit EExportError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};
