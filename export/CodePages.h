#pragma once
#include <QByteArray>
#include <QString>

// The single-byte code pages of the export formats.
// Code page 1252; characters it lacks (including each character outside the BMP) become "?".
QByteArray ToCodePage1252(const QString& text);
QString FromCodePage1252(const QByteArray& bytes);
// The code-page-1252 byte of the character, or -1 when the code page lacks it.
int CodePage1252Byte(char32_t character);
// Whether every character of the text has a code-page-1252 byte (the empty text does).
bool FitsCodePage1252(const QString& text);
// Code-page-1252 bytes re-encoded in the DOS code page 437; ASCII is unchanged, characters 437
// lacks become "?".
QByteArray CodePage1252To437(const QByteArray& bytes);
