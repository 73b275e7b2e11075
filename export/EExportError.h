#pragma once
#include <QDir>
#include <QString>
#include <stdexcept>

// Raised when an export cannot be written: the file cannot be created or the report does not fit
// the format. The message names the file or the limit.
class EExportError : public std::runtime_error
{
public:
    explicit EExportError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString Message() const { return QString::fromUtf8(what()); }

    // The failures of writing a file, each naming the file and the reason.
    static EExportError CannotCreate(const QString& file, const QString& reason)
    {
        return EExportError(QStringLiteral("Cannot create file \"%1\". %2").arg(QDir::toNativeSeparators(file), reason));
    }
    static EExportError CannotWrite(const QString& file, const QString& reason)
    {
        return EExportError(QStringLiteral("Cannot write file \"%1\". %2").arg(QDir::toNativeSeparators(file), reason));
    }
    static EExportError CannotReplace(const QString& file, const QString& reason)
    {
        return EExportError(QStringLiteral("Cannot replace file \"%1\". %2").arg(QDir::toNativeSeparators(file), reason));
    }
    // A page of a report saved as one file per page.
    static EExportError PageFile(const QString& file, const QString& reason)
    {
        return EExportError(QStringLiteral("File Error: %1 (%2)").arg(QDir::toNativeSeparators(file), reason));
    }
};
