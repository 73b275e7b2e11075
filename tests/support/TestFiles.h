#pragma once
#include <QByteArray>
#include <QString>

// A file's bytes; empty when it cannot be read.
QByteArray ReadFile(const QString& fileName);
// Writes the bytes to the file, making its folder first; a test assertion fails when it cannot be
// created.
void WriteFile(const QString& fileName, const QByteArray& bytes);
