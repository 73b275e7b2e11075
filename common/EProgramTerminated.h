#pragma once
#include <QString>
#include <stdexcept>

// Raised when the program was asked to end at once but the installed terminate function returned
// (only tests install such a function); nothing after the request may run.
class EProgramTerminated : public std::runtime_error
{
public:
    explicit EProgramTerminated(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }
};
